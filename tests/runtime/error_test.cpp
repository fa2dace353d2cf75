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
