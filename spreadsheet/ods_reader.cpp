#include "spreadsheet/ods_reader.h"

#include <algorithm>
#include <charconv>
#include <set>
#include <vector>

#include "runtime/error.h"
#include "spreadsheet/ods_decrypt.h"
#include "spreadsheet/ods_styles.h"
#include "spreadsheet/package_text.h"
#include "spreadsheet/xml_stream.h"

namespace sheaver::xl {
namespace {

constexpr std::string_view kContentPart = "content.xml";
constexpr std::string_view kSpreadsheetType = "application/vnd.oasis.opendocument.spreadsheet";

[[noreturn]] void RaiseNotAWorkbook(const std::string& what) {
  Raise(err::kWorkbookUnreadable, "not a workbook: " + what);
}

// A repeat count ("number-rows-repeated"); 1 when absent or unreadable.
std::uint64_t RepeatCount(std::optional<std::string_view> text) {
  if (!text) return 1;
  std::uint64_t n = 0;
  auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), n);
  if (ec != std::errc() || end != text->data() + text->size() || n == 0) return 1;
  return n;
}

// What a package whose media type is not a spreadsheet holds instead.
[[noreturn]] void RaiseOtherKind(std::string_view media_type) {
  static constexpr std::pair<std::string_view, std::string_view> kKinds[] = {
      {"application/vnd.oasis.opendocument.text", "an OpenDocument text document (.odt)"},
      {"application/vnd.oasis.opendocument.presentation", "an OpenDocument presentation (.odp)"},
      {"application/vnd.oasis.opendocument.graphics", "an OpenDocument drawing (.odg)"},
      {"application/vnd.oasis.opendocument.chart", "an OpenDocument chart (.odc)"},
      {"application/vnd.oasis.opendocument.formula", "an OpenDocument formula (.odf)"},
      {"application/vnd.oasis.opendocument.base", "an OpenDocument database (.odb)"},
      {"application/epub+zip", "an e-book (.epub)"},
  };
  if (media_type.starts_with("application/vnd.sun.xml.calc"))
    Raise(err::kWorkbookUnsupported,
          "OpenOffice.org 1.x spreadsheet (.sxc), not supported: save it as an OpenDocument "
          "spreadsheet (.ods)");
  for (const auto& [type, what] : kKinds)
    if (media_type.starts_with(type)) RaiseNotAWorkbook("the file is " + std::string(what));
  RaiseNotAWorkbook("the package holds " +
                    (media_type.empty() ? std::string("no document") : std::string(media_type)) +
                    ", not a spreadsheet");
}

// ---- META-INF/manifest.xml and settings.xml -------------------------------------------------

class ManifestHandler : public XmlHandler {
 public:
  void StartElement(const XmlName& name, const XmlAttributes& a) override {
    if (name.ns != Ns::kManifest) return;
    if (name.local == "encryption-data") {
      encrypted = true;
    } else if (name.local == "file-entry" && a.Get(Ns::kManifest, "full-path", "") == "/") {
      media_type = std::string(a.Get(Ns::kManifest, "media-type", ""));
    }
  }
  void EndElement(const XmlName&) override {}
  bool encrypted = false;
  std::string media_type;
};

// The name of the sheet that was active when the spreadsheet was saved.
class SettingsHandler : public XmlHandler {
 public:
  void StartElement(const XmlName& name, const XmlAttributes& a) override {
    in_item_ =
        name.Is(Ns::kConfig, "config-item") && a.Get(Ns::kConfig, "name", "") == "ActiveTable";
  }
  void EndElement(const XmlName&) override {
    if (in_item_) done = true;  // the first one is the view's
  }
  void Characters(std::string_view text) override {
    if (in_item_) active_table.append(text);
  }
  std::string active_table;

 private:
  bool in_item_ = false;
};

// ---- content.xml ----------------------------------------------------------------------------

