// Test entry point of the desktop program's tests: one application object on Qt's offscreen
// platform (unless another is named), the English day-first locale, and no message box waiting
// for a person.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/qt/window_program.h"
#include "runtime/locale.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // A locale the application object takes from the environment, so that the tests see that it
  // leaves the numeric conventions at "C".
  ::setenv("LC_ALL", "C.UTF-8", 1);
  // What the programs remember between starts (QSettings) goes to a scratch folder, for this
  // process and the programs it starts, never to the user's own configuration.
  std::string config = (std::filesystem::temp_directory_path() / "sheaver-gui-XXXXXX").string();
  if (::mkdtemp(config.data()) != nullptr) ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  std::unique_ptr<QApplication> app = sheaver::MakeApplication(argv[0]);
  sheaver::SetCurrentLocale(sheaver::Locale::EnglishDayFirst());
  const int status = RUN_ALL_TESTS();
  std::error_code ignored;
  std::filesystem::remove_all(config, ignored);
  return status;
}
