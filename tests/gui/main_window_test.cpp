// The main window driven as a user drives it: its controls and menus, the commands, the
// settings file, the choosers (through scripted dialogs), the buttons that start programs, the
// Help menu, the About box, resizing, runs, and an error that ends the program.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/qt/frmMainWindow.h"
#include "gui/gui_support.h"
#include "platform/qt/QtWindow.h"
#include "product/modBrowseTo.h"
#include "support/dialog_doubles.h"
#include "support/raised.h"
#include "support/recording_message_box.h"
#include "support/temp_dir.h"

namespace sheaver {
namespace {

using test::Launched;
using test::RaisedBy;
using test::ShownMessage;
using test::WhenModal;
using Shown = test::ScriptedFileDialog::Shown;
using Texts = std::vector<std::string>;

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override { Open(); }
  void TearDown() override {
    window_.reset();
    SetBrowseLauncher(nullptr);
  }

  // (Re)creates and loads the window over the program directory as it stands.
  void Open() {
    window_.reset();
    frmMainOptions options;
    options.program_directory = program_.Path();
    options.dialog = &dialog_;
    options.browser = &browser_;
    options.end_program = [this](int status) { ended_.push_back(status); };
    window_ = std::make_unique<frmMainWindow>(options);
    window_->LoadAndShow();
    window_->Main().Launcher([this](const std::string& program, const std::string& argument) {
      launched_.push_back({program, argument});
      return launch_result_;
    });
    SetBrowseLauncher([this](const std::string& target) { browsed_.push_back(target); });
  }

  template <typename T = QWidget>
  T& Control(const char* name) {
    T* found = window_->findChild<T*>(name);
    if (found == nullptr) throw std::runtime_error(std::string("no control ") + name);
    return *found;
  }
  void Click(const char* button) {
    QTest::mouseClick(&Control<QPushButton>(button), Qt::LeftButton);
  }
  void Choose(const char* menu_item) { Control<QAction>(menu_item).trigger(); }
  void Cmd(const std::string& cmd, const Texts& args = {}) { window_->Main().AppCmd(cmd, args); }

  std::string Field(PathField f) const { return window_->FieldText(f); }
  void Fields(const Texts& texts) {
    const PathField all[] = {PathField::kFormType, PathField::kInDir, PathField::kOutDir,
                             PathField::kExportTo};
    for (int i = 0; i < 4; ++i) window_->FieldText(all[i], texts[static_cast<std::size_t>(i)]);
  }
  Texts Fields() const {
    return {Field(PathField::kFormType), Field(PathField::kInDir), Field(PathField::kOutDir),
            Field(PathField::kExportTo)};
  }
  // Pixels of the design's twips on this screen.
  int Px(double twips) const { return ScaleOf(*window_).ToPixels(twips); }

