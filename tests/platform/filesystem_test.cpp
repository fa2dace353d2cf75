#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/filesystem.h"
#include "support/raised.h"
#include "support/temp_dir.h"

namespace sheaver {
namespace {

using test::ErrorNumberAsUnprivileged;
using test::RaisedBy;
using test::TempDir;
using Names = std::vector<std::string>;

// A directory holding every kind of entry a lookup must tell apart.
class FindFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::mkdir(dir.File("sub").c_str(), 0700);
    for (const char* name : {"b.xls", "A.xls", "a.xls", "c.XLSX", "d.xls.bak", "notes.txt",
                             ".hidden.xls", "sub/inner.xls"})
      dir.Write(name, "x");
    ::mkdir(dir.File("folder.xls").c_str(), 0700);
    ::mkfifo(dir.File("pipe.xls").c_str(), 0600);
    ::symlink("b.xls", dir.File("link.xls").c_str());
    ::symlink("gone.xls", dir.File("dead.xls").c_str());
  }
  TempDir dir;
};

TEST_F(FindFilesTest, FindsVisibleOrdinaryFilesInCaseInsensitiveOrder) {
  const struct {
    const char* pattern;
    Names names;
  } cases[] = {
      {"*.xls", {"A.xls", "a.xls", "b.xls", "c.XLSX", "link.xls"}},
      {"nowhere/*.xls", {}},  // a missing directory, or a file in its place, finds nothing
      {"b.xls/*.xls", {}},
      // Without wildcards: an exact lookup of one ordinary, visible file.
      {"b.xls", {"b.xls"}},
      {"link.xls", {"link.xls"}},
      {"sub/inner.xls", {"inner.xls"}},
      {".hidden.xls", {}},
      {"pipe.xls", {}},
      {"c.xls", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindFiles(dir.File(c.pattern)), c.names) << c.pattern;
    EXPECT_EQ(OrdinaryFileExists(dir.File(c.pattern)), !c.names.empty()) << c.pattern;
  }
  EXPECT_FALSE(OrdinaryFileExists(""));
}

TEST_F(FindFilesTest, LimitGivesTheFirstNamesOfTheFullLookup) {
  // Non-files (folder.xls, pipe.xls, dead.xls) sort among the files and must not count.
  const Names all = FindFiles(dir.File("*"));
  ASSERT_EQ(all,
            Names({"A.xls", "a.xls", "b.xls", "c.XLSX", "d.xls.bak", "link.xls", "notes.txt"}));
  for (std::size_t limit = 0; limit <= all.size() + 1; ++limit)
    EXPECT_EQ(FindFiles(dir.File("*"), limit),
              Names(all.begin(), all.begin() + std::min(limit, all.size())))
        << limit;
}

TEST_F(FindFilesTest, UnreadableFilesAreFoundButUnreadableDirectoriesAreAnError) {
  test::OpenToEveryone(dir.Path());
  ::chmod(dir.File("b.xls").c_str(), 0644);
  ::chmod(dir.File("a.xls").c_str(), 0000);
  ::chmod(dir.File("A.xls").c_str(), 0644);
  ::mkdir(dir.File("locked").c_str(), 0000);
  const std::string pattern = dir.File("?.xls");
  EXPECT_EQ(ErrorNumberAsUnprivileged([&] {
              if (FindFiles(pattern) != Names({"A.xls", "a.xls", "b.xls", "c.XLSX"})) Raise(1);
              if (!OrdinaryFileExists(dir.File("a.xls"))) Raise(2);
            }),
            0);
  EXPECT_EQ(ErrorNumberAsUnprivileged([&] { FindFiles(dir.File("locked/*.xls")); }),
            err::kPermissionDenied);
}

