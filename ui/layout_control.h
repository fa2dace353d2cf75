// One control recorded by the resizing layout: its geometry when it was recorded and the shares
// of the window's growth by which it moves and grows.
#pragma once

#include <cstdint>

#include "ui/window_system.h"

namespace sheaver {

struct LayoutControl {
  std::int32_t Left = 0;          // Left when recorded, rounded
  std::int32_t Top = 0;           // Top when recorded, rounded
  std::int32_t Width = 0;         // Width when recorded, rounded
  std::int32_t Height = 0;        // Height when recorded, rounded
  double xr = 0;                  // share of the extra width by which it moves right
  double yr = 0;                  // share of the extra height by which it moves down
  double wr = 0;                  // share of the extra width by which it grows wider
  double hr = 0;                  // share of the extra height by which it grows taller
  WindowControl* ctrl = nullptr;  // the control itself (owned by its window)
};

}  // namespace sheaver
