// The main window driven as a user drives it: resizing, the commands, the settings file, the
// buttons that start programs and runs. The run itself and the report list are tested below the
// window (tests/app, tests/ui).
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/qt/qt_main_window.h"
#include "gui/gui_support.h"
#include "platform/qt/qt_window.h"
#include "support/dialog_doubles.h"
#include "support/raised.h"
#include "support/recording_message_box.h"
#include "support/temp_dir.h"

namespace sheaver {
namespace {

using test::RaisedBy;
using test::ShownMessage;
using Texts = std::vector<std::string>;

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override { Open(); }
  void TearDown() override { window_.reset(); }

  // (Re)creates and loads the window over the program directory as it stands.
  void Open() {
    window_.reset();
    MainWindowOptions options;
    options.program_directory = program_.Path();
    options.dialog = &dialog_;
    options.browser = &browser_;
    options.end_program = [this](int status) { ended_.push_back(status); };
    window_ = std::make_unique<QtMainWindow>(options);
    window_->LoadAndShow();
    window_->Main().Launcher([this](const std::string& program, const std::string& argument) {
      launched_.push_back(program + "|" + argument);
      return launch_result_;
    });
  }

  QWidget& Control(const char* name) { return test::Find(*window_, name); }
  void Click(const char* button) { test::Click(*window_, button); }
  void Choose(const char* menu_item) { test::Choose(*window_, menu_item); }
  void Cmd(const std::string& cmd, const Texts& args = {}) { window_->Main().AppCmd(cmd, args); }
  Texts ListRows() { return test::TreeRows(test::Find<QTreeWidget>(*window_, "ListView1")); }

  void Fields(const Texts& texts) {
    for (int i = 0; i < 4; ++i) window_->FieldText(kFields[i], texts[static_cast<std::size_t>(i)]);
  }
  Texts Fields() const {
    Texts texts;
    for (PathField f : kFields) texts.push_back(window_->FieldText(f));
    return texts;
  }

  static constexpr PathField kFields[] = {PathField::kFormType, PathField::kInDir,
                                          PathField::kOutDir, PathField::kExportTo};
  test::TempDir program_;
  test::TempDir work_;
  test::ScopedMessageBox messages_;
  test::ScriptedFileDialog dialog_;
  test::ScriptedFolderBrowser browser_;
  Texts launched_;
  int launch_result_ = 4242;
  std::vector<int> ended_;
  std::unique_ptr<QtMainWindow> window_;
};

TEST_F(MainWindowTest, GrowingTheWindowMovesTheButtonsAndStretchesTheFieldsAndTheList) {
  const char* names[] = {"cmdGo", "ListView1", "txtInDir", "cmdGetInDir"};
  std::map<std::string, QRect> before;
  for (const char* name : names) before[name] = Control(name).geometry();
  const int dx = ScaleOf(*window_).ToPixels(600), dy = ScaleOf(*window_).ToPixels(300);
  window_->resize(window_->width() + dx, window_->height() + dy);
  QApplication::processEvents();
  const QRect after[] = {
      before["cmdGo"].translated(dx, dy), before["ListView1"].adjusted(0, 0, dx, dy),
      before["txtInDir"].adjusted(0, 0, dx, 0), before["cmdGetInDir"].translated(dx, 0)};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Control(names[i]).geometry(), after[i]) << names[i];
  // The list's columns share its new width 85 to 15.
  auto& list = test::Find<QTreeWidget>(*window_, "ListView1");
  EXPECT_EQ(list.columnWidth(0), ScaleOf(*window_).ToPixels(7310));
  EXPECT_EQ(list.columnWidth(1), ScaleOf(*window_).ToPixels(1290));
}

TEST_F(MainWindowTest, AppCmdComparesCommandsInLowerCaseAndIgnoresOthers) {
  const std::string set = work_.Write("week.set", "a.dat\r\n/in\r\n/out\r\nd.csv\r\n");
  std::filesystem::create_directory(work_.File("empty"));
  for (const auto& [cmd, loads] :
       {std::pair{"OPEN", true}, {"Open", true}, {"load", false}, {"open ", false}}) {
    Fields({"", "", "", ""});
    Cmd(cmd, {set, "ignored"});
    EXPECT_EQ(Fields()[0], loads ? "a.dat" : "") << cmd;
  }
  // Go runs without checking the fields: a run that finds nothing says so.
  Fields({"", work_.File("empty"), "", ""});
  for (const char* cmd : {"GO", "go", "Run", "go ", ""}) Cmd(cmd);
  EXPECT_EQ(messages_->shown.size(), 2u);
  EXPECT_EQ(RaisedBy([&] { Cmd("open"); }).number, 9);
  EXPECT_EQ(RaisedBy([&] { Cmd("SaveAs"); }).number, 9);
  Cmd("EXIT");
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(window_->Main().Layout(), nullptr);
  EXPECT_TRUE(ended_.empty());
}