// A move either happens whole or leaves the source where it was; it never replaces a file.
TEST(MoveFile, MovesAndFailuresLeaveTheSourceInPlace) {
  TempDir dir;
  ::mkdir(dir.File("out").c_str(), 0700);
  dir.Write("a.xls", "workbook a");
  MoveFile(dir.File("a.xls"), dir.File("out/a.xls"));
  EXPECT_EQ(dir.Read("out/a.xls"), "workbook a");
  EXPECT_EQ(dir.Read("a.xls"), "<missing>");

  dir.Write("a.xls", "new a");
  const test::Raised exists = RaisedBy([&] { MoveFile(dir.File("a.xls"), dir.File("out/a.xls")); });
  EXPECT_EQ(exists.number, err::kFileAlreadyExists);
  EXPECT_EQ(exists.description, "Cannot move " + dir.File("a.xls") + " to " +
                                    dir.File("out/a.xls") + ": File already exists");
  EXPECT_EQ(dir.Read("out/a.xls"), "workbook a");

  const struct {
    std::string source, target;
    int number;
  } cases[] = {
      {dir.File("missing.xls"), dir.File("b.xls"), err::kFileNotFound},
      {dir.File("a.xls"), dir.File("nowhere/a.xls"), err::kPathNotFound},
      {dir.File("a.xls"), dir.File("a.xls/b.xls"), err::kPathNotFound},  // a file, not a directory
      {dir.File("a.xls"), dir.File("out"), err::kFileAlreadyExists},
      {"", dir.File("b.xls"), err::kBadFileName},
  };
  for (const auto& c : cases) {
    const test::Raised raised = RaisedBy([&] { MoveFile(c.source, c.target); });
    EXPECT_EQ(raised.number, c.number) << c.source << " -> " << c.target;
    EXPECT_TRUE(raised.description.starts_with("Cannot move " + c.source + " to " + c.target))
        << raised.description;
    EXPECT_EQ(dir.Read("a.xls"), "new a");
  }

  test::OpenToEveryone(dir.Path());
  ::mkdir(dir.File("readonly").c_str(), 0555);
  ::chmod(dir.File("a.xls").c_str(), 0666);
  EXPECT_EQ(
      ErrorNumberAsUnprivileged([&] { MoveFile(dir.File("a.xls"), dir.File("readonly/a.xls")); }),
      err::kPermissionDenied);
  EXPECT_EQ(dir.Read("a.xls"), "new a");
}

TEST(MoveFile, FailedCopyLeavesNoPartialTarget) {
  TempDir dir;
  dir.Write("big.xls", std::string(100000, 'x'));
  // A file size limit makes the copy fail part way, as a full disk would.
  const pid_t child = ::fork();
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const struct rlimit limit = {4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::_exit(RaisedBy([&] { MoveFileByCopy(dir.File("big.xls"), dir.File("copy.xls")); }).number);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), err::kDiskFull);
  EXPECT_EQ(dir.Read("copy.xls"), "<missing>");
  EXPECT_EQ(dir.Read("big.xls").size(), 100000u);

  // A source that cannot be removed: the copy is taken back and the source stays.
  test::OpenToEveryone(dir.Path());
  ::mkdir(dir.File("in").c_str(), 0777);
  ::mkdir(dir.File("out").c_str(), 0700);
  test::OpenToEveryone(dir.File("out"));  // the copy can be made, the source not removed
  dir.Write("in/a.xls", "a");
  ::chmod(dir.File("in/a.xls").c_str(), 0644);
  ::chmod(dir.File("in").c_str(), 0555);
  EXPECT_EQ(ErrorNumberAsUnprivileged(
                [&] { MoveFileByCopy(dir.File("in/a.xls"), dir.File("out/a.xls")); }),
            err::kPermissionDenied);
  EXPECT_EQ(dir.Read("in/a.xls"), "a");
  EXPECT_EQ(dir.Read("out/a.xls"), "<missing>");
}

TEST(MoveFile, MovesAcrossFileSystems) {
  TempDir dir;
  struct stat here, shm;
  if (::stat(dir.Path().c_str(), &here) != 0 || ::stat("/dev/shm", &shm) != 0 ||
      here.st_dev == shm.st_dev || ::access("/dev/shm", W_OK) != 0)
    GTEST_SKIP() << "no second writable file system (/dev/shm) beside " << dir.Path();
  const std::string source = "/dev/shm/sheaver-move-" + std::to_string(::getpid()) + ".xls";
  std::ofstream(source) << "across";
  MoveFile(source, dir.File("a.xls"));
  EXPECT_EQ(dir.Read("a.xls"), "across");
  EXPECT_EQ(TempDir::ReadBytes(source), "<missing>");
}

}  // namespace
}  // namespace sheaver
