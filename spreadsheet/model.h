// The workbook model that every workbook reader fills, whatever the file format: sheets in
// workbook order, defined names, the active sheet, the date system, and the cells of each sheet,
// stored compactly and parsed only when a sheet is first asked for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace sheaver::xl {

// A cell's value as the object model hands it out.
struct Value {
  enum class Kind : std::uint8_t { kEmpty, kNumber, kDate, kText, kBoolean, kError };

  Kind kind = Kind::kEmpty;
  // kNumber: the number; kDate: the date serial in the 1900 date system (1 = 1 January 1900,
  // 60 = the fictitious 29 February 1900, fractions are the time of day); kBoolean: 1 or 0.
  double number = 0.0;
  // kText: the text (UTF-8); kError: the error code as the cell shows it ("#DIV/0!").
  std::string text;

  static Value Empty() { return {}; }
  static Value Number(double n) { return {Kind::kNumber, n, {}}; }
  static Value Date(double serial) { return {Kind::kDate, serial, {}}; }
  static Value Text(std::string s) { return {Kind::kText, 0.0, std::move(s)}; }
  static Value Boolean(bool b) { return {Kind::kBoolean, b ? 1.0 : 0.0, {}}; }
  static Value ErrorCode(std::string code) { return {Kind::kError, 0.0, std::move(code)}; }

  bool operator==(const Value&) const = default;
};

// A rectangle of cells on one sheet, 0-based and inclusive: A1 is row 0, column 0.
struct Area {
  std::uint32_t first_row = 0;
  std::uint32_t first_col = 0;
  std::uint32_t last_row = 0;
  std::uint32_t last_col = 0;

  std::uint32_t RowCount() const { return last_row - first_row + 1; }
  std::uint32_t ColumnCount() const { return last_col - first_col + 1; }
  bool operator==(const Area&) const = default;
};

// The workbook's texts (shared strings and every other cell text), each stored once in one
// buffer and referred to by index, so that a cell costs a few bytes rather than a std::string.
class StringTable {
 public:
  // Appends a text and returns its index.
  std::uint32_t Add(std::string_view text);
  // The text at an index; index must be below Size().
  std::string_view Get(std::uint32_t index) const;
  std::uint32_t Size() const { return static_cast<std::uint32_t>(ends_.size()); }
  // Room for about `count` more texts of `bytes` total; a hint only.
  void Reserve(std::size_t count, std::size_t bytes);
  std::size_t MemoryUsed() const { return chars_.capacity() + ends_.capacity() * 4; }

 private:
  std::string chars_;
  std::vector<std::uint32_t> ends_;  // end offset of each text in chars_
};

// The distinct number format codes a workbook's cells are shown in, each kept once and referred
// to by a small index; index 0 is "General". A workbook whose cells use more distinct codes than
// an index holds, or a built-in format whose code depends on the spreadsheet application's
// locale, gives kUnknownFormat, which has no code.
class NumberFormatTable {
 public:
  static constexpr std::uint16_t kGeneral = 0;
  static constexpr std::uint16_t kUnknownFormat = 4095;

  NumberFormatTable();
  // The index of a code, added when new; kUnknownFormat for "" or when the table is full.
  std::uint16_t Add(std::string_view code);
  // The code at an index; "" for kUnknownFormat.
  std::string_view Get(std::uint16_t index) const;

 private:
  std::vector<std::string> codes_;
};

// The cells of one sheet: rows in ascending order, each with its cells in ascending column order;
// 8 bytes per cell plus 8 per row, numbers that do not pack into 4 bytes 8 more. Empty cells are
// not stored. Filled through the Add* calls in any order, then Finish(); reads after Finish().
class SheetCells {
 public:
  // The value at a 0-based row and column; Empty when nothing is stored there.
  Value Get(std::uint32_t row, std::uint32_t col, const StringTable& strings) const;

