#include "runtime/error.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

namespace sheaver {
namespace {

// Every error number of the system is listed once and has its own description: a number added
// without one would reach users as "Application-defined or object-defined error".
TEST(Error, EveryNumberHasItsOwnDescription) {
  std::set<int> seen;
  std::set<std::string_view> descriptions;
  for (int number : err::kAll) {
    EXPECT_TRUE(seen.insert(number).second) << number << " listed twice";
    const std::string_view description = StandardDescription(number);
    EXPECT_NE(description, StandardDescription(-1)) << number;
    EXPECT_TRUE(descriptions.insert(description).second) << description;
  }
}

// Context goes in front of the description, and what it names is kept by the innermost code
// that knew it.
TEST(Error, ContextIsTextAndFieldsAndTheInnermostKnowerWins) {
  Error e(err::kTypeMismatch);
  e.Within("field Day (B3)", {.field = "Day", .cell = "B3", .record = 4})
      .InFile("in/Week07.xls")
      .Within("outer", {.file = "other.xls", .cell = "Z9"});
  EXPECT_EQ(e.Description(), "outer: in/Week07.xls: field Day (B3): Type mismatch");
  EXPECT_EQ(e.Number(), err::kTypeMismatch);
  EXPECT_EQ(e.Context().file, "in/Week07.xls");
  EXPECT_EQ(e.Context().cell, "B3");
  EXPECT_EQ(e.Context().record, 4);
  EXPECT_FALSE(e.Context().offset.has_value());
}

TEST(Error, AnyExceptionBecomesAnErrorWithItsText) {
  EXPECT_EQ(AsError(Error(53, "gone")).Description(), "gone");
  EXPECT_EQ(AsError(std::bad_alloc()).Number(), err::kOutOfMemory);
  const Error other = AsError(std::runtime_error("boom"));
  EXPECT_EQ(other.Number(), err::kInternal);
  EXPECT_EQ(other.Description(), "Internal error: boom");
  EXPECT_EQ(RuntimeErrorText(Error(err::kFileNotFound)), "Run-time error '53':\n\nFile not found");
}

}  // namespace
}  // namespace sheaver
