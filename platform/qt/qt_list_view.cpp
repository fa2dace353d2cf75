#include "platform/qt/qt_list_view.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include "platform/qt/qt_text.h"
#include "platform/qt/qt_window.h"

namespace sheaver {
namespace {

// Where an item keeps its number of sub-items: a tree widget item reports as many columns as
// have been given a text, which is not the same thing.
constexpr int kSubCountRole = Qt::UserRole + 1;

}  // namespace

QtListView::QtListView(QTreeWidget& tree) : tree_(tree) {
  tree_.setRootIsDecorated(false);
  tree_.setItemsExpandable(false);
  tree_.setUniformRowHeights(true);
  tree_.setSelectionMode(QAbstractItemView::SingleSelection);
  tree_.setSelectionBehavior(QAbstractItemView::SelectRows);
  tree_.setAllColumnsShowFocus(true);
  // Column widths are set from the list's width; the last column must not stretch over them.
  tree_.header()->setStretchLastSection(false);
  tree_.header()->setSectionsMovable(false);
  tree_.setColumnCount(1);
  tree_.setHeaderLabels({QString()});
  tree_.setHeaderHidden(true);
  tree_.clear();
}

float QtListView::Width() const {
  return static_cast<float>(ScaleOf(tree_).ToTwips(tree_.width()));
}

void QtListView::AddColumnHeader(const std::string& text) {
  ++columns_;
  tree_.setColumnCount(columns_);
  tree_.headerItem()->setText(columns_ - 1, ToQString(text));
  tree_.setHeaderHidden(false);
}

std::string QtListView::ColumnHeaderText(int position) const {
  CheckPosition(position, columns_);
  return FromQString(tree_.headerItem()->text(position - 1));
}

void QtListView::ColumnHeaderText(int position, const std::string& text) {
  CheckPosition(position, columns_);
  tree_.headerItem()->setText(position - 1, ToQString(text));
}

void QtListView::ColumnHeaderWidth(int position, float twips) {
  CheckPosition(position, columns_);
  const int pixels = ScaleOf(tree_).ToPixels(twips);
  tree_.setColumnWidth(position - 1, pixels < 0 ? 0 : pixels);
}

int QtListView::ListItemCount() const {
  return tree_.topLevelItemCount();
}

QTreeWidgetItem* QtListView::NewItem(const std::string& text) const {
  auto* item = new QTreeWidgetItem();
  item->setText(0, ToQString(text));
  SubCount(*item, 0);
  return item;
}

void QtListView::AddListItem(const std::string& text) {
  tree_.addTopLevelItem(NewItem(text));
}

void QtListView::AddListItem(int position, const std::string& text) {
  CheckPosition(position, ListItemCount() + 1);
  tree_.insertTopLevelItem(position - 1, NewItem(text));
}

void QtListView::RemoveListItem(int position) {
  const bool was_selected = At(position)->isSelected();
  delete tree_.takeTopLevelItem(position - 1);
  // The tree moves its current item, and with it the selection, to a neighbour; the list has
  // nothing selected after its selected item goes.
  if (was_selected) tree_.clearSelection();
}

void QtListView::ClearListItems() {
  tree_.clear();
}

QTreeWidgetItem* QtListView::At(int position) const {
  CheckPosition(position, ListItemCount());
  return tree_.topLevelItem(position - 1);
}

std::string QtListView::ItemText(int position) const {
  return FromQString(At(position)->text(0));
}

void QtListView::ItemText(int position, const std::string& text) {
  At(position)->setText(0, ToQString(text));
}

bool QtListView::ItemSelected(int position) const {
  return At(position)->isSelected();
}

void QtListView::ItemSelected(int position, bool selected) {
  QTreeWidgetItem* item = At(position);
  if (selected) {
    tree_.clearSelection();
    tree_.setCurrentItem(item);
    item->setSelected(true);
  } else if (item->isSelected()) {
    tree_.clearSelection();
  }
}

int QtListView::SubCount(const QTreeWidgetItem& item) {
  return item.data(0, kSubCountRole).toInt();
}

void QtListView::SubCount(QTreeWidgetItem& item, int count) {
  item.setData(0, kSubCountRole, count);
}

int QtListView::SubItemCount(int position) const {
  return SubCount(*At(position));
}

std::string QtListView::SubItemText(int position, int sub) const {
  const QTreeWidgetItem* item = At(position);
  CheckPosition(sub, SubCount(*item));
  return FromQString(item->text(sub));
}

void QtListView::SubItemText(int position, int sub, const std::string& text) {
  QTreeWidgetItem* item = At(position);
  CheckPosition(sub, SubCount(*item));
  item->setText(sub, ToQString(text));
}

void QtListView::AddSubItem(int position, const std::string& text) {
  QTreeWidgetItem* item = At(position);
  const int sub = SubCount(*item) + 1;
  item->setText(sub, ToQString(text));
  SubCount(*item, sub);
}

void QtListView::SubItems(int position, int sub, const std::string& text) {
  QTreeWidgetItem* item = At(position);
  CheckPosition(sub, columns_ - 1);
  if (SubCount(*item) < sub) SubCount(*item, sub);
  item->setText(sub, ToQString(text));
}

int QtListView::SelectedItem() const {
  const QList<QTreeWidgetItem*> selected = tree_.selectedItems();
  if (selected.isEmpty()) return 0;
  return tree_.indexOfTopLevelItem(selected.first()) + 1;
}

void QtListView::SelectNone() {
  tree_.clearSelection();
}

}  // namespace sheaver