struct RawName {
  std::string name;
  bool is_range = false;  // a named range (an address) or a named expression (a formula)
  std::string text;
  std::string base;  // the base cell address, which names the sheet of a relative address
  int scope = -1;    // the sheet it belongs to, -1 for the workbook
};

// One cell of the current row with a value, not yet stored: a row may repeat.
struct PendingCell {
  enum Kind : std::uint8_t { kNumber, kDate, kText, kBoolean, kError };
  std::uint32_t col;
  std::uint32_t repeat;
  Kind kind;
  std::uint8_t code;
  double number;
  std::uint32_t text;
  std::uint16_t format;  // number format, for numbers and dates
};

class ContentHandler : public XmlHandler {
 public:
  // Stores the cells of sheet `collect` (by position) into `cells`; with `globals`, also lists
  // the sheets and names, and when `collect` is -1 stores the cells of the sheet named
  // `active_name` (the first sheet when that is empty) into `cells`.
  ContentHandler(int collect, bool globals, std::string active_name, SheetCells& cells,
                 StringTable& strings, NumberFormatTable& formats)
      : collect_(collect),
        globals_(globals),
        active_name_(std::move(active_name)),
        cells_(cells),
        strings_(strings),
        formats_(formats) {}

  void StartElement(const XmlName& name, const XmlAttributes& a) override {
    if (skip_ > 0) {
      ++skip_;
      return;
    }
    if (in_cell_) {
      StartInCell(name, a);
      return;
    }
    if (table_depth_ == 0 && (name.ns == Ns::kStyle || name.ns == Ns::kNumber)) {
      number_styles_.StartElement(name, a);
      if (name.ns == Ns::kNumber) return;
    }
    if (name.ns == Ns::kStyle && globals_) {
      // Sheets are hidden through their table style: <style:table-properties table:display=
      // "false"/> in the automatic styles before the sheets.
      if (name.local == "style")
        style_ = a.Get(Ns::kStyle, "family", "") == "table" ? a.Get(Ns::kStyle, "name", "") : "";
      else if (name.local == "table-properties" && !style_.empty() &&
               a.Get(Ns::kTable, "display", "true") == "false")
        hidden_styles_.insert(style_);
      return;
    }
    if (name.ns != Ns::kTable) return;
    std::string_view n = name.local;
    if (n == "table") {
      if (++table_depth_ == 1) StartTable(a);
    } else if (table_depth_ > 1) {
      return;  // a table inside a table is not a sheet
    } else if (n == "table-column") {
      if (storing_) StartColumn(a);
    } else if (n == "table-row") {
      if (table_depth_ == 1) StartRow(a);
    } else if (n == "table-cell" || n == "covered-table-cell") {
      if (in_row_) Guarded([&] { StartCell(a); });
    } else if (n == "null-date" && globals_) {
      date1904 = a.Get(Ns::kTable, "date-value", "") == "1904-01-01";
    } else if ((n == "named-range" || n == "named-expression") && globals_) {
      RawName raw;
      raw.name = std::string(a.Get(Ns::kTable, "name", ""));
      raw.is_range = n == "named-range";
      raw.text =
          std::string(a.Get(Ns::kTable, raw.is_range ? "cell-range-address" : "expression", ""));
      raw.base = std::string(a.Get(Ns::kTable, "base-cell-address", ""));
      raw.scope = table_depth_ == 1 ? table_index_ : -1;
      names.push_back(std::move(raw));
    }
  }

  void EndElement(const XmlName& name) override {
    if (skip_ > 0) {
      --skip_;
      return;
    }
    if (in_cell_) {
      if (name.ns == Ns::kTable &&
          (name.local == "table-cell" || name.local == "covered-table-cell"))
        EndCell();
      else if (name.ns == Ns::kText && (name.local == "p" || name.local == "h"))
        EndParagraph();
      return;
    }
    if (table_depth_ == 0 && (name.ns == Ns::kStyle || name.ns == Ns::kNumber))
      number_styles_.EndElement(name);
    if (name.ns != Ns::kTable) return;
    if (name.local == "table") {
      if (table_depth_-- == 1) {
        if (storing_ && !globals_) done = true;  // the one sheet asked for is read
        storing_ = false;
      }
    } else if (name.local == "table-row" && table_depth_ == 1 && in_row_) {
      Guarded([&] { EndRow(); });
    }
  }

