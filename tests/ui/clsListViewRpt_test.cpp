#include "ui/clsListViewRpt.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/MemoryListView.h"

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

// The item texts of the list, in order, each followed by its sub-item texts after a "|".
std::vector<std::string> Contents(const MemoryListView& lv) {
  std::vector<std::string> rows;
  for (int i = 1; i <= lv.ListItemCount(); ++i) {
    std::string row = lv.ItemText(i);
    for (int j = 1; j <= lv.SubItemCount(i); ++j) row += "|" + lv.SubItemText(i, j);
    rows.push_back(row);
  }
  return rows;
}

class ListViewRptTest : public testing::Test {
 protected:
  // A list set up as the main window sets up its file list.
  void SetUpLikeTheMainWindow() {
    rpt.LV(&lv);
    rpt.cols(2);
    rpt.ColumnHeaderWidth(0, "File", 85);
    rpt.ColumnHeaderWidth(1, "Status", 15);
    rpt.Resize();
  }
  // n rows whose cells read "r0", "r0c1", "r0c2", ...
  void AddRows(int n) {
    for (int r = 0; r < n; ++r) {
      rpt.AddRow();
      Int16 row = static_cast<Int16>(rpt.Rows() - 1);
      for (Int16 c = 0; c < rpt.cols(); ++c) {
        rpt.Data(row, c, "r" + std::to_string(r) + (c ? "c" + std::to_string(c) : ""));
      }
    }
  }

  MemoryListView lv{6000};
  clsListViewRpt rpt;
};

TEST_F(ListViewRptTest, MainWindowSetUpGivesFileAndStatusColumnsOfTheListWidth) {
  SetUpLikeTheMainWindow();
  EXPECT_EQ(lv.View(), kListViewReport);
  EXPECT_EQ(rpt.Headers(), (std::vector<std::string>{"File", "Status"}));
  // u = floor((6000 - 10) / 100) = 59.
  EXPECT_EQ(lv.ColumnHeaderWidth(1), 5015);
  EXPECT_EQ(lv.ColumnHeaderWidth(2), 885);
  EXPECT_EQ(rpt.Rows(), 0);
  EXPECT_EQ(rpt.SelectedRow(), -1);
}

TEST_F(ListViewRptTest, ColumnsGetEqualSharesRoundedHalfToEven) {
  struct Case {
    Int16 n;
    Int16 share;
  };
  const Case cases[] = {{1, 100}, {2, 50}, {3, 33},  {6, 17}, {8, 12},
                        {40, 2},  {67, 1}, {200, 0}, {201, 0}};
  for (const Case& c : cases) {
    MemoryListView by_cols(10010);  // a unit of exactly 100 twips
    clsListViewRpt a;
    a.LV(&by_cols);
    a.cols(c.n);
    a.Resize();
    EXPECT_EQ(by_cols.ColumnHeaderCount(), c.n);
    EXPECT_EQ(by_cols.ColumnHeaderWidth(c.n), 100.0f * c.share) << "cols " << c.n;

    MemoryListView by_headers(10010);
    clsListViewRpt b;
    b.LV(&by_headers);
    b.Headers(std::vector<std::string>(static_cast<std::size_t>(c.n), "h"));
    b.Resize();
    EXPECT_EQ(by_headers.ColumnHeaderWidth(1), 100.0f * c.share) << "headers " << c.n;
  }
}

TEST_F(ListViewRptTest, ResizeFloorsTheUnitBeforeMultiplying) {
  struct Case {
    float width;
    float first_column;  // 85 units
  };
  const Case cases[] = {{6000, 85 * 59}, {6010, 85 * 60}, {6109.9f, 85 * 60},
                        {100, 0},        {10, 0},         {9, -85}};
  for (const Case& c : cases) {
    lv.SetWidth(c.width);
    rpt.LV(&lv);
    if (rpt.cols() == 0) rpt.Headers({"File", "Status"});
    rpt.ColumnWidths({85, 15});
    rpt.Resize();
    EXPECT_EQ(lv.ColumnHeaderWidth(1), c.first_column) << "width " << c.width;
  }
}

TEST_F(ListViewRptTest, WidthChangesWaitForResize) {
  SetUpLikeTheMainWindow();
  rpt.ColumnWidth(0, 50);
  rpt.ColumnWidths({70, 30});
  EXPECT_EQ(lv.ColumnHeaderWidth(1), 5015);
  rpt.Resize();
  EXPECT_EQ(lv.ColumnHeaderWidth(1), 70 * 59);
  EXPECT_EQ(lv.ColumnHeaderWidth(2), 30 * 59);
}

TEST_F(ListViewRptTest, DefiningColumnsTwiceAppendsAndResizeStopsAtTheFirstColumnWithoutAShare) {
  rpt.LV(&lv);
  rpt.cols(2);
  rpt.cols(2);
  EXPECT_EQ(rpt.cols(), 4);
  EXPECT_EQ(ErrorNumberOf([&] { rpt.Resize(); }), err::kSubscript);
  EXPECT_EQ(lv.ColumnHeaderWidth(1), 50 * 59);
  EXPECT_EQ(lv.ColumnHeaderWidth(2), 50 * 59);
  EXPECT_EQ(lv.ColumnHeaderWidth(3), MemoryListView::kDefaultColumnWidth);
}

