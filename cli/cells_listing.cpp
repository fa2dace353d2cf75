#include "cli/cells_listing.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <memory>
#include <string_view>
#include <vector>

#include "cli/cli_tool.h"
#include "extract/extraction.h"
#include "extract/workbook_password.h"
#include "platform/filesystem.h"
#include "runtime/date.h"
#include "runtime/error.h"
#include "spreadsheet/open_workbook.h"
#include "spreadsheet/reference.h"
#include "spreadsheet/workbook.h"

namespace sheaver::cli {
namespace {

const char* KindName(xl::Value::Kind kind) {
  switch (kind) {
    case xl::Value::Kind::kNumber:
      return "number";
    case xl::Value::Kind::kDate:
      return "date";
    case xl::Value::Kind::kText:
      return "text";
    case xl::Value::Kind::kBoolean:
      return "boolean";
    case xl::Value::Kind::kError:
      return "error";
    case xl::Value::Kind::kEmpty:
      break;
  }
  return "empty";
}

// A date serial of the 1900 system as yyyy-mm-dd, with "Thh:mm:ss" when it has a time. Serials
// before 1 March 1900 count the fictitious 29 February 1900, which the platform's dates skip.
std::string IsoDate(double serial) {
  const CivilDateTime c = ToCivil(serial < 61 ? serial + 1 : serial);
  char text[32];
  if (c.hour == 0 && c.minute == 0 && c.second == 0) {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", c.year, c.month, c.day);
  } else {
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", c.year, c.month, c.day,
                  c.hour, c.minute, c.second);
  }
  return text;
}

std::string ErrorText(const Error& e) {
  return "error " + std::to_string(e.Number()) + ": " + e.Description();
}

// The text the extraction reads from a cell (an error value shows its code). A value that has
// no text (a date-formatted number past the last date) fails its own cell, as reading it in a
// run would, and the listing goes on.
std::string CellText(const xl::Value& v) {
  try {
    return v.kind == xl::Value::Kind::kError ? v.text : xl::ValueToText(v);
  } catch (const Error& e) {
    return ErrorText(e);
  }
}

nlohmann::json JsonValue(const xl::Value& v) {
  switch (v.kind) {
    case xl::Value::Kind::kNumber:
      return v.number;
    case xl::Value::Kind::kDate:
      try {
        return IsoDate(v.number);
      } catch (const Error& e) {
        return ErrorText(e);
      }
    case xl::Value::Kind::kBoolean:
      return v.number != 0;
    case xl::Value::Kind::kText:
    case xl::Value::Kind::kError:
      return v.text;
    case xl::Value::Kind::kEmpty:
      break;
  }
  return nullptr;
}

// Text lines gathered in memory and written to a stream in blocks of about a megabyte, with the
// cell addresses and escaped texts of the listing put together in place.
class LineBuffer {
 public:
  explicit LineBuffer(std::FILE* out) : out_(out) { text_.reserve(kBlock + 4096); }
  ~LineBuffer() { Flush(); }
  LineBuffer(const LineBuffer&) = delete;
  LineBuffer& operator=(const LineBuffer&) = delete;

  void Append(std::string_view text) {
    text_.append(text);
    if (text_.size() >= kBlock) Flush();
  }
  void Append(char c) { text_.push_back(c); }

  // The address of a cell given by its row and column counted from 0: "B7" for row 6, column 1.
  void AppendCellAddress(std::uint32_t row, std::uint32_t col) {
    char letters[8];
    char* start = letters + sizeof letters;
    for (std::uint64_t n = std::uint64_t{col} + 1; n > 0; n = (n - 1) / 26)
      *--start = static_cast<char>('A' + (n - 1) % 26);
    text_.append(start, letters + sizeof letters);
    char digits[12];
    const auto written = std::to_chars(digits, digits + sizeof digits, std::uint64_t{row} + 1);
    text_.append(digits, written.ptr);
  }

  // The text as EscapeField writes it; most texts have nothing to escape and go in as they are.
  void AppendEscaped(std::string_view text) {
    const bool plain = std::all_of(text.begin(), text.end(), [](char c) {
      const auto byte = static_cast<unsigned char>(c);
      return byte >= 0x20 && byte < 0x7F && byte != '\\';
    });
    Append(plain ? text : std::string_view(EscapeField(text)));
  }

  void Flush() {
    if (!text_.empty()) std::fwrite(text_.data(), 1, text_.size(), out_);
    text_.clear();
  }

 private:
  static constexpr std::size_t kBlock = 1 << 20;
  std::FILE* out_;
  std::string text_;
};

}  // namespace

