#include "spreadsheet/open_workbook.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "support/form_files.h"
#include "support/temp_dir.h"

namespace sheaver::xl {
namespace {

// Sets a file's access time well before its modification time, when a reading updates it.
void MakeAccessTimeOld(const std::string& path) {
  const timespec times[2] = {{978307200, 0}, {0, UTIME_OMIT}};  // 1 January 2001
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

std::int64_t AccessTime(const std::string& path) {
  struct stat st;
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  return st.st_atim.tv_sec;
}

// Reading a form leaves its access time as it was; a form of another owner, whose access time
// the program may not keep, is read all the same.
TEST(OpenWorkbookFile, ReadingAFormLeavesItsAccessTime) {
  test::TempDir dir;
  const std::string path = dir.File("week.xls");
  std::filesystem::copy_file(test::WeekWorkbook(), path);

  // Whether this file system records reads at all.
  MakeAccessTimeOld(path);
  std::string bytes;
  std::ifstream(path) >> bytes;
  if (AccessTime(path) == 978307200) GTEST_SKIP() << "the file system keeps no access times";

  MakeAccessTimeOld(path);
  EXPECT_FALSE(OpenWorkbookFile(path)->sheets.empty());
  EXPECT_EQ(AccessTime(path), 978307200);

  test::OpenToEveryone(dir.Path());
  ::chmod(path.c_str(), 0644);
  if (!test::RunningAsRoot()) GTEST_SKIP() << "no other owner to try";
  EXPECT_EQ(test::ErrorNumberAsUnprivileged([&] {
              OpenWorkbookFile(path);
              OpenWorkbookFile(path);  // after the refusal, without asking again
            }),
            0);
}

}  // namespace
}  // namespace sheaver::xl
