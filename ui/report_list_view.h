// A report-style grid of text cells over a list view control: rows and columns numbered from 0,
// column headers with texts, and column widths kept as percentages of the control's width.
// The cells live in the control; the class keeps only the control reference and the width table.
//
// Row r is the control's item at position r + 1; column 0 is the item's own text and column
// c >= 1 its sub-item c; the header of column c is column header c + 1.
//
// Errors: a member that touches the control before one is attached raises 91 (object not set);
// positions the control does not have raise the control's index error (35600); entries outside
// the width table raise 9 (subscript out of range); counts above 32767 and a row or column whose
// successor does not fit in 16 bits raise 6 (overflow). Nothing is caught: an operation that
// fails stops at that step and what it did before stays done.
#pragma once

#include <string>
#include <vector>

#include "runtime/int16.h"
#include "ui/list_view_control.h"

namespace sheaver {

class ReportListView {
 public:
  // Attaches the control (not owned: it must outlive its use here) and switches it to report
  // view. A null pointer detaches.
  void LV(ListViewControl* pLV);
  // The attached control, or null.
  ListViewControl* LV() const { return lv_; }

  // Appends one column header per text and makes the width table n entries of 100 / n percent
  // (rounded, halves to even). Existing columns stay. An empty list is division by zero (11),
  // raised before anything changes.
  void Headers(const std::vector<std::string>& pHeaders);
  // The texts of all column headers, in order; 9 when the control has no columns.
  std::vector<std::string> Headers() const;

  // Replaces the width table with a copy; the columns change at the next Resize.
  void ColumnWidths(const std::vector<Int16>& pWidths);
  // Sets the header text of column x.
  void ColumnHeader(Int16 x, const std::string& pHeader);
  // Sets width table entry x (9 outside the table); the columns change at the next Resize.
  void ColumnWidth(Int16 x, Int16 pWidth);

  // Number of rows (list items).
  Int16 Rows() const;

  // Appends N columns with empty headers and makes the width table N entries of 100 / N
  // percent. 0 is division by zero (11), a negative N a subscript error (9); both are raised
  // before anything changes.
  void cols(Int16 N);
  // Number of columns (column headers).
  Int16 cols() const;

  // The selected row, or -1 when none is selected.
  Int16 SelectedRow() const;
  // Selects row pRow. A row at or past the end is clamped to the last row (-1 for an empty list)
  // and the clamped value is left in pRow; -1 clears the selection; below -1 is the control's
  // index error.
  void SelectedRow(Int16& pRow);

  // The text of cell (pRow, pCol).
  std::string Data(Int16 pRow, Int16 pCol) const;
  // Sets the text of cell (pRow, pCol); the cell must exist (AddRow makes a full row).
  void Data(Int16 pRow, Int16 pCol, const std::string& pText);

  // Sets the header text of column x, then width table entry x (9 outside the table, by which
  // time the text is set).
  void ColumnHeaderWidth(Int16 x, const std::string& pHeader, Int16 pWidth);

  // Moves the selected row one place up, with its sub-item texts; it stays selected. Nothing
  // happens on the first row; with no selection, 91.
  void MoveUp();
  // Moves the selected row one place down, likewise; nothing happens on the last row.
  void MoveDown();
  // Removes every row; columns and the width table stay.
  void Clear();
  // Appends a row of empty cells (one sub-item per column after the first). The new row is
  // Rows() - 1.
  void AddRow();
  // Removes the selected row, if any.
  void Del();
  // Sizes every column to its percentage of the control's width: unit u = floor((W - 10) / 100)
  // twips, column i gets u * entry i. A column without a width table entry raises 9, the
  // columns before it already sized.
  void Resize();

 private:
  ListViewControl& Control() const;

  ListViewControl* lv_ = nullptr;
  std::vector<Int16> widths_;
};

}  // namespace sheaver
