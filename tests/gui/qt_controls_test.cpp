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
#include "support/raised.h"
#include "support/temp_dir.h"
#include "ui/MemoryListView.h"
#include "ui/clsListViewRpt.h"

namespace sheaver {
namespace {

using test::RaisedBy;
using test::WhenModal;

// ---- List view: the Qt list behaves as the in-memory one under the report list ----

// Every row as "item|sub|sub...".
std::vector<std::string> Rows(const ListViewControl& lv) {
  std::vector<std::string> rows;
  for (int i = 1; i <= lv.ListItemCount(); ++i) {
    rows.push_back(lv.ItemText(i));
    for (int j = 1; j <= lv.SubItemCount(i); ++j) rows.back() += "|" + lv.SubItemText(i, j);
  }
  return rows;
}

TEST(ListViewParity, RowsColumnsSelectionAndMovesBehaveAlike) {
  QTreeWidget tree;
  tree.setGeometry(0, 0, 400, 200);  // 6000 twips at 96 dpi
  QtListView qt(tree);
  MemoryListView memory(6000);
  for (ListViewControl* lv :
       {static_cast<ListViewControl*>(&qt), static_cast<ListViewControl*>(&memory)}) {
    SCOPED_TRACE(lv == &qt ? "Qt" : "memory");
    clsListViewRpt rpt;
    rpt.LV(lv);
    EXPECT_EQ(lv->View(), kListViewReport);
    rpt.Headers({"File", "Status"});
    EXPECT_EQ(rpt.Headers(), (std::vector<std::string>{"File", "Status"}));
    for (const char* name : {"one", "two", "three"}) {
      rpt.AddRow();
      rpt.Data(static_cast<Int16>(rpt.Rows() - 1), 0, name);
      rpt.Data(static_cast<Int16>(rpt.Rows() - 1), 1, std::string("s-") + name);
    }
    Int16 row = 10;
    rpt.SelectedRow(row);
    EXPECT_EQ(row, 2);
    rpt.MoveUp();
    EXPECT_EQ(Rows(*lv), (std::vector<std::string>{"one|s-one", "three|s-three", "two|s-two"}));
    EXPECT_EQ(rpt.SelectedRow(), 1);
    row = 0;
    rpt.SelectedRow(row);
    rpt.MoveDown();
    EXPECT_EQ(Rows(*lv), (std::vector<std::string>{"three|s-three", "one|s-one", "two|s-two"}));
    EXPECT_EQ(rpt.SelectedRow(), 1);
    rpt.Del();
    EXPECT_EQ(Rows(*lv), (std::vector<std::string>{"three|s-three", "two|s-two"}));
    EXPECT_EQ(rpt.SelectedRow(), -1);
    // An item inserted before the selected one keeps the selection on the same item.
    row = 1;
    rpt.SelectedRow(row);
    lv->AddListItem(1, "zero");
    EXPECT_EQ(lv->SelectedItem(), 3);
    EXPECT_EQ(RaisedBy([&] { rpt.Data(7, 0); }).number, kErrIndexOutOfBounds);
    EXPECT_EQ(RaisedBy([&] { rpt.Data(0, 2, "x"); }).number, kErrIndexOutOfBounds);
    EXPECT_EQ(RaisedBy([&] { lv->SubItems(1, 2, "x"); }).number, kErrIndexOutOfBounds);
    EXPECT_EQ(RaisedBy([&] { lv->ColumnHeaderText(3); }).number, kErrIndexOutOfBounds);
    EXPECT_EQ(RaisedBy([&] { lv->AddListItem(5, "x"); }).number, kErrIndexOutOfBounds);
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

  rpt.AddRow();
  rpt.Data(0, 1, "Pending");
  EXPECT_EQ(tree.topLevelItem(0)->text(1), "Pending");

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

class QtFileDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::make_unique<test::TempDir>();
    dir_->Write("week.set", "a\r\n");
    chooser_.CommonDialogControl(&dialog_);
    chooser_.BrowseFFControl(&browser_);
    chooser_.Title("Open");
    chooser_.Filter("Settings Files (*.set) | *.set");
  }

  QtCommonDialog dialog_;
  QtFolderBrowser browser_;
  clsPath chooser_;
  std::unique_ptr<test::TempDir> dir_;
};

// What a file dialog shows: its mode (0 any file, 1 existing file, 2 directory), title,
// directory and name filters.
std::string Describe(const QFileDialog& d) {
  return std::to_string(d.fileMode()) + "|" +
         (d.windowTitle() + "|" + d.directory().absolutePath() + "|" + d.nameFilters().join(";"))
             .toStdString();
}

TEST_F(QtFileDialogTest, ExistingFileDialogOpensInTheInitialDirectoryAndGivesAFullPath) {
  chooser_.InitDir(dir_->Path());
  std::string seen;
  WhenModal<QFileDialog> when([&](QFileDialog& d) {
    seen = Describe(d);
    test::TypeAndAccept(d, "week.set");
  });
  EXPECT_TRUE(chooser_.ChooseExistingFile());
  EXPECT_EQ(seen, "1|Open|" + dir_->Path() + "|Settings Files (*.set)");
  EXPECT_EQ(chooser_.Path(), dir_->File("week.set"));
  WhenModal<QFileDialog> cancel([](QFileDialog& d) { d.reject(); });
  EXPECT_FALSE(chooser_.ChooseExistingFile());
  EXPECT_TRUE(cancel.Acted());
  EXPECT_EQ(chooser_.Path(), dir_->File("week.set"));
}

TEST_F(QtFileDialogTest, AnyFileDialogTakesATypedNewNameInThePresetsFolder) {
  chooser_.InitDir("/nonexistent-folder");
  chooser_.Path(dir_->File("week.set"));
  std::string seen;
  WhenModal<QFileDialog> when([&](QFileDialog& d) {
    seen = Describe(d) + "|" + d.selectedFiles().value(0).toStdString();
    test::TypeAndAccept(d, "new week.set");
  });
  EXPECT_TRUE(chooser_.ChooseFile());
  EXPECT_EQ(seen, "0|Open|" + dir_->Path() + "|Settings Files (*.set)|" + dir_->File("week.set"));
  EXPECT_EQ(chooser_.Path(), dir_->File("new week.set"));
}

TEST_F(QtFileDialogTest, FolderBrowserStartsAtThePathAndGivesTheChosenFolder) {
  std::filesystem::create_directory(dir_->File("in"));
  chooser_.Title("Choose Input Directory");
  chooser_.Path(dir_->Path());
  std::string seen;
  WhenModal<QFileDialog> when([&](QFileDialog& d) {
    seen = Describe(d);
    test::TypeAndAccept(d, QString::fromStdString(dir_->File("in")));
  });
  EXPECT_TRUE(chooser_.ChooseDir());
  EXPECT_EQ(seen.substr(0, seen.rfind('|')), "2|Choose Input Directory|" + dir_->Path());
  EXPECT_EQ(chooser_.Path(), dir_->File("in"));
  WhenModal<QFileDialog> cancel([](QFileDialog& d) { d.reject(); });
  EXPECT_FALSE(chooser_.ChooseDir());
  EXPECT_TRUE(cancel.Acted());
  EXPECT_EQ(chooser_.Path(), dir_->File("in"));
}

}  // namespace
}  // namespace sheaver
