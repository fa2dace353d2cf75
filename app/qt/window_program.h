// The desktop program's entry: the application object, the message boxes, the display choice,
// the command line and the main window.
#pragma once

#include "platform/qt/application.h"

#include <QApplication>
#include <memory>
#include <string>

#include "app/qt/qt_main_window.h"

namespace sheaver {

// The main window for this command line, shown and driven as start-up drives it: settings file,
// fields, run. Null when the command line held something unrecognised (after the usage message,
// when show_usage returns). Errors of the window's commands reach the caller.
std::unique_ptr<QtMainWindow> StartUp(const std::string& command_line,
                                      const std::function<void()>& show_usage,
                                      const MainWindowOptions& options = {});

// The program: chooses the display, creates the application, installs the message boxes
// (on screen, or on standard error where nobody sees the screen), starts up and runs the window
// until it is closed. Returns the exit status: 0 after a normal close, 1 after an error that
// ended the program (or no display), 2 after the usage message.
int Main(int argc, char** argv);

// What sheaver --help prints.
std::string WindowHelpText();

}  // namespace sheaver
