// Gridmend's window driven as a user drives it: editing and saving a form type, picking
// references on a sample form, the preview against what a run writes, the unsaved-changes
// question, files that cannot be read, and where the program lies. What the table
// file, the sample and the format codes do on their own is tested without a window
// (tests/gridmend/*_test.cpp).
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>
#include <QUndoStack>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "extract/extraction.h"
#include "gridmend/qt/gridmend_window.h"
#include "gui/gui_support.h"
#include "support/dialog_doubles.h"
#include "support/recording_message_box.h"
#include "support/temp_dir.h"

namespace sheaver {
namespace {

using test::ShownMessage;
using test::TempDir;

const std::string kExamples = std::string(SHEAVER_SOURCE_DIR) + "/examples";
const std::string kTimesheetType = kExamples + "/FormTypes/Timesheet.dat";
const std::string kTimesheetForm = kExamples + "/forms/Timesheet 2024-01-01 042.xls";
const std::string kWeekBook = std::string(SHEAVER_TEST_DATA) + "/extract/week.xls";

// A data file's text with LF line ends, as the preview shows it.
std::string WithoutCr(std::string text) {
  std::erase(text, '\r');
  return text;
}

// What the batch run's extraction writes to a new data file for the workbook and form type.
std::string BatchRun(const std::string& workbook, const std::string& formType) {
  TempDir out;
  ExtractWorkbookData(workbook, formType, out.File("data.csv"));
  return WithoutCr(out.Read("data.csv"));
}

class GridmendTest : public testing::Test {
 protected:
  void SetUp() override { Open(); }

  void Open() {
    window_.reset();
    GridmendWindowOptions options;
    options.dialog = &dialog_;
    options.program_directory = dir_.Path();
    window_ = std::make_unique<GridmendWindow>(options);
    window_->show();
  }

  template <typename T = QWidget>
  T& Control(const char* name) {
    return test::Find<T>(*window_, name);
  }
  void Click(const char* button) { test::Click(*window_, button); }
  void Choose(const char* menu_item) { test::Choose(*window_, menu_item); }
  // Replaces the text of a box by typing, as a user does.
  void Type(QLineEdit& box, const QString& text) {
    box.selectAll();
    QTest::keyClick(&box, Qt::Key_Delete);
    QTest::keyClicks(&box, text);
  }
  void Type(const char* box, const QString& text) { Type(Control<QLineEdit>(box), text); }
  void TypeFormat(const QString& code) { Type(*Control<QComboBox>("cboFormat").lineEdit(), code); }

  // The grid as shown, row by row, cells joined by "|".
  std::vector<std::string> Grid() { return test::TreeRows(Control<QTreeWidget>("lvTable")); }
  std::string Label(const char* name) { return Control<QLabel>(name).text().toStdString(); }

  // Clicks a cell of the sample sheet (row and column from 0, as on the sheet), with the
  // keyboard modifiers a user holds.
  void ClickCell(std::uint32_t row, std::uint32_t col,
                 Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QTableView& view = Control<QTableView>("tblSheet");
    const xl::Area& used = window_->Sample()->UsedArea();
    const QModelIndex index = view.model()->index(static_cast<int>(row - used.first_row),
                                                  static_cast<int>(col - used.first_col));
    view.scrollTo(index);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, keys, view.visualRect(index).center());
    QApplication::processEvents();  // the pick follows the release
  }
  void ClickName(const std::string& name) {
    QTreeWidget& names = Control<QTreeWidget>("lvNames");
    const QList<QTreeWidgetItem*> found =
        names.findItems(QString::fromStdString(name), Qt::MatchExactly, 0);
    ASSERT_EQ(found.size(), 1) << name;
    QApplication::processEvents();  // the list has just been laid out
    names.scrollToItem(found.front());
    QTest::mouseClick(names.viewport(), Qt::LeftButton, Qt::NoModifier,
                      names.visualItemRect(found.front()).center());
  }

