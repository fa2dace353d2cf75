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
#include "ui/clsLayout.h"
#include "ui/clsListViewRpt.h"

namespace sheaver {
namespace {

using test::RaisedBy;
using test::WhenModal;

// ---- List view: the Qt list behaves as the in-memory one under the report list ----

class ListViewParity : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (std::string(GetParam()) == "Qt") {
      tree_.setGeometry(0, 0, 400, 200);  // 6000 twips at 96 dpi
      qt_ = std::make_unique<QtListView>(tree_);
      lv_ = qt_.get();
    } else {
      memory_ = std::make_unique<MemoryListView>(6000);
      lv_ = memory_.get();
    }
    rpt_.LV(lv_);
  }
  // Every row as "item|sub|sub...".
  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    for (int i = 1; i <= lv_->ListItemCount(); ++i) {
      std::string row = lv_->ItemText(i);
      for (int j = 1; j <= lv_->SubItemCount(i); ++j) row += "|" + lv_->SubItemText(i, j);
      rows.push_back(row);
    }
    return rows;
  }

  QTreeWidget tree_;
  std::unique_ptr<QtListView> qt_;
  std::unique_ptr<MemoryListView> memory_;
  ListViewControl* lv_ = nullptr;
  clsListViewRpt rpt_;
};

TEST_P(ListViewParity, RowsColumnsSelectionAndMovesBehaveAlike) {
  EXPECT_EQ(lv_->View(), kListViewReport);
  rpt_.cols(2);
  rpt_.ColumnHeaderWidth(0, "File", 85);
  rpt_.ColumnHeaderWidth(1, "Status", 15);
  EXPECT_EQ(rpt_.Headers(), (std::vector<std::string>{"File", "Status"}));

  for (const char* name : {"one", "two", "three"}) {
    rpt_.AddRow();
    const Int16 row = static_cast<Int16>(rpt_.Rows() - 1);
    EXPECT_EQ(rpt_.Data(row, 1), "");
    rpt_.Data(row, 0, name);
    rpt_.Data(row, 1, std::string("s-") + name);
  }
  EXPECT_EQ(Rows(), (std::vector<std::string>{"one|s-one", "two|s-two", "three|s-three"}));

  Int16 row = 10;
  rpt_.SelectedRow(row);
  EXPECT_EQ(row, 2);
  EXPECT_EQ(rpt_.SelectedRow(), 2);
  rpt_.MoveUp();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"one|s-one", "three|s-three", "two|s-two"}));
  EXPECT_EQ(rpt_.SelectedRow(), 1);
  row = 0;
  rpt_.SelectedRow(row);
  rpt_.MoveDown();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"three|s-three", "one|s-one", "two|s-two"}));
  EXPECT_EQ(rpt_.SelectedRow(), 1);
  rpt_.Del();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"three|s-three", "two|s-two"}));
  EXPECT_EQ(rpt_.SelectedRow(), -1);

  // An item inserted before the selected one keeps the selection on the same item.
  row = 1;
  rpt_.SelectedRow(row);
  lv_->AddListItem(1, "zero");
  EXPECT_EQ(lv_->SelectedItem(), 3);

  EXPECT_EQ(RaisedBy([&] { rpt_.Data(7, 0); }).number, kErrIndexOutOfBounds);
  EXPECT_EQ(RaisedBy([&] { rpt_.Data(0, 2, "x"); }).number, kErrIndexOutOfBounds);
  EXPECT_EQ(RaisedBy([&] { lv_->SubItems(1, 2, "x"); }).number, kErrIndexOutOfBounds);
  EXPECT_EQ(RaisedBy([&] { lv_->ColumnHeaderText(3); }).number, kErrIndexOutOfBounds);

  rpt_.Clear();
  EXPECT_EQ(rpt_.Rows(), 0);
  EXPECT_EQ(rpt_.cols(), 2);
  EXPECT_EQ(rpt_.SelectedRow(), -1);
  row = 0;
  rpt_.SelectedRow(row);
  EXPECT_EQ(row, -1);
}

INSTANTIATE_TEST_SUITE_P(QtAndMemory, ListViewParity, testing::Values("Qt", "Memory"),
                         [](const auto& info) { return std::string(info.param); });

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
// label, a toolbar and a menu.
class QtWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    auto* client = new QWidget;
    main_.setCentralWidget(client);
    frame_ = new QGroupBox("Frame", client);
    frame_->setObjectName("frame");
    frame_->setGeometry(8, 8, 300, 100);
    frame_->setProperty(kTagProperty, "W=1");
    text_ = new QLineEdit(frame_);
    text_->setGeometry(8, 24, 200, 19);
    text_->setProperty(kTagProperty, "W=1");
    button_ = new QPushButton("...", frame_);
    button_->setGeometry(216, 24, 33, 21);
    button_->setProperty(kTagProperty, "X=1");
    list_ = new QTreeWidget(client);
    list_->setGeometry(8, 120, 300, 100);
    list_->setProperty(kTagProperty, "W=1 H=1");
    label_ = new QLabel("Label", client);
    label_->setGeometry(8, 230, 100, 17);
    toolbar_ = new QToolBar(client);
    toolbar_->setGeometry(0, 0, 50, 20);
    toolbar_->setProperty(kTagProperty, "X=1");
    QMenu* menu = main_.menuBar()->addMenu("&File");
    menu->addAction("&Open");
    menu->addSeparator();
    menu->addAction("E&xit");
    main_.resize(400, 300);
  }

  QMainWindow main_;
  QGroupBox* frame_ = nullptr;
  QLineEdit* text_ = nullptr;
  QPushButton* button_ = nullptr;
  QTreeWidget* list_ = nullptr;
  QLabel* label_ = nullptr;
  QToolBar* toolbar_ = nullptr;
};

