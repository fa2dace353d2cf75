#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sys/resource.h>
#include <sys/wait.h>

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

std::string FoldCaseForTest(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return text;
}

// A directory holding every kind of entry a lookup must tell apart.
class FindFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"b.xls", "A.xls", "a.xls", "c.XLSX", "d.xls.bak", "notes.txt",
                             ".hidden.xls", "sub/inner.xls"}) {
      if (std::string(name).starts_with("sub/")) ::mkdir(dir.File("sub").c_str(), 0700);
      dir.Write(name, "x");
    }
    ::mkdir(dir.File("folder.xls").c_str(), 0700);
    ::mkfifo(dir.File("pipe.xls").c_str(), 0600);
    ::symlink("b.xls", dir.File("link.xls").c_str());
    ::symlink("gone.xls", dir.File("dead.xls").c_str());
  }
  TempDir dir;
};

TEST_F(FindFilesTest, FindsVisibleOrdinaryFilesInCaseInsensitiveOrder) {
  EXPECT_EQ(FindFiles(dir.File("*.xls")), Names({"A.xls", "a.xls", "b.xls", "c.XLSX", "link.xls"}));
  EXPECT_EQ(FindFiles(dir.File("*")),
            Names({"A.xls", "a.xls", "b.xls", "c.XLSX", "d.xls.bak", "link.xls", "notes.txt"}));
  EXPECT_EQ(FindFiles(dir.File("?.xls")), Names({"A.xls", "a.xls", "b.xls", "c.XLSX"}));
  EXPECT_EQ(FindFiles(dir.File("*.csv")), Names());
  EXPECT_EQ(FindFiles(dir.File("*.xls") + "/"), Names());
  // A missing directory, or a file where a directory should be, finds nothing.
  EXPECT_EQ(FindFiles(dir.File("nowhere/*.xls")), Names());
  EXPECT_EQ(FindFiles(dir.File("b.xls/*.xls")), Names());
}

TEST_F(FindFilesTest, LimitGivesTheFirstNamesOfTheFullLookup) {
  // Non-files (folder.xls, pipe.xls, dead.xls) sort among the files and must not count.
  const Names all = FindFiles(dir.File("*"));
  for (std::size_t limit = 0; limit <= all.size() + 1; ++limit)
    EXPECT_EQ(FindFiles(dir.File("*"), limit),
              Names(all.begin(), all.begin() + static_cast<long>(std::min(limit, all.size()))))
        << limit;
  EXPECT_EQ(FindFiles(dir.File("b.xls"), 0), Names());

  // A large directory, in stretches: the order stays the full lookup's.
  TempDir big;
  for (int i = 0; i < 700; ++i) {
    const std::string name = (i % 3 ? "W" : "w") + std::to_string(i * 7919 % 1000) + ".xls";
    if (i % 5 == 0)
      ::mkdir(big.File(name).c_str(), 0700);
    else
      big.Write(name, "");
  }
  const Names every = FindFiles(big.File("*.xls"));
  ASSERT_EQ(every.size(), 560u);
  EXPECT_TRUE(std::is_sorted(every.begin(), every.end(), [](const auto& a, const auto& b) {
    return FoldCaseForTest(a) < FoldCaseForTest(b);
  }));
  for (std::size_t limit : {1u, 63u, 100u, 300u, 559u, 560u})
    EXPECT_EQ(FindFiles(big.File("*.xls"), limit), Names(every.begin(), every.begin() + limit));
}

