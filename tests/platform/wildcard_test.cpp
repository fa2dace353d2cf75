#include <gtest/gtest.h>

#include <string>

#include "platform/filesystem.h"

namespace sheaver {
namespace {

TEST(MatchesWildcard, FollowsDirectorySearchRules) {
  const struct {
    const char* pattern;
    const char* name;
    bool matches;
  } cases[] = {
      {"*.xls", "WEEK.XLS", true},
      {"*.xls", "week.xlsx", true},  // a three-character extension matches longer ones
      {"*.xls", "week.xl", false},
      {"*.xls", "week.xls.bak", false},
      {"*.xls", ".xls", true},
      {"*.xlsx", "week.xlsm", false},  // only three-character extensions reach further
      {"*.xl", "week.xls", false},
      {"w?.xls", "w12.xls", false},
      {"w?.xls", "w.xls", false},
      {"w??k.xls", "week.xls", true},
      {"a*b*c", "a-b-b-c", true},
      {"a*b*c", "a-b-b-", false},
      {"?.xls", "é.xls", true},  // "?" is one character, not one byte
      {"??.xls", "é.xls", false},
      {"Ärger*.xls", "ärger-3.xls", true},  // Latin-1 letters match in either case
  };
  // Each case again behind a non-ASCII letter, which takes names and patterns off the ASCII path.
  for (const std::string prefix : {"", "\xC3\xA9"}) {
    for (const auto& c : cases)
      EXPECT_EQ(MatchesWildcard(prefix + c.pattern, prefix + c.name), c.matches)
          << prefix + c.pattern << " on " << prefix + c.name;
  }
}

}  // namespace
}  // namespace sheaver
