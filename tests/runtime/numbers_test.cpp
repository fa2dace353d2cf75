#include "runtime/numbers.h"

#include <gtest/gtest.h>

#include "support/raised.h"

namespace sheaver {
namespace {

using test::RaisedBy;

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbourAndCIntOverflowsOutside16Bits) {
  const double rows[][2] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {1.49999, 1}, {-0.6, -1}};
  for (const auto& r : rows) EXPECT_EQ(RoundHalfEven(r[0]), r[1]) << r[0];
  EXPECT_EQ(CInt(32767.4), 32767);
  EXPECT_EQ(CInt(-32768.5), -32768);
  EXPECT_EQ(RaisedBy([] { CInt(32767.5); }).number, err::kOverflow);
  EXPECT_EQ(RaisedBy([] { CInt(-32769); }).number, err::kOverflow);
}

TEST(Int16Arithmetic, RaisesOverflowInsteadOfWrapping) {
  Int16 i = 32766;
  EXPECT_EQ(Inc16(i), 32767);
  EXPECT_EQ(RaisedBy([&] { Inc16(i); }).number, err::kOverflow);
  EXPECT_EQ(i, 32767);
  EXPECT_EQ(RaisedBy([] { Sub16(-32768, 1); }).number, err::kOverflow);
}

TEST(Val, ReadsTheLeadingNumber) {
  const struct {
    const char* text;
    double expected;
  } cases[] = {{"", 0},        {"1,234.5", 1}, {"1 234", 1234},    {"+3", 3},      {"1E+3x", 1000},
               {"&HFFFF", -1}, {"&O17", 15},   {"&H10000", 65536}, {"12abc3", 12}, {"1e-400", 0}};
  for (const auto& c : cases) EXPECT_EQ(Val(c.text), c.expected) << "text: \"" << c.text << '"';
  EXPECT_EQ(RaisedBy([] { Val("1e400"); }).number, err::kOverflow);
}

}  // namespace
}  // namespace sheaver
