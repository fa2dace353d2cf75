#include "product/browse_to.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace sheaver {
namespace {

TEST(BrowseTo, HandsEveryNonEmptyTargetToTheLauncherAndSwallowsItsFailures) {
  std::vector<std::string> targets;
  BrowseLauncher previous = SetBrowseLauncher([&](const std::string& t) {
    targets.push_back(t);
    if (t == "fails") throw std::runtime_error("no opener");
  });
  BrowseTo("/opt/sheaver/Help/index.html");
  BrowseTo("");
  EXPECT_NO_THROW(BrowseTo("fails"));
  SetBrowseLauncher(previous);
  EXPECT_EQ(targets, (std::vector<std::string>{"/opt/sheaver/Help/index.html", "fails"}));
}

// Waits until the child has ended, without reaping it.
bool WaitForExit(int pid) {
  for (int i = 0; i < 500; ++i) {
    siginfo_t info{};
    if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
        info.si_pid == pid)
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(LaunchDetached, PassesTheTargetAsOneUninterpretedArgumentAndReapsEndedChildren) {
  test::TempDir dir;
  const std::string opener = dir.Write(
      "opener",
      "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.out\"\n");
  std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
  const std::string target = "/a dir/it's \"quoted\"; $(touch pwned) *.html";
  const int pid = LaunchDetached(opener, target);
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(WaitForExit(pid));
  EXPECT_EQ(dir.Read("opener.out"), "1\n" + target + "\n");
  const int second = LaunchDetached(opener, "again");
  ASSERT_GT(second, 0);
  errno = 0;
  EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1);  // reaped by the second launch
  EXPECT_EQ(errno, ECHILD);
  ASSERT_TRUE(WaitForExit(second));
  EXPECT_EQ(LaunchDetached("/nonexistent/sheaver-opener", "x"), -1);
  EXPECT_EQ(LaunchDetached("sheaver-no-such-opener-on-path", "x"), -1);
}

}  // namespace
}  // namespace sheaver