TEST_F(MainWindowTest, OpenFillsTheFieldsAndSaveWritesThemBackKeepingLinesAfterTheFourth) {
  const std::string six = work_.Write("six.set", "a.dat\r\n/in\r\n/out\r\nd.csv\r\nfifth\r\n\r\n");
  dialog_.answers = {six, std::nullopt};
  Choose("mnuFileOpen");
  EXPECT_EQ(Fields(), (Texts{"a.dat", "/in", "/out", "d.csv"}));
  window_->FieldText(PathField::kInDir, "/in2");
  Choose("mnuFileOpen");  // cancelled: nothing changes
  Choose("mnuFileSave");
  EXPECT_EQ(work_.Read("six.set"), "a.dat\r\n/in2\r\n/out\r\nd.csv\r\nfifth\r\n\r\n");
  // A short file empties the fields it says nothing about.
  Cmd("open", {work_.Write("two.set", "b.dat\r\n/other\r\n")});
  EXPECT_EQ(Fields(), (Texts{"b.dat", "/other", "", ""}));
}

TEST_F(MainWindowTest, SaveWithoutAFileAsksForOneAndReplacingAnotherIsAskedFirst) {
  Fields({"/types/week.dat", "/forms in", "", "/data/out.csv"});
  const std::string other = work_.Write("other.set", "old\r\n");
  dialog_.answers = {work_.File("new.set"), other};
  Choose("mnuFileSave");
  EXPECT_EQ(work_.Read("new.set"), "/types/week.dat\r\n/forms in\r\n\r\n/data/out.csv\r\n");
  // No keeps the file: Save still writes to the first one, at once.
  messages_->answers = {MsgAnswer::kNo};
  Choose("mnuFileSaveAs");
  ASSERT_EQ(messages_->shown.size(), 1u);
  window_->FieldText(PathField::kOutDir, "/done");
  Choose("mnuFileSave");
  EXPECT_EQ(dialog_.shown.size(), 2u);
  EXPECT_EQ(work_.Read("new.set"), "/types/week.dat\r\n/forms in\r\n/done\r\n/data/out.csv\r\n");
  EXPECT_EQ(work_.Read("other.set"), "old\r\n");
}

TEST_F(MainWindowTest, EditAndViewStartTheirProgramWithThePathAsOneArgument) {
  Fields({"/form types/week \"7\".dat", "", "", "/my data/week 7.csv"});
  Click("cmdEditFormType");
  Click("cmdView");
  Fields({"", "", "", ""});
  Click("cmdEditFormType");
  Click("cmdView");  // no data file: nothing
  EXPECT_EQ(launched_, (Texts{program_.Path() + "/Gridmend|/form types/week \"7\".dat",
                              "xdg-open|/my data/week 7.csv", program_.Path() + "/Gridmend|"}));
  EXPECT_TRUE(messages_->shown.empty());
}

TEST_F(MainWindowTest, AProgramThatCannotStartIsAnErrorAndTheWindowStays) {
  launch_result_ = -1;
  Fields({"/t.dat", "/in", "", "/d.csv"});
  Click("cmdEditFormType");
  EXPECT_TRUE(window_->isVisible());
  EXPECT_EQ(window_->ExitStatus(), 1);
  EXPECT_TRUE(ended_.empty());
  EXPECT_EQ(Fields(), (Texts{"/t.dat", "/in", "", "/d.csv"}));
  EXPECT_EQ(messages_->shown,
            (std::vector<ShownMessage>{{"Run-time error '53':\n\nCannot start " + program_.Path() +
                                            "/Gridmend: File not found (the program is not "
                                            "installed, or it cannot be run)",
                                        MsgButtons::kOk, MsgIcon::kCritical, "Sheaver"}}));
}

