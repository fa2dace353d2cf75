// What makes a run's filing exactly-once: the run holds exclusive locks on its input directory
// and its data file for its whole length, and keeps a journal beside the data file while a
// workbook is between "appended" and "moved".
//
// The journal ("<data file>.sheaver-journal") holds one entry at a time: the workbook (path,
// size and modification time), the output directory, the data file's length before the append
// and the length appended. It is written before the append and emptied once the workbook has
// been moved, so a run killed at any instant leaves one of:
// - no entry, or an entry whose append never happened: nothing to do;
// - a partial append: the data file is cut back to its length before it, and the workbook, still
//   in the input directory, is filed whole by the run (a data file the append was creating is
//   removed, so that its header is written again);
// - a whole append with the workbook still in the input directory: it is moved, and its records
//   are not appended again;
// - a whole append with the workbook already moved: the entry is just dropped.
// The next run on that data file (from the window or the command line) does this first and says
// what it recovered. The lock file is the journal itself, so a data file that does not exist yet
// is locked all the same; it is removed when the run ends with nothing to recover.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_lock.h"

namespace sheaver {

// The journal's path for a data file.
std::string JournalPath(const std::string& dataFile);

// What the journal holds while a workbook is being filed.
struct JournalEntry {
  std::string workbook;         // the workbook's path in the input directory
  std::string outputDirectory;  // where it goes; "" when it stays
  std::uint64_t size = 0;       // the workbook's size and modification time, to know it again
  std::int64_t modifiedNs = 0;
  std::uint64_t offset = 0;  // the data file's length before the append
  std::uint64_t length = 0;  // the bytes appended
  bool created = false;      // the append creates the data file (with its header)

  std::string Text() const;
  // The entry of a journal's text; false for an empty or unreadable text.
  static bool Parse(std::string_view text, JournalEntry& entry);
};

// Says what a recovery did to a workbook (its path), in one sentence for the console or a
// message box.
using RecoveryNotice = std::function<void(const std::string& workbook, const std::string& message)>;

// The size and modification time (nanoseconds since 1970) by which a journaled workbook is known
// again; a size of 0 for one whose status is to be asked of the file system.
struct WorkbookStamp {
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;
};

class Filing {
 public:
  // Locks the input directory (when it exists) and the data file, then finishes or undoes what
  // an interrupted run left in the journal. durable: every workbook's append and move reaches
  // the disk (fsync of the data file, the journal and both directories) before the next step, so
  // that the guarantee holds across a power cut too. Another run on either is Permission denied
  // (70), naming the path and the other process; nothing has been touched then.
  Filing(const std::string& inputDirectory, const std::string& dataFile, bool durable,
         const RecoveryNotice& notice);
  ~Filing();
  Filing(const Filing&) = delete;
  Filing& operator=(const Filing&) = delete;

  // Appends a workbook's text (its lines; the last line end is added) to the data file, journaled:
  // the entry stays until Moved. stamp: the workbook as it was read, when the reader knows it
  // (a status call saved, and the entry names the file whose records these are).
  void Append(const std::string& workbook, const std::string& outputDirectory,
              std::string_view text, WorkbookStamp stamp = {});
  // The workbook appended last has been moved (or stays where it is): its entry is dropped.
  void Moved(const std::string& workbook, const std::string& outputDirectory);

 private:
  void Recover(const RecoveryNotice& notice);
  void WriteEntry(const JournalEntry& entry);
  void ClearEntry();

  std::string dataFile_;
  std::string journalPath_;
  bool durable_;
  FileLock inputLock_;
  FileLock journal_;
  bool entryWritten_ = false;
  std::size_t lastLength_ = 0;  // the journal's length since the run began: what a clear covers
};

// Flushes the file at path (a file or a directory) to the disk; the file's error otherwise.
void SyncPath(const std::string& path);

}  // namespace sheaver