TEST_F(QtWindowTest, ControlsAreTheWidgetsWithThoseInFramesThenTheMenus) {
  QtWindow window(main_, *main_.centralWidget());
  std::vector<std::string> seen;
  for (WindowControl* c : window.Controls()) seen.push_back(c->TypeName() + ":" + c->Tag());
  EXPECT_EQ(seen, (std::vector<std::string>{"Frame:W=1", "TextBox:W=1", "CommandButton:X=1",
                                            "ListView:W=1 H=1", "Label:", "Toolbar:X=1",
                                            "Menu:", "Menu:", "Menu:"}));
  // The same objects every time: the layout keeps them.
  EXPECT_EQ(window.Controls(), window.Controls());
  EXPECT_EQ(&window.Controls()[1]->Parent(), &window);
}

TEST_F(QtWindowTest, GeometryIsInTwipsOfTheContainer) {
  QtWindow window(main_, *main_.centralWidget());
  EXPECT_EQ(window.Width(), 6000);
  EXPECT_EQ(window.Height(), 4500);
  WindowControl& text = *window.Controls()[1];
  EXPECT_EQ(text.Left(), 120);
  EXPECT_EQ(text.Top(), 360);
  EXPECT_EQ(text.Width(), 3000);
  EXPECT_EQ(text.Height(), 285);
  text.Left(600);
  text.Top(300.4);  // 20.03 pixels
  text.Width(1500);
  text.Height(450);
  EXPECT_EQ(text_->geometry(), QRect(40, 20, 100, 30));

  EXPECT_EQ(RaisedBy([&] { text.Width(-15); }).number, 380);
  EXPECT_EQ(text_->width(), 100);
  WindowControl& menu = *window.Controls()[6];
  EXPECT_EQ(RaisedBy([&] { menu.Left(); }).number, kErrNoSuchProperty);
  EXPECT_EQ(RaisedBy([&] { menu.Height(15); }).number, kErrNoSuchProperty);
}

TEST_F(QtWindowTest, LayoutMovesAndStretchesQtControlsButNotToolbars) {
  QtWindow window(main_, *main_.centralWidget());
  clsLayout layout;
  layout.SetLayout(window);
  // Label (no options), frame, text box, button and list are laid out; the toolbar and the
  // menus are not.
  EXPECT_EQ(layout.Entries().size(), 5u);
  main_.resize(440, 320);  // 600 x 300 twips more
  layout.RedrawLayout();
  EXPECT_EQ(frame_->geometry(), QRect(8, 8, 340, 100));
  EXPECT_EQ(text_->geometry(), QRect(8, 24, 240, 19));
  EXPECT_EQ(button_->geometry(), QRect(256, 24, 33, 21));
  EXPECT_EQ(list_->geometry(), QRect(8, 120, 340, 120));
  EXPECT_EQ(label_->geometry(), QRect(8, 230, 100, 17));
  EXPECT_EQ(toolbar_->geometry(), QRect(0, 0, 50, 20));
  main_.resize(300, 200);  // smaller than recorded: the recorded geometry
  layout.RedrawLayout();
  EXPECT_EQ(list_->geometry(), QRect(8, 120, 300, 100));
}

// ---- Message boxes ----

