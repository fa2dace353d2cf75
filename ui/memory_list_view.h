// A list view held in memory: the report list's control in tests and in the command-line tool,
// where no window shows it. It behaves as the platform list view does for every operation of
// ListViewControl, index errors included.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/list_view_control.h"

namespace sheaver {

class MemoryListView : public ListViewControl {
 public:
  // Called after a cell's text is set: the item's position, the column (0 for the item's own
  // text, j for sub-item j) and the new text. The command-line tool prints status changes so.
  using CellListener = std::function<void(int position, int column, const std::string& text)>;

  // Width of a column header that was never sized, as the platform list view gives it.
  static constexpr float kDefaultColumnWidth = 1440;

  explicit MemoryListView(float width_twips = 0) : width_(width_twips) {}

  int View() const override { return view_; }
  void View(int mode) override { view_ = mode; }
  float Width() const override { return width_; }
  // Places the control at a new outer width (what the window's layout does).
  void SetWidth(float twips) { width_ = twips; }

  int ColumnHeaderCount() const override;
  void AddColumnHeader(const std::string& text) override;
  std::string ColumnHeaderText(int position) const override;
  void ColumnHeaderText(int position, const std::string& text) override;
  void ColumnHeaderWidth(int position, float twips) override;
  // The width last given to column header `position`; index error outside.
  float ColumnHeaderWidth(int position) const;

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

  int SelectedItem() const override { return selected_; }
  void SelectNone() override { selected_ = 0; }

  // Installs the listener for cell changes (an empty function removes it).
  void OnCellChanged(CellListener listener) { listener_ = std::move(listener); }

 private:
  struct Header {
    std::string text;
    float width = kDefaultColumnWidth;
  };
  struct Item {
    std::string text;
    std::vector<std::string> subs;
  };

  Item& At(int position);
  const Item& At(int position) const;
  void Changed(int position, int column, const std::string& text) const;

  int view_ = 0;
  float width_;
  std::vector<Header> headers_;
  std::vector<Item> items_;
  int selected_ = 0;  // position of the selected item, 0 for none
  CellListener listener_;
};

}  // namespace sheaver