TEST_F(MainWindowTest, RunSaysWhichFieldIsEmpty) {
  Fields({"/t.dat", "  ", "", "/d.csv"});
  Click("cmdGo");
  ASSERT_EQ(messages_->shown.size(), 1u);
  EXPECT_EQ(messages_->shown[0].text, "Fill in Input Directory before pressing Run.");
  EXPECT_TRUE(ListRows().empty());
}

TEST_F(MainWindowTest, ScreenReadersNameEveryFieldAndButtonAndEachAccessKeyIsTheOnlyOne) {
  auto name = [&](const char* control) {
    QAccessibleInterface* ui = QAccessible::queryAccessibleInterface(&Control(control));
    return ui != nullptr ? ui->text(QAccessible::Name).toStdString() : std::string("(none)");
  };
  const std::pair<const char*, const char*> labels[] = {
      {"Label1", "txtFormType"}, {"Label6", "txtInDir"},     {"Label7", "txtOutDir"},
      {"Label8", "txtExportTo"}, {"Label9", "txtRejectDir"}, {"Label5", "ListView1"}};
  for (const auto& [label, field] : labels) {
    EXPECT_EQ(test::Find<QLabel>(*window_, label).buddy(), &Control(field)) << label;
  }
  // A field is announced by its label's caption, without the access key's "&".
  EXPECT_EQ(name("txtFormType"), "Form Type:");
  EXPECT_EQ(name("txtRejectDir"), "Rejected Forms to:");
  for (const char* button : {"cmdEditFormType", "cmdGetFormType", "cmdGetInDir", "cmdGetOutDir",
                             "cmdGetExportTo", "cmdGetRejectDir"}) {
    EXPECT_EQ(name(button), Control(button).toolTip().toStdString()) << button;
  }
  EXPECT_EQ(name("cmdGetInDir"), "Choose the input directory");
  EXPECT_EQ(name("cmdGo"), "Run");

  // Alt and a letter reaches one control only: the labels, the buttons and the menu bar's menus.
  std::map<QKeySequence, std::string> keys;
  auto claim = [&](const QString& caption) {
    const QKeySequence key = QKeySequence::mnemonic(caption);
    ASSERT_FALSE(key.isEmpty()) << caption.toStdString();
    EXPECT_TRUE(keys.emplace(key, caption.toStdString()).second)
        << caption.toStdString() << " has the key of " << keys[key];
  };
  for (const auto& [label, field] : labels) claim(test::Find<QLabel>(*window_, label).text());
  for (const char* button : {"cmdGo", "cmdView", "cmdExit"})
    claim(test::Find<QPushButton>(*window_, button).text());
  for (const QAction* menu : window_->menuBar()->actions()) claim(menu->text());
}

TEST_F(MainWindowTest, MenuItemsThatAskForMoreEndInAnEllipsisAndHaveTheDesktopsShortcuts) {
  const struct {
    const char* name;
    const char* text;
    QKeySequence keys;
  } items[] = {{"mnuFileOpen", "&Open\u2026", QKeySequence::Open},
               {"mnuFileSave", "&Save", QKeySequence::Save},
               {"mnuFileSaveAs", "Save &As\u2026", QKeySequence::SaveAs},
               {"mnuFileDataFileOptions", "&Data File Options\u2026", {}},
               {"mnuFileExit", "E&xit", QKeySequence::Quit}};
  for (const auto& item : items) {
    const auto& action = test::Find<QAction>(*window_, item.name);
    EXPECT_EQ(action.text().toStdString(), item.text);
    EXPECT_EQ(action.shortcut(), item.keys) << item.name;
  }
}

