// The Qt controls behind the window code's interfaces: the list view against the in-memory one,
// and message boxes. The file choosers' set-up is tested with dialog doubles (tests/datafiles);
// the window-system facts the layout reads are reached by
// resizing the main window (main_window_test.cpp).
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QTest>
#include <QTreeWidget>
#include <functional>
#include <string>
#include <vector>

#include "gui/gui_support.h"
#include "platform/qt/qt_list_view.h"
#include "platform/qt/qt_message_box.h"
#include "support/list_rows.h"
#include "support/raised.h"
#include "ui/memory_list_view.h"
#include "ui/report_list_view.h"

namespace sheaver {
namespace {

using test::RaisedBy;
using test::WhenModal;
using Texts = std::vector<std::string>;

// ---- List view: the Qt list behaves as the in-memory one under the report list ----

TEST(ListViewParity, RowsSelectionMovesAndIndexErrorsBehaveAlike) {
  QTreeWidget tree;
  tree.setGeometry(0, 0, 400, 200);  // 6000 twips at 96 dpi
  QtListView qt(tree);
  MemoryListView memory(6000);
  for (ListViewControl* lv :
       {static_cast<ListViewControl*>(&qt), static_cast<ListViewControl*>(&memory)}) {
    SCOPED_TRACE(lv == &qt ? "Qt" : "memory");
    ReportListView rpt;
    rpt.LV(lv);
    rpt.Headers({"File", "Status"});
    for (const char* name : {"one", "two", "three"}) {
      rpt.AddRow();
      rpt.Data(static_cast<Int16>(rpt.Rows() - 1), 0, name);
      rpt.Data(static_cast<Int16>(rpt.Rows() - 1), 1, std::string("s-") + name);
    }
    Int16 row = 10;
    rpt.SelectedRow(row);  // clamped to the last row
    rpt.MoveUp();
    EXPECT_EQ(test::ListRows(*lv), (Texts{"one|s-one", "three|s-three", "two|s-two"}));
    EXPECT_EQ(rpt.SelectedRow(), 1);
    rpt.Del();
    EXPECT_EQ(test::ListRows(*lv), (Texts{"one|s-one", "two|s-two"}));
    EXPECT_EQ(rpt.SelectedRow(), -1);
    // An item inserted before the selected one keeps the selection on the same item.
    row = 1;
    rpt.SelectedRow(row);
    lv->AddListItem(1, "zero");
    EXPECT_EQ(lv->SelectedItem(), 3);
    const std::function<void()> bad[] = {[&] { rpt.Data(7, 0); }, [&] { lv->SubItems(1, 2, "x"); },
                                         [&] { lv->ColumnHeaderText(3); },
                                         [&] { lv->AddListItem(5, "x"); }};
    for (const auto& call : bad) EXPECT_EQ(RaisedBy(call).number, kErrIndexOutOfBounds);
    rpt.Clear();
    EXPECT_EQ(rpt.SelectedRow(), -1);
    EXPECT_EQ(rpt.cols(), 2);
  }
}

// ---- Message boxes ----

TEST(QtMessageBoxTest, TitleTextIconAndTheAnswersOfClicksEnterAndEscape) {
  auto click_no = [](QMessageBox& box) { box.button(QMessageBox::No)->click(); };
  auto escape = [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); };
  auto enter = [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); };
  struct Case {
    MsgButtons buttons;
    MsgIcon icon;
    QMessageBox::Icon shown_icon;
    std::function<void(QMessageBox&)> answer;
    MsgAnswer expected;
  };
  const Case cases[] = {
      {MsgButtons::kOk, MsgIcon::kNone, QMessageBox::NoIcon, enter, MsgAnswer::kOk},
      {MsgButtons::kYesNo, MsgIcon::kQuestion, QMessageBox::Question, escape, MsgAnswer::kNo},
      {MsgButtons::kOkCancel, MsgIcon::kCritical, QMessageBox::Critical, escape,
       MsgAnswer::kCancel},
      {MsgButtons::kYesNoCancel, MsgIcon::kInformation, QMessageBox::Information, click_no,
       MsgAnswer::kNo},
  };
  QtMessageBox service;
  for (const Case& c : cases) {
    std::string seen;
    WhenModal<QMessageBox> when([&](QMessageBox& box) {
      seen = (box.windowTitle() + "|" + box.text()).toStdString();
      EXPECT_EQ(box.icon(), c.shown_icon);
      c.answer(box);
    });
    EXPECT_EQ(service.Show("C:/a.set exists.\r\nReplace?", c.buttons, c.icon, "Sheaver"),
              c.expected)
        << static_cast<int>(c.buttons);
    EXPECT_EQ(seen, "Sheaver|C:/a.set exists.\nReplace?");
  }
}

}  // namespace
}  // namespace sheaver
