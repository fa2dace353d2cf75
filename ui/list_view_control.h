// The list view control that the report list drives: a list of items, each with a text and
// sub-items, shown under column headers. Only the operations the report list relies on are here,
// addressed the way the platform's list view addresses them: items, column headers and sub-items
// by 1-based position.
//
// Every index outside what the control holds raises Error(kErrIndexOutOfBounds, "Index out of
// bounds"), the list view's own error, so that it can be told apart from a caller's own
// subscript error (9). Implementations: MemoryListView (tests, the command-line tool) and the Qt
// tree widget in report mode.
//
// On a QTreeWidget: list items are its top-level items (position p is topLevelItem(p - 1)), an
// item's text is column 0 and sub-item j is column j; column headers are the header item's
// columns; the selected item is the single selected item (single selection); Width is the
// widget's frame width converted to twips with ScreenScale, and header widths are converted
// back to pixels. Sub-item counts are kept per item, since a tree widget item reports as many
// columns as have been given a text.
#pragma once

#include "runtime/error.h"

#include <cstddef>
#include <string>

namespace sheaver {

// The list view's error for a position it does not have.
inline constexpr int kErrIndexOutOfBounds = err::kIndexOutOfBounds;
inline constexpr const char* kIndexOutOfBoundsText = "Index out of bounds";

// Raises the list view's index error.
[[noreturn]] void RaiseIndexOutOfBounds();
// Raises the list view's index error unless 1 <= position <= count.
void CheckPosition(int position, std::ptrdiff_t count);

// View modes of the list view; only report view is used.
inline constexpr int kListViewReport = 3;

class ListViewControl {
 public:
  virtual ~ListViewControl() = default;

  // View mode: kListViewReport (3) shows details under column headers. The other modes (0 icons,
  // 1 small icons, 2 list) are never used; an implementation may merely store them.
  virtual int View() const = 0;
  virtual void View(int mode) = 0;

  // The control's outer width as placed on its window, in twips.
  virtual float Width() const = 0;

  // Number of column headers.
  virtual int ColumnHeaderCount() const = 0;
  // Appends a column header with this text and the control's default width.
  virtual void AddColumnHeader(const std::string& text) = 0;
  // Text of column header `position` (1..count); index error outside.
  virtual std::string ColumnHeaderText(int position) const = 0;
  virtual void ColumnHeaderText(int position, const std::string& text) = 0;
  // Sets the width of column header `position` in twips; a negative width shows as 0.
  virtual void ColumnHeaderWidth(int position, float twips) = 0;

  // Number of list items.
  virtual int ListItemCount() const = 0;
  // Appends an item with this text and no sub-items.
  virtual void AddListItem(const std::string& text) = 0;
  // Inserts an item with this text at `position` (1..count + 1); later items move down one
  // place and the selection stays on the item it was on.
  virtual void AddListItem(int position, const std::string& text) = 0;
  // Removes the item at `position`; removing the selected item leaves nothing selected.
  virtual void RemoveListItem(int position) = 0;
  // Removes every item; columns stay.
  virtual void ClearListItems() = 0;

  // The text of the item at `position`.
  virtual std::string ItemText(int position) const = 0;
  virtual void ItemText(int position, const std::string& text) = 0;
  // Whether the item at `position` is the selected item. Writing true selects it (and no other);
  // writing false clears the selection if it was on this item.
  virtual bool ItemSelected(int position) const = 0;
  virtual void ItemSelected(int position, bool selected) = 0;
  // Number of sub-items of the item at `position`.
  virtual int SubItemCount(int position) const = 0;
  // Text of sub-item `sub` (1..SubItemCount) of the item at `position`; index error outside.
  virtual std::string SubItemText(int position, int sub) const = 0;
  virtual void SubItemText(int position, int sub, const std::string& text) = 0;
  // Appends a sub-item with this text to the item at `position`.
  virtual void AddSubItem(int position, const std::string& text) = 0;
  // SubItems(sub) = text: sets sub-item `sub`, first adding empty sub-items up to it when the
  // item has fewer. `sub` must lie in 1..ColumnHeaderCount - 1 (index error otherwise).
  virtual void SubItems(int position, int sub, const std::string& text) = 0;

  // The position (Index) of the selected item, or 0 when none is selected.
  virtual int SelectedItem() const = 0;
  // Clears the selection.
  virtual void SelectNone() = 0;
};

}  // namespace sheaver
