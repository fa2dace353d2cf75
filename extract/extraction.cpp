#include "extract/extraction.h"

#include <sys/stat.h>

#include <optional>
#include <vector>

#include "datafiles/data_table.h"
#include "extract/data_file_options.h"
#include "extract/data_sink.h"
#include "extract/format_value.h"
#include "extract/workbook_password.h"
#include "platform/filesystem.h"
#include "platform/textfile.h"
#include "runtime/ascii.h"
#include "runtime/error.h"

namespace sheaver {
namespace {

std::uint64_t recordLinesAppended = 0;

// One row of the form type, as the extraction uses it.
struct Field {
  std::string name;       // column 0: the header text
  std::string reference;  // column 1: a defined name or a reference on the active sheet
  std::string format;     // column 2: the format code
  bool key = false;   // column 3 "key": an empty value here (with all other keys) drops the record
  bool text = false;  // the format is the "text" code, whose values come quoted already
};

// "field Day (B3, +dmy)", or "field Day (B3)" without the format; a field without a name is
// called by its number, an empty reference shows as "".
std::string FieldContext(const Field& field, Int16 index, bool withFormat) {
  std::string text = "field ";
  text += field.name.empty() ? "#" + std::to_string(index + 1) : field.name;
  text += " (";
  text += field.reference.empty() ? std::string("\"\"") : field.reference;
  if (withFormat) {
    text += ", ";
    text += field.format.empty() ? std::string("\"\"") : field.format;
  }
  text += ")";
  return text;
}

// The larger of a range's row and column counts (0 if neither is positive); Overflow (6) above
// 32767.
Int16 LengthOf(std::int32_t rows, std::int32_t columns) {
  Int16 length = 0;
  if (rows > 0) length = ToInt16(rows);
  if (columns > length) length = ToInt16(columns);
  return length;
}

// A field's range with its row and column counts, which every record's cell text depends on:
// counted once per workbook instead of once per cell.
class Strip {
 public:
  explicit Strip(const xl::Range& range)
      : rows_(range.Rows().Count()),
        columns_(range.Columns().Count()),
        cells_(rows_ == 1 ? range.Columns() : range.Rows()) {}

  // GetCellText of the range for record index.
  std::string CellText(Int16 index) const {
    if (rows_ == 1) {
      const std::int32_t position = columns_ == 1 ? 0 : index;
      if (position < columns_) return xl::ValueToText(cells_.Item(Add16(position, 1)).Value());
    } else if (columns_ == 1) {
      if (index < rows_) return xl::ValueToText(cells_.Item(Add16(index, 1)).Value());
    }
    return {};
  }

  // The number of records the range fills: LengthOf its counts.
  Int16 Length() const { return LengthOf(rows_, columns_); }

  // The address of the cell CellText reads for record index ("B4"); empty when it reads none.
  std::string CellAddress(Int16 index) const {
    const std::int32_t position = rows_ == 1 && columns_ == 1 ? 0 : index;
    const bool reads = rows_ == 1 ? position < columns_ : columns_ == 1 && index < rows_;
    if (!reads) return {};
    std::string address = cells_.Item(Add16(position, 1)).Address();
    std::erase(address, '$');
    return address;
  }

