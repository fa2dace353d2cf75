#include "ui/MemoryListView.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/raised.h"

namespace sheaver {
namespace {

using test::RaisedBy;

// Insertion before the selection is checked against the Qt list (tests/gui); removal here.
TEST(MemoryListView, SelectionStaysOnItsItemAsItemsGo) {
  MemoryListView lv;
  for (const char* t : {"a", "b", "c", "d"}) lv.AddListItem(t);
  lv.ItemSelected(3, true);
  lv.RemoveListItem(1);
  EXPECT_EQ(lv.SelectedItem(), 2);
  lv.ItemSelected(1, false);  // not the selected item: no change
  lv.RemoveListItem(2);
  EXPECT_EQ(lv.SelectedItem(), 0);
}

TEST(MemoryListView, PositionsOutsideTheListAreIndexErrors) {
  MemoryListView lv;
  lv.AddColumnHeader("A");
  lv.AddColumnHeader("B");
  lv.AddListItem("a");
  const std::function<void()> bad[] = {
      [&] { lv.ItemText(0); },          [&] { lv.ItemText(2); },
      [&] { lv.AddListItem(3, "x"); },  [&] { lv.SubItemText(1, 0, "x"); },
      [&] { lv.SubItems(1, 2, "x"); },  [&] { lv.ColumnHeaderWidth(0, 1.0f); },
  };
  for (const auto& call : bad) EXPECT_EQ(RaisedBy(call).number, kErrIndexOutOfBounds);
  lv.SubItems(1, 1, "b");  // within the columns: fills up to the sub-item
  EXPECT_EQ(lv.SubItemText(1, 1), "b");
}

}  // namespace
}  // namespace sheaver