  // Calls f(row, col, value) for every stored cell, rows then columns ascending; or
  // f(row, col, value, format) with the index of the number's format in the workbook's
  // NumberFormatTable (kGeneral for cells that are not numbers).
  template <class F>
  void ForEach(const StringTable& strings, F&& f) const {
    for (std::size_t r = 0; r < rows_.size(); ++r) {
      std::size_t end = r + 1 < rows_.size() ? rows_[r + 1].first : cells_.size();
      for (std::size_t i = rows_[r].first; i < end; ++i) {
        const auto col = static_cast<std::uint32_t>(cells_[i].col);
        if constexpr (std::is_invocable_v<F, std::uint32_t, std::uint32_t, const Value&,
                                          std::uint16_t>)
          f(rows_[r].row, col, Decode(cells_[i], strings),
            static_cast<std::uint16_t>(cells_[i].format));
        else
          f(rows_[r].row, col, Decode(cells_[i], strings));
      }
    }
  }

  std::size_t CellCount() const { return cells_.size(); }
  std::size_t MemoryUsed() const;

  // Builders. A later value for the same cell replaces an earlier one.
  // A number; is_date marks a number whose format is a date or time format, and format is the
  // index of its number format in the workbook's NumberFormatTable (below 4096).
  void AddNumber(std::uint32_t row, std::uint32_t col, double value, bool is_date,
                 std::uint16_t format = NumberFormatTable::kGeneral);
  // A number packed into 30 bits as binary workbooks store them: bit 1 set means the upper 30
  // bits are a signed integer, clear means they are the high 30 bits of a double (the low 34
  // bits zero); bit 0 set means the result is then divided by 100.
  void AddPackedNumber(std::uint32_t row, std::uint32_t col, std::uint32_t packed, bool is_date,
                       std::uint16_t format = NumberFormatTable::kGeneral);
  // A text, by its index in the workbook's StringTable.
  void AddText(std::uint32_t row, std::uint32_t col, std::uint32_t string_index);
  void AddBoolean(std::uint32_t row, std::uint32_t col, bool value);
  // An error value, by its code as a binary workbook stores it (0x07 is "#DIV/0!").
  void AddError(std::uint32_t row, std::uint32_t col, std::uint8_t code);
  // Room for this many cells (numbers among them) in this many rows, made before the first Add
  // so that a large sheet's tables are not grown and copied step by step.
  void Reserve(std::size_t cells, std::size_t rows);
  // Sorts cells that came out of order and drops replaced ones; call once after the last Add.
  void Finish();

  // The text of an error code ("#N/A" for 0x2A); "#N/A" for a code without a name.
  static std::string_view ErrorText(std::uint8_t code);
  // Decodes a packed number (see AddPackedNumber).
  static double UnpackNumber(std::uint32_t packed);

 private:
  enum Kind : std::uint8_t { kPacked, kDouble, kText, kBoolean, kError };
  struct Cell {
    std::uint16_t col;
    std::uint16_t kind : 3;
    std::uint16_t is_date : 1;
    std::uint16_t format : 12;  // index into the workbook's NumberFormatTable
    std::uint32_t payload;      // packed number, index into doubles_, string index, bool or code
  };
  static_assert(sizeof(Cell) == 8, "a cell costs 8 bytes");
  struct Row {
    std::uint32_t row;
    std::uint32_t first;  // index of the row's first cell in cells_
  };
  struct Loose {
    std::uint32_t row;
    std::uint32_t seq;
    Cell cell;
  };
  void Add(std::uint32_t row, Cell cell);
  Value Decode(const Cell& cell, const StringTable& strings) const;

  std::vector<Row> rows_;
  std::vector<Cell> cells_;
  std::vector<double> doubles_;
  std::vector<Loose> loose_;  // cells that arrived out of order, merged by Finish()
  bool sorted_ = true;
};

enum class SheetKind : std::uint8_t { kWorksheet, kChart, kMacroSheet, kOther };
enum class DateSystem : std::uint8_t { k1900, k1904 };

