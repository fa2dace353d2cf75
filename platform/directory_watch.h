// Waiting for workbooks to arrive in a folder (a drop folder): the kernel's change reports
// (inotify) for files closed after writing or moved in, and SIGINT/SIGTERM taken as a request to
// stop rather than killing the process.
#pragma once

#include <string>

namespace sheaver {

class DirectoryWatch {
 public:
  // Watches the folder, and from now on holds SIGINT and SIGTERM for StopRequested and Wait (they
  // no longer end the process). The folder's error when it cannot be watched.
  explicit DirectoryWatch(const std::string& folder);
  ~DirectoryWatch();
  DirectoryWatch(const DirectoryWatch&) = delete;
  DirectoryWatch& operator=(const DirectoryWatch&) = delete;

  enum class Event { kArrived, kTimeout, kStop };
  // Waits until a file is closed after writing or moved into the folder (all such reports that
  // have come are taken at once), until timeoutMs have passed (-1: no limit), or until SIGINT or
  // SIGTERM comes.
  Event Wait(int timeoutMs);
  // True once SIGINT or SIGTERM has come; asks without waiting.
  bool StopRequested();

 private:
  int inotify_ = -1;
  int signals_ = -1;
  bool stop_ = false;
};

// Whether the file at path looks complete: no process has it open for writing (asked of the
// kernel through a read lease where this process may take one), and it has not been changed for
// settleMs (a writer that closes and reopens it between pieces).
bool FileIsSettled(const std::string& path, int settleMs);

}  // namespace sheaver
