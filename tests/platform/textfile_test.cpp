#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/textfile.h"
#include "support/raised.h"
#include "support/temp_dir.h"

namespace sheaver {
namespace {

using test::RaisedBy;
using test::TempDir;
using Lines = std::vector<std::string>;

TEST(ReadTextLines, AcceptsEveryLineEndAndKeepsNone) {
  const struct {
    std::string bytes;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"a\r\nb", {"a", "b"}},  // a last line without a line end is still a line
      {"a\rb\r", {"a", "b"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"\xEF\xBB\xBFx,y\r\n", {"x,y"}},        // a byte-order mark is dropped
      {"x\xEF\xBB\xBF\n", {"x\xEF\xBB\xBF"}},  // ... only at the very start
      {std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
      // CR as the last byte of the first 64 KiB read, its LF in the next read: one line end.
      {std::string(65535, 'a') + "\r\nb", {std::string(65535, 'a'), "b"}},
  };
  TempDir dir;
  for (const auto& c : cases)
    EXPECT_EQ(ReadTextLines(dir.Write("t.txt", c.bytes)), c.lines) << c.bytes.substr(0, 40);
}

TEST(WriteTextLines, WritesCrLfAfterEveryLineTruncatingOrAppending) {
  TempDir dir;
  const std::string path = dir.Write("t.set", "a much longer old content\r\n\r\n\r\n");
  WriteTextLines(path, {"/forms/Week.dat", " spaced, \"quoted\" ", "", "Grüße"});
  EXPECT_EQ(dir.Read("t.set"), "/forms/Week.dat\r\n spaced, \"quoted\" \r\n\r\nGrüße\r\n");
  WriteTextLines(path, {});
  EXPECT_EQ(dir.Read("t.set"), "");

  // Appending creates the file; lines of every length arrive whole, short ones and long ones.
  const std::string csv = dir.File("out.csv");
  std::string expected;
  for (std::size_t length : {0u, 10u, 509u, 510u, 511u, 70000u}) {
    const std::string line(length, static_cast<char>('a' + length % 26));
    AppendTextLine(csv, line);
    expected += line + "\r\n";
  }
  EXPECT_EQ(dir.Read("out.csv"), expected);
}

TEST(TextFiles, FailuresRaiseFileErrorsNamingTheFile) {
  TempDir dir;
  ::mkdir(dir.File("folder").c_str(), 0700);
  const std::string missing = dir.File("missing.dat");
  const std::string noDir = dir.File("nowhere/x.dat");
  const std::string folder = dir.File("folder");
  struct Case {
    const char* what;
    std::function<void()> call;
    int number;
    std::string path;
  } cases[] = {
      {"read missing", [&] { ReadTextLines(missing); }, err::kFileNotFound, missing},
      {"read a directory", [&] { ReadTextLines(folder); }, err::kPathFileAccess, folder},
      {"write in missing dir", [&] { WriteTextLines(noDir, {"x"}); }, err::kPathNotFound, noDir},
      {"append in missing dir", [&] { AppendTextLine(noDir, "x"); }, err::kPathNotFound, noDir},
      {"read no name", [&] { ReadTextLines(""); }, err::kBadFileName, ""},
  };
  for (const auto& c : cases) {
    const test::Raised raised = RaisedBy(c.call);
    EXPECT_EQ(raised.number, c.number) << c.what;
    EXPECT_NE(raised.description.find(c.path), std::string::npos)
        << c.what << ": " << raised.description;
  }
  EXPECT_EQ(dir.Read("nowhere/x.dat"), "<missing>");
}

TEST(TextFiles, FullDiskAndRefusedAccessAreReported) {
  if (::access("/dev/full", W_OK) == 0) {
    EXPECT_EQ(RaisedBy([] { AppendTextLine("/dev/full", "x"); }).number, err::kDiskFull);
  }
  TempDir dir;
  test::OpenToEveryone(dir.Path());
  const std::string secret = dir.Write("secret.dat", "2,3\r\n");
  ::chmod(secret.c_str(), 0000);
  ::mkdir(dir.File("readonly").c_str(), 0555);
  EXPECT_EQ(test::ErrorNumberAsUnprivileged([&] { ReadTextLines(secret); }),
            err::kPermissionDenied);
  EXPECT_EQ(
      test::ErrorNumberAsUnprivileged([&] { AppendTextLine(dir.File("readonly/new.csv"), "x"); }),
      err::kPermissionDenied);
}

}  // namespace
}  // namespace sheaver
