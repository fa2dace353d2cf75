// Takes a picture of the main window: `gui_screenshot OUTPUT.png [--size=WxH] [command line...]`
// starts the window from the command line as the program does (so /open, the fields and
// /autorun work), resizes it to W x H pixels if asked, lets it paint, saves the window's picture
// and ends. Messages go to standard error. Run it
// under Xvfb for a picture with the desktop's fonts and style (docs/make-screenshot.sh).
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/qt/window_program.h"
#include "runtime/msgbox.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: gui_screenshot OUTPUT.png [command line...]\n";
    return 2;
  }
  const std::string output = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  int width = 0, height = 0;
  if (!args.empty() && args.front().rfind("--size=", 0) == 0) {
    std::sscanf(args.front().c_str(), "--size=%dx%d", &width, &height);
    args.erase(args.begin());
  }
  std::unique_ptr<QApplication> app = sheaver::MakeApplication("sheaver");
  sheaver::SetMessageBoxService(std::make_shared<sheaver::ConsoleMessageBox>());
  std::unique_ptr<sheaver::QtMainWindow> window =
      sheaver::StartUp(sheaver::JoinCommandLine(args), [] { std::exit(2); });
  if (!window) return 2;
  if (width > 0 && height > 0) window->resize(width, height);
  bool saved = false;
  QTimer::singleShot(500, [&] {
    saved = window->grab().save(QString::fromStdString(output));
    QApplication::quit();
  });
  app->exec();
  if (!saved) std::cerr << "gui_screenshot: could not save " << output << "\n";
  return saved ? 0 : 1;
}
