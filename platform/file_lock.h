// Exclusive locks that keep two runs off the same data file or input directory. A lock is an
// advisory whole-file lock (flock) on an open file or directory, held while the FileLock lives
// and dropped by the kernel when the process ends, however it ends: a killed run never leaves a
// stale lock behind.
#pragma once

#include <string>
#include <string_view>

namespace sheaver {

class FileLock {
 public:
  FileLock() = default;
  ~FileLock();
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Locks the directory at path. `what` says what it is to the user ("the input directory").
  // Another holder is Permission denied (70), naming the directory and the other process.
  static FileLock Directory(const std::string& path, std::string_view what);
  // Opens (creating it, mode 0644) and locks the file at path, read and write. A file removed
  // by its last holder between opening and locking is opened again, so two runs never lock two
  // different files of the same name. Another holder is Permission denied (70) naming `shown`
  // (the file the user knows, such as the data file) and the other process; the file's own
  // errors are the file system's.
  static FileLock File(const std::string& path, const std::string& shown, std::string_view what);

  bool Held() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }
  // Drops the lock and closes the file.
  void Release();

 private:
  explicit FileLock(int fd) : fd_(fd) {}
  int fd_ = -1;
};

// "sheaver-cli (process 4242)": the process holding a lock on the open file fd, as the kernel's
// lock table tells it, or "another process" when the table does not say.
std::string LockHolder(int fd);

}  // namespace sheaver
