#include "ui/report_list_view.h"

#include <cmath>

#include "runtime/numbers.h"

namespace sheaver {
namespace {

// Equal share of 100 percent for n columns, halves to even; n = 0 is division by zero.
Int16 EqualWidth(Int16 n) {
  if (n == 0) Raise(err::kDivisionByZero);
  return CInt(100.0 / n);
}

// Width table entry x; subscript error outside the table.
Int16& Entry(std::vector<Int16>& widths, Int16 x) {
  if (x < 0 || static_cast<std::size_t>(x) >= widths.size()) Raise(err::kSubscript);
  return widths[static_cast<std::size_t>(x)];
}

}  // namespace

ListViewControl& ReportListView::Control() const {
  if (lv_ == nullptr) Raise(err::kObjectNotSet);
  return *lv_;
}

void ReportListView::LV(ListViewControl* pLV) {
  lv_ = pLV;
  if (lv_ != nullptr) lv_->View(kListViewReport);
}

void ReportListView::Headers(const std::vector<std::string>& pHeaders) {
  Int16 n = ToInt16(static_cast<long long>(pHeaders.size()));
  Int16 w = EqualWidth(n);
  widths_.assign(static_cast<std::size_t>(n), 0);
  for (int i = 0; i < n; ++i) {
    Control().AddColumnHeader(pHeaders[static_cast<std::size_t>(i)]);
    widths_[static_cast<std::size_t>(i)] = w;
  }
}

std::vector<std::string> ReportListView::Headers() const {
  Int16 n = cols();
  if (n == 0) Raise(err::kSubscript);
  std::vector<std::string> texts;
  for (int i = 1; i <= n; ++i) texts.push_back(Control().ColumnHeaderText(i));
  return texts;
}

void ReportListView::ColumnWidths(const std::vector<Int16>& pWidths) {
  widths_ = pWidths;
}

void ReportListView::ColumnHeader(Int16 x, const std::string& pHeader) {
  Control().ColumnHeaderText(Add16(x, 1), pHeader);
}

void ReportListView::ColumnWidth(Int16 x, Int16 pWidth) {
  Entry(widths_, x) = pWidth;
}

Int16 ReportListView::Rows() const {
  return ToInt16(Control().ListItemCount());
}

void ReportListView::cols(Int16 N) {
  Int16 w = EqualWidth(N);
  if (N < 0) Raise(err::kSubscript);
  widths_.assign(static_cast<std::size_t>(N), 0);
  for (int i = 0; i < N; ++i) {
    Control().AddColumnHeader("");
    widths_[static_cast<std::size_t>(i)] = w;
  }
}

Int16 ReportListView::cols() const {
  return ToInt16(Control().ColumnHeaderCount());
}

Int16 ReportListView::SelectedRow() const {
  Int16 position = ToInt16(Control().SelectedItem());
  if (position == 0) return -1;
  return static_cast<Int16>(position - 1);
}

void ReportListView::SelectedRow(Int16& pRow) {
  Int16 rows = Rows();
  if (pRow >= rows) pRow = Sub16(rows, 1);
  if (pRow == -1) {
    Control().SelectNone();
  } else {
    Control().ItemSelected(Add16(pRow, 1), true);
  }
}

std::string ReportListView::Data(Int16 pRow, Int16 pCol) const {
  Int16 position = Add16(pRow, 1);
  if (pCol == 0) return Control().ItemText(position);
  return Control().SubItemText(position, pCol);
}

void ReportListView::Data(Int16 pRow, Int16 pCol, const std::string& pText) {
  Int16 position = Add16(pRow, 1);
  if (pCol == 0) {
    Control().ItemText(position, pText);
  } else {
    Control().SubItemText(position, pCol, pText);
  }
}

void ReportListView::ColumnHeaderWidth(Int16 x, const std::string& pHeader, Int16 pWidth) {
  ColumnHeader(x, pHeader);
  ColumnWidth(x, pWidth);
}

void ReportListView::MoveUp() {
  ListViewControl& lv = Control();
  if (lv.SelectedItem() == 0) Raise(err::kObjectNotSet);
  Int16 k = ToInt16(lv.SelectedItem());
  if (k < 2) return;
  // The copy goes in above the row above, which moves the selected item down to k + 1.
  lv.AddListItem(k - 1, lv.ItemText(k));
  Int16 below = Add16(k, 1);
  Int16 subs = ToInt16(lv.SubItemCount(below));
  for (int j = 1; j <= subs; ++j) lv.SubItems(k - 1, j, lv.SubItemText(below, j));
  lv.RemoveListItem(below);
  lv.ItemSelected(k - 1, true);
}

void ReportListView::MoveDown() {
  ListViewControl& lv = Control();
  if (lv.SelectedItem() == 0) Raise(err::kObjectNotSet);
  Int16 k = ToInt16(lv.SelectedItem());
  if (k >= Rows()) return;
  // The copy goes in below the row below; the selected item stays at k until it is removed.
  Int16 copy = Add16(k, 2);
  lv.AddListItem(copy, lv.ItemText(k));
  Int16 subs = ToInt16(lv.SubItemCount(k));
  for (int j = 1; j <= subs; ++j) lv.SubItems(copy, j, lv.SubItemText(k, j));
  lv.RemoveListItem(k);
  lv.ItemSelected(k + 1, true);
}

void ReportListView::Clear() {
  Control().ClearListItems();
}

void ReportListView::AddRow() {
  ListViewControl& lv = Control();
  lv.AddListItem("");
  int last = lv.ListItemCount();
  Int16 n = cols();
  for (int i = 1; i < n; ++i) lv.AddSubItem(last, "");
}

void ReportListView::Del() {
  int position = Control().SelectedItem();
  if (position != 0) Control().RemoveListItem(position);
}

void ReportListView::Resize() {
  ListViewControl& lv = Control();
  // 10 twips leave room for the control's border, so that the columns of a table adding up to
  // 100 percent never need a horizontal scroll bar. The unit is floored before it is multiplied.
  double u = std::floor((static_cast<double>(lv.Width()) - 10) / 100);
  Int16 n = cols();
  for (int i = 0; i < n; ++i) {
    lv.ColumnHeaderWidth(i + 1, static_cast<float>(u * Entry(widths_, static_cast<Int16>(i))));
  }
}

}  // namespace sheaver