TEST_F(MainWindowTest, RecentSettingsFilesAndTheWindowsSizeAreRememberedBetweenStarts) {
  QSettings("Sheaver", "Sheaver").clear();
  Open();
  auto recent = [&] {
    Texts texts;
    for (const QAction* a : test::Find<QMenu>(*window_, "mnuFileRecent").actions())
      texts.push_back(a->text().toStdString());
    return texts;
  };
  EXPECT_FALSE(test::Find<QMenu>(*window_, "mnuFileRecent").isEnabled());
  std::vector<std::string> files;
  for (const char* name : {"1.set", "2.set", "3.set", "4.set", "5.set"})
    files.push_back(work_.Write(name, "a.dat\r\n/in\r\n/out\r\nd.csv\r\n"));
  for (const std::string& file : files) Cmd("open", {file});
  Cmd("open", {files[1]});
  // Saving under a new name counts as well: newest first, each once, five at most.
  dialog_.answers = {work_.File("R&D.set")};
  Choose("mnuFileSaveAs");
  EXPECT_EQ(recent(), (Texts{"&1 " + work_.File("R&&D.set"), "&2 " + files[1], "&3 " + files[4],
                             "&4 " + files[3], "&5 " + files[2]}));
  window_->resize(window_->width() + 40, window_->height() + 30);
  const QSize size = window_->size();
  window_->close();

  Open();
  EXPECT_EQ(window_->size(), size);
  EXPECT_EQ(recent().size(), 5u);
  // Open offers the last file used.
  dialog_.answers = {std::nullopt};
  Choose("mnuFileOpen");
  ASSERT_EQ(dialog_.shown.size(), 2u);
  EXPECT_EQ(dialog_.shown[1].file_name, work_.File("R&D.set"));
  // A file that is gone is said so and leaves the list; one still there opens.
  std::filesystem::remove(files[1]);
  Choose("mnuFileRecent2");
  ASSERT_EQ(messages_->shown.size(), 1u);
  EXPECT_EQ(messages_->shown[0].text,
            files[1] + " no longer exists.\nIt is removed from the recent files.");
  EXPECT_EQ(recent().size(), 4u);
  Fields({"", "", "", ""});
  Choose("mnuFileRecent2");
  EXPECT_EQ(Fields(), (Texts{"a.dat", "/in", "/out", "d.csv"}));
  EXPECT_EQ(recent()[0], "&1 " + files[4]);
}

TEST_F(MainWindowTest, AFolderDroppedOnAPathFieldFillsItAndOtherDropsLeaveItToTheField) {
  auto drop = [&](const char* field, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    QWidget& target = Control(field);
    const QPointF at(target.width() / 2.0, target.height() / 2.0);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    QDropEvent event(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &event);
    return enter.isAccepted() && event.isAccepted();
  };
  Fields({"/t.dat", "/in", "", ""});
  const std::string folder = work_.Path() + "/forms in";
  std::filesystem::create_directory(folder);
  EXPECT_TRUE(drop("txtInDir", {QUrl::fromLocalFile(QString::fromStdString(folder + "/"))}));
  EXPECT_TRUE(drop("txtRejectDir", {QUrl::fromLocalFile(QString::fromStdString(folder))}));
  EXPECT_EQ(window_->FieldText(PathField::kInDir), folder);
  EXPECT_EQ(window_->FieldText(PathField::kRejectDir), folder);
  // Two files, or an address that is not a local file, fill nothing.
  drop("txtFormType", {QUrl::fromLocalFile("/a.dat"), QUrl::fromLocalFile("/b.dat")});
  drop("txtFormType", {QUrl("https://example.org/week.dat")});
  EXPECT_EQ(Fields(), (Texts{"/t.dat", folder, "", ""}));
}

// ---- Runs ----

class MainWindowRunTest : public MainWindowTest {
 protected:
  // The example timesheets in a scratch input directory, an empty output directory, and the
  // example form type; the data file not yet there.
  void SetUp() override {
    MainWindowTest::SetUp();
    std::filesystem::copy(SHEAVER_SOURCE_DIR "/examples/forms", work_.File("forms"));
    std::filesystem::create_directory(work_.File("processed"));
    Fields({SHEAVER_SOURCE_DIR "/examples/FormTypes/Timesheet.dat", work_.File("forms"),
            work_.File("processed"), work_.File("Timesheets.csv")});
  }
  const std::string expected_ =
      test::TempDir::ReadBytes(SHEAVER_SOURCE_DIR "/examples/expected/Timesheets.csv");
};

