#include "ui/MemoryListView.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/raised.h"

namespace sheaver {
namespace {

using test::RaisedBy;

TEST(MemoryListView, SelectionStaysOnItsItemAsItemsComeAndGo) {
  MemoryListView lv;
  for (const char* t : {"a", "b", "c"}) lv.AddListItem(t);
  lv.ItemSelected(2, true);
  lv.AddListItem(2, "new");  // at the selection: it moves down with its item
  EXPECT_EQ(lv.SelectedItem(), 3);
  lv.AddListItem(5, "end");  // count + 1 appends
  lv.RemoveListItem(1);
  EXPECT_EQ(lv.SelectedItem(), 2);
  lv.ItemSelected(1, false);  // not the selected item: no change
  EXPECT_TRUE(lv.ItemSelected(2));
  lv.RemoveListItem(2);
  EXPECT_EQ(lv.SelectedItem(), 0);
  lv.ItemSelected(1, true);
  lv.ClearListItems();
  EXPECT_EQ(lv.SelectedItem(), 0);
}

TEST(MemoryListView, PositionsOutsideTheListAreIndexErrors) {
  MemoryListView lv;
  lv.AddColumnHeader("A");
  lv.AddColumnHeader("B");
  lv.AddListItem("a");
  lv.AddSubItem(1, "a1");
  const std::function<void()> bad[] = {
      [&] { lv.ItemText(0); },
      [&] { lv.ItemText(2); },
      [&] { lv.AddListItem(3, "x"); },
      [&] { lv.AddListItem(0, "x"); },
      [&] { lv.RemoveListItem(2); },
      [&] { lv.SubItemText(1, 2); },
      [&] { lv.SubItemText(1, 0, "x"); },
      [&] { lv.SubItems(1, 2, "x"); },
      [&] { lv.ColumnHeaderText(3); },
      [&] { lv.ColumnHeaderWidth(0, 1.0f); },
      [&] { lv.ItemSelected(-1, true); },
  };
  for (const auto& call : bad) EXPECT_EQ(RaisedBy(call).number, kErrIndexOutOfBounds);
  EXPECT_EQ(RaisedBy([&] { lv.ItemText(5); }).description, "Index out of bounds");
  lv.SubItems(1, 1, "b");  // within the columns: fills up to the sub-item
  lv.AddListItem("c");
  lv.SubItems(2, 1, "c1");
  EXPECT_EQ(lv.SubItemText(1, 1), "b");
  EXPECT_EQ(lv.SubItemCount(2), 1);
}

}  // namespace
}  // namespace sheaver