 private:
  std::int32_t rows_;
  std::int32_t columns_;
  // The range seen as its columns (a one-row strip) or as its rows: the cells of the records.
  xl::Range cells_;
};

std::string RecordContext(Int16 index) {
  return "record " + std::to_string(index + 1);
}

// The fields of a loaded form type, in row order.
std::vector<Field> FieldsOf(const DataTable& formType) {
  std::vector<Field> fields;
  const Int16 rows = formType.Rows();
  fields.reserve(rows > 0 ? static_cast<std::size_t>(rows) : 0);
  for (Int16 i = 0; i < rows; ++i) {
    Field field{formType.Data(i, 0), formType.Data(i, 1), formType.Data(i, 2)};
    field.key = IsKeyMark(formType.Data(i, 3));
    field.text = IsTextCode(field.format);
    fields.push_back(std::move(field));
  }
  return fields;
}

bool Blank(std::string_view text) {
  return text.find_first_not_of(' ') == std::string_view::npos;
}

// The field's value in the sink's style. For a CSV line: the formatted value, neutralised when
// it looks like a formula and the options ask for it, quoted when it needs quoting. Typed: the
// text unquoted, numbers with a point, dates under the iso code.
std::string FieldValue(const Field& field, const std::string& cellText, Int16 index,
                       const DataFileOptions& options, ValueStyle style) {
  if (style == ValueStyle::kTyped) {
    switch (KindOfCode(field.format)) {
      case CodeKind::kText:
        return cellText;
      case CodeKind::kInteger:
      case CodeKind::kDecimal: {
        std::string number = FormatValue(cellText, field.format, index);
        const std::string& point = CurrentLocale().decimal_separator;
        if (const std::size_t at = number.find(point); at != std::string::npos && point != ".")
          number.replace(at, point.size(), ".");
        return number;
      }
      case CodeKind::kDate:
        return FormatValue(cellText, field.format.starts_with('+') ? "+iso" : "iso", index);
      case CodeKind::kPattern:
        return FormatValue(cellText, field.format, index);
    }
  }
  if (field.text) {
    if (options.neutraliseFormulas && LooksLikeFormula(cellText))
      return FormatValue("'" + cellText, field.format, index);
    return FormatValue(cellText, field.format, index);
  }
  std::string value = FormatValue(cellText, field.format, index);
  if (options.neutraliseFormulas && LooksLikeFormula(value)) value.insert(0, 1, '\'');
  return CsvField(value, options.separator);
}

// The fields of the form type at path, read again only when the file has changed since the last
// read (another path, inode, size or modification time): a run reads its form type once, not once
// per workbook, and still sees an edit made while it goes on. A form type the disk does not know
// (a test's file-system double) is read every time.
std::string cachedPath;
struct stat cachedStat {};
std::vector<Field> cachedFields;
bool cached = false;

const std::vector<Field>& FormTypeFields(const std::string& path) {
  struct stat st;
  const bool known = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  if (cached && known && path == cachedPath && st.st_dev == cachedStat.st_dev &&
      st.st_ino == cachedStat.st_ino && st.st_size == cachedStat.st_size &&
      st.st_mtim.tv_sec == cachedStat.st_mtim.tv_sec &&
      st.st_mtim.tv_nsec == cachedStat.st_mtim.tv_nsec)
    return cachedFields;
  cached = false;
  DataTable formType;
  formType.FileName(path);
  formType.Load();
  cachedFields = FieldsOf(formType);
  cachedPath = path;
  cachedStat = st;
  cached = known;
  return cachedFields;
}

void Extract(const std::string& workbookPath, const std::string& formTypePath,
             const std::string& dataFilePath, const RecordAppend& append) {
  const std::vector<Field> fields = FormTypeFields(formTypePath);

  const xl::Workbook book = xl::OpenWorkbook(workbookPath, {CurrentWorkbookPassword()});

  // The record count: the longest field. Each reference resolves to the same range every time
  // it is resolved in this workbook, so the range found for the count is the one kept for the
  // field's values.
  Int16 recordCount = 0;
  std::vector<Strip> ranges;
  ranges.reserve(fields.size());
  for (Int16 i = 0; i < static_cast<Int16>(fields.size()); ++i) {
    try {
      const Int16 length =
          ranges.emplace_back(ResolveFieldReference(book, fields[i].reference)).Length();
      if (length > recordCount) recordCount = length;
    } catch (Error& e) {
      throw e.Within(FieldContext(fields[i], i, false), {.field = fields[i].name});
    }
  }
  if (fields.empty())
    Raise(err::kSubscript,
          "Subscript out of range: the form type " + formTypePath + " has no field rows");

  // Every record of the workbook is formatted before anything is written, then all of them go
  // to the data file at once (one append, one transaction): a workbook that fails on the way
  // adds nothing, so that filing it again once fixed repeats no record.
  const DataFileOptions options = CurrentDataFileOptions();
  const std::unique_ptr<DataFileSink> sink = OpenDataFileSink(dataFilePath, options, append);
  const ValueStyle style = sink->Style();
  WorkbookRecords workbook;
  workbook.workbookPath = workbookPath;
  workbook.workbookSize = book.FileSize();
  workbook.workbookModifiedNs = book.FileModifiedNs();
  workbook.formTypePath = formTypePath;
  bool anyKey = false;
  for (const Field& field : fields) {
    workbook.names.push_back(field.name);
    workbook.kinds.push_back(KindOfCode(field.format));
    anyKey = anyKey || field.key;
  }
  std::vector<std::string> cellTexts(fields.size());
  for (Int16 j = 0; j < recordCount; ++j) {
    bool keyFilled = !anyKey;
    for (Int16 i = 0; i < static_cast<Int16>(fields.size()); ++i) {
      const auto at = static_cast<std::size_t>(i);
      try {
        cellTexts[at] = ranges[at].CellText(j);
      } catch (Error& e) {
        throw e.Within(FieldContext(fields[i], i, true) + ", " + RecordContext(j),
                       {.field = fields[i].name,
                        .cell = ranges[at].CellAddress(j),
                        .record = static_cast<std::int32_t>(j) + 1});
      }
      if (fields[i].key && !Blank(cellTexts[at])) keyFilled = true;
    }
    // A record whose key fields are all empty is an unused row of the form: not written, and
    // not checked either (its padding need not convert).
    if (!keyFilled) continue;
    RecordValues& record = workbook.records.emplace_back();
    record.index = j;
    record.values.reserve(fields.size());
    for (Int16 i = 0; i < static_cast<Int16>(fields.size()); ++i) {
      try {
        record.values.push_back(
            FieldValue(fields[i], cellTexts[static_cast<std::size_t>(i)], j, options, style));
      } catch (Error& e) {
        std::string context = FieldContext(fields[i], i, true) + ", " + RecordContext(j);
        const std::string cell = ranges[static_cast<std::size_t>(i)].CellAddress(j);
        // A text too long for the field: which cell of the field's range holds it.
        if (e.Number() == err::kOverflow && fields[i].text && !cell.empty())
          context += ", cell " + cell;
        throw e.Within(
            context,
            {.field = fields[i].name, .cell = cell, .record = static_cast<std::int32_t>(j) + 1});
      }
    }
  }
  recordLinesAppended += sink->Write(workbook);
  // The ranges go first, then the workbook and the instance (the session), then the form type.
  ranges.clear();
}

}  // namespace

Error WithinWorkbook(const Error& e, const std::string& workbookPath) {
  // The workbook's own errors (missing, not a workbook) already start with its path: say it
  // once, by the name the user knows it by.
  const std::string_view name = FileNameOf(workbookPath);
  const std::string pathPrefix = workbookPath + ": ";
  if (!workbookPath.empty() && e.Description().starts_with(pathPrefix)) {
    Error named(e.Number(), e.Description().substr(pathPrefix.size()));
    return named.Record(e.Context()).InFile(name);
  }
  Error named = e;
  if (e.Description().starts_with(std::string(name) + ": "))
    return named.Record({.file = workbookPath});
  return named.Record({.file = workbookPath}).InFile(name);
}

void ForgetFormTypes() {
  cached = false;
  cachedFields.clear();
  ForgetCheckedDataFiles();
}

void ExtractWorkbookData(const std::string& workbookPath, const std::string& formTypePath,
                         const std::string& dataFilePath) {
  ForgetFormTypes();
  ExtractWorkbookData(workbookPath, formTypePath, dataFilePath, {});
}

void ExtractWorkbookData(const std::string& workbookPath, const std::string& formTypePath,
                         const std::string& dataFilePath, const RecordAppend& append) {
  try {
    Extract(workbookPath, formTypePath, dataFilePath, append);
  } catch (const Error& e) {
    throw WithinWorkbook(e, workbookPath);
  }
}

void AppendLine(const std::string& path, std::string_view text) {
  AppendTextLine(path, text);
}

xl::Range ResolveFieldReference(const xl::Workbook& book, std::string_view reference) {
  std::string wanted;  // the folded reference, made only when a name needs the full comparison
  for (const xl::DefinedName& name : book.GetNames()) {
    const std::string fullName = name.GetName();
    bool same;
    if (IsAscii(fullName) && IsAscii(reference)) {
      // ASCII texts: FoldCase would lower 'A'..'Z' and nothing else.
      same = EqualsIgnoringAsciiCase(fullName, reference);
    } else {
      if (wanted.empty()) wanted = xl::FoldCase(reference);
      same = xl::FoldCase(fullName) == wanted;
    }
    if (same) return name.RefersToRange();
  }
  const xl::Worksheet sheet = book.ActiveSheet();
  try {
    return sheet.GetRange(reference);
  } catch (const Error&) {
    // Not a reference this sheet knows: the field reads cell A1, without a message.
  }
  return sheet.GetRange("A1");
}

bool IsKeyMark(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return false;
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  return EqualsIgnoringAsciiCase(text, kKeyMark);
}

std::string GetCellText(const xl::Range& range, Int16 index) {
  return Strip(range).CellText(index);
}

std::uint64_t RecordLinesAppended() {
  return recordLinesAppended;
}

}  // namespace sheaver