  test::TempDir program_;
  test::TempDir work_;
  test::ScopedMessageBox messages_;
  test::ScriptedFileDialog dialog_;
  test::ScriptedFolderBrowser browser_;
  std::vector<Launched> launched_;
  int launch_result_ = 4242;
  Texts browsed_;
  std::vector<int> ended_;
  std::unique_ptr<frmMainWindow> window_;
};

TEST_F(MainWindowTest, GrowingBy600By300TwipsMovesTheButtonsAndStretchesTheList) {
  EXPECT_EQ(window_->centralWidget()->size(), QSize(Px(8310), Px(4605)));
  EXPECT_EQ(window_->windowTitle(), "Sheaver");
  EXPECT_FALSE(window_->windowIcon().pixmap(32, 32).isNull());  // the built-in icon
  std::map<std::string, QRect> before;
  for (QWidget* w : window_->centralWidget()->findChildren<QWidget*>())
    if (!w->objectName().isEmpty()) before[w->objectName().toStdString()] = w->geometry();
  const int dx = Px(600), dy = Px(300);
  window_->resize(window_->width() + dx, window_->height() + dy);
  QApplication::processEvents();

  auto moved = [&](const char* name, int x, int y, int w, int h) {
    EXPECT_EQ(Control(name).geometry(), before[name].adjusted(x, y, x + w, y + h)) << name;
  };
  for (const char* name : {"cmdGo", "cmdView", "cmdExit"}) moved(name, dx, dy, 0, 0);
  moved("ListView1", 0, 0, dx, dy);
  moved("Label2", 0, dy, 0, 0);
  for (const char* name : {"Frame1", "txtFormType", "txtInDir", "txtOutDir", "txtExportTo"})
    moved(name, 0, 0, dx, 0);
  for (const char* name :
       {"cmdEditFormType", "cmdGetFormType", "cmdGetInDir", "cmdGetOutDir", "cmdGetExportTo"})
    moved(name, dx, 0, 0, 0);
  for (const char* name : {"Label1", "Label5", "Label6", "Label7", "Label8"})
    moved(name, 0, 0, 0, 0);
  // 8655 twips wide: a unit of 86 twips; 7310 and 1290 twips.
  auto& list = Control<QTreeWidget>("ListView1");
  EXPECT_EQ(list.columnWidth(0), Px(7310));
  EXPECT_EQ(list.columnWidth(1), Px(1290));

  // Back to the design size: every control at its design place again.
  window_->resize(window_->width() - dx, window_->height() - dy);
  QApplication::processEvents();
  for (const char* name : {"cmdGo", "ListView1", "Label2", "txtInDir", "cmdGetInDir"})
    moved(name, 0, 0, 0, 0);
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
  EXPECT_EQ(window_->Main().Settings()->fn(), set);
}

TEST_F(MainWindowTest, ExitCommandButtonAndMenuCloseTheWindowAndReleaseTheLayout) {
  for (const std::string how : {"EXIT", "menu", "button"}) {
    Open();
    if (how == "menu") {
      Choose("mnuFileExit");
    } else if (how == "button") {
      Click("cmdExit");
    } else {
      Cmd(how);
    }
    EXPECT_FALSE(window_->isVisible()) << how;
    EXPECT_EQ(window_->Main().Layout(), nullptr) << how;
  }
  EXPECT_TRUE(ended_.empty());
}

TEST_F(MainWindowTest, SaveBeforeAnyOpenAsksForANameAsSaveAsDoes) {
  Fields({"/types/week.dat", "/forms in", "", "/data/out.csv"});
  dialog_.answers = {work_.File("new.set")};
  Choose("mnuFileSave");
  EXPECT_EQ(dialog_.shown, (std::vector<Shown>{{"Save As", "Settings Files (*.set) | *.set",
                                                program_.Path() + "/Settings", "", 4, true}}));
  EXPECT_EQ(work_.Read("new.set"), "/types/week.dat\r\n/forms in\r\n\r\n/data/out.csv\r\n");
  // Now File > Save writes at once.
  window_->FieldText(PathField::kOutDir, "/done");
  Choose("mnuFileSave");
  EXPECT_EQ(dialog_.shown.size(), 1u);
  EXPECT_EQ(work_.Read("new.set"), "/types/week.dat\r\n/forms in\r\n/done\r\n/data/out.csv\r\n");
}

TEST_F(MainWindowTest, SaveAsOntoAnExistingFileAsksAndOnlyYesReplaces) {
  const std::string current = work_.Write("current.set", "x\r\n");
  const std::string other = work_.Write("other.set", "old\r\n");
  Cmd("Open", {current});
  Fields({"t", "i", "o", "d"});
  messages_->answers = {MsgAnswer::kYes};
  Cmd("SaveAs", {current});
  messages_->answers = {MsgAnswer::kNo};
  dialog_.answers = {other};
  Choose("mnuFileSaveAs");
  EXPECT_EQ(messages_->shown,
            (std::vector<ShownMessage>{{current + " already exists.\nDo you want to replace it?",
                                        MsgButtons::kYesNo, MsgIcon::kNone, "Sheaver"},
                                       {other + " already exists.\nDo you want to replace it?",
                                        MsgButtons::kYesNo, MsgIcon::kNone, "Sheaver"}}));
  EXPECT_EQ(work_.Read("current.set"), "t\r\ni\r\no\r\nd\r\n");
  // No kept the previous settings file: Save still writes there.
  window_->FieldText(PathField::kFormType, "t2");
  Choose("mnuFileSave");
  EXPECT_EQ(work_.Read("current.set"), "t2\r\ni\r\no\r\nd\r\n");
  EXPECT_EQ(work_.Read("other.set"), "old\r\n");
}

TEST_F(MainWindowTest, OpenFillsTheFieldsKeepsLinesAfterTheFourthAndEmptiesTheRest) {
  const std::string six = work_.Write("six.set", "a.dat\r\n/in\r\n/out\r\nd.csv\r\nfifth\r\n\r\n");
  dialog_.answers = {six, std::nullopt};
  Choose("mnuFileOpen");
  EXPECT_EQ(Fields(), (Texts{"a.dat", "/in", "/out", "d.csv"}));
  window_->FieldText(PathField::kInDir, "/in2");
  Choose("mnuFileOpen");  // cancelled: nothing changes
  Choose("mnuFileSave");
  EXPECT_EQ(work_.Read("six.set"), "a.dat\r\n/in2\r\n/out\r\nd.csv\r\nfifth\r\n\r\n");
  EXPECT_EQ(dialog_.shown.at(0), (Shown{"Open", "Settings Files (*.set) | *.set",
                                        program_.Path() + "/Settings", "", 0x1004, true}));
  EXPECT_EQ(dialog_.shown.at(1).file_name, six);

  const std::string two = work_.Write("two.set", "b.dat\r\n/other\r\n");
  Cmd("open", {two});
  EXPECT_EQ(Fields(), (Texts{"b.dat", "/other", "", ""}));
  Choose("mnuFileSave");
  EXPECT_EQ(work_.Read("two.set"), "b.dat\r\n/other\r\n\r\n\r\n");
}

TEST_F(MainWindowTest, PathButtonsChooseFromTheFieldAndKeepItWhenCancelled) {
  struct Case {
    const char* button;
    PathField field;
    Shown shown;  // for a folder: title and starting folder
  };
  const char* data_filter =
      "Comma Separated Value Files (*.csv)|*.csv|Data Files (*.dat)|*.dat|All Files (*.*)|*.*";
  const Case cases[] = {
      {"cmdGetFormType",
       PathField::kFormType,
       {"Choose Form Type", "Form Definition Files (*.dat)|*.dat", program_.Path() + "/FormTypes",
        "/typed/before", 0x1004, true}},
      {"cmdGetInDir", PathField::kInDir, {"Choose Input Directory", "", "", ""}},
      {"cmdGetOutDir", PathField::kOutDir, {"Choose Output Directory", "", "", ""}},
      {"cmdGetExportTo",
       PathField::kExportTo,
       {"Pick or Enter a File for the Data", data_filter, HomeDirectory(), "/typed/before", 0x4,
        true}},
  };
  for (const Case& c : cases) {
    const bool folder = c.shown.filter.empty();
    window_->FieldText(c.field, "/typed/before");
    (folder ? browser_.answers : dialog_.answers) = {"/chosen/first", std::nullopt};
    Click(c.button);
    Click(c.button);
    EXPECT_EQ(Field(c.field), "/chosen/first") << c.button;
    if (folder) {
      EXPECT_EQ(browser_.shown,
                (Texts{c.shown.title + "|/typed/before", c.shown.title + "|/chosen/first"}));
      browser_.shown.clear();
    } else {
      EXPECT_EQ(dialog_.shown.at(0), c.shown);
      EXPECT_EQ(dialog_.shown.at(1).file_name, "/chosen/first");
      dialog_.shown.clear();
    }
  }
}

TEST_F(MainWindowTest, EditAndViewStartTheirProgramWithThePathAsOneArgument) {
  Fields({"/form types/week \"7\".dat", "", "", "/my data/week 7.csv"});
  Click("cmdEditFormType");
  Click("cmdView");
  Fields({"", "", "", ""});
  Click("cmdEditFormType");
  Click("cmdView");  // no data file: nothing
  EXPECT_EQ(launched_,
            (std::vector<Launched>{{program_.Path() + "/Gridmend", "/form types/week \"7\".dat"},
                                   {"xdg-open", "/my data/week 7.csv"},
                                   {program_.Path() + "/Gridmend", ""}}));
  EXPECT_TRUE(messages_->shown.empty());
}

TEST_F(MainWindowTest, AProgramThatCannotStartIsAnErrorThatEndsTheProgram) {
  for (bool real_launcher : {false, true}) {
    Open();
    launch_result_ = -1;
    if (real_launcher) window_->Main().Launcher(nullptr);  // LaunchDetached
    Click("cmdEditFormType");
    EXPECT_FALSE(window_->isVisible());
    EXPECT_EQ(window_->ExitStatus(), 1);
  }
  EXPECT_EQ(ended_, (std::vector<int>{1, 1}));
  EXPECT_EQ(messages_->shown.at(1), messages_->shown.at(0));
  EXPECT_EQ(messages_->shown.at(0),
            (ShownMessage{"Run-time error '53':\n\nCannot start " + program_.Path() +
                              "/Gridmend: File not found (the program is not installed, or it "
                              "cannot be run)",
                          MsgButtons::kOk, MsgIcon::kCritical, "Sheaver"}));
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
  // Every row of the list as "file|status", the input directory shown as "~".
  Texts ListRows() {
    Texts rows;
    auto& list = Control<QTreeWidget>("ListView1");
    for (int i = 0; i < list.topLevelItemCount(); ++i)
      rows.push_back(
          "~" + list.topLevelItem(i)->text(0).toStdString().substr(work_.File("forms").size()) +
          "|" + list.topLevelItem(i)->text(1).toStdString());
    return rows;
  }
  const std::string expected_ =
      test::TempDir::ReadBytes(SHEAVER_SOURCE_DIR "/examples/expected/Timesheets.csv");
};

TEST_F(MainWindowRunTest, RunButtonFilesTheExampleFormsShowingEveryRowDoneAndTheNextFindsNone) {
  const Texts forms = work_.Names("forms");
  ASSERT_EQ(forms.size(), 12u);
  Click("cmdGo");
  Texts expected_rows;
  for (const std::string& name : forms) expected_rows.push_back("~/" + name + "|Done");
  EXPECT_EQ(ListRows(), expected_rows);
  EXPECT_EQ(work_.Read("Timesheets.csv"), expected_);
  EXPECT_EQ(work_.Names("processed"), forms);
  EXPECT_TRUE(work_.Names("forms").empty());
  EXPECT_TRUE(messages_->shown.empty());
  Click("cmdGo");
  EXPECT_EQ(
      messages_->shown,
      (std::vector<ShownMessage>{{"All of the forms in the input directory have been processed.",
                                  MsgButtons::kOk, MsgIcon::kNone, "Sheaver"}}));
  EXPECT_TRUE(ListRows().empty());
}

TEST_F(MainWindowRunTest, WhileARunGoesOnTheListShowsItAndNothingElseCanStartOrClose) {
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
  EXPECT_FALSE(rows.empty());
  EXPECT_EQ(ListRows().size(), 12u);
  EXPECT_EQ(work_.Read("Timesheets.csv"), expected_);
  EXPECT_TRUE(window_->isVisible());
  EXPECT_FALSE(window_->Main().Running());
  EXPECT_TRUE(Control("cmdGo").isEnabled());
  EXPECT_TRUE(window_->menuBar()->isEnabled());
}

TEST_F(MainWindowRunTest, RunNeedsTheFormTypeInputDirectoryAndDataFileButNotTheOutputDirectory) {
  std::filesystem::create_directory(work_.File("empty"));
  window_->FieldText(PathField::kInDir, work_.File("empty"));
  for (PathField emptied :
       {PathField::kFormType, PathField::kInDir, PathField::kExportTo, PathField::kOutDir}) {
    const std::string kept = Field(emptied);
    window_->FieldText(emptied, "");
    Click("cmdGo");
    window_->FieldText(emptied, kept);
  }
  EXPECT_EQ(messages_->shown.size(), 1u);  // only the run without an output directory
}

TEST_F(MainWindowRunTest, AnErrorEndsTheRunAndTheProgramWithTheListShowingHowFarItGot) {
  std::filesystem::remove_all(work_.File("forms"));
  std::filesystem::create_directory(work_.File("forms"));
  const std::string form = SHEAVER_SOURCE_DIR "/examples/forms/Timesheet 2024-01-01 042.xls";
  for (const char* name : {"a.xls", "b.xls", "d.xls", "e.xls"})
    std::filesystem::copy_file(form, work_.File("forms/") + name);
  work_.Write("forms/c.xls", "<html><body>not a workbook</body></html>");
  Click("cmdGo");
  EXPECT_EQ(ListRows(), (Texts{"~/a.xls|Done", "~/b.xls|Done", "~/c.xls|Processing",
                               "~/d.xls|Pending", "~/e.xls|Pending"}));
  ASSERT_EQ(messages_->shown.size(), 1u);
  const std::string& text = messages_->shown[0].text;
  EXPECT_TRUE(text.starts_with("Run-time error '1005':\n\n")) << text;
  EXPECT_NE(text.find("c.xls"), std::string::npos) << text;
  EXPECT_EQ(ended_, std::vector<int>{1});
  EXPECT_EQ(work_.Names("processed"), (Texts{"a.xls", "b.xls"}));
  EXPECT_EQ(work_.Names("forms"), (Texts{"c.xls", "d.xls", "e.xls"}));
}

// ---- Product information: caption, Help menu, About box ----

class MainWindowWithAppDefTest : public MainWindowTest {
 protected:
  void SetUp() override {
    program_.Write("App.def",
                   "title, =, Payroll Filer\r\nbuild, =, 7\r\n"
                   "description, =, Files payroll sheets.\r\ncopyright, =, (C) Payroll Ltd\r\n"
                   "site, =, https://payroll.example/\r\nfaqurl, =, Help/faq.html\r\n"
                   "supporturl, =, mailto:help@payroll.example\r\nicon, =, picture.png\r\n");
    std::filesystem::copy_file(SHEAVER_SOURCE_DIR "/examples/sheaver.png",
                               program_.File("picture.png"));
    Open();
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    SetAppTitle("Sheaver");
  }
};

TEST_F(MainWindowWithAppDefTest, CaptionIconAndHelpMenuComeFromAppDef) {
  EXPECT_EQ(window_->windowTitle(), "Payroll Filer");
  EXPECT_EQ(AppTitle(), "Payroll Filer");
  EXPECT_EQ(window_->windowIcon().pixmap(32, 32).size(), QSize(32, 32));
  Choose("mnuHelpContents");
  Choose("mnuHelpFAQ");
  Choose("mnuHelpSupport");
  EXPECT_EQ(browsed_, (Texts{program_.Path() + "/Help/index.html",
                             program_.Path() + "/Help/faq.html", "mailto:help@payroll.example"}));
}

TEST_F(MainWindowWithAppDefTest, AboutBoxShowsTheProductAndOpensItsSite) {
  std::map<std::string, std::string> texts;
  bool icon = false;
  WhenModal<QDialog> when([&](QDialog& box) {
    texts["caption"] = box.windowTitle().toStdString();
    for (const char* name : {"lblTitle", "lblVersion", "lblDescription", "lblCopyright"})
      texts[name] = box.findChild<QLabel*>(name)->text().toStdString();
    icon = !box.findChild<QLabel*>("picIcon")->pixmap().isNull();
    QTest::mouseClick(box.findChild<QLabel*>("lblCopyright"), Qt::LeftButton);
    QTest::mouseClick(box.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
  });
  Choose("mnuHelpAbout");
  ASSERT_TRUE(when.Acted());
  EXPECT_EQ(texts, (std::map<std::string, std::string>{
                       {"caption", "About Payroll Filer"},
                       {"lblTitle", "Payroll Filer"},
                       {"lblVersion", "Version 1.00.0007"},
                       {"lblDescription", "Files payroll sheets."},
                       {"lblCopyright", "(C) Payroll Ltd\nhttps://payroll.example/"}}));
  EXPECT_TRUE(icon);
  EXPECT_EQ(browsed_, Texts{"https://payroll.example/"});
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// ---- Helpers of the window ----

TEST(HelpAddressTest, RelativePathsAreTakenFromTheProgramDirectory) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},
      {"Help/index.html", "/opt/sheaver/Help/index.html"},
      {"/usr/share/doc/sheaver/index.html", "/usr/share/doc/sheaver/index.html"},
      {"https://example.org/faq", "https://example.org/faq"},
      {"mailto:help@example.org", "mailto:help@example.org"},
      {"faq.html#top", "/opt/sheaver/faq.html#top"},
      {"3:30 help.html", "/opt/sheaver/3:30 help.html"},
  };
  for (const auto& [value, address] : cases)
    EXPECT_EQ(HelpAddress("/opt/sheaver", value), address) << value;
  EXPECT_EQ(AsError(std::bad_alloc()).Number(), 7);
  EXPECT_EQ(AsError(std::runtime_error("boom")).Number(), 51);
  EXPECT_EQ(AsError(std::runtime_error("boom")).Description(), "Internal error: boom");
}

}  // namespace
}  // namespace sheaver
