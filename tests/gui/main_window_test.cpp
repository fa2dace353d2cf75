// The main window driven as a user drives it: its controls and menus, the commands, the
// settings file, the choosers (through scripted dialogs), the buttons that start programs, the
// Help menu, the About box, resizing, and an error that ends the program.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/qt/frmMainWindow.h"
#include "gui/gui_support.h"
#include "platform/filesystem.h"
#include "platform/qt/QtWindow.h"
#include "product/modBrowseTo.h"
#include "support/raised.h"
#include "support/recording_message_box.h"
#include "support/temp_dir.h"

namespace sheaver {
namespace {

using test::Launched;
using test::RaisedBy;
using test::ShownMessage;
using test::WhenModal;

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
    if (found == nullptr) {
      ADD_FAILURE() << "no control " << name;
      static T none;
      return none;
    }
    return *found;
  }
  void Click(const char* button) {
    QTest::mouseClick(&Control<QPushButton>(button), Qt::LeftButton);
  }
  void Choose(const char* menu_item) { Control<QAction>(menu_item).trigger(); }

  std::string Field(PathField f) const { return window_->FieldText(f); }
  void Fields(const std::string& type, const std::string& in, const std::string& out,
              const std::string& data) {
    window_->FieldText(PathField::kFormType, type);
    window_->FieldText(PathField::kInDir, in);
    window_->FieldText(PathField::kOutDir, out);
    window_->FieldText(PathField::kExportTo, data);
  }
  std::vector<std::string> AllFields() const {
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
  std::vector<std::string> browsed_;
  std::vector<int> ended_;
  std::unique_ptr<frmMainWindow> window_;
};

// ---- The design ----

TEST_F(MainWindowTest, ControlsHaveTheDesignsCaptionsPlacesAndLayoutOptions) {
  struct Design {
    const char* name;
    const char* type;
    const char* container;
    const char* caption;
    double left, top, width, height;
    const char* tag;
  };
  // The field labels reach up to their text boxes (1440 twips), wider than drawn, so that wider
  // desktop fonts fit.
  const Design design[] = {
      {"Frame1", "Frame", "client", "Settings", 120, 120, 8055, 1935, "W=1"},
      {"Label1", "Label", "Frame1", "Form Type:", 120, 360, 1440, 285, ""},
      {"txtFormType", "TextBox", "Frame1", "", 1560, 360, 5175, 285, "W=1"},
      {"cmdEditFormType", "CommandButton", "Frame1", "", 6840, 360, 495, 315, "X=1"},
      {"cmdGetFormType", "CommandButton", "Frame1", "...", 7440, 360, 495, 315, "X=1"},
      {"Label6", "Label", "Frame1", "Input Directory:", 120, 720, 1440, 315, ""},
      {"txtInDir", "TextBox", "Frame1", "", 1560, 720, 5775, 315, "W=1"},
      {"cmdGetInDir", "CommandButton", "Frame1", "...", 7440, 720, 495, 315, "X=1"},
      {"Label7", "Label", "Frame1", "Output Directory:", 120, 1080, 1575, 315, ""},
      {"txtOutDir", "TextBox", "Frame1", "", 1560, 1080, 5775, 315, "W=1"},
      {"cmdGetOutDir", "CommandButton", "Frame1", "...", 7440, 1080, 495, 315, "X=1"},
      {"Label8", "Label", "Frame1", "Export Data to:", 120, 1440, 1440, 315, ""},
      {"txtExportTo", "TextBox", "Frame1", "", 1560, 1440, 5775, 315, "W=1"},
      {"cmdGetExportTo", "CommandButton", "Frame1", "...", 7440, 1440, 495, 315, "X=1"},
      {"Label5", "Label", "client", "Progress", 120, 2160, 2175, 255, ""},
      {"ListView1", "ListView", "client", "", 120, 2400, 8055, 1695, "W=1 H=1"},
      {"Label2", "Label", "client", "Save to:", 120, 3000, 8055, 375, "Y=1"},
      {"cmdGo", "CommandButton", "client", "Run", 5040, 4200, 975, 375, "X=1 Y=1"},
      {"cmdView", "CommandButton", "client", "View", 6120, 4200, 975, 375, "X=1 Y=1"},
      {"cmdExit", "CommandButton", "client", "Exit", 7200, 4200, 975, 375, "X=1 Y=1"},
  };
  for (const Design& d : design) {
    QWidget& w = Control(d.name);
    EXPECT_EQ(QtTypeName(w), d.type) << d.name;
    EXPECT_EQ(w.parentWidget()->objectName().toStdString(), d.container) << d.name;
    QString caption;
    if (auto* label = qobject_cast<QLabel*>(&w)) caption = label->text();
    if (auto* button = qobject_cast<QPushButton*>(&w)) caption = button->text();
    if (auto* frame = qobject_cast<QGroupBox*>(&w)) caption = frame->title();
    EXPECT_EQ(caption.toStdString(), d.caption) << d.name;
    EXPECT_EQ(w.geometry(), QRect(Px(d.left), Px(d.top), Px(d.width), Px(d.height))) << d.name;
    EXPECT_EQ(w.property(kTagProperty).toString().toStdString(), d.tag) << d.name;
  }
  EXPECT_FALSE(Control<QPushButton>("cmdEditFormType").icon().isNull());
  EXPECT_EQ(window_->centralWidget()->size(), QSize(Px(8310), Px(4605)));
  // The list lies over the label under it.
  const QObjectList stack = window_->centralWidget()->children();
  EXPECT_LT(stack.indexOf(&Control("Label2")), stack.indexOf(&Control("ListView1")));
  EXPECT_EQ(window_->windowTitle(), "Sheaver");
  // Without an icon in App.def, the built-in one.
  EXPECT_FALSE(window_->windowIcon().pixmap(32, 32).isNull());
}

TEST_F(MainWindowTest, TabGoesThroughTheFieldsTheirButtonsTheListAndTheCommandButtons) {
  std::vector<std::string> order;
  QWidget* w = &Control("txtFormType");
  for (int i = 0; i < 40 && order.size() < 13; ++i, w = w->nextInFocusChain()) {
    if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty() &&
        w->parentWidget() != nullptr &&
        (w->parentWidget()->objectName() == "client" ||
         w->parentWidget()->objectName() == "Frame1"))
      order.push_back(w->objectName().toStdString());
  }
  EXPECT_EQ(order, (std::vector<std::string>{"txtFormType", "cmdEditFormType", "cmdGetFormType",
                                             "txtInDir", "cmdGetInDir", "txtOutDir", "cmdGetOutDir",
                                             "txtExportTo", "cmdGetExportTo", "ListView1", "cmdGo",
                                             "cmdView", "cmdExit"}));
}

