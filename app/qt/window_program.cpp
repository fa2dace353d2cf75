#include "app/qt/window_program.h"

#include "platform/qt/application.h"

#include <clocale>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <vector>

#include "app/command_line.h"
#include "platform/display.h"
#include "platform/qt/qt_message_box.h"
#include "platform/version_info.h"
#include "runtime/ascii.h"
#include "runtime/msgbox.h"

namespace sheaver {

std::unique_ptr<QtMainWindow> StartUp(const std::string& command_line,
                                      const std::function<void()>& show_usage,
                                      const MainWindowOptions& options) {
  std::unique_ptr<QtMainWindow> window;
  try {
    const bool started = RunStartup(
        command_line,
        [&]() -> StartupWindow& {
          window = std::make_unique<QtMainWindow>(options);
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

std::string WindowHelpText() {
  return "Usage: sheaver [SETTINGS.set]\n"
         "       sheaver [/open SETTINGS] [/type FORMTYPE] [/in DIR] [/out DIR] [/data FILE]"
         " [/autorun]\n"
         "Files filled-in spreadsheet forms into one data file, in a window.\n\n"
         "  SETTINGS.set      open that settings file\n"
         "  /open SETTINGS    fill the fields from a settings file\n"
         "  /type, /in, /out, /data  set the form type, input directory, output directory\n"
         "                    and data file fields\n"
         "  /autorun          start the run at once; without a display, run and end\n"
         "  -h, --help        show this help and exit\n"
         "  -V, --version     show the version and exit\n\n"
         "Exit status: 0 normal end, 1 an error (a headless run), 2 a usage error.\n"
         "For scripts and drop folders see sheaver-cli(1).\n";
}

int Main(int argc, char** argv) {
  // The GNU options and a file manager's "open with": sheaver FILE.set opens that settings file.
  std::vector<char*> args(argv, argv + argc);
  std::string open_option = "/open";
  if (argc == 2) {
    const std::string only = argv[1];
    if (only == "--help" || only == "-h") {
      std::cout << WindowHelpText();
      return 0;
    }
    if (only == "--version" || only == "-V") {
      std::cout << VersionText("sheaver");
      return 0;
    }
    if (!only.empty() && only[0] != '/' && only.size() > 4 &&
        LowerAscii(only.substr(only.size() - 4)) == ".set")
      args.insert(args.begin() + 1, open_option.data());
  }
  argc = static_cast<int>(args.size());
  argv = args.data();
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

  std::unique_ptr<QtMainWindow> window;
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