TEST_F(MainWindowRunTest, TheListShowsTheRunAsItGoesOnAndNothingElseCanStartOrCloseMeanwhile) {
  const Texts forms = work_.Names("forms");
  ASSERT_EQ(forms.size(), 12u);
  std::map<std::string, bool> seen;
  Texts rows;
  // Timers run while the run shows its progress.
  QTimer::singleShot(0, [&] {
    seen["running"] = window_->Main().Running();
    for (const char* name : {"cmdGo", "Frame1", "cmdView", "cmdExit", "ListView1"})
      seen[name] = Control(name).isEnabled();
    seen["menus"] = window_->menuBar()->isEnabled();
    window_->close();
    seen["visible after close"] = window_->isVisible();
    Click("cmdGo");  // dropped: the button is disabled
    Cmd("go");       // no run inside a run
    rows = ListRows();
  });
  Click("cmdGo");
  EXPECT_EQ(seen, (std::map<std::string, bool>{{"running", true},
                                               {"cmdGo", false},
                                               {"Frame1", false},
                                               {"cmdView", false},
                                               {"cmdExit", false},
                                               {"ListView1", true},
                                               {"menus", false},
                                               {"visible after close", true}}));
  // The window first shows the list when the first workbook is listed.
  EXPECT_EQ(rows, Texts{work_.File("forms/") + forms[0] + "|Pending"});
  Texts done;
  for (const std::string& name : forms) done.push_back(work_.File("forms/") + name + "|Done");
  EXPECT_EQ(ListRows(), done);
  EXPECT_EQ(work_.Read("Timesheets.csv"), expected_);
  EXPECT_EQ(work_.Names("processed"), forms);
  EXPECT_TRUE(messages_->shown.empty());
  EXPECT_FALSE(window_->Main().Running());
  EXPECT_TRUE(Control("cmdGo").isEnabled());
  EXPECT_TRUE(window_->menuBar()->isEnabled());
}

// A damaged form with a rejected-forms directory is set aside and the run goes on; without one
// the run stops at it, its row says "Failed", and the window stays with its fields.
TEST_F(MainWindowRunTest, ADamagedFormIsRejectedOrStopsTheRunAndTheWindowStays) {
  const Texts forms = work_.Names("forms");
  work_.Write("forms/" + forms[1], "not a workbook\n");
  Click("cmdGo");
  Texts rows = ListRows();
  ASSERT_EQ(rows.size(), forms.size());
  EXPECT_EQ(rows[0], work_.File("forms/") + forms[0] + "|Done");
  EXPECT_EQ(rows[1], work_.File("forms/") + forms[1] + "|Failed");
  EXPECT_EQ(rows[2], work_.File("forms/") + forms[2] + "|Pending");
  ASSERT_EQ(messages_->shown.size(), 1u);
  EXPECT_EQ(messages_->shown[0].text.rfind("Run-time error '1005':", 0), 0u);
  EXPECT_TRUE(window_->isVisible());
  EXPECT_TRUE(ended_.empty());

  std::filesystem::create_directory(work_.File("rejected"));
  window_->FieldText(PathField::kRejectDir, work_.File("rejected"));
  Click("cmdGo");
  rows = ListRows();
  EXPECT_EQ(rows[0], work_.File("forms/") + forms[1] + "|Rejected");
  EXPECT_EQ(work_.Names("rejected"), (Texts{forms[1], forms[1] + ".error.txt"}));
  EXPECT_EQ(work_.Names("processed").size(), forms.size() - 1);
  EXPECT_EQ(window_->statusBar()->currentMessage().toStdString().rfind(
                std::to_string(forms.size() - 2) + " workbooks filed, 1 rejected, ", 0),
            0u);
}

// The "Data file options" dialog: cancelled it changes nothing; accepted, the next run writes
// by the options chosen.
TEST_F(MainWindowRunTest, DataFileOptionsChosenInTheDialogApplyToTheRun) {
  auto answer = [&](bool accept) {
    QTimer::singleShot(0, [&, accept] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->windowTitle().toStdString(), "Data file options");
      test::Find<QComboBox>(*dialog, "cboSeparator").setCurrentIndex(1);
      test::Find<QCheckBox>(*dialog, "chkByteOrderMark").setChecked(true);
      accept ? dialog->accept() : dialog->reject();
    });
    Choose("mnuFileDataFileOptions");
  };
  answer(false);
  EXPECT_EQ(window_->Main().DataFile().separator, ',');
  answer(true);
  EXPECT_EQ(window_->Main().DataFile().separator, ';');
  Click("cmdGo");
  std::string expected = "\xEF\xBB\xBF" + expected_;
  for (char& c : expected)
    if (c == ',') c = ';';
  EXPECT_EQ(work_.Read("Timesheets.csv"), expected);
}

}  // namespace
}  // namespace sheaver