struct SheetInfo {
  std::string name;  // as the tab shows it (UTF-8)
  SheetKind kind = SheetKind::kWorksheet;
  bool visible = true;
  std::uint32_t max_rows = 65536;  // rows and columns the sheet can have
  std::uint32_t max_cols = 256;
};

// What a defined name stands for: one area of one sheet, or something else with the reason.
struct NameTarget {
  bool is_range = false;
  std::uint32_t sheet = 0;  // index into the workbook's sheets
  Area area;
  std::string reason;  // when not a range: "it is a constant", "it refers to a deleted sheet"

  static NameTarget Range(std::uint32_t sheet, Area area) { return {true, sheet, area, {}}; }
  static NameTarget NotARange(std::string why) { return {false, 0, {}, std::move(why)}; }
};

struct NameInfo {
  // The name's full text as the workbook gives it: "Total" for a workbook name, "Sheet1!Total"
  // or "'My Sheet'!Total" for a name that belongs to a sheet.
  std::string full_name;
  std::string local_name;  // without the sheet: "Total", "Print_Area"
  int scope_sheet = -1;    // index of the sheet the name belongs to, -1 for the workbook
  bool builtin = false;    // one of the application's own names (Print_Area, ...)
  bool hidden = false;
  NameTarget target;
};

// Parses one sheet's cells on demand. A reader hands one to the model with the sheet list.
class SheetLoader {
 public:
  virtual ~SheetLoader() = default;
  // Fills `cells` with the cells of sheet `index`, adding their texts to `strings` and a line to
  // `repairs` for each damage it read past; raises Error when the sheet's data is damaged beyond
  // that.
  virtual void LoadSheet(std::size_t index, SheetCells& cells, StringTable& strings,
                         std::vector<std::string>& repairs) = 0;
};

// One opened workbook: what the reader found in its global part, plus each sheet's cells once
// asked for.
class WorkbookModel {
 public:
  std::string format;  // what the file is, for messages: "Excel 97-2003 workbook"
  // The file read as it was when opened: its size, and its modification time in nanoseconds
  // since 1970; both 0 for a workbook read from bytes.
  std::uint64_t file_size = 0;
  std::int64_t file_modified_ns = 0;
  std::vector<SheetInfo> sheets;
  std::vector<NameInfo> names;   // user names in workbook order, then the built-in names
  std::size_t active_sheet = 0;  // index into sheets
  DateSystem date_system = DateSystem::k1900;
  StringTable strings;
  // The number formats of the cells; false where the reader does not keep them, so every
  // cell's format is kGeneral.
  NumberFormatTable number_formats;
  bool has_number_formats = false;
  // One line per piece of damage the reader read past instead of refusing the workbook ("sheet
  // 'Data': its BOF record was 12 bytes after the offset the workbook gives"), in the order met;
  // a sheet's lines are added when its cells are first read.
  std::vector<std::string> repairs;

  void SetLoader(std::unique_ptr<SheetLoader> loader);
  // The cells of a sheet, parsed on first use; raises Error when they cannot be read (and tries
  // again on the next call). index must be below sheets.size().
  const SheetCells& Cells(std::size_t index);
  // Whether a sheet's cells have been parsed yet.
  bool IsLoaded(std::size_t index) const;
  // The value of one cell (Empty outside the stored cells).
  Value CellValue(std::size_t sheet, std::uint32_t row, std::uint32_t col);

 private:
  std::unique_ptr<SheetLoader> loader_;
  std::vector<std::unique_ptr<SheetCells>> cells_;
};

// How a sheet name is written in front of "!" in a reference: as it is when it is a plain word,
// otherwise in single quotes with inner quotes doubled ('My Sheet', 'Bob''s', '2024').
std::string QuoteSheetName(std::string_view name);

// Folds a UTF-8 text to lower case for case-insensitive comparison of names (ASCII, Latin-1,
// Latin Extended-A, Greek and Cyrillic letters; anything else unchanged).
std::string FoldCase(std::string_view text);

}  // namespace sheaver::xl
