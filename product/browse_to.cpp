#include "product/browse_to.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

extern char** environ;

namespace sheaver {
namespace {

void LaunchDesktopOpener(const std::string& target) {
  LaunchDetached(kDesktopOpener, target);
}

BrowseLauncher& Launcher() {
  static BrowseLauncher launcher = LaunchDesktopOpener;
  return launcher;
}

// Children started by LaunchDetached that have not been reaped yet. The program never waits for
// them; reaping the finished ones on the next launch keeps them from lingering as zombies.
std::vector<pid_t>& Children() {
  static std::vector<pid_t> children;
  return children;
}

void ReapFinishedChildren() {
  auto& children = Children();
  children.erase(std::remove_if(children.begin(), children.end(),
                                [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; }),
                 children.end());
}

}  // namespace

int LaunchDetached(const std::string& program, const std::string& target) {
  ReapFinishedChildren();
  std::string program_arg = program;
  std::string target_arg = target;
  char* argv[] = {program_arg.data(), target_arg.data(), nullptr};
  pid_t pid = -1;
  if (posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) return -1;
  Children().push_back(pid);
  return pid;
}

void BrowseTo(const std::string& target) {
  if (target.empty()) return;
  try {
    Launcher()(target);
  } catch (const std::exception&) {
    // Opening is a courtesy: a failure is not the user's concern here.
  }
}

BrowseLauncher SetBrowseLauncher(BrowseLauncher launcher) {
  if (!launcher) launcher = LaunchDesktopOpener;
  return std::exchange(Launcher(), std::move(launcher));
}

}  // namespace sheaver
