// Start-up decisions of the desktop program that do not need the window system: whether there
// is a display to show the window on, and what to do when there is none.
#pragma once

#include <string>

namespace sheaver {

// How the desktop program starts.
enum class DisplayChoice {
  kWindow,        // show the window on the display (or the platform QT_QPA_PLATFORM names)
  kOffscreenRun,  // no display, but /autorun: run on the offscreen platform, then end
  kNoDisplay,     // no display and nothing to do unattended: say so and end
};

// The environment that decides it: QT_QPA_PLATFORM, DISPLAY and WAYLAND_DISPLAY (null or empty
// when unset).
struct DisplayEnvironment {
  const char* qt_qpa_platform = nullptr;
  const char* display = nullptr;
  const char* wayland_display = nullptr;
};

// The environment of this process.
DisplayEnvironment CurrentDisplayEnvironment();

// A platform named in QT_QPA_PLATFORM is used as named; otherwise a display (DISPLAY or
// WAYLAND_DISPLAY) shows the window; with neither, /autorun runs offscreen and anything else
// cannot be done.
DisplayChoice ChooseDisplay(const DisplayEnvironment& env, bool autorun);

// What the program says (on standard error) when it has no display and nothing to run.
std::string NoDisplayMessage();

// True for the Qt platforms on which nobody sees the window ("offscreen", "minimal"): messages
// then go to standard error, and the program ends once start-up (and a /autorun run) is done.
bool IsHeadlessPlatform(const std::string& platform_name);

}  // namespace sheaver
