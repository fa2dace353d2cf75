#include "platform/display.h"

#include <cstdlib>

namespace sheaver {
namespace {

bool Set(const char* value) {
  return value != nullptr && *value != '\0';
}

}  // namespace

DisplayEnvironment CurrentDisplayEnvironment() {
  return {std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY")};
}

DisplayChoice ChooseDisplay(const DisplayEnvironment& env, bool autorun) {
  if (Set(env.qt_qpa_platform) || Set(env.display) || Set(env.wayland_display))
    return DisplayChoice::kWindow;
  return autorun ? DisplayChoice::kOffscreenRun : DisplayChoice::kNoDisplay;
}

std::string NoDisplayMessage() {
  return "sheaver: no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is "
         "set).\nTo file forms without a window, add /autorun to the command line, or use "
         "sheaver-cli.";
}

bool IsHeadlessPlatform(const std::string& platform_name) {
  return platform_name == "offscreen" || platform_name == "minimal";
}

}  // namespace sheaver
