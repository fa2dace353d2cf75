// The report list's control on screen: a QTreeWidget used as a flat list in report mode, one
// top-level item per list item, the item's text in column 0 and sub-item j in column j, column
// headers from the header item, single selection. Widths pass through in twips and are shown in
// pixels by the screen's logical resolution.
#pragma once

#include <string>

#include "ui/list_view_control.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace sheaver {

class QtListView : public ListViewControl {
 public:
  // Drives `tree` (not owned; it must outlive this object) and sets it up as a flat list with
  // single row selection and no columns yet.
  explicit QtListView(QTreeWidget& tree);

  QTreeWidget& Tree() const { return tree_; }

  int View() const override { return view_; }
  void View(int mode) override { view_ = mode; }
  // The tree widget's outer width (its frame included), in twips.
  float Width() const override;

  int ColumnHeaderCount() const override { return columns_; }
  void AddColumnHeader(const std::string& text) override;
  std::string ColumnHeaderText(int position) const override;
  void ColumnHeaderText(int position, const std::string& text) override;
  void ColumnHeaderWidth(int position, float twips) override;

  int ListItemCount() const override;
  void AddListItem(const std::string& text) override;
  void AddListItem(int position, const std::string& text) override;
  void RemoveListItem(int position) override;
  void ClearListItems() override;

  std::string ItemText(int position) const override;
  void ItemText(int position, const std::string& text) override;
  bool ItemSelected(int position) const override;
  void ItemSelected(int position, bool selected) override;
  int SubItemCount(int position) const override;
  std::string SubItemText(int position, int sub) const override;
  void SubItemText(int position, int sub, const std::string& text) override;
  void AddSubItem(int position, const std::string& text) override;
  void SubItems(int position, int sub, const std::string& text) override;

  int SelectedItem() const override;
  void SelectNone() override;

 private:
  QTreeWidgetItem* At(int position) const;
  static int SubCount(const QTreeWidgetItem& item);
  static void SubCount(QTreeWidgetItem& item, int count);
  QTreeWidgetItem* NewItem(const std::string& text) const;

  QTreeWidget& tree_;
  int view_ = 0;
  // The tree widget always has at least one column; the list's own count may be 0.
  int columns_ = 0;
};

}  // namespace sheaver
