#include "gridmend/qt/gridmend_program.h"

#include <QApplication>
#include <iostream>
#include <memory>

#include "gridmend/qt/gridmend_window.h"
#include "platform/display.h"
#include "platform/qt/application.h"
#include "platform/qt/qt_message_box.h"
#include "platform/version_info.h"
#include "runtime/msgbox.h"

namespace sheaver {

std::string GridmendUsage() {
  return "Usage: Gridmend [table file]\n\n"
         "Edits a form type or another table file (.dat or .csv). A file that does not exist yet "
         "is a new form type, written there by Save; without a file, Save asks for a name.";
}

int GridmendMain(int argc, char** argv) {
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::cout << "Usage: Gridmend [FORMTYPE.dat]\n"
                 "Edits a Sheaver form type: the fields to take from a form, with a sample form\n"
                 "to pick cells from and the records they give.\n\n"
                 "  FORMTYPE.dat   open that form type (a new one when it does not exist)\n"
                 "  -h, --help     show this help and exit\n"
                 "  -V, --version  show the version and exit\n";
    return 0;
  }
  if (argc == 2 && (std::string(argv[1]) == "--version" || std::string(argv[1]) == "-V")) {
    std::cout << VersionText("Gridmend");
    return 0;
  }
  const DisplayChoice choice = ChooseDisplay(CurrentDisplayEnvironment(), false);
  if (choice == DisplayChoice::kNoDisplay) {
    std::cerr << "Gridmend: no display to show the window on (neither DISPLAY nor "
                 "WAYLAND_DISPLAY is set)."
              << std::endl;
    return 1;
  }
  // The application object keeps the numeric conventions at "C" and takes no arguments of its
  // own, so a file named like a Qt option is still the file to edit.
  std::unique_ptr<QApplication> app = MakeApplication(argc > 0 ? argv[0] : "Gridmend");
  QGuiApplication::setDesktopFileName("gridmend");
  QApplication::setApplicationName("Gridmend");
  SetAppTitle("Gridmend");
  if (IsHeadlessPlatform(QGuiApplication::platformName().toStdString())) {
    SetMessageBoxService(std::make_shared<ConsoleMessageBox>());
  } else {
    SetMessageBoxService(std::make_shared<QtMessageBox>());
  }

  if (argc > 2) {
    MsgBox(GridmendUsage(), MsgButtons::kOk, MsgIcon::kExclamation);
    return 2;
  }
  GridmendWindow window;
  window.Start(argc > 1 ? argv[1] : "");
  window.show();
  return app->exec();
}

}  // namespace sheaver
