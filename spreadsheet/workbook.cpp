#include "spreadsheet/workbook.h"

#include <limits>

#include "runtime/convert.h"
#include "runtime/error.h"
#include "spreadsheet/open_workbook.h"
#include "spreadsheet/reference.h"

namespace sheaver::xl {
namespace {

// A 1900-system serial as a date value counted from 30 December 1899: the two agree from
// 1 March 1900 on; before that the serials count the fictitious 29 February 1900, so days
// 1 to 59 are one day later as date values. Serial 60 (that 29 February) reads as 28 February.
DateValue SerialToDate(double serial) {
  if (serial >= 1.0 && serial < 60.0) return serial + 1.0;
  return serial;
}

[[noreturn]] void RaiseBadReference(std::string description) {
  Raise(err::kBadReference, std::move(description));
}

}  // namespace

std::string ValueToText(const Value& value) {
  switch (value.kind) {
    case Value::Kind::kEmpty:
      return "";
    case Value::Kind::kText:
      return value.text;
    case Value::Kind::kNumber:
      return NumberToText(value.number);
    case Value::Kind::kDate:
      return DateToText(SerialToDate(value.number));
    case Value::Kind::kBoolean:
      return value.number != 0 ? "True" : "False";
    case Value::Kind::kError:
      Raise(err::kTypeMismatch, "Type mismatch: the cell holds the error value " + value.text);
  }
  return "";
}

// ---- Range ----------------------------------------------------------------------------------

Range Range::Rows() const {
  return Range(book_, sheet_, area_, View::kRows);
}
Range Range::Columns() const {
  return Range(book_, sheet_, area_, View::kColumns);
}

std::int32_t Range::Count() const {
  std::uint64_t n = view_ == View::kRows ? area_.RowCount()
                    : view_ == View::kColumns
                        ? area_.ColumnCount()
                        : std::uint64_t{area_.RowCount()} * area_.ColumnCount();
  if (n > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
    Raise(err::kOverflow);
  return static_cast<std::int32_t>(n);
}

Range Range::Item(Int16 position) const {
  if (position < 1) RaiseBadReference("item " + std::to_string(position) + " is before the first");
  const SheetInfo& sheet = book_->sheets[sheet_];
  std::uint64_t index = static_cast<std::uint64_t>(position - 1);
  Area a = area_;
  switch (view_) {
    case View::kRows:
      a.first_row = a.last_row = static_cast<std::uint32_t>(area_.first_row + index);
      break;
    case View::kColumns:
      a.first_col = a.last_col = static_cast<std::uint32_t>(area_.first_col + index);
      break;
    case View::kCells:
      a.first_row = a.last_row =
          static_cast<std::uint32_t>(area_.first_row + index / area_.ColumnCount());
      a.first_col = a.last_col =
          static_cast<std::uint32_t>(area_.first_col + index % area_.ColumnCount());
      break;
  }
  if (a.last_row >= sheet.max_rows || a.last_col >= sheet.max_cols)
    RaiseBadReference("item " + std::to_string(position) + " lies beyond the edge of the sheet");
  return Range(book_, sheet_, a, view_);
}

xl::Value Range::Value() const {
  if (area_.RowCount() != 1 || area_.ColumnCount() != 1)
    Raise(err::kTypeMismatch, "Type mismatch: the range holds several cells, not one value");
  return book_->CellValue(sheet_, area_.first_row, area_.first_col);
}

std::string Range::Address() const {
  return AreaText(area_, true);
}

// ---- Worksheet ------------------------------------------------------------------------------

Range Worksheet::GetRange(std::string_view reference) const {
  const SheetInfo& sheet = book_->sheets[sheet_];
  if (sheet.kind == SheetKind::kChart)
    RaiseBadReference("sheet '" + sheet.name + "' is a chart sheet, which has no cells");
  if (sheet.kind != SheetKind::kWorksheet)
    RaiseBadReference("sheet '" + sheet.name + "' is not a worksheet and has no cells");
  std::optional<ParsedReference> ref = ParseReference(reference, sheet.max_rows, sheet.max_cols);
  if (!ref) RaiseBadReference("'" + std::string(reference) + "' is not a valid reference");
  if (ref->has_sheet && FoldCase(ref->sheet) != FoldCase(sheet.name))
    RaiseBadReference("'" + std::string(reference) + "' refers to another sheet than '" +
                      sheet.name + "'");
  if (ref->area) return Range(book_, sheet_, *ref->area, Range::View::kCells);
  // A defined name: this sheet's own first, then the workbook's.
  std::string wanted = FoldCase(ref->name);
  const NameInfo* found = nullptr;
  for (int scope : {static_cast<int>(sheet_), -1}) {
    for (const NameInfo& n : book_->names)
      if (n.scope_sheet == scope && FoldCase(n.local_name) == wanted) {
        found = &n;
        break;
      }
    if (found) break;
  }
  if (!found) RaiseBadReference("'" + std::string(reference) + "' is not a valid reference");
  if (!found->target.is_range)
    RaiseBadReference("the name '" + found->full_name +
                      "' does not refer to a range: " + found->target.reason);
  if (found->target.sheet != sheet_)
    RaiseBadReference("the name '" + found->full_name + "' refers to another sheet");
  return Range(book_, sheet_, found->target.area, Range::View::kCells);
}

// ---- Names ----------------------------------------------------------------------------------

std::string DefinedName::GetName() const {
  return book_->names[index_].full_name;
}

Range DefinedName::RefersToRange() const {
  const NameInfo& n = book_->names[index_];
  if (!n.target.is_range)
    RaiseBadReference("the name '" + n.full_name +
                      "' does not refer to a range: " + n.target.reason);
  return Range(book_, n.target.sheet, n.target.area, Range::View::kCells);
}

Names Workbook::GetNames() const {
  Names names;
  names.items_.reserve(model_->names.size());
  for (std::size_t i = 0; i < model_->names.size(); ++i)
    names.items_.push_back(DefinedName(model_, i));
  return names;
}

Worksheet Workbook::ActiveSheet() const {
  return Worksheet(model_, static_cast<std::uint32_t>(model_->active_sheet));
}

Workbook OpenWorkbook(const std::string& path, const OpenOptions& options) {
  return Workbook(OpenWorkbookFile(path, options));
}

}  // namespace sheaver::xl