TEST_F(FindFilesTest, NameWithoutWildcardsIsAnExactExistenceLookup) {
  struct Case {
    std::string name;
    bool exists;
  } cases[] = {
      {"b.xls", true},       {"B.xls", false},        {"link.xls", true},  {".hidden.xls", false},
      {"folder.xls", false}, {"pipe.xls", false},     {"dead.xls", false}, {"missing.xls", false},
      {"c.xls", false},      {"sub/inner.xls", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(OrdinaryFileExists(dir.File(c.name)), c.exists) << c.name;
    EXPECT_EQ(FindFiles(dir.File(c.name)),
              c.exists ? Names({c.name.substr(c.name.rfind('/') + 1)}) : Names())
        << c.name;
  }
  EXPECT_FALSE(OrdinaryFileExists(""));
  EXPECT_TRUE(OrdinaryFileExists(dir.File("b.*")));
}

TEST_F(FindFilesTest, PatternWithoutSeparatorSearchesTheCurrentDirectory) {
  const std::string previous = std::filesystem::current_path().string();
  ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
  const Names found = FindFiles("*.XLS");
  const std::string current = CurrentDirectory();
  ASSERT_EQ(::chdir(previous.c_str()), 0);
  EXPECT_EQ(found, Names({"A.xls", "a.xls", "b.xls", "c.XLSX", "link.xls"}));
  EXPECT_EQ(current, std::filesystem::canonical(dir.Path()).string());
}

TEST_F(FindFilesTest, UnreadableFilesAreNotFoundAndUnreadableDirectoriesAreAnError) {
  test::OpenToEveryone(dir.Path());
  ::chmod(dir.File("b.xls").c_str(), 0644);
  ::chmod(dir.File("a.xls").c_str(), 0000);
  ::chmod(dir.File("A.xls").c_str(), 0644);
  ::mkdir(dir.File("locked").c_str(), 0000);
  const std::string pattern = dir.File("?.xls");
  EXPECT_EQ(ErrorNumberAsUnprivileged([&] {
              if (FindFiles(pattern) != Names({"A.xls", "b.xls", "c.XLSX"})) Raise(1);
              if (OrdinaryFileExists(dir.File("a.xls"))) Raise(2);
            }),
            0);
  EXPECT_EQ(ErrorNumberAsUnprivileged([&] { FindFiles(dir.File("locked/*.xls")); }),
            err::kPermissionDenied);
}

TEST(FileError, TellsAMissingFileFromAMissingDirectory) {
  TempDir dir;
  const Error file = FileError(ENOENT, dir.File("missing.dat"));
  EXPECT_EQ(file.Number(), err::kFileNotFound);
  EXPECT_EQ(file.Description(), dir.File("missing.dat") + ": File not found");
  EXPECT_EQ(FileError(ENOENT, dir.File("nowhere/missing.dat")).Number(), err::kPathNotFound);
  EXPECT_EQ(FileError(ENOTDIR, dir.File("a/b")).Number(), err::kPathNotFound);
}

TEST(MoveFile, MovesAndNeverReplaces) {
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
  EXPECT_EQ(dir.Read("a.xls"), "new a");
  EXPECT_EQ(dir.Read("out/a.xls"), "workbook a");
}

TEST(MoveFile, FailuresLeaveTheSourceInPlace) {
  TempDir dir;
  dir.Write("a.xls", "workbook a");
  ::mkdir(dir.File("folder").c_str(), 0700);
  struct Case {
    std::string source, target;
    int number;
  } cases[] = {
      {dir.File("missing.xls"), dir.File("b.xls"), err::kFileNotFound},
      {dir.File("nowhere/a.xls"), dir.File("b.xls"), err::kPathNotFound},
      {dir.File("a.xls"), dir.File("nowhere/a.xls"), err::kPathNotFound},
      {dir.File("folder"), dir.File("b.xls"), err::kFileNotFound},
      {dir.File("a.xls"), dir.File("folder"), err::kFileAlreadyExists},
      {"", dir.File("b.xls"), err::kBadFileName},
  };
  for (const Case& c : cases) {
    const test::Raised raised = RaisedBy([&] { MoveFile(c.source, c.target); });
    EXPECT_EQ(raised.number, c.number) << c.source << " -> " << c.target;
    EXPECT_TRUE(raised.description.starts_with("Cannot move " + c.source + " to " + c.target))
        << raised.description;
    EXPECT_EQ(dir.Read("a.xls"), "workbook a");
  }

  test::OpenToEveryone(dir.Path());
  ::mkdir(dir.File("readonly").c_str(), 0555);
  ::chmod(dir.File("a.xls").c_str(), 0666);
  EXPECT_EQ(
      ErrorNumberAsUnprivileged([&] { MoveFile(dir.File("a.xls"), dir.File("readonly/a.xls")); }),
      err::kPermissionDenied);
  EXPECT_EQ(dir.Read("a.xls"), "workbook a");
}

TEST(MoveFile, CopyKeepsContentPermissionsAndTimes) {
  TempDir dir;
  const std::string content(200000, 'w');  // more than one read of the copy loop
  dir.Write("a.xls", content);
  ::chmod(dir.File("a.xls").c_str(), 0640);
  const struct timespec times[2] = {{1000000000, 0}, {1200000000, 500}};
  ::utimensat(AT_FDCWD, dir.File("a.xls").c_str(), times, 0);

  MoveFileByCopy(dir.File("a.xls"), dir.File("b.xls"));
  EXPECT_EQ(dir.Read("b.xls"), content);
  EXPECT_EQ(dir.Read("a.xls"), "<missing>");
  struct stat st;
  ASSERT_EQ(::stat(dir.File("b.xls").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(st.st_mtim.tv_sec, 1200000000);

  dir.Write("c.xls", "c");
  EXPECT_EQ(RaisedBy([&] { MoveFileByCopy(dir.File("c.xls"), dir.File("b.xls")); }).number,
            err::kFileAlreadyExists);
  EXPECT_EQ(dir.Read("b.xls"), content);
  EXPECT_EQ(dir.Read("c.xls"), "c");
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
    const test::Raised raised =
        RaisedBy([&] { MoveFileByCopy(dir.File("big.xls"), dir.File("copy.xls")); });
    ::_exit(raised.number);
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
  ::mkdir(dir.File("out").c_str(), 0777);
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

TEST(DeleteFile, DeletesFilesOnly) {
  TempDir dir;
  dir.Write("a.xls", "a");
  DeleteFile(dir.File("a.xls"));
  EXPECT_EQ(dir.Read("a.xls"), "<missing>");
  ::mkdir(dir.File("folder").c_str(), 0700);
  EXPECT_EQ(RaisedBy([&] { DeleteFile(dir.File("a.xls")); }).number, err::kFileNotFound);
  EXPECT_EQ(RaisedBy([&] { DeleteFile(dir.File("nowhere/a.xls")); }).number, err::kPathNotFound);
  EXPECT_EQ(RaisedBy([&] { DeleteFile(dir.File("folder")); }).number, err::kPathFileAccess);
}

TEST(ProgramDirectory, IsTheDirectoryOfTheRunningExecutable) {
  const std::string expected =
      std::filesystem::canonical(std::string(SHEAVER_BINARY_DIR) + "/tests").string();
  EXPECT_EQ(ProgramDirectory(), expected);
}

}  // namespace
}  // namespace sheaver
