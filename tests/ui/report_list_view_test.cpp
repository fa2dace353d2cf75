#include "ui/report_list_view.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/list_rows.h"
#include "support/raised.h"
#include "ui/memory_list_view.h"

namespace sheaver {
namespace {

using test::RaisedBy;
using Texts = std::vector<std::string>;

// A report list of `cols` columns (none for 0) and `rows` rows over a list `width` twips wide;
// cell (r, c) reads "r<r>c<c>".
struct Rpt {
  explicit Rpt(Int16 cols = 2, int rows = 0, float width = 6000) : lv(width) {
    rpt.LV(&lv);
    if (cols > 0) rpt.cols(cols);
    for (Int16 r = 0; r < rows; ++r) {
      rpt.AddRow();
      for (Int16 c = 0; c < cols; ++c)
        rpt.Data(r, c, "r" + std::to_string(r) + "c" + std::to_string(c));
    }
  }
  int Raises(const std::function<void(ReportListView&)>& f) {
    return RaisedBy([&] { f(rpt); }).number;
  }
  MemoryListView lv;
  ReportListView rpt;
};

TEST(ReportListView, EqualColumnSharesRoundHalfToEven) {
  const std::pair<Int16, Int16> cases[] = {{3, 33}, {8, 12}, {40, 2}, {200, 0}};
  for (auto [n, share] : cases) {
    Rpt by_cols(n, 0, 10010);  // a unit of exactly 100 twips
    Rpt by_headers(0, 0, 10010);
    by_headers.rpt.Headers(Texts(static_cast<std::size_t>(n), "h"));
    for (Rpt* r : {&by_cols, &by_headers}) {
      r->rpt.Resize();
      EXPECT_EQ(r->lv.ColumnHeaderWidth(r->rpt.cols()), 100.0f * share) << n << " columns";
    }
  }
}

TEST(ReportListView, ResizeFloorsTheUnitBeforeMultiplyingAndWaitsForTheCall) {
  const std::pair<float, float> cases[] = {{6000, 85 * 59}, {6109.9f, 85 * 60}, {9, -85}};
  for (auto [width, first] : cases) {
    Rpt r(2, 0, width);
    r.rpt.ColumnHeaderWidth(0, "File", 85);
    r.rpt.ColumnHeaderWidth(1, "Status", 15);
    EXPECT_EQ(r.lv.ColumnHeaderWidth(1), MemoryListView::kDefaultColumnWidth);
    r.rpt.Resize();
    EXPECT_EQ(r.lv.ColumnHeaderWidth(1), first) << "width " << width;
  }
  Rpt r;
  r.rpt.ColumnWidths({70, 30});
  r.rpt.Resize();
  EXPECT_EQ(r.lv.ColumnHeaderWidth(2), 30 * 59);
  // Columns defined twice are appended; Resize stops at the first one without a share.
  r.rpt.cols(2);
  EXPECT_EQ(r.Raises([](auto& t) { t.Resize(); }), err::kSubscript);
  EXPECT_EQ(r.lv.ColumnHeaderWidth(2), 50 * 59);
  EXPECT_EQ(r.lv.ColumnHeaderWidth(3), MemoryListView::kDefaultColumnWidth);
}

TEST(ReportListView, MovesCarryTheSubItemsAndKeepTheRowSelectedAndDelTakesItAway) {
  struct Case {
    Int16 selected;
    char op;            // 'u' MoveUp, 'd' MoveDown, 'x' Del
    const char* order;  // the rows after, by their number
    Int16 selected_after;
  };
  const Case cases[] = {{0, 'd', "102", 1}, {2, 'u', "021", 1}, {0, 'u', "012", 0},
                        {2, 'd', "012", 2}, {1, 'x', "02", -1}, {-1, 'x', "012", -1}};
  for (const Case& c : cases) {
    Rpt r(3, 3);
    Int16 row = c.selected;
    r.rpt.SelectedRow(row);
    c.op == 'u' ? r.rpt.MoveUp() : c.op == 'd' ? r.rpt.MoveDown() : r.rpt.Del();
    Texts expected;
    for (const char* d = c.order; *d != '\0'; ++d)
      expected.push_back(std::string("r") + *d + "c0|r" + *d + "c1|r" + *d + "c2");
    EXPECT_EQ(test::ListRows(r.lv), expected) << c.selected << c.op;
    EXPECT_EQ(r.rpt.SelectedRow(), c.selected_after) << c.selected << c.op;
  }
}

TEST(ReportListView, FailuresRaiseTheirErrorsBeforeChangingAnything) {
  struct Case {
    const char* what;
    std::function<void(ReportListView&)> call;
    int error;
  };
  const Case cases[] = {
      {"cols 0", [](auto& r) { r.cols(0); }, err::kDivisionByZero},
      {"Data of row 32767", [](auto& r) { r.Data(32767, 0); }, err::kOverflow},
      {"ColumnWidth 2", [](auto& r) { r.ColumnWidth(2, 5); }, err::kSubscript},
      {"MoveUp", [](auto& r) { r.MoveUp(); }, err::kObjectNotSet},
      {"SelectedRow -2",
       [](auto& r) {
         Int16 row = -2;
         r.SelectedRow(row);
       },
       kErrIndexOutOfBounds},
  };
  for (const Case& c : cases) {
    Rpt r(2, 2);
    EXPECT_EQ(r.Raises(c.call), c.error) << c.what;
    EXPECT_EQ(r.rpt.cols(), 2) << c.what;
    EXPECT_EQ(r.rpt.Rows(), 2) << c.what;
  }
}

TEST(ReportListView, CountsBeyond16BitsOverflow) {
  Rpt r(1);
  for (int i = 0; i < 32767; ++i) r.lv.AddListItem("");
  EXPECT_EQ(r.rpt.Rows(), 32767);
  r.lv.ItemSelected(32767, true);
  EXPECT_EQ(r.rpt.SelectedRow(), 32766);
  r.rpt.MoveDown();  // the last row: nothing to do
  EXPECT_EQ(r.rpt.SelectedRow(), 32766);
  r.lv.AddListItem("");
  EXPECT_EQ(r.Raises([](auto& t) { t.Rows(); }), err::kOverflow);
  r.lv.ItemSelected(32768, true);
  EXPECT_EQ(r.Raises([](auto& t) { t.SelectedRow(); }), err::kOverflow);
}

}  // namespace
}  // namespace sheaver
