#include "ui/MemoryListView.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "runtime/error.h"

namespace sheaver {
namespace {

int ErrorNumberOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.Number();
  }
  return 0;
}

TEST(MemoryListView, SelectionStaysOnItsItemAsItemsComeAndGo) {
  MemoryListView lv;
  for (const char* t : {"a", "b", "c"}) lv.AddListItem(t);
  lv.ItemSelected(2, true);
  lv.AddListItem(1, "new");  // before the selection: it moves down with its item
  EXPECT_EQ(lv.SelectedItem(), 3);
  EXPECT_EQ(lv.ItemText(3), "b");
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
  for (const auto& call : bad) EXPECT_EQ(ErrorNumberOf(call), kErrIndexOutOfBounds);
  try {
    lv.ItemText(5);
  } catch (const Error& e) {
    EXPECT_EQ(e.Description(), "Index out of bounds");
  }
}

TEST(MemoryListView, SubItemsAssignmentFillsMissingSubItemsUpToTheColumns) {
  MemoryListView lv;
  for (const char* h : {"A", "B", "C"}) lv.AddColumnHeader(h);
  lv.AddListItem("a");
  lv.SubItems(1, 2, "a2");
  EXPECT_EQ(lv.SubItemCount(1), 2);
  EXPECT_EQ(lv.SubItemText(1, 1), "");
  EXPECT_EQ(lv.SubItemText(1, 2), "a2");
  EXPECT_EQ(ErrorNumberOf([&] { lv.SubItems(1, 3, "x"); }), kErrIndexOutOfBounds);
}

TEST(MemoryListView, ReportsEveryCellChange) {
  MemoryListView lv;
  lv.AddColumnHeader("File");
  lv.AddColumnHeader("Status");
  std::vector<std::string> seen;
  lv.OnCellChanged([&](int position, int column, const std::string& text) {
    seen.push_back(std::to_string(position) + "," + std::to_string(column) + "=" + text);
  });
  lv.AddListItem("w.xls");
  lv.AddSubItem(1, "Pending");
  lv.SubItemText(1, 1, "Processing");
  lv.SubItems(1, 1, "Done");
  lv.ItemText(1, "v.xls");
  EXPECT_EQ(seen, (std::vector<std::string>{"1,0=w.xls", "1,1=Pending", "1,1=Processing",
                                            "1,1=Done", "1,0=v.xls"}));
}

}  // namespace
}  // namespace sheaver
