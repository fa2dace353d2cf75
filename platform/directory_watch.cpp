#include "platform/directory_watch.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "platform/filesystem.h"

namespace sheaver {
namespace {

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

DirectoryWatch::DirectoryWatch(const std::string& folder) {
  inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (inotify_ < 0) throw FileError(errno, folder);
  if (::inotify_add_watch(inotify_, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO) < 0) {
    const int error = errno;
    ::close(inotify_);
    throw FileError(error, folder);
  }
  const sigset_t set = StopSignals();
  ::sigprocmask(SIG_BLOCK, &set, nullptr);
  signals_ = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
}

DirectoryWatch::~DirectoryWatch() {
  if (inotify_ >= 0) ::close(inotify_);
  if (signals_ >= 0) ::close(signals_);
  const sigset_t set = StopSignals();
  ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

bool DirectoryWatch::StopRequested() {
  signalfd_siginfo info;
  while (!stop_ && signals_ >= 0 && ::read(signals_, &info, sizeof info) == sizeof info)
    stop_ = true;
  return stop_;
}

DirectoryWatch::Event DirectoryWatch::Wait(int timeoutMs) {
  if (StopRequested()) return Event::kStop;
  pollfd fds[2] = {{inotify_, POLLIN, 0}, {signals_, POLLIN, 0}};
  int ready;
  do {
    ready = ::poll(fds, signals_ >= 0 ? 2 : 1, timeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (StopRequested()) return Event::kStop;
  if (ready <= 0) return Event::kTimeout;
  // Take every report that has come: one run lists all the files anyway.
  alignas(inotify_event) char buffer[4096];
  while (::read(inotify_, buffer, sizeof buffer) > 0) {
  }
  return Event::kArrived;
}

bool FileIsSettled(const std::string& path, int settleMs) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return true;  // gone or unreadable: the run says so
  struct stat st;
  bool settled = ::fstat(fd, &st) == 0;
  if (settled) {
    timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    const long long ageMs =
        (now.tv_sec - st.st_mtim.tv_sec) * 1000LL + (now.tv_nsec - st.st_mtim.tv_nsec) / 1'000'000;
    settled = ageMs >= settleMs;
  }
  // A read lease is granted only while nobody has the file open for writing.
  if (settled && ::fcntl(fd, F_SETLEASE, F_RDLCK) == 0) {
    ::fcntl(fd, F_SETLEASE, F_UNLCK);
  } else if (settled && errno == EAGAIN) {
    settled = false;
  }
  ::close(fd);
  return settled;
}

}  // namespace sheaver
