#include "ui/resize_layout.h"

#include <gtest/gtest.h>

#include <climits>
#include <sstream>
#include <string>

#include "ui/memory_window.h"

namespace sheaver {
namespace {

// A control's geometry as "left top width height".
std::string Of(const MemoryControl& c) {
  std::ostringstream os;
  os << c.left << ' ' << c.top << ' ' << c.width << ' ' << c.height;
  return os.str();
}

TEST(ResizeLayout, ControlsFollowTheWindowByTheirShares) {
  struct Case {
    const char* options;
    double grow_width, grow_height;
    const char* geometry;  // the control starts at 1000 500 2000 400
  };
  const Case cases[] = {
      {"X=1 Y=1", 600, 300, "1600 800 2000 400"},      {"W=1 H=1", 600, 300, "1000 500 2600 700"},
      {"X= 1", 600, 300, "1000 500 2000 400"},          // the value ends at the blank
      {"X=2.5", 600, 300, "2200 500 2000 400"},         // 2.5 rounds to 2
      {"W=1 W=2", 600, 300, "1000 500 2600 400"},       // the first occurrence wins
      {"X=1 Y=1 H=1", 600, -300, "1600 500 2000 400"},  // the height shrank: no growth
      {"X=1/3", 100, 0, "1033.33 500 2000 400"},        // handed over unrounded
  };
  for (const Case& c : cases) {
    MemoryWindow window(8000, 6000);
    MemoryControl& control = window.Add("CommandButton", c.options, 1000, 500, 2000, 400);
    ResizeLayout layout;
    layout.SetLayout(window);
    window.width += c.grow_width;
    window.height += c.grow_height;
    layout.RedrawLayout();
    EXPECT_EQ(Of(control), c.geometry) << "options \"" << c.options << '"';
  }
}

TEST(ResizeLayout, UnusableOptionsToolbarsAndControlsWithoutPositionAreLeftOut) {
  for (const char* options : {"X=1/0", "W=40000", "X=1/70000"}) {
    MemoryWindow window(8000, 6000);
    MemoryControl& bad = window.Add("TextBox", options, 100, 100, 1000, 300);
    window.AddMenu("X=1");
    MemoryControl& toolbar = window.Add("Toolbar", "W=1", 0, 0, 8000, 400);
    MemoryControl& good = window.Add("CommandButton", "X=1", 100, 500, 1000, 300);
    ResizeLayout layout;
    layout.SetLayout(window);
    EXPECT_EQ(layout.Entries().size(), 1u) << options;
    window.width += 500;
    layout.RedrawLayout();
    EXPECT_EQ(bad.writes + toolbar.writes, 0) << options;
    EXPECT_EQ(good.left, 600) << options;
  }
}

TEST(ResizeLayout, EveryRedrawStartsFromTheRecordedGeometryAndSizes) {
  MemoryWindow window(8000, 6000);
  MemoryControl& fixed = window.Add("Label", "", 100, 200, 300, 400);
  MemoryControl& list = window.Add("ListView", "W=1 H=1", 120, 2400, 8055, 1695);
  ResizeLayout layout;
  layout.SetLayout(window);
  MemoryControl& late = window.Add("CommandButton", "X=1 Y=1", 100, 100, 100, 100);  // not recorded
  MemoryControl& added = window.Add("CommandButton", "", 200, 100, 100, 100);
  layout.AddControl(added, "Y=1");
  fixed.left = 5000;
  list.tag = "X=1";  // read only by the next SetLayout
  window.width = 9000;
  layout.RedrawLayout();
  window.width = 8500;
  window.height = 6300;
  layout.RedrawLayout();
  EXPECT_EQ(Of(fixed), "100 200 300 400");
  EXPECT_EQ(Of(list), "120 2400 8555 1995");
  EXPECT_EQ(Of(late), "100 100 100 100");
  EXPECT_EQ(Of(added), "200 400 100 100");
  layout.SetLayout(window);  // starts over at the current size
  window.width = 9500;
  layout.RedrawLayout();
  EXPECT_EQ(Of(list), "1120 2400 8555 1995");
}

TEST(ScreenScale, FifteenTwipsAPixelAt96DpiRoundedHalfToEven) {
  struct Case {
    double dpi, twips;
    int pixels;
  };
  const Case cases[] = {{96, 22.5, 2}, {96, 37.5, 2}, {0, 30, 2}, {96, 1e300, INT_MAX}};
  for (const Case& c : cases)
    EXPECT_EQ(ScreenScale(c.dpi).ToPixels(c.twips), c.pixels) << c.dpi << " dpi, " << c.twips;
}

}  // namespace
}  // namespace sheaver
