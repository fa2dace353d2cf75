// The desktop program run as a process (usage, start-up errors, no display, headless runs) and
// the numeric locale its application object leaves. Which option does what is tested with
// start-up itself (tests/app).
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <clocale>
#include <filesystem>
#include <string>
#include <vector>

#include "support/form_files.h"
#include "support/temp_dir.h"

namespace sheaver {
namespace {

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

// The window's run opens an encrypted form with the password its settings file's sixth line
// names, and says nothing of the password.
TEST(ProgramTest, AutorunOpensEncryptedFormsWithTheSettingsFilesPassword) {
  namespace fs = std::filesystem;
  test::TempDir dir;
  fs::create_directory(dir.File("in"));
  test::WriteFormType(dir.File("form.dat"), test::TimesheetFields());
  fs::copy_file(SHEAVER_TEST_DATA "/encrypted/week.aes.ods", dir.File("in/week.xls"));
  dir.Write("secret", "Fixture-Secret-42\n");
  dir.Write("s.set", dir.File("form.dat") + "\r\n" + dir.File("in") + "\r\n\r\n" +
                         dir.File("data.csv") + "\r\n\r\npassword-file=" + dir.File("secret") +
                         "\r\n");
  QProcessEnvironment env = Environment(false);
  env.remove("SHEAVER_PASSWORD");
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(SHEAVER_PROGRAM, {"/open", QString::fromStdString(dir.File("s.set")), "/autorun"});
  ASSERT_TRUE(p.waitForFinished(120000));
  const std::string err = p.readAllStandardError().toStdString();
  EXPECT_EQ(p.exitCode(), 0) << err;
  EXPECT_EQ(dir.Read("data.csv"), test::kTimesheetCsv);
  EXPECT_EQ(err.find("Fixture-Secret-42"), std::string::npos) << err;
}

TEST(LocaleTest, TheApplicationLeavesNumbersInTheCLocale) {
  // The test program made its application object as the desktop program does, in an environment
  // whose locale is C.UTF-8 (set by the test main).
  EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C.UTF-8");
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
}

}  // namespace
}  // namespace sheaver
