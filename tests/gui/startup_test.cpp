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

// Which option does what is tested with start-up itself (tests/app); here it reaches the window.
TEST(StartUpTest, OptionsFillTheWindowOverTheSettingsFileAndOthersShowTheUsageInstead) {
  test::TempDir dir;
  test::ScopedMessageBox messages;
  frmMainOptions options;
  options.program_directory = dir.Path();
  options.end_program = [](int status) { ADD_FAILURE() << "ended with " << status; };
  int usages = 0;
  auto usage = [&] { ++usages; };
  const std::string set = dir.Write("week 7.set", "a.dat\r\n/in\r\n/out\r\nd.csv\r\n");
  const auto window = StartUp("/OPEN \"" + set + "\" /In \"/other in\" /out \"\"", usage, options);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  std::vector<std::string> fields;
  for (PathField f :
       {PathField::kFormType, PathField::kInDir, PathField::kOutDir, PathField::kExportTo})
    fields.push_back(window->FieldText(f));
  EXPECT_EQ(fields, (std::vector<std::string>{"a.dat", "/other in", "/out", "d.csv"}));
  EXPECT_EQ(usages, 0);
  EXPECT_EQ(StartUp("/in a /autorun extra", usage, options), nullptr);
  EXPECT_EQ(usages, 1);
  EXPECT_TRUE(messages->shown.empty());
}

// ---- The program as a process ----

// The program's environment: Qt's offscreen platform as its display, or no display at all.
QProcessEnvironment Environment(bool display) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
  if (display) env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("SHEAVER_LOCALE", "en_GB");
  return env;
}

TEST(ProgramTest, UsageStartUpErrorsAndNoDisplayGoToStandardErrorWithTheirExitStatus) {
  test::TempDir dir;
  const QString missing = QString::fromStdString(dir.File("none.set"));
  // Shown over the window with a display, on standard error without one.
  const std::string not_found =
      "Sheaver: Run-time error '53':\n\n" + dir.File("none.set") + ": File not found";
  struct Case {
    QStringList args;
    bool display;
    int exit_code;
    std::string err;
  };
  const char* usage =
      "Usage: \r\nSheaver [/open settings] [/type formtype] [/in inPath] [/out outPath] [/data "
      "dataFile] [/autorun]";
  const Case cases[] = {
      {{"/in", "forms", "/bogus", "/autorun"}, true, 2, usage},
      {{"/in", "forms"}, false, 1, "no display to show the window on"},
      {{"/open", missing, "/autorun"}, false, 1, not_found},
  };
  for (const Case& c : cases) {
    QProcess p;
    p.setProcessEnvironment(Environment(c.display));
    p.start(SHEAVER_PROGRAM, c.args);
    ASSERT_TRUE(p.waitForFinished(60000));
    const std::string err = p.readAllStandardError().toStdString();
    EXPECT_EQ(p.exitCode(), c.exit_code) << err;
    EXPECT_NE(err.find(c.err), std::string::npos) << err;
  }
}

TEST(ProgramTest, AutorunWithoutADisplayFilesTheExamplesAndEnds) {
  namespace fs = std::filesystem;
  test::TempDir dir;
  for (const char* sub : {"forms", "FormTypes", "Settings"})
    fs::copy(std::string(SHEAVER_SOURCE_DIR "/examples/") + sub, dir.File(sub));
  fs::create_directory(dir.File("processed"));
  QProcess p;
  p.setProcessEnvironment(Environment(false));
  p.setWorkingDirectory(QString::fromStdString(dir.Path()));
  p.start(SHEAVER_PROGRAM, {"/OPEN", "Settings/Example.set", "/AutoRun"});
  ASSERT_TRUE(p.waitForFinished(120000));
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  EXPECT_EQ(dir.Read("Timesheets.csv"),
            test::TempDir::ReadBytes(SHEAVER_SOURCE_DIR "/examples/expected/Timesheets.csv"));
  EXPECT_TRUE(fs::is_empty(dir.File("forms")));
}

TEST(LocaleTest, TheApplicationLeavesNumbersInTheCLocale) {
  // The test program made its application object as the desktop program does, in an environment
  // whose locale is C.UTF-8 (set by the test main).
  EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C.UTF-8");
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
}

}  // namespace
}  // namespace sheaver
