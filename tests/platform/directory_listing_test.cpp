// A listing that follows the directory it searched must give, search after search, exactly what
// reading the directory afresh gives, whatever happened there in between.
#include "platform/directory_listing.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/error.h"
#include "support/raised.h"
#include "support/temp_dir.h"

namespace sheaver {
namespace {

using test::TempDir;
using Names = std::vector<std::string>;

// What reading the directory now gives.
Names Fresh(const std::string& dir, const std::string& pattern, std::size_t limit) {
  return DirectoryListing().Find(dir, pattern, limit);
}

void Touch(const std::string& path) {
  std::ofstream(path) << "x";
}

// Random changes between searches, in a directory and beside it: files created, deleted,
// renamed inside, moved out and back in, replaced by a rename onto them (by a fresh file, a link
// to a directory or an empty directory); directories, links and hidden files with matching
// names; names that differ only in case.
TEST(DirectoryListing, FollowedSearchesAgreeWithFreshReadings) {
  TempDir base;
  const std::string dir = base.File("in"), aside = base.File("aside");
  std::filesystem::create_directory(dir);
  std::filesystem::create_directory(aside);
  std::mt19937 random(7);
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
  const char* const stems[] = {
      "a",       "A",   "b", "B", "week", "Week", "z", "\xC3\x89t\xC3\xA9", "\xC3\xA9t\xC3\xA9",
      ".hidden", "x y", "0"};
  const char* const extensions[] = {".xls", ".XLS", ".xlsx", ".txt", ""};
  auto randomName = [&] {
    return std::string(stems[pick(std::size(stems))]) + std::to_string(pick(30)) +
           extensions[pick(std::size(extensions))];
  };
  auto existing = [&](const std::string& in) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(in))
      names.push_back(e.path().filename().string());
    return names.empty() ? std::string() : in + "/" + names[pick(static_cast<int>(names.size()))];
  };
  for (int i = 0; i < 40; ++i) Touch(dir + "/" + randomName());

  DirectoryListing listing;
  bool followed = false;
  for (int step = 0; step < 150; ++step) {
    const std::size_t limit = std::array<std::size_t, 4>{1, 3, 10, 1000}[pick(4)];
    const std::string pattern = pick(4) == 0 ? "*" : "*.xls";
    ASSERT_EQ(listing.Find(dir, pattern, limit), Fresh(dir, pattern, limit))
        << "step " << step << ", pattern " << pattern << ", limit " << limit;
    followed = followed || listing.Following();
    for (int k = 1 + pick(4); k > 0; --k) {  // one to four changes before the next search
      const std::string path = existing(dir), fresh = aside + "/new";
      const std::string name = path.empty() ? "" : path.substr(dir.size() + 1);
      std::error_code ec;
      switch (pick(9)) {
        case 0:
        case 1:
          Touch(dir + "/" + randomName());
          break;
        case 2:
          std::filesystem::remove_all(path, ec);
          break;
        case 3:
          std::filesystem::rename(path, dir + "/" + randomName(), ec);
          break;
        case 4:
          std::filesystem::rename(path, aside + "/" + name, ec);
          break;
        case 5: {
          const std::string back = existing(aside);
          if (!back.empty()) std::filesystem::rename(back, dir + back.substr(aside.size()), ec);
          break;
        }
        case 6:
          std::filesystem::create_directory(dir + "/" + randomName(), ec);
          break;
        case 7:
          std::filesystem::create_symlink(pick(2) ? name : "gone", dir + "/" + randomName(), ec);
          break;
        case 8:
          std::filesystem::remove_all(fresh, ec);
          if (const int kind = pick(3); kind == 0)
            Touch(fresh);
          else if (kind == 1)
            std::filesystem::create_directory_symlink(aside, fresh, ec);
          else
            std::filesystem::create_directory(fresh, ec);
          std::filesystem::rename(fresh, path, ec);
          break;
      }
    }
  }
  if (!followed) GTEST_SKIP() << "the temporary directory's file system is not followed";
}

// The directory at the path replaced, removed, or made unreadable between searches.
TEST(DirectoryListing, TheDirectoryItselfChanging) {
  TempDir base;
  const std::string dir = base.File("in");
  std::filesystem::create_directory(dir);
  Touch(dir + "/a.xls");
  Touch(dir + "/b.xls");
  DirectoryListing listing;
  EXPECT_EQ(listing.Find(dir, "*.xls", 10), (Names{"a.xls", "b.xls"}));

  std::filesystem::rename(dir, base.File("old"));
  std::filesystem::create_directory(dir);
  Touch(dir + "/c.xls");
  EXPECT_EQ(listing.Find(dir, "*.xls", 10), Names{"c.xls"});

  std::filesystem::remove_all(dir);
  EXPECT_EQ(listing.Find(dir, "*.xls", 10), Names());
  std::filesystem::rename(base.File("old"), dir);  // the path is looked at every time
  EXPECT_EQ(listing.Find(dir, "*.xls", 10), (Names{"a.xls", "b.xls"}));

  // Permissions change: the directory's own and a file's, as an ordinary user sees them. The
  // listing follows the directory from here; each check runs in a child with a copy of it.
  test::OpenToEveryone(base.Path());
  test::OpenToEveryone(dir);
  ::chmod((dir + "/a.xls").c_str(), 0644);
  ::chmod((dir + "/b.xls").c_str(), 0644);
  EXPECT_EQ(listing.Find(dir, "*.xls", 10), (Names{"a.xls", "b.xls"}));
  auto expect = [&](const Names& names) {
    return [&listing, &dir, names] {
      if (listing.Find(dir, "*.xls", 10) != names) throw Error(err::kInvalidCall);
    };
  };
  ::chmod((dir + "/a.xls").c_str(), 0600);  // a file it may not read is still a file
  EXPECT_EQ(test::ErrorNumberAsUnprivileged(expect({"a.xls", "b.xls"})), 0);
  ::chmod(dir.c_str(), 0711);  // its entries can still be reached, but it cannot be read
  EXPECT_EQ(test::ErrorNumberAsUnprivileged(expect({})), err::kPermissionDenied);
}

// More changes than the kernel queues between two searches: the directory is read again.
TEST(DirectoryListing, LostReportsMeanReadingAgain) {
  std::ifstream limitFile("/proc/sys/fs/inotify/max_queued_events");
  int queued = 0;
  if (!(limitFile >> queued) || queued <= 0 || queued > 50000)
    GTEST_SKIP() << "report queue size unknown or too large to fill here";
  TempDir base;
  const std::string dir = base.File("in");
  std::filesystem::create_directory(dir);
  Touch(dir + "/m.xls");
  DirectoryListing listing;
  EXPECT_EQ(listing.Find(dir, "*.xls", 1), Names{"m.xls"});
  if (!listing.Following()) GTEST_SKIP() << "the temporary directory's file system is not followed";
  // Each rename is reported twice (moved from, moved to).
  Touch(dir + "/t0");
  for (int i = 0; i <= queued / 2; ++i)
    std::filesystem::rename(dir + (i % 2 ? "/t1" : "/t0"), dir + (i % 2 ? "/t0" : "/t1"));
  Touch(dir + "/a.xls");  // reported after the queue overflowed: only a new reading finds it
  EXPECT_EQ(listing.Find(dir, "*.xls", 1), Names{"a.xls"});
}

}  // namespace
}  // namespace sheaver
