#include "runtime/numbers.h"

#include <gtest/gtest.h>

namespace sheaver {
namespace {

int ErrorNumberOf(auto&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.Number();
  }
  return 0;
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(2.5), 2.0);
  EXPECT_EQ(RoundHalfEven(3.5), 4.0);
  EXPECT_EQ(RoundHalfEven(-2.5), -2.0);
  EXPECT_EQ(RoundHalfEven(-3.5), -4.0);
  EXPECT_EQ(RoundHalfEven(1.49999), 1.0);
  EXPECT_EQ(RoundHalfEven(-0.6), -1.0);
}

TEST(CInt, OverflowsOutside16Bits) {
  EXPECT_EQ(CInt(32767.4), 32767);
  EXPECT_EQ(CInt(-32768.5), -32768);
  EXPECT_EQ(ErrorNumberOf([] { CInt(32767.5); }), err::kOverflow);
  EXPECT_EQ(ErrorNumberOf([] { CInt(-32769); }), err::kOverflow);
}

TEST(Int16Arithmetic, RaisesOverflowInsteadOfWrapping) {
  Int16 i = 32766;
  EXPECT_EQ(Inc16(i), 32767);
  EXPECT_EQ(ErrorNumberOf([&] { Inc16(i); }), err::kOverflow);
  EXPECT_EQ(i, 32767);
  EXPECT_EQ(ErrorNumberOf([] { Sub16(-32768, 1); }), err::kOverflow);
}

struct ValCase {
  const char* text;
  double expected;
};

TEST(Val, ReadsTheLeadingNumber) {
  const ValCase cases[] = {
      {"", 0},          {"abc", 0},        {"12.346", 12.346}, {"1,234.5", 1},
      {"1 234", 1234},  {" \t\n-7", -7},   {"+3", 3},          {"-.5", -0.5},
      {"1e3", 1000},    {"1E+3x", 1000},   {"2.5e-1", 0.25},   {"1e", 1},
      {"$5", 0},        {"&H10", 16},      {"&HFFFF", -1},     {"&h1F", 31},
      {"&O17", 15},     {"&H10000", 65536}, {"1/2", 1},        {".", 0},
      {"- 4", -4},      {"12abc3", 12},
  };
  for (const auto& c : cases) EXPECT_EQ(Val(c.text), c.expected) << "text: \"" << c.text << '"';
}

TEST(Val, HugeExponentIsOverflow) {
  EXPECT_EQ(ErrorNumberOf([] { Val("1e400"); }), err::kOverflow);
  EXPECT_EQ(Val("1e-400"), 0.0);
}

}  // namespace
}  // namespace sheaver
