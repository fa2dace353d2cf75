// The desktop program's start: the command line through the real start-up into the real window,
// the program run as a process (usage, no display, headless runs), the display choice and the
// numeric locale.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <clocale>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/modMain.h"
#include "app/qt/modMainQt.h"
#include "support/recording_message_box.h"
#include "support/temp_dir.h"

namespace sheaver {
namespace {

using test::ShownMessage;

class StartUpTest : public testing::Test {
 protected:
  // Starts up from the command line; the window (or null after the usage message).
  std::unique_ptr<frmMainWindow> Start(const std::string& command_line) {
    frmMainOptions options;
    options.program_directory = program_.Path();
    options.end_program = [this](int status) { ended_.push_back(status); };
    return StartUp(
        command_line, [this] { ++usages_; }, options);
  }
  static std::vector<std::string> Fields(const frmMainWindow& w) {
    return {w.FieldText(PathField::kFormType), w.FieldText(PathField::kInDir),
            w.FieldText(PathField::kOutDir), w.FieldText(PathField::kExportTo)};
  }

  test::TempDir program_;
  test::TempDir work_;
  test::ScopedMessageBox messages_;
  int usages_ = 0;
  std::vector<int> ended_;
};

TEST_F(StartUpTest, OptionsFillTheWindowOverTheSettingsFile) {
  std::filesystem::create_directory(work_.File("my settings"));
  const std::string set =
      work_.Write("my settings/week 7.set", "a.dat\r\n/in\r\n/out\r\nd.csv\r\n");
  struct Case {
    std::string command_line;
    std::vector<std::string> fields;
  };
  const Case cases[] = {
      {"", {"", "", "", ""}},
      {"   ", {"", "", "", ""}},
      {"/OPEN \"" + set + "\"", {"a.dat", "/in", "/out", "d.csv"}},
      {"/open \"" + set + "\" /In \"/other in\"", {"a.dat", "/other in", "/out", "d.csv"}},
      {"/in /out /type t.dat", {"t.dat", "/out", "", ""}},
      {"\"/data\" \"x \"\"y\"\".csv\"", {"", "", "", "x \"y\".csv"}},
      {"/type t.dat /data", {"t.dat", "", "", ""}},
      {"/open \"" + set + "\" /out \"\"", {"a.dat", "/in", "/out", "d.csv"}},
  };
  for (const Case& c : cases) {
    std::unique_ptr<frmMainWindow> window = Start(c.command_line);
    ASSERT_NE(window, nullptr) << c.command_line;
    EXPECT_TRUE(window->isVisible()) << c.command_line;
    EXPECT_EQ(Fields(*window), c.fields) << c.command_line;
  }
  EXPECT_EQ(usages_, 0);
  EXPECT_TRUE(messages_->shown.empty());
  EXPECT_TRUE(ended_.empty());
}

TEST_F(StartUpTest, AnythingUnrecognisedShowsTheUsageAndNoWindow) {
  for (const char* line : {"/bogus", "/in a /autorun extra", "/in\t/dir", "a\"b c"}) {
    const int before = usages_;
    EXPECT_EQ(Start(line), nullptr) << line;
    EXPECT_EQ(usages_, before + 1) << line;
  }
  EXPECT_TRUE(messages_->shown.empty());
}

TEST_F(StartUpTest, ASettingsFileThatCannotBeLoadedIsReportedOverTheWindowAndEndsTheProgram) {
  std::unique_ptr<frmMainWindow> window = Start("/open " + work_.File("missing.set") + " /autorun");
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(messages_->shown.size(), 1u);
  EXPECT_EQ(messages_->shown[0].text,
            "Run-time error '53':\n\n" + work_.File("missing.set") + ": File not found");
  EXPECT_EQ(messages_->shown[0].icon, MsgIcon::kCritical);
  EXPECT_EQ(window->ExitStatus(), 1);
  EXPECT_EQ(ended_, std::vector<int>{1});
}

// ---- The program as a process ----

struct ProcessResult {
  int exit_code = -1;
  std::string err;
};

ProcessResult RunProgram(const QStringList& args, const QProcessEnvironment& env) {
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(SHEAVER_PROGRAM, args);
  if (!p.waitForFinished(60000)) {
    p.kill();
    p.waitForFinished();
    return {};
  }
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
          p.readAllStandardError().toStdString()};
}

QProcessEnvironment Environment(bool display) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  env.remove("QT_QPA_PLATFORM");
  if (display) env.insert("QT_QPA_PLATFORM", "offscreen");
  return env;
}

