#include "ui/recent_files.h"

#include <gtest/gtest.h>

namespace sheaver {
namespace {

using Paths = std::vector<std::string>;

TEST(RecentFiles, TheNewestComesFirstOnceAndTheOldestFallsOffAfterFive) {
  RecentFiles recent;
  for (const char* p : {"/a.set", "/b.set", "/c.set", "/d.set", "/e.set", "/f.set"}) recent.Add(p);
  EXPECT_EQ(recent.Paths(), (Paths{"/f.set", "/e.set", "/d.set", "/c.set", "/b.set"}));
  recent.Add("/c.set");
  recent.Add("");
  EXPECT_EQ(recent.Paths(), (Paths{"/c.set", "/f.set", "/e.set", "/d.set", "/b.set"}));
  EXPECT_EQ(recent.Newest(), "/c.set");
  EXPECT_TRUE(recent.Remove("/e.set"));
  EXPECT_FALSE(recent.Remove("/e.set"));
  EXPECT_EQ(recent.Paths(), (Paths{"/c.set", "/f.set", "/d.set", "/b.set"}));
}

TEST(RecentFiles, AStoredListKeepsItsOrderWithoutBlanksOrRepeatsAndAtMostFive) {
  const RecentFiles recent(Paths{"/1", "", "/2", "/1", "/3", "/4", "/5", "/6"});
  EXPECT_EQ(recent.Paths(), (Paths{"/1", "/2", "/3", "/4", "/5"}));
  EXPECT_EQ(RecentFiles().Newest(), "");
}

}  // namespace
}  // namespace sheaver
