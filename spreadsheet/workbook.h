// Reading an opened workbook the way a form is read: its defined names and active sheet, sheets
// that turn reference texts into ranges, and ranges with their rows, columns, counts, items and
// values. These are cheap handles on the workbook model; each keeps its workbook alive.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/int16.h"
#include "spreadsheet/model.h"
#include "spreadsheet/open_workbook.h"

namespace sheaver::xl {

// The text of a cell value: a text unchanged; a number with up to 15 significant digits and the
// locale's decimal separator; a date in the locale's short-date form with a four-digit year,
// followed by the time of day when it has one; True/False for a boolean; "" for an empty cell.
// An error value (a failed formula) raises Type mismatch (13).
std::string ValueToText(const Value& value);

// A rectangle of cells on one sheet, or that rectangle seen as its rows or its columns. A cheap
// value object: it keeps its workbook alive.
class Range {
 public:
  // The range seen as a collection of rows / of columns.
  Range Rows() const;
  Range Columns() const;
  // Rows of a Rows() collection, columns of a Columns() one, cells of a plain range (Overflow
  // past 2^31-1). A whole-column reference on a 65536-row sheet counts 65536.
  std::int32_t Count() const;
  // Row `position` (1-based) of a Rows() collection or column `position` of a Columns() one, as
  // a range still seen as rows (columns), so its Count is 1; on a plain range the cell at that
  // position counted row by row. A position past the end reaches on beyond the range, as long
  // as it stays on the sheet; a position below 1 or off the sheet raises 1004.
  Range Item(Int16 position) const;
  // The value of a one-cell range; Type mismatch (13) for a range of several cells. Raises the
  // workbook's error when the sheet's data is damaged.
  xl::Value Value() const;
  // The cells' address without a sheet, as Excel's Address gives it: "$B$3", "$B$3:$C$7".
  std::string Address() const;

 private:
  friend class Worksheet;
  friend class DefinedName;
  enum class View : std::uint8_t { kCells, kRows, kColumns };
  Range(std::shared_ptr<WorkbookModel> book, std::uint32_t sheet, Area area, View view)
      : book_(std::move(book)), sheet_(sheet), area_(area), view_(view) {}

  std::shared_ptr<WorkbookModel> book_;
  std::uint32_t sheet_;
  Area area_;
  View view_;
};

// One sheet of a workbook.
class Worksheet {
 public:
  // The range a reference text stands for: a cell or rectangle in A1 style, absolute or not
  // ("B2", "$B$2", "B$2:$C7", corners in any order), whole columns or rows ("A:A", "B:D", "3:5"),
  // any letter case, optionally after this sheet's own name ("Sheet1!A1", "'My Sheet'!A1"), or a
  // defined name of this sheet or of the workbook that stands for a range on this sheet. Raises
  // 1004 for anything else (empty text, "A0", "IW1" past the last column, a name on another
  // sheet), and for a sheet that has no cells (a chart).
  Range GetRange(std::string_view reference) const;

 private:
  friend class Workbook;
  Worksheet(std::shared_ptr<WorkbookModel> book, std::uint32_t sheet)
      : book_(std::move(book)), sheet_(sheet) {}
  std::shared_ptr<WorkbookModel> book_;
  std::uint32_t sheet_;
};

// A defined name of a workbook.
class DefinedName {
 public:
  // The name's full text as the workbook gives it ("Total", "Sheet1!Total", "'My Sheet'!Total").
  std::string GetName() const;
  // The range the name stands for; raises 1004, giving the reason, when it is not a range (a
  // constant, a formula, several areas, a deleted or missing sheet, another workbook).
  Range RefersToRange() const;

 private:
  friend class Workbook;
  DefinedName(std::shared_ptr<WorkbookModel> book, std::size_t index)
      : book_(std::move(book)), index_(index) {}
  std::shared_ptr<WorkbookModel> book_;
  std::size_t index_;
};

// The defined names of a workbook, enumerable in workbook order (user names as the workbook
// lists them, then the built-in ones such as Print_Area, so that a built-in name never hides a
// user's name of the same text).
class Names {
 public:
  std::vector<DefinedName>::const_iterator begin() const { return items_.begin(); }
  std::vector<DefinedName>::const_iterator end() const { return items_.end(); }

 private:
  friend class Workbook;
  std::vector<DefinedName> items_;
};

// An open workbook.
class Workbook {
 public:
  Names GetNames() const;
  // The sheet that was active when the workbook was saved; the first sheet when the file does
  // not record one or records one that does not exist.
  Worksheet ActiveSheet() const;
  // The size and modification time (nanoseconds since 1970) of the file as it was read; 0 for
  // a workbook read from bytes.
  std::uint64_t FileSize() const { return model_->file_size; }
  std::int64_t FileModifiedNs() const { return model_->file_modified_ns; }

  explicit Workbook(std::shared_ptr<WorkbookModel> model) : model_(std::move(model)) {}

 private:
  std::shared_ptr<WorkbookModel> model_;
};

// Opens the workbook at a path, by its content. Raises 53 when there is no such file, 1005 when
// it is not a workbook or is damaged (the reason and, where it helps, the byte offset in the
// description), 1006 when it is password-protected and the options' password does not open it,
// 1007 for a workbook format not read here.
Workbook OpenWorkbook(const std::string& path, const OpenOptions& options = {});

}  // namespace sheaver::xl