TEST(ProgramTest, UsageGoesToStandardErrorWhereNobodySeesTheScreenAndEndsWithStatus2) {
  for (bool display : {true, false}) {
    const ProcessResult r =
        RunProgram({"/in", "forms", "/bogus", "/autorun"}, Environment(display));
    EXPECT_EQ(r.exit_code, 2) << display;
    EXPECT_NE(r.err.find("Usage: \r\nSheaver [/open settings] [/type formtype] [/in inPath] "
                         "[/out outPath] [/data dataFile] [/autorun]"),
              std::string::npos)
        << r.err;
  }
}

TEST(ProgramTest, WithoutADisplayItSaysSoUnlessThereIsARunToDo) {
  const ProcessResult r = RunProgram({"/in", "forms"}, Environment(false));
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("no display to show the window on"), std::string::npos) << r.err;
}

TEST(ProgramTest, AnErrorAtStartUpEndsTheProgramWithItsMessage) {
  test::TempDir dir;
  for (bool display : {true, false}) {
    const ProcessResult r = RunProgram(
        {"/open", QString::fromStdString(dir.File("none.set")), "/autorun"}, Environment(display));
    EXPECT_EQ(r.exit_code, 1) << display;
    EXPECT_NE(r.err.find("Run-time error '53':"), std::string::npos) << r.err;
  }
}

TEST(ProgramTest, AutorunWithoutADisplayFilesTheExamplesAndEnds) {
  namespace fs = std::filesystem;
  test::TempDir dir;
  for (const char* sub : {"forms", "FormTypes", "Settings"})
    fs::copy(std::string(SHEAVER_SOURCE_DIR "/examples/") + sub, dir.File(sub));
  fs::create_directory(dir.File("processed"));
  QProcessEnvironment env = Environment(false);
  env.insert("SHEAVER_LOCALE", "en_GB");
  QProcess p;
  p.setProcessEnvironment(env);
  p.setWorkingDirectory(QString::fromStdString(dir.Path()));
  p.start(SHEAVER_PROGRAM, {"/OPEN", "Settings/Example.set", "/AutoRun"});
  ASSERT_TRUE(p.waitForFinished(120000));
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  EXPECT_EQ(dir.Read("Timesheets.csv"),
            test::TempDir::ReadBytes(SHEAVER_SOURCE_DIR "/examples/expected/Timesheets.csv"));
  EXPECT_TRUE(fs::is_empty(dir.File("forms")));
}

// ---- Start-up decisions ----

TEST(ChooseDisplayTest, APlatformOrADisplayShowsTheWindowElseOnlyARunCanGoOn) {
  struct Case {
    DisplayEnvironment env;
    bool autorun;
    DisplayChoice choice;
  };
  const Case cases[] = {
      {{"xcb", nullptr, nullptr}, false, DisplayChoice::kWindow},
      {{nullptr, ":0", nullptr}, false, DisplayChoice::kWindow},
      {{nullptr, nullptr, "wayland-0"}, false, DisplayChoice::kWindow},
      {{nullptr, nullptr, nullptr}, false, DisplayChoice::kNoDisplay},
      {{nullptr, nullptr, nullptr}, true, DisplayChoice::kOffscreenRun},
      {{"", nullptr, ""}, true, DisplayChoice::kOffscreenRun},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseDisplay(c.env, c.autorun), c.choice)
        << (c.env.qt_qpa_platform ? c.env.qt_qpa_platform : "-") << " "
        << (c.env.display ? c.env.display : "-") << " " << c.autorun;
  }
  EXPECT_TRUE(IsHeadlessPlatform("offscreen"));
  EXPECT_TRUE(IsHeadlessPlatform("minimal"));
  EXPECT_FALSE(IsHeadlessPlatform("xcb"));
}

TEST(LocaleTest, TheApplicationLeavesNumbersInTheCLocale) {
  // The test program made its application object as the desktop program does, in an environment
  // whose locale is C.UTF-8 (set by the test main).
  EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C.UTF-8");
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
}

}  // namespace
}  // namespace sheaver