namespace {

void ListCellsOf(const std::string& workbookPath, const std::shared_ptr<xl::WorkbookModel>& model,
                 const CellsChoice& choice, std::FILE* out) {
  // The sheets whose cells are listed.
  std::vector<std::size_t> listed;
  if (choice.allSheets) {
    for (std::size_t i = 0; i < model->sheets.size(); ++i) listed.push_back(i);
  } else if (choice.sheet) {
    const std::string wanted = xl::FoldCase(*choice.sheet);
    for (std::size_t i = 0; i < model->sheets.size() && listed.empty(); ++i)
      if (xl::FoldCase(model->sheets[i].name) == wanted) listed.push_back(i);
    if (listed.empty())
      Raise(err::kSubscript, "Subscript out of range: the workbook has no sheet " + *choice.sheet);
  } else if (!model->sheets.empty()) {
    listed.push_back(model->active_sheet);
  }

  // The defined names and what they refer to.
  struct NameLine {
    std::string name, target;
    bool error = false;
  };
  std::vector<NameLine> names;
  const xl::Workbook book(model);
  std::size_t index = 0;
  for (const xl::DefinedName& name : book.GetNames()) {
    const xl::NameInfo& info = model->names[index++];
    NameLine line{name.GetName(), {}, false};
    if (info.target.is_range && info.target.sheet < model->sheets.size()) {
      line.target = xl::QuoteSheetName(model->sheets[info.target.sheet].name) + "!" +
                    xl::AreaText(info.target.area, true);
    } else {
      try {
        name.RefersToRange();
        line.target = "?";
      } catch (const Error& e) {
        line.target = ErrorText(e);
        line.error = true;
      }
    }
    names.push_back(std::move(line));
  }

  if (!choice.json) {
    for (std::size_t i = 0; i < model->sheets.size(); ++i)
      std::fprintf(out, "sheet\t%zu\t%s\t%s\n", i + 1, EscapeField(model->sheets[i].name).c_str(),
                   i == model->active_sheet ? "active" : "-");
    for (const NameLine& line : names)
      std::fprintf(out, "name\t%s\t%s\n", EscapeField(line.name).c_str(),
                   EscapeField(line.target).c_str());
    // A large sheet lists hundreds of thousands of cells: each line is put together in one
    // buffer, written out in large blocks.
    LineBuffer lines(out);
    for (std::size_t sheet : listed) {
      const std::string prefix =
          choice.allSheets ? xl::QuoteSheetName(model->sheets[sheet].name) + "!" : "";
      model->Cells(sheet).ForEach(model->strings,
                                  [&](std::uint32_t row, std::uint32_t col, const xl::Value& v) {
                                    if (v.kind == xl::Value::Kind::kEmpty) return;
                                    lines.Append("cell\t");
                                    lines.Append(prefix);
                                    lines.AppendCellAddress(row, col);
                                    lines.Append('\t');
                                    lines.Append(KindName(v.kind));
                                    lines.Append('\t');
                                    if (v.kind == xl::Value::Kind::kText)
                                      lines.AppendEscaped(v.text);
                                    else
                                      lines.AppendEscaped(CellText(v));
                                    lines.Append('\n');
                                  });
    }
    return;
  }

  nlohmann::json doc;
  const std::size_t slash = workbookPath.rfind('/');
  doc["workbook"] = slash == std::string::npos ? workbookPath : workbookPath.substr(slash + 1);
  doc["format"] = model->format;
  doc["sheets"] = nlohmann::json::array();
  for (std::size_t i = 0; i < model->sheets.size(); ++i) {
    nlohmann::json sheet = {
        {"index", i + 1}, {"name", model->sheets[i].name}, {"active", i == model->active_sheet}};
    if (model->sheets[i].kind == xl::SheetKind::kChart) sheet["chart"] = true;
    if (std::find(listed.begin(), listed.end(), i) != listed.end()) {
      nlohmann::json cells = nlohmann::json::array();
      model->Cells(i).ForEach(model->strings, [&](std::uint32_t row, std::uint32_t col,
                                                  const xl::Value& v, std::uint16_t format) {
        if (v.kind == xl::Value::Kind::kEmpty) return;
        nlohmann::json cell = {{"address", xl::AreaText({row, col, row, col})},
                               {"type", KindName(v.kind)},
                               {"value", JsonValue(v)},
                               {"text", CellText(v)}};
        // A number's format code as the workbook gives it; left out where the reader keeps
        // none or the code depends on the spreadsheet application's locale.
        const bool number = v.kind == xl::Value::Kind::kNumber || v.kind == xl::Value::Kind::kDate;
        if (number && model->has_number_formats) {
          const std::string_view code = model->number_formats.Get(format);
          if (!code.empty()) cell["number_format"] = std::string(code);
        }
        cells.push_back(std::move(cell));
      });
      sheet["cells"] = std::move(cells);
    }
    doc["sheets"].push_back(std::move(sheet));
  }
  doc["names"] = nlohmann::json::array();
  for (const NameLine& line : names)
    doc["names"].push_back(
        {{"name", line.name}, {line.error ? "error" : "refers_to", line.target}});
  // Last, so that the repairs made while reading the listed sheets are there too.
  doc["warnings"] = model->repairs;
  // Invalid UTF-8 in a workbook's texts is replaced rather than ending the listing.
  const std::string text = doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
  std::fprintf(out, "%s\n", text.c_str());
}

}  // namespace

void ListCells(const std::string& workbookPath, const CellsChoice& choice, std::FILE* out,
               std::FILE* warnings) {
  std::shared_ptr<xl::WorkbookModel> model;
  // The repairs made in reading, also those before an error that ends the listing.
  auto warn = [&] {
    if (warnings == nullptr || model == nullptr) return;
    const std::string name(FileNameOf(workbookPath));
    for (const std::string& repair : model->repairs)
      std::fprintf(warnings, "warning: %s: %s\n", name.c_str(), repair.c_str());
  };
  try {
    model = xl::OpenWorkbookFile(workbookPath, {CurrentWorkbookPassword()});
    ListCellsOf(workbookPath, model, choice, out);
  } catch (const Error& e) {
    warn();
    throw WithinWorkbook(e, workbookPath);
  }
  warn();
}

}  // namespace sheaver::cli
