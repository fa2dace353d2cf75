#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/filesystem.h"
#include "runtime/error.h"

namespace sheaver {
namespace {

Error LockedError(int fd, const std::string& shown, std::string_view what) {
  return Error(err::kPermissionDenied, "Permission denied: " + std::string(what) + " " + shown +
                                           " is in use by another run (" + LockHolder(fd) +
                                           "); wait for it to finish, then run again");
}

// Takes the lock without waiting; false when another open file holds it.
bool TryLock(int fd, const std::string& path) {
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) return false;
    const int error = errno;
    ::close(fd);
    throw FileError(error, path);
  }
  return true;
}

}  // namespace

FileLock::~FileLock() {
  Release();
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(other.fd_) {
  other.fd_ = -1;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

void FileLock::Release() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

FileLock FileLock::Directory(const std::string& path, std::string_view what) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw FileError(errno, path);
  if (!TryLock(fd, path)) {
    Error e = LockedError(fd, path, what);
    ::close(fd);
    throw e;
  }
  return FileLock(fd);
}

FileLock FileLock::File(const std::string& path, const std::string& shown, std::string_view what) {
  for (;;) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) throw FileError(errno, path);
    if (!TryLock(fd, path)) {
      Error e = LockedError(fd, shown, what);
      ::close(fd);
      throw e;
    }
    // The holder before us may have removed the file on leaving: then our lock is on a file
    // nobody else will open, and the name must be opened and locked afresh.
    struct stat held, named;
    if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino)
      return FileLock(fd);
    ::close(fd);
  }
}

std::string LockHolder(int fd) {
  struct stat st;
  if (::fstat(fd, &st) == 0) {
    // Lines such as "3: FLOCK  ADVISORY  WRITE 4242 08:01:1311 0 EOF"; a waiting lock has "->".
    std::ifstream locks("/proc/locks");
    std::string line;
    char device[64];
    std::snprintf(device, sizeof device, "%02x:%02x:%llu", major(st.st_dev), minor(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    while (std::getline(locks, line)) {
      std::istringstream fields(line);
      std::string id, kind, mode, access, pid, where;
      fields >> id >> kind;
      if (kind == "->") continue;
      fields >> mode >> access >> pid >> where;
      if (kind != "FLOCK" || where != device) continue;
      std::ifstream comm("/proc/" + pid + "/comm");
      std::string name;
      if (std::getline(comm, name) && !name.empty()) return name + " (process " + pid + ")";
      return "process " + pid;
    }
  }
  return "another process";
}

}  // namespace sheaver