  void Characters(std::string_view text) override {
    if (table_depth_ == 0 && !in_cell_) number_styles_.Characters(text);
    if (skip_ > 0 || !collect_text_ || !in_paragraph_) return;
    // Blanks, tabs and line ends in a paragraph's text are layout: each run of them reads as
    // one space, and none at the start of the paragraph; more spaces than one are written as
    // <text:s/>. At the end of a paragraph one space stays, as LibreOffice reads it back: it
    // writes a text's single trailing space as it is.
    for (char c : text) {
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
        if (!at_start_) pending_space_ = true;
        continue;
      }
      if (pending_space_) text_ += ' ';
      pending_space_ = false;
      at_start_ = false;
      text_ += c;
    }
  }

  std::vector<std::string> tables;  // the sheet names, with `globals`
  std::vector<bool> visible;        // whether each is visible
  bool date1904 = false;            // whether dates count from 1904 (only telling: ODF dates
                                    // are written as dates)
  std::vector<RawName> names;
  int collected = -1;  // the sheet whose cells were stored, -1 for none

 private:
  // Cells stored ahead of time (the active sheet's, while the sheets and names are read) must
  // not make the whole workbook unreadable: a damaged cell there stops the storing, and the
  // error shows when the sheet itself is asked for and read again.
  template <class F>
  void Guarded(F&& f) {
    if (!globals_ || !storing_) return f();
    try {
      f();
    } catch (const Error&) {
      storing_ = false;
      in_cell_ = collect_text_ = false;
      collected = -1;
      gave_up_ = true;
    }
  }

  void StartTable(const XmlAttributes& a) {
    ++table_index_;
    row_ = 0;
    repeated_ = 0;
    column_styles_.clear();
    columns_ = 0;
    std::string_view name = a.Get(Ns::kTable, "name", "");
    if (globals_) {
      tables.emplace_back(name);
      visible.push_back(!hidden_styles_.contains(std::string(a.Get(Ns::kTable, "style-name", ""))));
    }
    if (collect_ >= 0) {
      storing_ = table_index_ == collect_;
    } else if (collected < 0 && !gave_up_) {
      storing_ = active_name_.empty() ? table_index_ == 0 : name == active_name_;
    }
    if (storing_) {
      collected = table_index_;
      table_name_ = std::string(name);
    }
  }

  // A column's default cell style applies to the cells of the column that name none.
  void StartColumn(const XmlAttributes& a) {
    const std::uint64_t count = RepeatCount(a.Get(Ns::kTable, "number-columns-repeated"));
    std::string_view style = a.Get(Ns::kTable, "default-cell-style-name", "");
    const std::uint64_t end = std::min<std::uint64_t>(columns_ + count, std::uint64_t{1} << 40);
    if (!style.empty() && columns_ < kPackageMaxCols)
      column_styles_.push_back({columns_, end, std::string(style)});
    columns_ = end;
  }

  std::string_view ColumnStyle(std::uint64_t col) const {
    // The last column run that starts at or before col, if it reaches that far.
    auto it = std::upper_bound(column_styles_.begin(), column_styles_.end(), col,
                               [](std::uint64_t c, const ColumnRun& s) { return c < s.first; });
    if (it == column_styles_.begin()) return {};
    --it;
    return col < it->end ? std::string_view(it->style) : std::string_view();
  }

  // The index of a cell style's number format in the workbook's table.
  std::uint16_t FormatOf(std::string_view cell_style) {
    if (cell_style.empty()) return NumberFormatTable::kGeneral;
    if (cell_style != last_style_) {
      last_style_ = std::string(cell_style);
      const std::string_view code = number_styles_.CodeOfCellStyle(cell_style);
      last_format_ = code.empty() ? NumberFormatTable::kGeneral : formats_.Add(code);
    }
    return last_format_;
  }

  void StartRow(const XmlAttributes& a) {
    in_row_ = true;
    row_style_ = std::string(a.Get(Ns::kTable, "default-cell-style-name", ""));
    row_repeat_ = RepeatCount(a.Get(Ns::kTable, "number-rows-repeated"));
    col_ = 0;
    pending_.clear();
  }

  void EndRow() {
    in_row_ = false;
    if (storing_ && !pending_.empty() && row_ < kPackageMaxRows) {
      std::uint64_t rows = std::min<std::uint64_t>(row_repeat_, kPackageMaxRows - row_);
      std::uint64_t per_row = 0;
      for (const PendingCell& p : pending_) per_row += p.repeat;
      repeated_ += rows * per_row - pending_.size();
      if (repeated_ > kMaxRepeatedCells)
        Raise(err::kWorkbookUnreadable, "sheet '" + table_name_ +
                                            "' repeats values over more than " +
                                            std::to_string(kMaxRepeatedCells) +
                                            " cells, more than this reader holds in memory");
      for (std::uint64_t r = 0; r < rows; ++r) {
        auto row = static_cast<std::uint32_t>(row_ + r);
        for (const PendingCell& p : pending_)
          for (std::uint32_t c = p.col; c < p.col + p.repeat; ++c) Store(row, c, p);
      }
    }
    row_ = std::min<std::uint64_t>(row_ + row_repeat_, std::uint64_t{1} << 40);
  }

  void Store(std::uint32_t row, std::uint32_t col, const PendingCell& p) {
    switch (p.kind) {
      case PendingCell::kNumber:
        cells_.AddNumber(row, col, p.number, false, p.format);
        break;
      case PendingCell::kDate:
        cells_.AddNumber(row, col, p.number, true, p.format);
        break;
      case PendingCell::kText:
        cells_.AddText(row, col, p.text);
        break;
      case PendingCell::kBoolean:
        cells_.AddBoolean(row, col, p.number != 0);
        break;
      case PendingCell::kError:
        cells_.AddError(row, col, p.code);
        break;
    }
  }

  std::string CellName() const {
    std::string name;
    for (std::uint64_t c = col_ + 1; c > 0; c = (c - 1) / 26)
      name.insert(name.begin(), static_cast<char>('A' + (c - 1) % 26));
    return name + std::to_string(row_ + 1);
  }

  [[noreturn]] void RaiseBadValue(std::string_view what, std::string_view text) {
    Raise(err::kWorkbookUnreadable,
          "the part content.xml is damaged: cell " + CellName() + " of sheet '" + table_name_ +
              "' holds '" + std::string(text) + "' where " + std::string(what) + " belongs");
  }

  void StartCell(const XmlAttributes& a) {
    in_cell_ = true;
    cell_repeat_ = RepeatCount(a.Get(Ns::kTable, "number-columns-repeated"));
    has_value_ = collect_text_ = false;
    if (!storing_ || col_ >= kPackageMaxCols || row_ >= kPackageMaxRows) return;

    cell_ = PendingCell{static_cast<std::uint32_t>(col_), 0, PendingCell::kNumber, 0, 0.0, 0, 0};
    std::string_view type = a.Get(Ns::kOffice, "value-type", "");
    // A formula's error result: LibreOffice marks it as such; other producers write the error
    // text as the formula's text result.
    formula_ = a.Get(Ns::kTable, "formula").has_value();
    const bool formula = formula_;
    if (a.Get(Ns::kCalcExt, "value-type", "") == "error") {
      cell_.kind = PendingCell::kError;
      StartText();
    } else if (type == "float" || type == "percentage" || type == "currency") {
      std::string_view v = a.Get(Ns::kOffice, "value", "");
      auto number = ParseXmlNumber(v);
      if (!number) RaiseBadValue("a number", v);
      cell_.number = *number;
      cell_.format = FormatOf(CellStyle(a));
      has_value_ = true;
    } else if (type == "date") {
      std::string_view v = a.Get(Ns::kOffice, "date-value", "");
      auto serial = ParseIsoDateTime(v);
      if (!serial) RaiseBadValue("a date", v);
      cell_.kind = PendingCell::kDate;
      cell_.number = *serial;
      cell_.format = FormatOf(CellStyle(a));
      has_value_ = true;
    } else if (type == "time") {
      std::string_view v = a.Get(Ns::kOffice, "time-value", "");
      auto days = ParseDuration(v);
      if (!days) RaiseBadValue("a time", v);
      cell_.kind = PendingCell::kDate;
      cell_.number = *days;
      cell_.format = FormatOf(CellStyle(a));
      has_value_ = true;
    } else if (type == "boolean") {
      std::string_view v = a.Get(Ns::kOffice, "boolean-value", "");
      if (v != "true" && v != "false" && v != "1" && v != "0") RaiseBadValue("TRUE or FALSE", v);
      cell_.kind = PendingCell::kBoolean;
      cell_.number = (v == "true" || v == "1") ? 1 : 0;
      has_value_ = true;
    } else if (auto s = a.Get(Ns::kOffice, "string-value"); s && type == "string") {
      if (formula && IsErrorText(*s)) {
        cell_.kind = PendingCell::kError;
        cell_.code = ErrorCodeOf(*s);
      } else {
        cell_.kind = PendingCell::kText;
        cell_.text = strings_.Add(*s);
      }
      has_value_ = true;
    } else {
      // A text cell's text is its paragraphs; a cell without a type has a value only when it
      // shows some text.
      cell_.kind = PendingCell::kText;
      has_value_ = type == "string";
      StartText();
    }
  }

  // The cell's own style, else its row's default, else its column's.
  std::string_view CellStyle(const XmlAttributes& a) const {
    if (auto own = a.Get(Ns::kTable, "style-name")) return *own;
    if (!row_style_.empty()) return row_style_;
    return ColumnStyle(col_);
  }

  void StartText() {
    collect_text_ = true;
    paragraphs_ = 0;
    text_.clear();
  }

  void StartInCell(const XmlName& name, const XmlAttributes& a) {
    // Comments, notes, drawings and tables inside a cell are not its text.
    if (name.Is(Ns::kOffice, "annotation") || name.ns == Ns::kDraw ||
        name.Is(Ns::kTable, "table") || name.Is(Ns::kText, "note") ||
        name.Is(Ns::kText, "ruby-text")) {
      skip_ = 1;
      return;
    }
    if (!collect_text_ || name.ns != Ns::kText) return;
    std::string_view n = name.local;
    if (n == "p" || n == "h") {
      if (paragraphs_++ > 0) text_ += '\n';
      in_paragraph_ = true;
      at_start_ = true;
      pending_space_ = false;
    } else if (!in_paragraph_) {
      return;
    } else if (n == "s") {
      std::uint64_t count = RepeatCount(a.Get(Ns::kText, "c"));
      Emit(std::string(std::min<std::uint64_t>(count, 32767), ' '));
    } else if (n == "tab") {
      Emit("\t");
    } else if (n == "line-break") {
      Emit("\n");
    }
  }

  void EndParagraph() {
    if (in_paragraph_ && pending_space_) text_ += ' ';
    pending_space_ = false;
    in_paragraph_ = false;
  }

  // Characters that an element stands for: kept as they are.
  void Emit(std::string_view s) {
    if (pending_space_) text_ += ' ';
    pending_space_ = false;
    at_start_ = false;
    text_ += s;
  }

  void EndCell() {
    in_cell_ = false;
    in_paragraph_ = false;
    if (collect_text_) {
      collect_text_ = false;
      if (cell_.kind == PendingCell::kError) {
        cell_.code = ErrorCodeOf(text_);
        has_value_ = true;
      } else if (formula_ && IsErrorText(text_)) {
        cell_.kind = PendingCell::kError;
        cell_.code = ErrorCodeOf(text_);
        has_value_ = true;
      } else {
        has_value_ = has_value_ || !text_.empty();
        if (has_value_) cell_.text = strings_.Add(text_);
      }
    }
    if (has_value_ && storing_ && col_ < kPackageMaxCols) {
      cell_.repeat =
          static_cast<std::uint32_t>(std::min<std::uint64_t>(cell_repeat_, kPackageMaxCols - col_));
      pending_.push_back(cell_);
    }
    col_ = std::min<std::uint64_t>(col_ + cell_repeat_, std::uint64_t{1} << 40);
  }

  int collect_;
  bool globals_;
  std::string active_name_;
  SheetCells& cells_;
  StringTable& strings_;

  int table_index_ = -1;
  int table_depth_ = 0;
  int skip_ = 0;
  bool storing_ = false;
  bool gave_up_ = false;
  std::string table_name_;
  std::uint64_t repeated_ = 0;
  std::string style_;  // the table style being read
  std::set<std::string> hidden_styles_;

  NumberFormatTable& formats_;
  OdsNumberStyles number_styles_;
  struct ColumnRun {
    std::uint64_t first, end;  // columns first..end-1
    std::string style;
  };
  std::vector<ColumnRun> column_styles_;  // the current sheet's, in column order
  std::uint64_t columns_ = 0;
  std::string row_style_;
  std::string last_style_;  // the last cell style looked up, and its format
  std::uint16_t last_format_ = NumberFormatTable::kGeneral;

  bool in_row_ = false;
  std::uint64_t row_ = 0, row_repeat_ = 1;
  std::uint64_t col_ = 0;
  std::vector<PendingCell> pending_;

  bool in_cell_ = false, has_value_ = false, formula_ = false;
  std::uint64_t cell_repeat_ = 1;
  PendingCell cell_{};

  bool collect_text_ = false, in_paragraph_ = false, at_start_ = true, pending_space_ = false;
  int paragraphs_ = 0;
  std::string text_;
};

