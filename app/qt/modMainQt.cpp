#include "app/qt/modMainQt.h"

#include <clocale>
#include <cstdlib>
#include <exception>
#include <iostream>

#include "app/clsCmdline.h"
#include "app/modMain.h"
#include "platform/qt/QtMessageBox.h"
#include "runtime/msgbox.h"

namespace sheaver {

std::unique_ptr<QApplication> MakeApplication(const char* program_name) {
  // QApplication keeps references to its argument count and vector for its whole life.
  static std::string name;
  static int argc = 1;
  static char* argv[2] = {nullptr, nullptr};
  name = program_name != nullptr ? program_name : "sheaver";
  argv[0] = name.data();
  auto app = std::make_unique<QApplication>(argc, argv);
  QGuiApplication::setDesktopFileName("sheaver");
  std::setlocale(LC_NUMERIC, "C");
  return app;
}

std::unique_ptr<frmMainWindow> StartUp(const std::string& command_line,
                                       const std::function<void()>& show_usage,
                                       const frmMainOptions& options) {
  std::unique_ptr<frmMainWindow> window;
  try {
    const bool started = RunStartup(
        command_line,
        [&]() -> StartupWindow& {
          window = std::make_unique<frmMainWindow>(options);
          window->LoadAndShow();
          return window->Main();
        },
        show_usage);
    if (!started) return nullptr;
  } catch (...) {
    // Reported over the window, which still shows how far an automatic run got and stays open
    // (a headless start ends with the window's exit status).
    const std::exception_ptr error = std::current_exception();
    if (!window) throw;
    window->Main().Guarded([&] { std::rethrow_exception(error); });
  }
  return window;
}

int Main(int argc, char** argv) {
  const std::string command_line = JoinCommandLine(argc, argv);
  const StartupOptions options = ScanStartupOptions(command_line);
  const DisplayChoice choice = ChooseDisplay(CurrentDisplayEnvironment(), options.autorun);
  if (choice != DisplayChoice::kWindow) {
    // Nobody would see a window: every message goes to standard error.
    if (options.unrecognised > 0) ShowUsage();
    if (choice == DisplayChoice::kNoDisplay) {
      std::cerr << NoDisplayMessage() << std::endl;
      return 1;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }

  std::unique_ptr<QApplication> app = MakeApplication(argc > 0 ? argv[0] : nullptr);
  const bool headless = IsHeadlessPlatform(QGuiApplication::platformName().toStdString());
  if (headless) {
    SetMessageBoxService(std::make_shared<ConsoleMessageBox>());
  } else {
    SetMessageBoxService(std::make_shared<QtMessageBox>());
  }

  std::unique_ptr<frmMainWindow> window;
  try {
    window = StartUp(command_line, [] { ShowUsage(); });
  } catch (const std::exception& e) {
    MsgBox(RuntimeErrorText(AsError(e)), MsgButtons::kOk, MsgIcon::kCritical);
    return 1;
  }
  if (!window) return 2;
  // Where nobody sees the window, start-up (and its run) was all there was to do. A window that
  // reported an error stays open; only a fatal error has ended it.
  if (headless || window->Ended()) return window->ExitStatus();
  const int status = app->exec();
  return status != 0 ? status : window->ExitStatus();
}

}  // namespace sheaver