TEST_F(ListViewRptTest, CellsAreTheItemTextAndItsSubItems) {
  SetUpLikeTheMainWindow();
  AddRows(2);
  rpt.Data(1, 1, "Done");
  EXPECT_EQ(rpt.Data(1, 0), "r1");
  EXPECT_EQ(lv.ItemText(2), "r1");
  EXPECT_EQ(lv.SubItemText(2, 1), "Done");
  EXPECT_EQ(Contents(lv), (std::vector<std::string>{"r0|r0c1", "r1|Done"}));
}

TEST_F(ListViewRptTest, AddRowMakesOneSubItemPerColumnAfterTheFirst) {
  for (Int16 columns : {1, 2, 5}) {
    MemoryListView list(6000);
    clsListViewRpt r;
    r.LV(&list);
    r.cols(columns);
    r.AddRow();
    r.AddRow();
    EXPECT_EQ(r.Rows(), 2);
    EXPECT_EQ(list.SubItemCount(2), columns - 1) << columns << " columns";
    EXPECT_EQ(r.Data(1, static_cast<Int16>(columns - 1)), "");
  }
}

TEST_F(ListViewRptTest, SelectedRowIsClampedAndTheClampedValueReturned) {
  struct Case {
    int rows;
    Int16 asked;
    Int16 left_in_argument;
    Int16 selected;
  };
  const Case cases[] = {{0, 0, -1, -1}, {3, 10, 2, 2},   {3, 3, 2, 2},
                        {3, 1, 1, 1},   {3, -1, -1, -1}, {1, 32767, 0, 0}};
  for (const Case& c : cases) {
    MemoryListView list(6000);
    clsListViewRpt r;
    r.LV(&list);
    r.cols(1);
    for (int i = 0; i < c.rows; ++i) r.AddRow();
    if (c.rows > 0) list.ItemSelected(1, true);
    Int16 row = c.asked;
    r.SelectedRow(row);
    EXPECT_EQ(row, c.left_in_argument) << c.rows << " rows, asked " << c.asked;
    EXPECT_EQ(r.SelectedRow(), c.selected) << c.rows << " rows, asked " << c.asked;
  }
}

TEST_F(ListViewRptTest, MovesCarryTheSubItemsAndKeepTheRowSelected) {
  struct Case {
    const char* name;
    Int16 selected;
    bool up;
    std::vector<std::string> order;
    Int16 selected_after;
  };
  const std::string a = "r0|r0c1|r0c2", b = "r1|r1c1|r1c2", c3 = "r2|r2c1|r2c2";
  const Case cases[] = {
      {"down from the top", 0, false, {b, a, c3}, 1},
      {"up from the middle", 1, true, {b, a, c3}, 0},
      {"down from the middle", 1, false, {a, c3, b}, 2},
      {"up from the bottom", 2, true, {a, c3, b}, 1},
      {"up from the top", 0, true, {a, b, c3}, 0},
      {"down from the bottom", 2, false, {a, b, c3}, 2},
  };
  for (const Case& c : cases) {
    MemoryListView list(6000);
    clsListViewRpt r;
    r.LV(&list);
    r.cols(3);
    for (int i = 0; i < 3; ++i) {
      r.AddRow();
      for (Int16 col = 0; col < 3; ++col) {
        r.Data(static_cast<Int16>(i), col,
               "r" + std::to_string(i) + (col ? "c" + std::to_string(col) : ""));
      }
    }
    Int16 row = c.selected;
    r.SelectedRow(row);
    if (c.up) {
      r.MoveUp();
    } else {
      r.MoveDown();
    }
    EXPECT_EQ(Contents(list), c.order) << c.name;
    EXPECT_EQ(r.SelectedRow(), c.selected_after) << c.name;
  }
}

TEST_F(ListViewRptTest, DelRemovesOnlyTheSelectedRow) {
  SetUpLikeTheMainWindow();
  AddRows(3);
  rpt.Del();
  EXPECT_EQ(rpt.Rows(), 3);
  Int16 row = 1;
  rpt.SelectedRow(row);
  rpt.Del();
  EXPECT_EQ(Contents(lv), (std::vector<std::string>{"r0|r0c1", "r2|r2c1"}));
  EXPECT_EQ(rpt.SelectedRow(), -1);
  rpt.Clear();
  EXPECT_EQ(rpt.Rows(), 0);
  EXPECT_EQ(rpt.cols(), 2);
  rpt.Resize();  // the width table survives Clear
  EXPECT_EQ(lv.ColumnHeaderWidth(2), 885);
}