class OdsLoader : public SheetLoader {
 public:
  // `formats` is the workbook's, which outlives its loader.
  OdsLoader(std::shared_ptr<ZipPackage> package, std::unique_ptr<SheetCells> prebuilt,
            int prebuilt_index, std::string file_name, NumberFormatTable& formats)
      : package_(std::move(package)),
        prebuilt_(std::move(prebuilt)),
        prebuilt_index_(prebuilt_index),
        file_name_(std::move(file_name)),
        formats_(formats) {}

  void LoadSheet(std::size_t index, SheetCells& cells, StringTable& strings,
                 std::vector<std::string>& /*repairs*/) override {
    if (prebuilt_ && static_cast<int>(index) == prebuilt_index_) {
      cells = std::move(*prebuilt_);
      prebuilt_.reset();
      return;
    }
    try {
      ContentHandler handler(static_cast<int>(index), false, {}, cells, strings, formats_);
      ParseXmlPart(*package_, kContentPart, handler);
    } catch (Error& e) {
      e.InFile(file_name_);
      throw;
    }
  }

 private:
  std::shared_ptr<ZipPackage> package_;
  std::unique_ptr<SheetCells> prebuilt_;
  int prebuilt_index_;
  std::string file_name_;
  NumberFormatTable& formats_;
};

}  // namespace