TEST_F(MainWindowTest, MenusHaveTheirItemsInOrderWithAccessKeys) {
  auto items = [](const QWidget& menu) {
    std::vector<std::string> out;
    for (const QAction* a : menu.actions())
      out.push_back(
          a->isSeparator() ? "-" : a->objectName().toStdString() + " " + a->text().toStdString());
    return out;
  };
  EXPECT_EQ(items(*window_->menuBar()),
            (std::vector<std::string>{"mnuFile &File", "mnuHelp &Help"}));
  EXPECT_EQ(items(Control<QMenu>("mnuFile")),
            (std::vector<std::string>{"mnuFileOpen &Open", "mnuFileSave &Save",
                                      "mnuFileSaveAs Save &As", "-", "mnuFileExit E&xit"}));
  EXPECT_EQ(items(Control<QMenu>("mnuHelp")),
            (std::vector<std::string>{"mnuHelpContents &Contents", "-", "mnuHelpFAQ &FAQ",
                                      "mnuHelpSupport &Support", "-", "mnuHelpAbout &About"}));
}

// ---- Resizing ----

TEST_F(MainWindowTest, GrowingBy600By300TwipsMovesTheButtonsAndStretchesTheList) {
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
  moved("Frame1", 0, 0, dx, 0);
  for (const char* name : {"txtFormType", "txtInDir", "txtOutDir", "txtExportTo"})
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

// ---- Commands ----

TEST_F(MainWindowTest, AppCmdCommandsAreComparedInLowerCase) {
  const std::string set = work_.Write("week.set", "a.dat\r\n/in\r\n/out\r\nd.csv\r\n");
  struct Case {
    const char* cmd;
    bool loads;
  };
  for (const Case& c : {Case{"open", true}, Case{"OPEN", true}, Case{"Open", true},
                        Case{"load", false}, Case{"open ", false}}) {
    Fields("", "", "", "");
    window_->Main().AppCmd(c.cmd, {set, "ignored"});
    EXPECT_EQ(AllFields(), c.loads ? (std::vector<std::string>{"a.dat", "/in", "/out", "d.csv"})
                                   : (std::vector<std::string>{"", "", "", ""}))
        << c.cmd;
  }
  // Anything else does nothing, quietly.
  window_->Main().AppCmd("Run", {});
  window_->Main().AppCmd("", {});
  EXPECT_TRUE(messages_->shown.empty());
  EXPECT_TRUE(window_->isVisible());
}

TEST_F(MainWindowTest, OpenAndSaveAsWithoutTheirArgumentAreSubscriptErrors) {
  EXPECT_EQ(RaisedBy([&] { window_->Main().AppCmd("open", {}); }).number, 9);
  EXPECT_EQ(RaisedBy([&] { window_->Main().AppCmd("SaveAs", {}); }).number, 9);
  EXPECT_EQ(window_->Main().Settings()->fn(), "");
}

TEST_F(MainWindowTest, ExitCommandButtonAndMenuCloseTheWindow) {
  for (const char* how : {"cmd", "EXIT", "menu", "button"}) {
    Open();
    ASSERT_TRUE(window_->isVisible());
    if (std::string(how) == "menu") {
      Choose("mnuFileExit");
    } else if (std::string(how) == "button") {
      Click("cmdExit");
    } else {
      window_->Main().AppCmd(how == std::string("cmd") ? "exit" : how, {});
    }
    EXPECT_FALSE(window_->isVisible()) << how;
    // Unloading released the layout: a later resize moves nothing.
    EXPECT_EQ(window_->Main().Layout(), nullptr) << how;
  }
  EXPECT_TRUE(ended_.empty());
}

// ---- Settings files ----

TEST_F(MainWindowTest, SaveBeforeAnyOpenAsksForANameAsSaveAsDoes) {
  Fields("/types/week.dat", "/forms in", "", "/data/out.csv");
  dialog_.answers = {work_.File("new.set")};
  Choose("mnuFileSave");
  ASSERT_EQ(dialog_.shown.size(), 1u);
  const auto& shown = dialog_.shown[0];
  EXPECT_EQ(shown.title, "Save As");
  EXPECT_EQ(shown.init_dir, program_.Path() + "/Settings");
  EXPECT_EQ(shown.filter, "Settings Files (*.set) | *.set");
  EXPECT_EQ(shown.flags, kDialogHideReadOnly);
  EXPECT_TRUE(shown.cancel_error);
  EXPECT_EQ(work_.Read("new.set"), "/types/week.dat\r\n/forms in\r\n\r\n/data/out.csv\r\n");
  EXPECT_EQ(window_->Main().Settings()->fn(), work_.File("new.set"));

  // Now File > Save writes at once.
  window_->FieldText(PathField::kOutDir, "/done");
  Choose("mnuFileSave");
  EXPECT_EQ(dialog_.shown.size(), 1u);
  EXPECT_EQ(work_.Read("new.set"), "/types/week.dat\r\n/forms in\r\n/done\r\n/data/out.csv\r\n");
}

TEST_F(MainWindowTest, SaveAsOntoAnExistingFileAsksAndOnlyYesReplaces) {
  const std::string current = work_.Write("current.set", "x\r\n");
  const std::string other = work_.Write("other.set", "old\r\n");
  window_->Main().AppCmd("Open", {current});
  Fields("t", "i", "o", "d");
  messages_->answers = {MsgAnswer::kYes};
  window_->Main().AppCmd("SaveAs", {current});
  messages_->answers = {MsgAnswer::kNo};
  dialog_.answers = {other};
  Choose("mnuFileSaveAs");
  EXPECT_EQ(messages_->shown,
            (std::vector<ShownMessage>{{current + " already exists.\nDo you want to replace it?",
                                        MsgButtons::kYesNo, MsgIcon::kNone, "Sheaver"},
                                       {other + " already exists.\nDo you want to replace it?",
                                        MsgButtons::kYesNo, MsgIcon::kNone, "Sheaver"}}));
  EXPECT_EQ(work_.Read("current.set"), "t\r\ni\r\no\r\nd\r\n");
  EXPECT_EQ(work_.Read("other.set"), "old\r\n");
  // No kept the previous settings file: Save still writes there.
  window_->FieldText(PathField::kFormType, "t2");
  Choose("mnuFileSave");
  EXPECT_EQ(work_.Read("current.set"), "t2\r\ni\r\no\r\nd\r\n");
  EXPECT_EQ(work_.Read("other.set"), "old\r\n");
}

TEST_F(MainWindowTest, LinesAfterTheFourthAreWrittenBackAndShortFilesEmptyTheRest) {
  const std::string six = work_.Write("six.set", "a.dat\r\n/in\r\n/out\r\nd.csv\r\nfifth\r\n\r\n");
  window_->Main().AppCmd("Open", {six});
  EXPECT_EQ(AllFields(), (std::vector<std::string>{"a.dat", "/in", "/out", "d.csv"}));
  window_->FieldText(PathField::kInDir, "/in2");
  Choose("mnuFileSave");
  EXPECT_EQ(work_.Read("six.set"), "a.dat\r\n/in2\r\n/out\r\nd.csv\r\nfifth\r\n\r\n");

  const std::string two = work_.Write("two.set", "b.dat\r\n/other\r\n");
  window_->Main().AppCmd("open", {two});
  EXPECT_EQ(AllFields(), (std::vector<std::string>{"b.dat", "/other", "", ""}));
  Choose("mnuFileSave");
  EXPECT_EQ(work_.Read("two.set"), "b.dat\r\n/other\r\n\r\n\r\n");
}

TEST_F(MainWindowTest, CancelledOpenChangesNothingAndTheDialogStartsAtTheLastSettingsFile) {
  const std::string set = work_.Write("week.set", "a.dat\r\n/in\r\n/out\r\nd.csv\r\n");
  dialog_.answers = {set, std::nullopt};
  Choose("mnuFileOpen");
  EXPECT_EQ(Field(PathField::kFormType), "a.dat");
  work_.Write("week.set", "changed.dat\r\n/in\r\n/out\r\nd.csv\r\n");
  window_->FieldText(PathField::kInDir, "/typed");
  Choose("mnuFileOpen");
  ASSERT_EQ(dialog_.shown.size(), 2u);
  EXPECT_EQ(dialog_.shown[0].title, "Open");
  EXPECT_EQ(dialog_.shown[0].flags, kDialogFileMustExist | kDialogHideReadOnly);
  EXPECT_EQ(dialog_.shown[0].init_dir, program_.Path() + "/Settings");
  EXPECT_EQ(dialog_.shown[1].file_name, set);
  EXPECT_EQ(AllFields(), (std::vector<std::string>{"a.dat", "/typed", "/out", "d.csv"}));
}

// ---- The path buttons ----

TEST_F(MainWindowTest, PathButtonsChooseFromTheFieldAndKeepItWhenCancelled) {
  struct Case {
    const char* button;
    PathField field;
    bool directory;
    const char* title;
    std::string init_dir;
    const char* filter;
    long flags;
  };
  const std::string home = HomeDirectory();
  const Case cases[] = {
      {"cmdGetFormType", PathField::kFormType, false, "Choose Form Type",
       program_.Path() + "/FormTypes", "Form Definition Files (*.dat)|*.dat",
       kDialogFileMustExist | kDialogHideReadOnly},
      {"cmdGetInDir", PathField::kInDir, true, "Choose Input Directory", "", "", 0},
      {"cmdGetOutDir", PathField::kOutDir, true, "Choose Output Directory", "", "", 0},
      {"cmdGetExportTo", PathField::kExportTo, false, "Pick or Enter a File for the Data", home,
       "Comma Separated Value Files (*.csv)|*.csv|Data Files (*.dat)|*.dat|All Files (*.*)|*.*",
       kDialogHideReadOnly},
  };
  for (const Case& c : cases) {
    window_->FieldText(c.field, "/typed/before");
    if (c.directory) {
      browser_.answers = {"/chosen/first", std::nullopt};
    } else {
      dialog_.answers = {"/chosen/first", std::nullopt};
    }
    Click(c.button);
    EXPECT_EQ(Field(c.field), "/chosen/first") << c.button;
    Click(c.button);
    EXPECT_EQ(Field(c.field), "/chosen/first") << c.button;
    if (c.directory) {
      ASSERT_EQ(browser_.shown.size(), 2u);
      EXPECT_EQ(browser_.shown[0].title, c.title);
      EXPECT_EQ(browser_.shown[0].starting_folder, "/typed/before");
      EXPECT_EQ(browser_.shown[1].starting_folder, "/chosen/first");
      browser_.shown.clear();
    } else {
      ASSERT_EQ(dialog_.shown.size(), 2u);
      EXPECT_EQ(dialog_.shown[0].title, c.title);
      EXPECT_EQ(dialog_.shown[0].init_dir, c.init_dir);
      EXPECT_EQ(dialog_.shown[0].filter, c.filter);
      EXPECT_EQ(dialog_.shown[0].flags, c.flags);
      EXPECT_EQ(dialog_.shown[0].file_name, "/typed/before");
      EXPECT_EQ(dialog_.shown[1].file_name, "/chosen/first");
      dialog_.shown.clear();
    }
  }
}

// ---- Runs ----

class MainWindowRunTest : public MainWindowTest {
 protected:
  // The example timesheets in a scratch input directory, an empty output directory, and the
  // example form type; the data file not yet there.
  void SetUp() override {
    MainWindowTest::SetUp();
    namespace fs = std::filesystem;
    fs::copy(SHEAVER_SOURCE_DIR "/examples/forms", work_.File("forms"));
    fs::create_directory(work_.File("processed"));
    Fields(SHEAVER_SOURCE_DIR "/examples/FormTypes/Timesheet.dat", work_.File("forms"),
           work_.File("processed"), work_.File("Timesheets.csv"));
  }
  // Every row of the list as "file|status".
  std::vector<std::string> ListRows() {
    std::vector<std::string> rows;
    auto& list = Control<QTreeWidget>("ListView1");
    for (int i = 0; i < list.topLevelItemCount(); ++i)
      rows.push_back(list.topLevelItem(i)->text(0).toStdString() + "|" +
                     list.topLevelItem(i)->text(1).toStdString());
    return rows;
  }
  static std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(MainWindowRunTest, RunButtonFilesTheExampleFormsAndShowsEveryRowDone) {
  const std::vector<std::string> forms = Names(work_.File("forms"));
  ASSERT_EQ(forms.size(), 12u);
  Click("cmdGo");
  std::vector<std::string> expected_rows;
  for (const std::string& name : forms)
    expected_rows.push_back(work_.File("forms") + "/" + name + "|Done");
  EXPECT_EQ(ListRows(), expected_rows);
  EXPECT_EQ(work_.Read("Timesheets.csv"),
            test::TempDir::ReadBytes(SHEAVER_SOURCE_DIR "/examples/expected/Timesheets.csv"));
  EXPECT_EQ(Names(work_.File("processed")), forms);
  EXPECT_TRUE(Names(work_.File("forms")).empty());
  EXPECT_TRUE(messages_->shown.empty());
  EXPECT_FALSE(window_->Main().Running());
  EXPECT_TRUE(Control("cmdGo").isEnabled());
  EXPECT_TRUE(window_->menuBar()->isEnabled());

  // The next run finds nothing left to file.
  Click("cmdGo");
  EXPECT_EQ(
      messages_->shown,
      (std::vector<ShownMessage>{{"All of the forms in the input directory have been processed.",
                                  MsgButtons::kOk, MsgIcon::kNone, "Sheaver"}}));
  EXPECT_TRUE(ListRows().empty());
}

TEST_F(MainWindowRunTest, WhileARunGoesOnTheListShowsItAndNothingElseCanStartOrClose) {
  struct Seen {
    bool running = false, go = true, frame = true, menus = true, exit = true, list = false;
    bool visible_after_close = false;
    std::vector<std::string> rows;
  } seen;
  // Timers run while the run shows its progress.
  QTimer::singleShot(0, [&] {
    seen.running = window_->Main().Running();
    seen.go = Control("cmdGo").isEnabled();
    seen.frame = Control("Frame1").isEnabled();
    seen.menus = window_->menuBar()->isEnabled();
    seen.exit = Control("cmdExit").isEnabled();
    seen.list = Control("ListView1").isEnabled();
    window_->close();
    seen.visible_after_close = window_->isVisible();
    Click("cmdGo");                    // dropped: the button is disabled
    window_->Main().AppCmd("go", {});  // no run inside a run
    seen.rows = ListRows();
  });
  Click("cmdGo");
  EXPECT_TRUE(seen.running);
  EXPECT_FALSE(seen.go);
  EXPECT_FALSE(seen.frame);
  EXPECT_FALSE(seen.menus);
  EXPECT_FALSE(seen.exit);
  EXPECT_TRUE(seen.list);
  EXPECT_TRUE(seen.visible_after_close);
  ASSERT_FALSE(seen.rows.empty());
  EXPECT_EQ(ListRows().size(), 12u);
  EXPECT_EQ(work_.Read("Timesheets.csv"),
            test::TempDir::ReadBytes(SHEAVER_SOURCE_DIR "/examples/expected/Timesheets.csv"));
  EXPECT_TRUE(window_->isVisible());
  EXPECT_TRUE(Control("cmdGo").isEnabled());
}

TEST_F(MainWindowRunTest, RunNeedsTheFormTypeInputDirectoryAndDataFileButNotTheOutputDirectory) {
  std::filesystem::create_directory(work_.File("empty"));
  window_->FieldText(PathField::kInDir, work_.File("empty"));
  struct Case {
    PathField emptied;
    bool runs;
  };
  for (const Case& c : {Case{PathField::kFormType, false}, Case{PathField::kInDir, false},
                        Case{PathField::kExportTo, false}, Case{PathField::kOutDir, true}}) {
    const std::string kept = Field(c.emptied);
    window_->FieldText(c.emptied, "");
    Click("cmdGo");
    EXPECT_EQ(messages_->shown.size(), c.runs ? 1u : 0u) << static_cast<int>(c.emptied);
    messages_->shown.clear();
    window_->FieldText(c.emptied, kept);
  }
}

TEST_F(MainWindowRunTest, GoInAnyCaseRunsWithoutCheckingTheFields) {
  std::filesystem::create_directory(work_.File("empty"));
  Fields("", work_.File("empty"), "", "");
  for (const char* cmd : {"GO", "go", "Go", "Run", "go "}) window_->Main().AppCmd(cmd, {});
  EXPECT_EQ(messages_->shown.size(), 3u);
}

TEST_F(MainWindowRunTest, AnErrorEndsTheRunAndTheProgramWithTheListShowingHowFarItGot) {
  namespace fs = std::filesystem;
  fs::remove_all(work_.File("forms"));
  fs::create_directory(work_.File("forms"));
  const std::string form = SHEAVER_SOURCE_DIR "/examples/forms/Timesheet 2024-01-01 042.xls";
  for (const char* name : {"a.xls", "b.xls", "d.xls", "e.xls"})
    fs::copy_file(form, work_.File("forms/") + name);
  work_.Write("forms/c.xls", "<html><body>not a workbook</body></html>");
  Click("cmdGo");
  const std::string in = work_.File("forms") + "/";
  EXPECT_EQ(ListRows(),
            (std::vector<std::string>{in + "a.xls|Done", in + "b.xls|Done", in + "c.xls|Processing",
                                      in + "d.xls|Pending", in + "e.xls|Pending"}));
  ASSERT_EQ(messages_->shown.size(), 1u);
  EXPECT_EQ(messages_->shown[0].text.rfind("Run-time error '1005':\n\n", 0), 0u)
      << messages_->shown[0].text;
  EXPECT_NE(messages_->shown[0].text.find("c.xls"), std::string::npos) << messages_->shown[0].text;
  EXPECT_EQ(ended_, std::vector<int>{1});
  EXPECT_EQ(Names(work_.File("processed")), (std::vector<std::string>{"a.xls", "b.xls"}));
  EXPECT_EQ(Names(work_.File("forms")), (std::vector<std::string>{"c.xls", "d.xls", "e.xls"}));
}

// ---- Programs started from the window ----

TEST_F(MainWindowTest, EditAndViewStartTheirProgramWithThePathAsOneArgument) {
  Fields("/form types/week \"7\".dat", "", "", "/my data/week 7.csv");
  Click("cmdEditFormType");
  Click("cmdView");
  Fields("", "", "", "");
  Click("cmdEditFormType");
  Click("cmdView");  // no data file: nothing
  EXPECT_EQ(launched_,
            (std::vector<Launched>{{program_.Path() + "/Gridmend", "/form types/week \"7\".dat"},
                                   {"xdg-open", "/my data/week 7.csv"},
                                   {program_.Path() + "/Gridmend", ""}}));
  EXPECT_TRUE(messages_->shown.empty());
}

TEST_F(MainWindowTest, AProgramThatCannotStartIsAnErrorThatEndsTheProgram) {
  launch_result_ = -1;
  window_->FieldText(PathField::kFormType, "week.dat");
  Click("cmdEditFormType");
  ASSERT_EQ(messages_->shown.size(), 1u);
  const ShownMessage& m = messages_->shown[0];
  EXPECT_EQ(m.text, "Run-time error '53':\n\nCannot start " + program_.Path() +
                        "/Gridmend: File not found (the program is not installed, or it cannot "
                        "be run)");
  EXPECT_EQ(m.buttons, MsgButtons::kOk);
  EXPECT_EQ(m.icon, MsgIcon::kCritical);
  EXPECT_EQ(m.title, "Sheaver");
  EXPECT_EQ(ended_, std::vector<int>{1});
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(window_->ExitStatus(), 1);
}

TEST_F(MainWindowTest, TheRealLauncherFailsForAnEditorThatIsNotInstalled) {
  window_->Main().Launcher(nullptr);  // LaunchDetached
  Click("cmdEditFormType");
  ASSERT_EQ(messages_->shown.size(), 1u);
  EXPECT_EQ(messages_->shown[0].text.substr(0, 22), "Run-time error '53':\n\n");
  EXPECT_EQ(ended_, std::vector<int>{1});
}

// ---- Product information: caption, Help menu, About box ----

class MainWindowWithAppDefTest : public MainWindowTest {
 protected:
  void SetUp() override {
    program_.Write("App.def",
                   "title, =, Payroll Filer\r\n"
                   "build, =, 7\r\n"
                   "description, =, Files payroll sheets.\r\n"
                   "copyright, =, (C) Payroll Ltd\r\n"
                   "site, =, https://payroll.example/\r\n"
                   "faqurl, =, Help/faq.html\r\n"
                   "supporturl, =, mailto:help@payroll.example\r\n"
                   "icon, =, picture.png\r\n");
    std::filesystem::copy_file(SHEAVER_SOURCE_DIR "/examples/sheaver.png",
                               program_.File("picture.png"));
    Open();
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    SetAppTitle("Sheaver");
  }
};

TEST_F(MainWindowWithAppDefTest, CaptionIconAndApplicationTitleComeFromAppDef) {
  EXPECT_EQ(window_->windowTitle(), "Payroll Filer");
  EXPECT_EQ(AppTitle(), "Payroll Filer");
  EXPECT_EQ(window_->windowIcon().pixmap(32, 32).size(), QSize(32, 32));
}

TEST_F(MainWindowWithAppDefTest, HelpMenuOpensTheProductsAddresses) {
  Choose("mnuHelpContents");
  Choose("mnuHelpFAQ");
  Choose("mnuHelpSupport");
  EXPECT_EQ(browsed_, (std::vector<std::string>{program_.Path() + "/Help/index.html",
                                                program_.Path() + "/Help/faq.html",
                                                "mailto:help@payroll.example"}));
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
  EXPECT_EQ(browsed_, std::vector<std::string>{"https://payroll.example/"});
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// ---- Helpers of the window ----

TEST(HelpAddressTest, RelativePathsAreTakenFromTheProgramDirectory) {
  struct Case {
    const char* value;
    const char* address;
  };
  const Case cases[] = {
      {"", ""},
      {"Help/index.html", "/opt/sheaver/Help/index.html"},
      {"/usr/share/doc/sheaver/index.html", "/usr/share/doc/sheaver/index.html"},
      {"https://example.org/faq", "https://example.org/faq"},
      {"file:///opt/sheaver/Help/faq.html", "file:///opt/sheaver/Help/faq.html"},
      {"mailto:help@example.org", "mailto:help@example.org"},
      {"faq.html#top", "/opt/sheaver/faq.html#top"},
      {"3:30 help.html", "/opt/sheaver/3:30 help.html"},
  };
  for (const Case& c : cases) EXPECT_EQ(HelpAddress("/opt/sheaver", c.value), c.address) << c.value;
}

TEST(AsErrorTest, OtherExceptionsBecomeErrorsWithANumber) {
  EXPECT_EQ(AsError(std::bad_alloc()).Number(), 7);
  EXPECT_EQ(AsError(std::runtime_error("boom")).Number(), 51);
  EXPECT_EQ(AsError(std::runtime_error("boom")).Description(), "Internal error: boom");
}

}  // namespace
}  // namespace sheaver
