#include "product/modBrowseTo.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace sheaver {
namespace {

namespace fs = std::filesystem;

// Installs a recording launcher for one test and puts the previous one back.
class RecordingLauncher {
 public:
  RecordingLauncher()
      : previous_(SetBrowseLauncher([this](const std::string& t) { targets.push_back(t); })) {}
  ~RecordingLauncher() { SetBrowseLauncher(previous_); }
  std::vector<std::string> targets;

 private:
  BrowseLauncher previous_;
};

TEST(BrowseTo, HandsEveryNonEmptyTargetToTheLauncher) {
  RecordingLauncher launcher;
  BrowseTo("/opt/sheaver/Help/index.html");
  BrowseTo("");
  BrowseTo("https://example.com/support?a=1&b=2");
  EXPECT_EQ(launcher.targets, (std::vector<std::string>{"/opt/sheaver/Help/index.html",
                                                        "https://example.com/support?a=1&b=2"}));
}

TEST(BrowseTo, SwallowsTheLaunchersFailures) {
  BrowseLauncher previous =
      SetBrowseLauncher([](const std::string&) { throw std::runtime_error("no opener"); });
  EXPECT_NO_THROW(BrowseTo("x"));
  SetBrowseLauncher(previous);
}

// Waits until the child has ended, without reaping it.
bool WaitForExit(int pid) {
  for (int i = 0; i < 500; ++i) {
    siginfo_t info{};
    if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
        info.si_pid == pid) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(LaunchDetached, PassesTheTargetAsOneUninterpretedArgument) {
  test::TempDir dir;
  const fs::path opener = dir.File("opener");
  const fs::path out = dir.File("opener.out");
  {
    std::ofstream script(opener);
    script << "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.out\"\n";
  }
  fs::permissions(opener, fs::perms::owner_all);
  const std::string target = "/a dir/it's \"quoted\"; $(touch pwned) *.html";

  int pid = LaunchDetached(opener.string(), target);
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(WaitForExit(pid));
  std::ifstream in(out);
  std::stringstream got;
  got << in.rdbuf();
  EXPECT_EQ(got.str(), "1\n" + target + "\n");

  // The next launch reaps the child that has ended.
  int second = LaunchDetached(opener.string(), "again");
  ASSERT_GT(second, 0);
  errno = 0;
  EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  ASSERT_TRUE(WaitForExit(second));
}

TEST(LaunchDetached, AProgramThatCannotStartGivesMinusOne) {
  EXPECT_EQ(LaunchDetached("/nonexistent/sheaver-opener", "x"), -1);
  EXPECT_EQ(LaunchDetached("sheaver-no-such-opener-on-path", "x"), -1);
}

}  // namespace
}  // namespace sheaver
