#include "platform/qt/application.h"

#include <clocale>
#include <string>

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

}  // namespace sheaver