TEST(QtMessageBoxTest, ButtonsIconTitleAndAnswers) {
  struct Case {
    MsgButtons buttons;
    MsgIcon icon;
    QMessageBox::StandardButtons expected_buttons;
    QMessageBox::Icon expected_icon;
    std::function<void(QMessageBox&)> answer;
    MsgAnswer expected;
  };
  auto click = [](QMessageBox::StandardButton b) {
    return [b](QMessageBox& box) { box.button(b)->click(); };
  };
  auto escape = [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); };
  auto enter = [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); };
  const Case cases[] = {
      {MsgButtons::kOk, MsgIcon::kNone, QMessageBox::Ok, QMessageBox::NoIcon, enter,
       MsgAnswer::kOk},
      {MsgButtons::kYesNo, MsgIcon::kNone, QMessageBox::Yes | QMessageBox::No, QMessageBox::NoIcon,
       click(QMessageBox::Yes), MsgAnswer::kYes},
      {MsgButtons::kYesNo, MsgIcon::kQuestion, QMessageBox::Yes | QMessageBox::No,
       QMessageBox::Question, escape, MsgAnswer::kNo},
      {MsgButtons::kYesNo, MsgIcon::kExclamation, QMessageBox::Yes | QMessageBox::No,
       QMessageBox::Warning, enter, MsgAnswer::kYes},
      {MsgButtons::kOkCancel, MsgIcon::kCritical, QMessageBox::Ok | QMessageBox::Cancel,
       QMessageBox::Critical, escape, MsgAnswer::kCancel},
      {MsgButtons::kYesNoCancel, MsgIcon::kInformation,
       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Information,
       click(QMessageBox::No), MsgAnswer::kNo},
  };
  QtMessageBox service;
  for (const Case& c : cases) {
    QString title, text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    WhenModal<QMessageBox> when([&](QMessageBox& box) {
      title = box.windowTitle();
      text = box.text();
      buttons = box.standardButtons();
      icon = box.icon();
      c.answer(box);
    });
    const MsgAnswer answer =
        service.Show("C:/a.set already exists.\r\nReplace?", c.buttons, c.icon, "Sheaver");
    EXPECT_TRUE(when.Acted());
    EXPECT_EQ(answer, c.expected) << static_cast<int>(c.buttons);
    EXPECT_EQ(title, "Sheaver");
    EXPECT_EQ(text, "C:/a.set already exists.\nReplace?");
    EXPECT_EQ(buttons, c.expected_buttons);
    EXPECT_EQ(icon, c.expected_icon);
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

TEST_F(QtFileDialogTest, ExistingFileDialogOpensInTheInitialDirectoryAndGivesAFullPath) {
  chooser_.InitDir(dir_->Path());
  QFileDialog::FileMode mode = QFileDialog::AnyFile;
  QString title, directory;
  QStringList filters;
  WhenModal<QFileDialog> when([&](QFileDialog& d) {
    mode = d.fileMode();
    title = d.windowTitle();
    directory = d.directory().absolutePath();
    filters = d.nameFilters();
    test::TypeAndAccept(d, "week.set");
  });
  EXPECT_TRUE(chooser_.ChooseExistingFile());
  EXPECT_TRUE(when.Acted());
  EXPECT_EQ(mode, QFileDialog::ExistingFile);
  EXPECT_EQ(title, "Open");
  EXPECT_EQ(directory.toStdString(), dir_->Path());
  EXPECT_EQ(filters, QStringList{"Settings Files (*.set)"});
  EXPECT_EQ(chooser_.Path(), dir_->File("week.set"));
}

TEST_F(QtFileDialogTest, AnyFileDialogTakesATypedNewNameInThePresetsFolder) {
  chooser_.InitDir("/nonexistent-folder");
  chooser_.Path(dir_->File("week.set"));
  QString directory, typed;
  WhenModal<QFileDialog> when([&](QFileDialog& d) {
    directory = d.directory().absolutePath();
    typed = d.selectedFiles().value(0);
    test::TypeAndAccept(d, "new week.set");
  });
  EXPECT_TRUE(chooser_.ChooseFile());
  EXPECT_EQ(directory.toStdString(), dir_->Path());
  EXPECT_EQ(typed.toStdString(), dir_->File("week.set"));
  EXPECT_EQ(chooser_.Path(), dir_->File("new week.set"));
}

TEST_F(QtFileDialogTest, CancellingKeepsThePreviousPath) {
  chooser_.Path(dir_->File("week.set"));
  WhenModal<QFileDialog> file_dialog([](QFileDialog& d) { d.reject(); });
  EXPECT_FALSE(chooser_.ChooseExistingFile());
  EXPECT_EQ(chooser_.Path(), dir_->File("week.set"));
  WhenModal<QFileDialog> browser([](QFileDialog& d) { d.reject(); });
  EXPECT_FALSE(chooser_.ChooseDir());
  EXPECT_EQ(chooser_.Path(), dir_->File("week.set"));
  EXPECT_TRUE(file_dialog.Acted());
  EXPECT_TRUE(browser.Acted());
}

TEST_F(QtFileDialogTest, FolderBrowserStartsAtThePathAndGivesTheChosenFolder) {
  std::filesystem::create_directory(dir_->File("in"));
  chooser_.Title("Choose Input Directory");
  chooser_.Path(dir_->Path());
  QFileDialog::FileMode mode = QFileDialog::AnyFile;
  QString title, directory;
  WhenModal<QFileDialog> when([&](QFileDialog& d) {
    mode = d.fileMode();
    title = d.windowTitle();
    directory = d.directory().absolutePath();
    test::TypeAndAccept(d, QString::fromStdString(dir_->File("in")));
  });
  EXPECT_TRUE(chooser_.ChooseDir());
  EXPECT_EQ(mode, QFileDialog::Directory);
  EXPECT_EQ(title, "Choose Input Directory");
  EXPECT_EQ(directory.toStdString(), dir_->Path());
  EXPECT_EQ(chooser_.Path(), dir_->File("in"));
}

}  // namespace
}  // namespace sheaver
