#include <gtest/gtest.h>

#include <string>

#include "platform/filesystem.h"

namespace sheaver {
namespace {

struct MatchCase {
  std::string pattern;
  std::string name;
  bool matches;
};

TEST(MatchesWildcard, FollowsDirectorySearchRules) {
  const MatchCase cases[] = {
      {"*.xls", "week.xls", true},
      {"*.xls", "WEEK.XLS", true},
      {"*.XLS", "week.xls", true},
      {"*.xls", "week.xlsx", true},  // three-character extension matches longer ones
      {"*.xls", "week.xlsm", true},
      {"*.xls", "week.xl", false},
      {"*.xls", "week.xls.bak", false},
      {"*.xls", "weekxls", false},
      {"*.xls", ".xls", true},
      {"*.xlsx", "week.xlsm", false},  // only three-character extensions reach further
      {"*.xlsx", "week.xls", false},
      {"*.xl", "week.xls", false},
      {"w*.xls", "Week.xlsx", true},
      {"w?.xls", "w1.xls", true},
      {"w?.xls", "w12.xls", false},
      {"w?.xls", "w.xls", false},
      {"w??k.xls", "week.xls", true},
      {"*", "anything", true},
      {"*", "", true},
      {"a*b*c", "a-b-b-c", true},
      {"a*b*c", "a-b-b-", false},
      {"*a", "aaaa", true},
      {"week.xls", "Week.XLS", true},
      {"?.xls", "é.xls", true},  // "?" is one character, not one byte
      {"??.xls", "é.xls", false},
      {"Ärger*.xls", "ärger-3.xls", true},  // Latin-1 letters match in either case
      {"*.dat", "Week.DAT", true},
      {"*.d?t", "Week.dot", true},
  };
  for (const MatchCase& c : cases) {
    EXPECT_EQ(MatchesWildcard(c.pattern, c.name), c.matches)
        << "pattern " << c.pattern << ", name " << c.name;
  }
}

}  // namespace
}  // namespace sheaver