TEST_F(ListViewRptTest, FailuresRaiseTheirErrorsAndStopWhereTheyOccur) {
  struct Case {
    const char* what;
    std::function<void(clsListViewRpt&)> call;
    int error;
  };
  const Case cases[] = {
      {"Headers of an empty list", [](auto& r) { r.Headers({}); }, err::kDivisionByZero},
      {"cols 0", [](auto& r) { r.cols(0); }, err::kDivisionByZero},
      {"negative cols", [](auto& r) { r.cols(-1); }, err::kSubscript},
      {"Data past the rows", [](auto& r) { r.Data(2, 0); }, kErrIndexOutOfBounds},
      {"Data past the columns", [](auto& r) { r.Data(0, 2); }, kErrIndexOutOfBounds},
      {"Data of row -1", [](auto& r) { r.Data(-1, 0, "x"); }, kErrIndexOutOfBounds},
      {"Data of negative column", [](auto& r) { r.Data(0, -1); }, kErrIndexOutOfBounds},
      {"Data of row 32767", [](auto& r) { r.Data(32767, 0); }, err::kOverflow},
      {"ColumnHeader past the columns", [](auto& r) { r.ColumnHeader(2, "x"); },
       kErrIndexOutOfBounds},
      {"ColumnWidth past the table", [](auto& r) { r.ColumnWidth(2, 5); }, err::kSubscript},
      {"ColumnWidth -1", [](auto& r) { r.ColumnWidth(-1, 5); }, err::kSubscript},
      {"MoveUp without selection", [](auto& r) { r.MoveUp(); }, err::kObjectNotSet},
      {"MoveDown without selection", [](auto& r) { r.MoveDown(); }, err::kObjectNotSet},
      {"SelectedRow -2",
       [](auto& r) {
         Int16 row = -2;
         r.SelectedRow(row);
       },
       kErrIndexOutOfBounds},
  };
  for (const Case& c : cases) {
    MemoryListView list(6000);
    clsListViewRpt r;
    r.LV(&list);
    r.Headers({"File", "Status"});
    r.AddRow();
    r.AddRow();
    EXPECT_EQ(ErrorNumberOf([&] { c.call(r); }), c.error) << c.what;
    EXPECT_EQ(r.cols(), 2) << c.what;  // nothing appended by a failed column definition
    EXPECT_EQ(r.Rows(), 2) << c.what;
  }
}

TEST_F(ListViewRptTest, ColumnHeaderWidthSetsTheTextBeforeFailingOnTheTable) {
  rpt.LV(&lv);
  rpt.cols(2);
  lv.AddColumnHeader("");
  EXPECT_EQ(ErrorNumberOf([&] { rpt.ColumnHeaderWidth(2, "Third", 10); }), err::kSubscript);
  EXPECT_EQ(lv.ColumnHeaderText(3), "Third");
}

TEST_F(ListViewRptTest, HeadersOfAListWithoutColumnsIsASubscriptError) {
  rpt.LV(&lv);
  EXPECT_EQ(ErrorNumberOf([&] { rpt.Headers(); }), err::kSubscript);
}

TEST_F(ListViewRptTest, WithoutAControlOnlyTheWidthTableWorks) {
  EXPECT_EQ(rpt.LV(), nullptr);
  rpt.LV(&lv);
  rpt.LV(nullptr);  // detaches
  EXPECT_EQ(rpt.LV(), nullptr);
  rpt.ColumnWidths({50, 50});
  rpt.ColumnWidth(1, 40);
  const std::function<void()> touching[] = {
      [&] { rpt.Rows(); },   [&] { rpt.cols(); },         [&] { rpt.cols(2); },
      [&] { rpt.Clear(); },  [&] { rpt.AddRow(); },       [&] { rpt.Resize(); },
      [&] { rpt.Del(); },    [&] { rpt.SelectedRow(); },  [&] { rpt.Data(0, 0); },
      [&] { rpt.MoveUp(); }, [&] { rpt.Headers({"a"}); }, [&] { rpt.ColumnHeader(0, "a"); },
  };
  for (const auto& call : touching) EXPECT_EQ(ErrorNumberOf(call), err::kObjectNotSet);
}

TEST_F(ListViewRptTest, CountsBeyond16BitsOverflow) {
  rpt.LV(&lv);
  rpt.cols(1);
  for (int i = 0; i < 32767; ++i) lv.AddListItem("");
  EXPECT_EQ(rpt.Rows(), 32767);
  lv.ItemSelected(32767, true);
  EXPECT_EQ(rpt.SelectedRow(), 32766);
  rpt.MoveDown();  // the last row: nothing to do
  EXPECT_EQ(rpt.SelectedRow(), 32766);
  lv.AddListItem("");
  EXPECT_EQ(ErrorNumberOf([&] { rpt.Rows(); }), err::kOverflow);
  lv.ItemSelected(32768, true);
  EXPECT_EQ(ErrorNumberOf([&] { rpt.SelectedRow(); }), err::kOverflow);
}

}  // namespace
}  // namespace sheaver
