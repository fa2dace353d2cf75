// Lets a window's controls follow the window as it is resized. Each control carries its layout
// options in its Tag: "X=", "Y=", "W=" and "H=" followed by a whole number or a fraction ("1",
// "1/2", "-1"), separated by spaces, give the share of the window's growth by which the control
// moves right, moves down, grows wider and grows taller. SetLayout records the window's size and
// every control's geometry; RedrawLayout places each control at its recorded geometry plus its
// shares of the growth beyond the recorded size (growth is never negative).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/layout_control.h"
#include "ui/window_system.h"

namespace sheaver {

class ResizeLayout {
 public:
  // Reference width in twips (stored rounded, halves to even): the window width at which every
  // control has its recorded geometry. Overflow (6) outside 32 bits.
  void MinWidth(float Twips);
  float MinWidth() const;
  // Reference height, likewise.
  void MinHeight(float Twips);
  float MinHeight() const;

  // Records the window's size as the reference size and adds every control of the window except
  // those of type "Toolbar", with its Tag as its options; earlier entries are dropped. Errors
  // reading the window's size, its controls, a type name or a Tag reach the caller, the controls
  // added so far staying in the layout.
  void SetLayout(Window& frm);

  // Places every recorded control for the window's current size. A failing move or resize of a
  // control is skipped, one assignment at a time; failing to read the window's size through a
  // control's Parent reaches the caller. Before the first SetLayout: 91.
  void RedrawLayout();

  // Records one control (not owned; it must outlive the layout's use of it) with these options.
  // Never fails: a control without a position, options with an overflowing number (beyond
  // -32768..32767) or a zero denominator, or a call before the first SetLayout, leave the
  // control out of the layout.
  void AddControl(WindowControl& ctrl, const std::string& pOpts);

  // The recorded controls, in the order they were added (empty before the first SetLayout).
  const std::vector<LayoutControl>& Entries() const;

 private:
  // The share given for key ("X=", ...) in the options: the first exact occurrence of the key,
  // its value running to the next space. 0 when the key is missing. Overflow (6) for a number
  // outside 16 bits, division by zero (11) for a zero denominator.
  static double GetRatio(std::string_view key, std::string_view options);

  std::optional<std::vector<LayoutControl>> entries_;
  std::int32_t min_width_ = 0;
  std::int32_t min_height_ = 0;
};

}  // namespace sheaver
