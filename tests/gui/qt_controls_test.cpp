// The Qt controls behind the window code's interfaces: the list view against the in-memory one,
// the window-system facts the layout reads, message boxes and the file dialogs.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/gui_support.h"
#include "platform/qt/QtFileDialogs.h"
#include "platform/qt/QtListView.h"
#include "platform/qt/QtMessageBox.h"
#include "platform/qt/QtWindow.h"
#include "support/list_rows.h"
#include "support/raised.h"
#include "support/temp_dir.h"
#include "ui/MemoryListView.h"
#include "ui/clsListViewRpt.h"

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
    clsListViewRpt rpt;
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

TEST(QtListViewTest, ColumnWidthsAreTheReportListsTwipsInPixels) {
  QTreeWidget tree;
  tree.setGeometry(0, 0, 537, 113);  // the main window's list: 8055 x 1695 twips
  QtListView lv(tree);
  EXPECT_EQ(lv.Width(), 8055);
  EXPECT_TRUE(tree.isHeaderHidden());
  clsListViewRpt rpt;
  rpt.LV(&lv);
  rpt.cols(2);
  rpt.ColumnHeaderWidth(0, "File", 85);
  rpt.ColumnHeaderWidth(1, "Status", 15);
  rpt.Resize();
  // u = floor((8055 - 10) / 100) = 80 twips: 6800 and 1200 twips, 453.3 and 80 pixels.
  EXPECT_EQ(tree.columnWidth(0), 453);
  EXPECT_EQ(tree.columnWidth(1), 80);
  EXPECT_FALSE(tree.isHeaderHidden());
  EXPECT_EQ(tree.headerItem()->text(0), "File");
  EXPECT_EQ(tree.headerItem()->text(1), "Status");

  // A list narrower than the border allowance gives negative widths, shown as nothing.
  tree.resize(0, 113);
  rpt.Resize();
  EXPECT_EQ(tree.columnWidth(0), 0);
}

// ---- Window-system facts for the layout ----

// A window like the main window in small: a frame with a text box and a button, a list, a
// label, a toolbar and a menu; its controls in twips at 96 dpi.
TEST(QtWindowTest, ControlsAreTheWidgetsWithThoseInFramesThenTheMenusInTwips) {
  QMainWindow main;
  auto* client = new QWidget;
  main.setCentralWidget(client);
  auto* frame = new QGroupBox("Frame", client);
  auto* text = new QLineEdit(frame);
  text->setGeometry(8, 24, 200, 19);
  new QPushButton("...", frame);
  new QTreeWidget(client);
  new QLabel("Label", client);
  new QToolBar(client);
  for (auto [widget, tag] : {std::pair<QWidget*, const char*>{frame, "W=1"},
                             {text, "W=1"},
                             {client->findChild<QTreeWidget*>(), "W=1 H=1"}})
    widget->setProperty(kTagProperty, tag);
  QMenu* menu = main.menuBar()->addMenu("&File");
  menu->addAction("&Open");
  menu->addSeparator();
  menu->addAction("E&xit");
  main.resize(400, 300);
  QtWindow window(main, *client);
  std::vector<std::string> seen;
  for (WindowControl* c : window.Controls()) seen.push_back(c->TypeName() + ":" + c->Tag());
  EXPECT_EQ(seen, (std::vector<std::string>{"Frame:W=1", "TextBox:W=1",
                                            "CommandButton:", "ListView:W=1 H=1",
                                            "Label:", "Toolbar:", "Menu:", "Menu:", "Menu:"}));
  // The same objects every time: the layout keeps them.
  EXPECT_EQ(window.Controls(), window.Controls());
  EXPECT_EQ(&window.Controls()[1]->Parent(), &window);
  EXPECT_EQ(window.Width(), 6000);
  EXPECT_EQ(window.Height(), 4500);
  WindowControl& box = *window.Controls()[1];
  EXPECT_EQ((std::vector<double>{box.Left(), box.Top(), box.Width(), box.Height()}),
            (std::vector<double>{120, 360, 3000, 285}));
  box.Left(600);
  box.Top(300.4);  // 20.03 pixels
  box.Width(1500);
  box.Height(450);
  EXPECT_EQ(text->geometry(), QRect(40, 20, 100, 30));
  EXPECT_EQ(RaisedBy([&] { box.Width(-15); }).number, 380);
  EXPECT_EQ(text->width(), 100);
  WindowControl& item = *window.Controls()[6];
  EXPECT_EQ(RaisedBy([&] { item.Left(); }).number, kErrNoSuchProperty);
  EXPECT_EQ(RaisedBy([&] { item.Height(15); }).number, kErrNoSuchProperty);
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
      {MsgButtons::kYesNo, MsgIcon::kExclamation, QMessageBox::Warning, enter, MsgAnswer::kYes},
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

// ---- File dialog and folder browser ----

// What a file dialog shows: its mode (0 any file, 1 existing file, 2 directory), title,
// directory and, choosing a file, its name filters.
std::string Describe(const QFileDialog& d) {
  QString text = d.windowTitle() + "|" + d.directory().absolutePath();
  if (d.fileMode() != QFileDialog::Directory) text += "|" + d.nameFilters().join(";");
  return std::to_string(d.fileMode()) + "|" + text.toStdString();
}

TEST(QtFileDialogTest, EachChooserOpensWhereItShouldGivesAFullPathAndKeepsItWhenCancelled) {
  test::TempDir dir;
  dir.Write("week.set", "a\r\n");
  std::filesystem::create_directory(dir.File("in"));
  QtCommonDialog dialog;
  QtFolderBrowser browser;
  struct Case {
    const char* what;
    std::string init_dir, path;  // set before choosing
    std::function<bool(clsPath&)> choose;
    QString typed;
    std::string shown, chosen;
  };
  const Case cases[] = {
      {"existing file", dir.Path(), "", [](clsPath& p) { return p.ChooseExistingFile(); },
       "week.set", "1|Open|" + dir.Path() + "|Settings Files (*.set)", dir.File("week.set")},
      // The preset file's folder wins over a missing initial directory; a new name is taken.
      {"any file", "/nonexistent-folder", dir.File("week.set"),
       [](clsPath& p) { return p.ChooseFile(); }, "new week.set",
       "0|Open|" + dir.Path() + "|Settings Files (*.set)", dir.File("new week.set")},
      {"folder", "/ignored", dir.Path(), [](clsPath& p) { return p.ChooseDir(); },
       QString::fromStdString(dir.File("in")), "2|Open|" + dir.Path(), dir.File("in")},
  };
  for (const Case& c : cases) {
    clsPath chooser;
    chooser.CommonDialogControl(&dialog);
    chooser.BrowseFFControl(&browser);
    chooser.Title("Open");
    chooser.Filter("Settings Files (*.set) | *.set");
    chooser.InitDir(c.init_dir);
    chooser.Path(c.path);
    std::string shown;
    WhenModal<QFileDialog> when([&](QFileDialog& d) {
      shown = Describe(d);
      test::TypeAndAccept(d, c.typed);
    });
    EXPECT_TRUE(c.choose(chooser)) << c.what;
    EXPECT_EQ(shown, c.shown) << c.what;
    EXPECT_EQ(chooser.Path(), c.chosen) << c.what;
    WhenModal<QFileDialog> cancel([](QFileDialog& d) { d.reject(); });
    EXPECT_FALSE(c.choose(chooser)) << c.what;
    EXPECT_TRUE(cancel.Acted()) << c.what;
    EXPECT_EQ(chooser.Path(), c.chosen) << c.what;
  }
}

}  // namespace
}  // namespace sheaver
