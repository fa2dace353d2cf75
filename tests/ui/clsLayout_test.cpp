#include "ui/clsLayout.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>

#include "runtime/error.h"
#include "ui/memory_window.h"

namespace sheaver {
namespace {

int ErrorNumberOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.Number();
  }
  return 0;
}

struct Geometry {
  double left, top, width, height;
  bool operator==(const Geometry&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Geometry& g) {
  return os << "{" << g.left << ", " << g.top << ", " << g.width << ", " << g.height << "}";
}

Geometry Of(const MemoryControl& c) {
  return {c.left, c.top, c.width, c.height};
}

struct GrowthCase {
  const char* options;
  double grow_width;
  double grow_height;
  Geometry expected;  // the control starts at {1000, 500, 2000, 400}
};

TEST(ClsLayout, ControlsFollowTheWindowByTheirShares) {
  const GrowthCase cases[] = {
      {"X=1 Y=1", 600, 300, {1600, 800, 2000, 400}},
      {"W=1 H=1", 600, 300, {1000, 500, 2600, 700}},
      {"X=1/2", 600, 300, {1300, 500, 2000, 400}},
      {"X=-1", 600, 300, {400, 500, 2000, 400}},
      {"X=3/2", 600, 300, {1900, 500, 2000, 400}},
      {"W=1/2 H=1/3", 600, 300, {1000, 500, 2300, 500}},
      {"X=1/2/3", 600, 0, {1300, 500, 2000, 400}},    // denominator read up to the next "/"
      {"x=1 w=1", 600, 300, {1000, 500, 2000, 400}},  // lower-case keys are not keys
      {"X= 1", 600, 300, {1000, 500, 2000, 400}},     // the value ends at the blank
      {"X=1.5", 600, 300, {2200, 500, 2000, 400}},    // 1.5 rounds to 2
      {"X=2.5", 600, 300, {2200, 500, 2000, 400}},    // 2.5 rounds to 2
      {"NEW=1", 600, 300, {1000, 500, 2600, 400}},    // "W=" inside a word still counts
      {"Y=1X=1", 600, 300, {1600, 800, 2000, 400}},   // Y's value is "1X=1", read as 1
      {"W=1 W=2", 600, 300, {1000, 500, 2600, 400}},  // the first occurrence wins
      {"X=1 Y=1 W=1 H=1", -600, -300, {1000, 500, 2000, 400}},  // smaller: recorded geometry
      {"X=1 Y=1", 600, -300, {1600, 500, 2000, 400}},           // only the width grew
      {"", 600, 300, {1000, 500, 2000, 400}},
      {"X=1/3", 100, 0, {1000 + 100.0 / 3, 500, 2000, 400}},  // handed over unrounded
  };
  for (const GrowthCase& c : cases) {
    MemoryWindow window(8000, 6000);
    MemoryControl& control = window.Add("CommandButton", c.options, 1000, 500, 2000, 400);
    clsLayout layout;
    layout.SetLayout(window);
    window.width += c.grow_width;
    window.height += c.grow_height;
    layout.RedrawLayout();
    EXPECT_EQ(Of(control), c.expected) << "options \"" << c.options << '"';
  }
}

TEST(ClsLayout, UnusableOptionsAndControlsWithoutPositionAreLeftOut) {
  const char* left_out[] = {"X=1/0", "W=40000", "H=-32769", "Y=1e400", "X=1/70000"};
  for (const char* options : left_out) {
    MemoryWindow window(8000, 6000);
    MemoryControl& bad = window.Add("TextBox", options, 100, 100, 1000, 300);
    window.AddMenu("X=1");
    MemoryControl& good = window.Add("CommandButton", "X=1", 100, 500, 1000, 300);
    clsLayout layout;
    layout.SetLayout(window);
    EXPECT_EQ(layout.Entries().size(), 1u) << options;
    window.width += 500;
    layout.RedrawLayout();
    EXPECT_EQ(bad.writes, 0) << options;
    EXPECT_EQ(good.left, 600) << options;
  }
}

TEST(ClsLayout, ToolbarsAreNeverMoved) {
  MemoryWindow window(8000, 6000);
  MemoryControl& toolbar = window.Add("Toolbar", "W=1", 0, 0, 8000, 400);
  MemoryControl& toolbarish = window.Add("toolbar", "W=1", 0, 0, 8000, 400);
  clsLayout layout;
  layout.SetLayout(window);
  window.width = 9000;
  layout.RedrawLayout();
  EXPECT_EQ(toolbar.writes, 0);
  EXPECT_EQ(toolbar.width, 8000);
  EXPECT_EQ(toolbarish.width, 9000);  // the type name must match exactly
}

TEST(ClsLayout, EveryRedrawStartsFromTheRecordedGeometry) {
  MemoryWindow window(8000, 6000);
  MemoryControl& fixed = window.Add("Label", "", 100, 200, 300, 400);
  MemoryControl& list = window.Add("ListView", "W=1 H=1", 120, 2400, 8055, 1695);
  clsLayout layout;
  layout.SetLayout(window);
  fixed.left = 5000;
  list.tag = "X=1";  // read only by the next SetLayout
  window.width = 9000;
  layout.RedrawLayout();
  window.width = 8500;
  layout.RedrawLayout();
  EXPECT_EQ(Of(fixed), (Geometry{100, 200, 300, 400}));
  EXPECT_EQ(Of(list), (Geometry{120, 2400, 8555, 1695}));
  layout.SetLayout(window);  // starts over at the current size
  window.width = 9500;
  layout.RedrawLayout();
  EXPECT_EQ(Of(list), (Geometry{1120, 2400, 8555, 1695}));
}

TEST(ClsLayout, AnotherReferenceSizeHoldsControlsUntilTheWindowPassesIt) {
  MemoryWindow window(4000, 3000);
  MemoryControl& button = window.Add("CommandButton", "X=1", 1000, 100, 500, 300);
  clsLayout layout;
  layout.SetLayout(window);
  EXPECT_EQ(layout.MinWidth(), 4000);
  layout.MinWidth(5000);
  window.width = 4900;
  layout.RedrawLayout();
  EXPECT_EQ(button.left, 1000);
  window.width = 5600;
  layout.RedrawLayout();
  EXPECT_EQ(button.left, 1600);
}

TEST(ClsLayout, ReferenceSizesRoundHalfToEven) {
  clsLayout layout;
  const std::pair<float, float> cases[] = {
      {4000.5f, 4000}, {4001.5f, 4002}, {-0.5f, 0}, {4000.4f, 4000}};
  for (auto [given, stored] : cases) {
    layout.MinWidth(given);
    layout.MinHeight(given);
    EXPECT_EQ(layout.MinWidth(), stored) << given;
    EXPECT_EQ(layout.MinHeight(), stored) << given;
  }
  EXPECT_EQ(ErrorNumberOf([&] { layout.MinWidth(3e9f); }), err::kOverflow);
}

TEST(ClsLayout, ARefusedAssignmentDoesNotStopTheOthers) {
  MemoryWindow window(8000, 6000);
  MemoryControl& stubborn = window.Add("ComboBox", "X=1 Y=1 W=1 H=1", 0, 0, 1000, 300);
  stubborn.refused_writes = {"Left", "Height"};
  MemoryControl& next = window.Add("CommandButton", "X=1", 0, 0, 100, 100);
  clsLayout layout;
  layout.SetLayout(window);
  window.width += 100;
  window.height += 50;
  layout.RedrawLayout();
  EXPECT_EQ(Of(stubborn), (Geometry{0, 50, 1100, 300}));
  EXPECT_EQ(next.left, 100);
}

TEST(ClsLayout, WindowFailuresReachTheCaller) {
  MemoryWindow window(8000, 6000);
  window.Add("Label", "X=1", 0, 0, 100, 100);
  MemoryControl& unreadable = window.Add("Label", "X=1", 0, 0, 100, 100);
  window.Add("Label", "X=1", 0, 0, 100, 100);
  unreadable.unreadable = true;
  clsLayout layout;
  EXPECT_EQ(ErrorNumberOf([&] { layout.RedrawLayout(); }), err::kObjectNotSet);
  layout.AddControl(*window.controls[0], "X=1");  // before SetLayout: quietly nothing
  EXPECT_EQ(layout.Entries().size(), 0u);
  EXPECT_EQ(ErrorNumberOf([&] { layout.SetLayout(window); }), kErrNoSuchProperty);
  EXPECT_EQ(layout.Entries().size(), 1u);  // the control before the failure stays
  window.size_unreadable = true;
  EXPECT_EQ(ErrorNumberOf([&] { layout.RedrawLayout(); }), kErrNoSuchProperty);
}

TEST(ClsLayout, ControlsAddedLaterFollowFromThen) {
  MemoryWindow window(8000, 6000);
  clsLayout layout;
  layout.SetLayout(window);
  MemoryControl& late = window.Add("CommandButton", "X=1", 100, 100, 100, 100);
  MemoryControl& added = window.Add("CommandButton", "", 200, 100, 100, 100);
  layout.AddControl(added, "Y=1");
  window.width += 300;
  window.height += 300;
  layout.RedrawLayout();
  EXPECT_EQ(late.left, 100);
  EXPECT_EQ(Of(added), (Geometry{200, 400, 100, 100}));
}

TEST(ScreenScale, FifteenTwipsAPixelAt96Dpi) {
  struct Case {
    double dpi, twips;
    int pixels;
  };
  const Case cases[] = {{96, 1440, 96},   {96, 15, 1},  {96, 22.5, 2}, {96, 37.5, 2},
                        {144, 1440, 144}, {144, 15, 2}, {0, 30, 2},    {96, 1e300, INT_MAX}};
  for (const Case& c : cases) {
    EXPECT_EQ(ScreenScale(c.dpi).ToPixels(c.twips), c.pixels) << c.dpi << " dpi, " << c.twips;
  }
  EXPECT_EQ(ScreenScale(96).ToTwips(8), 120);
  EXPECT_EQ(ScreenScale(120).TwipsPerPixel(), 12);
}

}  // namespace
}  // namespace sheaver
