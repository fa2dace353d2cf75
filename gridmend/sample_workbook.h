// A sample form opened to pick cells from: the active sheet's used area with each cell's text as
// the extraction reads it, and the workbook's defined names with what they stand for.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/model.h"

namespace sheaver {

// The reference a selection of cells stands for in a form type: "B2" for one cell, "C6:C12" for
// a strip of one column or one row (relative A1 style, no "$"); nothing for a block of several
// rows and columns, for several separate selections, or for none.
std::optional<std::string> StripReference(const std::vector<xl::Area>& selection);

class SampleWorkbook {
 public:
  struct Name {
    std::string full_name;  // "Hours", "Extra!Local"
    // "Timesheet!$C$6:$C$12", or why it is no range ("not a range: it is a constant").
    std::string refers_to;
  };

  // Opens the workbook at path by its content (any format the engine reads) and reads its active
  // sheet. Raises the engine's errors (53 missing, 1005 not a workbook, ...), naming the file.
  static SampleWorkbook Open(const std::string& path);

  const std::string& Path() const { return path_; }
  // The active sheet's name.
  const std::string& SheetName() const;
  // The smallest rectangle holding every non-empty cell of the active sheet; A1 alone for a sheet
  // without cells.
  const xl::Area& UsedArea() const { return used_; }
  // The text the extraction reads from a cell (0-based row and column): numbers and dates as
  // the locale writes them, "" for an empty cell; an error value gives its code ("#DIV/0!").
  std::string CellText(std::uint32_t row, std::uint32_t col) const;
  // The kind of value a cell holds.
  xl::Value::Kind CellKind(std::uint32_t row, std::uint32_t col) const;
  // The defined names in workbook order.
  const std::vector<Name>& Names() const { return names_; }

  // Where a form type reference reads on this sample, found as the extraction finds it: a
  // defined name by its full name (any letter case), else a cell, rectangle or name of the
  // active sheet, else (a misspelt name, a malformed reference, "") cell A1.
  struct Location {
    // The cells read, when they are on the active sheet.
    std::optional<xl::Area> area;
    // The same in words: "C6:C12, 7 cells", "name Hours: C6:C12, 7 cells", "'Totl' is no name
    // or cell of this sample: the field reads A1", "name Rate is not a range: ...".
    std::string text;
  };
  Location Locate(std::string_view reference) const;

 private:
  SampleWorkbook() = default;

  std::string path_;
  std::shared_ptr<xl::WorkbookModel> model_;
  std::uint32_t sheet_ = 0;
  xl::Area used_;
  std::vector<Name> names_;
};

}  // namespace sheaver
