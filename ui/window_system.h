// What the window code needs from the window system, as small interfaces: a window's outer size,
// its controls, and each control's kind, layout options and geometry. Positions and sizes are in
// twips (1440 to the inch); ScreenScale is the one place where twips become pixels.
//
// With Qt Widgets a Window wraps the top-level QWidget (its frameGeometry gives the outer size)
// and a WindowControl wraps a child QWidget, whose geometry is relative to its parent widget (the
// window's central widget or a group box standing for a frame). A menu action is a control
// without a position.
#pragma once

#include "runtime/error.h"

#include <string>
#include <vector>

namespace sheaver {

// Raised by a control for a property it does not have (a menu has no position).
inline constexpr int kErrNoSuchProperty = err::kNoSuchProperty;
inline constexpr const char* kNoSuchPropertyText = "Object doesn't support this property or method";

// Twips per inch: the unit of every window and control position and size.
inline constexpr double kTwipsPerInch = 1440;

// The conversion between twips and a screen's pixels, by the screen's logical resolution:
// 15 twips a pixel at 96 dots per inch, 10 at 144.
class ScreenScale {
 public:
  // A scale for a screen of this many logical dots per inch (96 when not positive).
  explicit ScreenScale(double logical_dpi = 96) : dpi_(logical_dpi > 0 ? logical_dpi : 96) {}

  double TwipsPerPixel() const { return kTwipsPerInch / dpi_; }
  // Twips as whole pixels, rounded to nearest (halves to even), clamped to the int range.
  int ToPixels(double twips) const;
  // Pixels as twips.
  double ToTwips(double pixels) const { return pixels * TwipsPerPixel(); }

 private:
  double dpi_;
};

class Window;

// One control of a window: a text box, button, label, frame, list, menu item...
class WindowControl {
 public:
  virtual ~WindowControl() = default;
  // The control's type name: "TextBox", "CommandButton", "Frame", "ListView", "Toolbar", ...
  virtual std::string TypeName() const = 0;
  // The control's Tag text (its layout options), "" when it has none.
  virtual std::string Tag() const = 0;
  // Position and size in the units of the control's container (the window, or the frame that
  // holds it). Reads and writes raise kErrNoSuchProperty for a control without a position (a
  // menu item); a write may also fail for a value the control refuses.
  virtual double Left() const = 0;
  virtual void Left(double twips) = 0;
  virtual double Top() const = 0;
  virtual void Top(double twips) = 0;
  virtual double Width() const = 0;
  virtual void Width(double twips) = 0;
  virtual double Height() const = 0;
  virtual void Height(double twips) = 0;
  // The window that holds the control (also for a control inside a frame).
  virtual Window& Parent() const = 0;
};

class Window {
 public:
  virtual ~Window() = default;
  // The window's outer width and height, frame and caption included.
  virtual double Width() const = 0;
  virtual double Height() const = 0;
  // Every control of the window, those inside frames included, in a fixed order (the order in
  // which they were created). The window owns them.
  virtual std::vector<WindowControl*> Controls() = 0;
};

}  // namespace sheaver
