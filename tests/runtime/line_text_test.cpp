#include "runtime/line_text.h"

#include <gtest/gtest.h>

namespace sheaver {
namespace {

TEST(EscapeForLine, KeepsUtf8AndEscapesWhatWouldBreakALine) {
  const std::pair<std::string, std::string> cases[] = {
      {"Week 07.xls", "Week 07.xls"},
      {"Amélie €.xls", "Amélie €.xls"},
      {"a\tb\nc\rd\\e", "a\\tb\\nc\\rd\\\\e"},
      {"bell\x07 del\x7F", "bell\\x07 del\\x7F"},
      {"latin1 \xE9t\xE9.xls", "latin1 \\xE9t\\xE9.xls"},
      {"cut \xE2\x82", "cut \\xE2\\x82"},  // a sequence cut short
      {"overlong \xC0\xAF", "overlong \\xC0\\xAF"},
      {"surrogate \xED\xA0\x80", "surrogate \\xED\\xA0\\x80"},
      {"emoji \xF0\x9F\x98\x80", "emoji \xF0\x9F\x98\x80"},
  };
  for (const auto& [text, escaped] : cases) EXPECT_EQ(EscapeForLine(text), escaped) << escaped;
}

}  // namespace
}  // namespace sheaver