std::shared_ptr<WorkbookModel> ReadOdsWorkbook(std::shared_ptr<ZipPackage> package,
                                               std::string file_name,
                                               const std::optional<std::string>& password) {
  ZipPackage& pkg = *package;

  // What the package is: its mimetype part, else the manifest's entry for the whole package.
  std::string media_type;
  if (pkg.Has("mimetype")) {
    pkg.Stream("mimetype", [&](std::span<const char> chunk) {
      media_type.append(chunk.data(), std::min<std::size_t>(chunk.size(), 200));
      return false;
    });
    while (!media_type.empty() &&
           (media_type.back() == '\n' || media_type.back() == '\r' || media_type.back() == ' '))
      media_type.pop_back();
  }
  ManifestHandler manifest;
  if (pkg.Has("META-INF/manifest.xml")) ParseXmlPart(pkg, "META-INF/manifest.xml", manifest);
  if (media_type.empty()) media_type = manifest.media_type;
  if (!media_type.starts_with(kSpreadsheetType)) RaiseOtherKind(media_type);
  // An encrypted spreadsheet's parts are decrypted once, before anything reads them.
  if (manifest.encrypted) DecryptOdsPackage(pkg, pkg.Read("META-INF/manifest.xml"), password);
  if (!pkg.Has(kContentPart))
    Raise(err::kWorkbookUnreadable, "the part content.xml (the sheets) is missing");

  auto book = std::make_shared<WorkbookModel>();
  book->format = media_type.ends_with("-template") ? "OpenDocument spreadsheet template (.ots)"
                                                   : "OpenDocument spreadsheet (.ods)";
  SettingsHandler settings;
  if (pkg.Has("settings.xml")) ParseXmlPart(pkg, "settings.xml", settings);

  auto prebuilt = std::make_unique<SheetCells>();
  ContentHandler content(-1, true, settings.active_table, *prebuilt, book->strings,
                         book->number_formats);
  ParseXmlPart(pkg, kContentPart, content);
  if (content.tables.empty())
    Raise(err::kWorkbookUnreadable, "the part content.xml is damaged: it holds no sheets");

  for (std::size_t i = 0; i < content.tables.size(); ++i) {
    SheetInfo info;
    info.name = content.tables[i];
    info.visible = content.visible[i];
    info.max_rows = kPackageMaxRows;
    info.max_cols = kPackageMaxCols;
    book->sheets.push_back(std::move(info));
  }
  book->date_system = content.date1904 ? DateSystem::k1904 : DateSystem::k1900;
  int active = FindSheet(book->sheets, settings.active_table);
  book->active_sheet =
      active >= 0 && book->sheets[static_cast<std::size_t>(active)].name == settings.active_table
          ? static_cast<std::size_t>(active)
          : 0;

  // Names: the workbook's, then those of each sheet, in the order the part lists them.
  std::stable_partition(content.names.begin(), content.names.end(),
                        [](const RawName& n) { return n.scope < 0; });
  for (const RawName& raw : content.names) {
    NameInfo n;
    n.local_name = raw.name;
    n.scope_sheet = raw.scope;
    n.full_name = raw.scope >= 0
                      ? QuoteSheetName(book->sheets[static_cast<std::size_t>(raw.scope)].name) +
                            "!" + raw.name
                      : raw.name;
    int default_sheet = raw.scope;
    if (!raw.base.empty()) {
      NameTarget base = ResolveOdfRange(raw.base, book->sheets, raw.scope);
      if (base.is_range) default_sheet = static_cast<int>(base.sheet);
    }
    n.target = raw.is_range ? ResolveOdfRange(raw.text, book->sheets, default_sheet)
                            : ResolveOdfExpression(raw.text, book->sheets, default_sheet);
    book->names.push_back(std::move(n));
  }

  if (content.collected < 0) prebuilt.reset();
  book->has_number_formats = true;
  book->SetLoader(std::make_unique<OdsLoader>(package, std::move(prebuilt), content.collected,
                                              std::move(file_name), book->number_formats));
  return book;
}

}  // namespace sheaver::xl