  TempDir dir_;
  test::ScopedMessageBox messages_;
  test::ScriptedFileDialog dialog_;
  std::unique_ptr<GridmendWindow> window_;
};

// ---- Editing a form type ----

TEST_F(GridmendTest, UndoAndRedoStepThroughEveryEditOfTheTableAndTypingInABoxIsOneStep) {
  const std::string path = dir_.File("Timesheet.dat");
  std::filesystem::copy_file(kTimesheetType, path);
  ASSERT_TRUE(window_->OpenFile(path));
  std::vector<std::vector<std::string>> grids{Grid()};
  window_->SelectRow(1);
  Type("txtField", "Worker");
  QTest::keyClick(&Control<QLineEdit>("txtField"), Qt::Key_Return);  // typing ends
  grids.push_back(Grid());
  Type("txtField", "Staff");
  grids.push_back(Grid());
  Click("cmdAdd");
  grids.push_back(Grid());
  Click("cmdUp");
  grids.push_back(Grid());
  window_->SelectRow(0);
  Control<QCheckBox>("chkKey").click();  // a fourth column
  grids.push_back(Grid());
  Control<QTreeWidget>("lvTable").topLevelItem(2)->setText(1, "B9");
  grids.push_back(Grid());
  Click("cmdDelete");
  grids.push_back(Grid());
  for (std::size_t i = 1; i < grids.size(); ++i) ASSERT_NE(grids[i], grids[i - 1]) << i;

  QUndoStack& undo = window_->UndoStack();
  EXPECT_EQ(undo.count(), static_cast<int>(grids.size()) - 1);
  EXPECT_EQ(Control<QAction>("mnuEditUndo").text().toStdString(), "&Undo Delete Row");
  EXPECT_EQ(Control<QAction>("mnuEditUndo").shortcut(), QKeySequence(QKeySequence::Undo));
  EXPECT_EQ(Control<QAction>("mnuEditRedo").shortcut(), QKeySequence(QKeySequence::Redo));
  for (std::size_t i = grids.size() - 1; i > 0; --i) {
    Choose("mnuEditUndo");
    EXPECT_EQ(Grid(), grids[i - 1]) << "undo to " << i - 1;
  }
  EXPECT_FALSE(window_->Document().Modified());
  EXPECT_FALSE(window_->isWindowModified());
  for (std::size_t i = 1; i < grids.size(); ++i) {
    Choose("mnuEditRedo");
    EXPECT_EQ(Grid(), grids[i]) << "redo to " << i;
  }
  // A new edit after an undo drops what could have been redone; another table empties it all.
  Choose("mnuEditUndo");
  Click("cmdAdd");
  EXPECT_FALSE(undo.canRedo());
  messages_->answers = {MsgAnswer::kNo};
  Choose("mnuFileNew");
  EXPECT_FALSE(undo.canUndo());
}

TEST_F(GridmendTest, EditingMovingAndDeletingRoundTripsTheFormTypeByteForByte) {
  const std::string original = TempDir::ReadBytes(kTimesheetType);
  const std::string path = dir_.Write("Timesheet.dat", original);
  window_->Start(path);
  EXPECT_EQ(Grid(), (std::vector<std::string>{"Staff|B2|0", "Day|B3|+dmy", "Hours|C6:C12|0.00"}));

  Click("cmdAdd");
  Type("txtField", "Note");
  Type("txtReference", "D2");
  TypeFormat("text");
  Click("cmdUp");
  Click("cmdUp");
  EXPECT_EQ(Grid(), (std::vector<std::string>{"Staff|B2|0", "Note|D2|text", "Day|B3|+dmy",
                                              "Hours|C6:C12|0.00"}));
  EXPECT_TRUE(window_->isWindowModified());
  Click("cmdDown");
  Click("cmdDelete");
  EXPECT_EQ(window_->CurrentRow(), 2);  // the row that moved into the deleted one's place
  Choose("mnuFileSave");
  EXPECT_EQ(dir_.Read("Timesheet.dat"), original);

  // An edit in the grid itself, with the spaces a file cannot keep; then Hours up, to the top.
  Control<QTreeWidget>("lvTable").topLevelItem(2)->setText(2, "  0.0 ");
  Choose("mnuEditUp");
  Choose("mnuEditUp");
  EXPECT_FALSE(Control<QPushButton>("cmdUp").isEnabled());
  Choose("mnuFileSave");
  EXPECT_EQ(dir_.Read("Timesheet.dat"),
            "3,3\r\n\"Hours\",\"C6:C12\",\"0.0\"\r\n\"Staff\",\"B2\",\"0\"\r\n"
            "\"Day\",\"B3\",\"+dmy\"\r\n");
  EXPECT_FALSE(window_->isWindowModified());
  EXPECT_EQ(messages_->shown, std::vector<ShownMessage>{});
}

// The key check box: the first key adds the Key column, and what is saved is what the run reads.
TEST_F(GridmendTest, TheKeyCheckBoxMarksTheFieldInAFourthColumn) {
  const std::string path = dir_.Write("Timesheet.dat", TempDir::ReadBytes(kTimesheetType));
  window_->Start(path);
  QCheckBox& key = Control<QCheckBox>("chkKey");
  window_->SelectRow(2);
  EXPECT_FALSE(key.isChecked());
  key.click();
  EXPECT_EQ(Grid(),
            (std::vector<std::string>{"Staff|B2|0|", "Day|B3|+dmy|", "Hours|C6:C12|0.00|key"}));
  EXPECT_EQ(window_->CurrentRow(), 2);
  window_->SelectRow(0);
  EXPECT_FALSE(key.isChecked());
  window_->SelectRow(2);
  EXPECT_TRUE(key.isChecked());
  Choose("mnuFileSave");
  EXPECT_EQ(dir_.Read("Timesheet.dat"),
            "3,4\r\n\"Staff\",\"B2\",\"0\",\"\"\r\n\"Day\",\"B3\",\"+dmy\",\"\"\r\n"
            "\"Hours\",\"C6:C12\",\"0.00\",\"key\"\r\n");
  // The week workbook's two empty hours are dropped.
  const std::string records = BatchRun(kWeekBook, path);
  EXPECT_EQ(std::count(records.begin(), records.end(), '\n'), 6) << records;
  key.click();
  EXPECT_EQ(window_->Document().Cell(2, 3), "");
}

TEST_F(GridmendTest, PickingAFormatPutsItsCodeInTheCellEvenWhenItIsTheListsCurrentOne) {
  window_->Start(dir_.Write("t.dat", "1,3\r\n\"Day\",\"B3\",\"+dmy\"\r\n"));
  QComboBox& box = Control<QComboBox>("cboFormat");
  const int plusDmy = box.findText("+dmy");
  TypeFormat("#,##0.0");  // a free pattern, not completed to a code
  EXPECT_EQ(window_->Document().Cell(0, 2), "#,##0.0");
  ASSERT_EQ(box.currentIndex(), plusDmy);
  emit box.activated(plusDmy);
  EXPECT_EQ(window_->Document().Cell(0, 2), "+dmy");
}

// ---- The sample form ----

TEST_F(GridmendTest, PickingCellsOrANameFillsTheCurrentFieldsReference) {
  window_->Start(dir_.File("new.dat"));
  ASSERT_TRUE(window_->OpenSample(kTimesheetForm));

  // A strip down a column, with no field yet: the pick starts one.
  ClickCell(5, 2);
  ClickCell(11, 2, Qt::ShiftModifier);
  EXPECT_EQ(Grid(), std::vector<std::string>{"|C6:C12|"});
  // One cell, then a block from it, which is no reference and changes nothing.
  ClickCell(5, 1);
  ClickCell(6, 2, Qt::ShiftModifier);
  EXPECT_EQ(Grid(), std::vector<std::string>{"|B6|"});
  EXPECT_EQ(window_->statusBar()->currentMessage().toStdString(),
            "A reference is one cell, or cells along one row or one column.");

  // Names: a field without a name takes the picked one's; a named field keeps its own.
  ASSERT_TRUE(window_->OpenSample(kWeekBook));
  Click("cmdAdd");
  ClickName("Hours");
  EXPECT_EQ(Grid().back(), "Hours|Hours|");
  Type("txtField", "Worked");
  ClickName("WeekStart");
  EXPECT_EQ(Grid().back(), "Worked|WeekStart|");
  Click("cmdAdd");
  ClickName("Extra!Local");
  EXPECT_EQ(Grid().back(), "Local|Extra!Local|");
  EXPECT_EQ(messages_->shown, std::vector<ShownMessage>{});
}

TEST_F(GridmendTest, ThePreviewIsWhatTheBatchRunWritesForTheExampleTimesheet) {
  const std::string path = dir_.Write("Timesheet.dat", TempDir::ReadBytes(kTimesheetType));
  window_->Start(path);
  ASSERT_TRUE(window_->OpenSample(kTimesheetForm));
  const std::string expected =
      WithoutCr(TempDir::ReadBytes(kExamples + "/expected/WorkedExample.csv"));
  EXPECT_EQ(window_->PreviewText(), expected);
  EXPECT_EQ(window_->PreviewText(), BatchRun(kTimesheetForm, path));

  // Unsaved changes show at once, and as a run would write them once saved.
  window_->SelectRow(2);
  TypeFormat("+0");
  Type("txtField", "Worked");
  window_->RefreshPreview();
  Choose("mnuFileSave");
  EXPECT_EQ(window_->PreviewText(), BatchRun(kTimesheetForm, path));
  EXPECT_EQ(window_->PreviewText().substr(0, 37), "Staff,Day,Worked\n42,01/01/2024,8\n42,0");

  // A field that cannot be read: the error names the field, the cell and the reason; the
  // lines before it are those a run would have written.
  window_->SelectRow(1);
  Type("txtReference", "A1");
  QTRY_COMPARE(window_->PreviewText(), std::string("Staff,Day,Worked\n"));
  EXPECT_EQ(Label("lblPreview").substr(0, 101),
            "A run stops at this form: Timesheet 2024-01-01 042.xls: field Day (A1, +dmy), "
            "record 1: Type mismatch");
  EXPECT_EQ(messages_->shown, std::vector<ShownMessage>{});
}

// ---- Files ----

TEST_F(GridmendTest, UnsavedChangesAreAskedAboutOnClose) {
  struct Case {
    MsgAnswer answer;
    bool closes;
    bool written;
  };
  const Case cases[] = {
      {MsgAnswer::kCancel, false, false},
      {MsgAnswer::kNo, true, false},
      {MsgAnswer::kYes, true, true},
  };
  const std::string original = TempDir::ReadBytes(kTimesheetType);
  for (const Case& c : cases) {
    Open();
    window_->Start(dir_.Write("Timesheet.dat", original));
    Type("txtField", "Employee");
    messages_->shown.clear();
    messages_->answers = {c.answer};
    EXPECT_EQ(window_->close(), c.closes) << static_cast<int>(c.answer);
    ASSERT_EQ(messages_->shown.size(), 1u);
    EXPECT_EQ(dir_.Read("Timesheet.dat") != original, c.written) << static_cast<int>(c.answer);
    EXPECT_EQ(window_->isVisible(), !c.closes) << static_cast<int>(c.answer);
  }
}

TEST_F(GridmendTest, ANewFormTypeIsSavedWhereTheDialogSaysAndReplacingAFileIsAsked) {
  // No argument: Save asks for a name; one typed without an extension gets ".dat".
  dir_.Write("new.dat", "1,3\r\n\"Staff\",\"\",\"\"\r\n");
  window_->Start("");
  Click("cmdAdd");
  Type("txtField", "Day");
  dialog_.answers = {dir_.File("typed")};
  Choose("mnuFileSave");
  EXPECT_EQ(dir_.Read("typed.dat"), "1,3\r\n\"Day\",\"\",\"\"\r\n");

  // Save As onto another file asks first; No writes nothing.
  Type("txtField", "Date");
  dialog_.answers = {dir_.File("new.dat"), dir_.File("new.dat")};
  messages_->answers = {MsgAnswer::kNo, MsgAnswer::kYes};
  EXPECT_FALSE(window_->FileSaveAs());
  EXPECT_EQ(dir_.Read("new.dat"), "1,3\r\n\"Staff\",\"\",\"\"\r\n");
  EXPECT_TRUE(window_->FileSaveAs());
  EXPECT_EQ(dir_.Read("new.dat"), "1,3\r\n\"Date\",\"\",\"\"\r\n");
  EXPECT_EQ(messages_->shown.size(), 2u);
}

TEST_F(GridmendTest, FilesThatCannotBeReadAreShownAndTheWindowGoesOn) {
  window_->Start(dir_.Write("broken.csv", "\"a,b\r\nc,d\r\n"));
  ASSERT_EQ(messages_->shown.size(), 1u);
  const std::string& text = messages_->shown[0].text;
  EXPECT_TRUE(text.starts_with("Could not open " + dir_.File("broken.csv") + ".\n\n" +
                               dir_.File("broken.csv") + ": Type mismatch"))
      << text;
  EXPECT_TRUE(window_->Document().IsFormType());

  // A sample that is not a workbook leaves the sample as it was.
  ASSERT_TRUE(window_->OpenSample(kWeekBook));
  EXPECT_FALSE(window_->OpenSample(dir_.Write("notes.xls", "plain text\n")));
  EXPECT_EQ(messages_->shown.size(), 2u);
  EXPECT_EQ(window_->Sample()->Path(), kWeekBook);
}

// The main window's edit button starts "Gridmend" from the program's own folder (tested with
// the main window); the build puts it there, as installing does (install_layout.cmake).
TEST(GridmendProgram, LiesBesideTheProgramWhoseEditButtonStartsIt) {
  const std::filesystem::path beside =
      std::filesystem::path(SHEAVER_PROGRAM).parent_path() / "Gridmend";
  EXPECT_EQ(std::filesystem::canonical(beside), std::filesystem::canonical(GRIDMEND_PROGRAM));
  EXPECT_EQ(::access(beside.c_str(), X_OK), 0) << beside;
}

}  // namespace
}  // namespace sheaver
