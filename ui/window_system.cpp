#include "ui/window_system.h"

#include <climits>
#include <cmath>

#include "runtime/numbers.h"

namespace sheaver {

int ScreenScale::ToPixels(double twips) const {
  double pixels = RoundHalfEven(twips / TwipsPerPixel());
  if (std::isnan(pixels)) return 0;
  if (pixels < INT_MIN) return INT_MIN;
  if (pixels > INT_MAX) return INT_MAX;
  return static_cast<int>(pixels);
}

}  // namespace sheaver
