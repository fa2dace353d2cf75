#include "gridmend/sample_workbook.h"

#include <algorithm>

#include "runtime/error.h"
#include "spreadsheet/open_workbook.h"
#include "spreadsheet/reference.h"
#include "spreadsheet/workbook.h"

namespace sheaver {
namespace {

std::string Count(std::uint64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::optional<std::string> StripReference(const std::vector<xl::Area>& selection) {
  if (selection.size() != 1) return std::nullopt;
  const xl::Area& area = selection.front();
  if (area.RowCount() != 1 && area.ColumnCount() != 1) return std::nullopt;
  return xl::AreaText(area);
}

SampleWorkbook SampleWorkbook::Open(const std::string& path) {
  SampleWorkbook book;
  book.path_ = path;
  book.model_ = xl::OpenWorkbookFile(path);
  const xl::WorkbookModel& model = *book.model_;
  if (model.sheets.empty()) Raise(err::kWorkbookUnreadable, path + ": the workbook has no sheets");
  book.sheet_ = static_cast<std::uint32_t>(std::min(model.active_sheet, model.sheets.size() - 1));

  if (model.sheets[book.sheet_].kind == xl::SheetKind::kWorksheet) {
    const xl::SheetCells* cells = nullptr;
    try {
      cells = &book.model_->Cells(book.sheet_);
    } catch (Error& e) {
      throw e.InFile(path);
    }
    bool any = false;
    cells->ForEach(model.strings, [&](std::uint32_t row, std::uint32_t col, const xl::Value& v) {
      if (v.kind == xl::Value::Kind::kEmpty) return;
      xl::Area& a = book.used_;
      if (!any) {
        a = {row, col, row, col};
        any = true;
        return;
      }
      a.first_row = std::min(a.first_row, row);
      a.last_row = std::max(a.last_row, row);
      a.first_col = std::min(a.first_col, col);
      a.last_col = std::max(a.last_col, col);
    });
  }

  for (const xl::NameInfo& name : model.names) {
    std::string target;
    if (name.target.is_range && name.target.sheet < model.sheets.size()) {
      target = xl::QuoteSheetName(model.sheets[name.target.sheet].name) + "!" +
               xl::AreaText(name.target.area, true);
    } else {
      target = "not a range: " + name.target.reason;
    }
    book.names_.push_back({name.full_name, std::move(target)});
  }
  return book;
}

const std::string& SampleWorkbook::SheetName() const {
  return model_->sheets[sheet_].name;
}

std::string SampleWorkbook::CellText(std::uint32_t row, std::uint32_t col) const {
  const xl::Value value = model_->CellValue(sheet_, row, col);
  if (value.kind == xl::Value::Kind::kError) return value.text;
  return xl::ValueToText(value);
}

xl::Value::Kind SampleWorkbook::CellKind(std::uint32_t row, std::uint32_t col) const {
  return model_->CellValue(sheet_, row, col).kind;
}

SampleWorkbook::Location SampleWorkbook::Locate(std::string_view reference) const {
  const xl::SheetInfo& sheet = model_->sheets[sheet_];
  const std::string quoted = "'" + std::string(reference) + "'";

  // The cells of an area on some sheet, in words.
  auto place = [&](const std::string& prefix, std::uint32_t on, const xl::Area& area) -> Location {
    if (on != sheet_) {
      const std::string where = on < model_->sheets.size()
                                    ? xl::QuoteSheetName(model_->sheets[on].name) + "!"
                                    : std::string();
      return {std::nullopt, prefix + where + xl::AreaText(area) + ", not on the active sheet"};
    }
    std::string cells;
    if (area.RowCount() == 1 && area.ColumnCount() == 1) {
      cells = "one cell, the same in every record";
    } else if (area.RowCount() == 1 || area.ColumnCount() == 1) {
      cells = Count(std::max(area.RowCount(), area.ColumnCount()), "cell", "cells") +
              ", one per record";
    } else {
      cells = "a block of " + Count(area.RowCount(), "row", "rows") + " and " +
              Count(area.ColumnCount(), "column", "columns") + ": every record gets an empty text";
    }
    return {area, prefix + xl::AreaText(area) + ", " + cells};
  };
  auto readsA1 = [&](const std::string& why) -> Location {
    return {xl::Area{}, why + ": the field reads A1"};
  };

  // A defined name by its full name comes first, whatever sheet it is on.
  const std::string folded = xl::FoldCase(reference);
  for (const xl::NameInfo& name : model_->names) {
    if (xl::FoldCase(name.full_name) != folded) continue;
    if (!name.target.is_range)
      return {std::nullopt, "name " + name.full_name + " is not a range (" + name.target.reason +
                                "): the run stops with an error"};
    return place("name " + name.full_name + ": ", name.target.sheet, name.target.area);
  }

  if (sheet.kind != xl::SheetKind::kWorksheet)
    return {std::nullopt, "the active sheet '" + sheet.name + "' has no cells"};
  if (reference.empty()) return readsA1("no reference");
  const std::optional<xl::ParsedReference> ref =
      xl::ParseReference(reference, sheet.max_rows, sheet.max_cols);
  if (!ref) return readsA1(quoted + " is not a cell reference");
  if (ref->has_sheet && xl::FoldCase(ref->sheet) != xl::FoldCase(sheet.name))
    return readsA1(quoted + " names another sheet than the active one");
  if (ref->area) return place("", sheet_, *ref->area);

  // A name of the active sheet, then of the workbook, by its own name.
  const std::string wanted = xl::FoldCase(ref->name);
  for (int scope : {static_cast<int>(sheet_), -1}) {
    for (const xl::NameInfo& name : model_->names) {
      if (name.scope_sheet != scope || xl::FoldCase(name.local_name) != wanted) continue;
      if (!name.target.is_range || name.target.sheet != sheet_)
        return readsA1("name " + name.full_name + " is no range on the active sheet");
      return place("name " + name.full_name + ": ", sheet_, name.target.area);
    }
  }
  return readsA1(quoted + " is no name or cell of this sample");
}

}  // namespace sheaver
