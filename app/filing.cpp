#include "app/filing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>

#include "app/batch_run.h"
#include "platform/filesystem.h"
#include "platform/textfile.h"
#include "runtime/error.h"

namespace sheaver {
namespace {

constexpr std::string_view kJournalHeader = "sheaver journal 1";

// Paths go into the journal one per line: "%", CR and LF are written as %25, %0D and %0A.
std::string Escape(std::string_view text) {
  if (text.find_first_of("%\r\n") == std::string_view::npos) return std::string(text);
  std::string escaped;
  for (char c : text) {
    if (c == '%')
      escaped += "%25";
    else if (c == '\n')
      escaped += "%0A";
    else if (c == '\r')
      escaped += "%0D";
    else
      escaped += c;
  }
  return escaped;
}

std::string Unescape(std::string_view text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const std::string_view code = text.substr(i + 1, 2);
      if (code == "25")
        plain += '%';
      else if (code == "0A")
        plain += '\n';
      else if (code == "0D")
        plain += '\r';
      else {
        plain += text[i];
        continue;
      }
      i += 2;
    } else {
      plain += text[i];
    }
  }
  return plain;
}

// FNV-1a over the entry's text: an entry written over an older one and cut short (a power cut
// in the middle of the write) must not read as an entry made of the two.
std::uint64_t Checksum(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

// The size of the file at path, or -1 when there is none.
std::int64_t FileSize(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return -1;
  return st.st_size;
}

bool SameWorkbook(const JournalEntry& entry) {
  struct stat st;
  if (::stat(entry.workbook.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const std::int64_t modified =
      static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
  return static_cast<std::uint64_t>(st.st_size) == entry.size && modified == entry.modifiedNs;
}

// Writes all of data at offset, or raises the file's error.
void WriteAt(int fd, std::string_view data, const std::string& path) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n =
        ::pwrite(fd, data.data() + done, data.size() - done, static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw FileError(errno, path);
    }
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

std::string JournalPath(const std::string& dataFile) {
  return dataFile + ".sheaver-journal";
}

std::string JournalEntry::Text() const {
  // Written once a workbook: put together in one string, numbers converted in place.
  std::string text;
  text.reserve(kJournalHeader.size() + workbook.size() + outputDirectory.size() + 160);
  auto number = [&](std::string_view key, auto value) {
    text += key;
    char digits[24];
    text.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
  };
  text += kJournalHeader;
  text += "\nworkbook ";
  text += Escape(workbook);
  text += "\nout ";
  text += Escape(outputDirectory);
  number("\nsize ", size);
  number("\nmodified ", modifiedNs);
  number("\noffset ", offset);
  number("\nlength ", length);
  text += created ? "\nnew 1" : "\nnew 0";
  number("\nsum ", Checksum(text));
  text += "\nend\n";
  return text;
}

bool JournalEntry::Parse(std::string_view text, JournalEntry& entry) {
  if (!text.starts_with(kJournalHeader)) return false;
  int found = 0;
  bool ended = false;
  bool summed = false;
  std::size_t pos = kJournalHeader.size();
  while (pos < text.size()) {
    if (text[pos] == '\n') ++pos;
    const std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) break;  // a last line cut short: not a whole entry
    const std::string_view line = text.substr(pos, end - pos);
    pos = end;
    if (line == "end") {
      ended = true;
      break;
    }
    if (line.starts_with("sum ")) {
      std::uint64_t sum = 0;
      const std::size_t sumAt = static_cast<std::size_t>(line.data() - text.data()) - 1;
      if (!ParseNumber(line.substr(4), sum) || sum != Checksum(text.substr(0, sumAt))) return false;
      summed = true;
      continue;
    }
    const std::size_t space = line.find(' ');
    const std::string_view key = line.substr(0, space);
    const std::string_view value =
        space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    bool ok = true;
    if (key == "workbook")
      entry.workbook = Unescape(value);
    else if (key == "out")
      entry.outputDirectory = Unescape(value);
    else if (key == "size")
      ok = ParseNumber(value, entry.size);
    else if (key == "modified")
      ok = ParseNumber(value, entry.modifiedNs);
    else if (key == "offset")
      ok = ParseNumber(value, entry.offset);
    else if (key == "length")
      ok = ParseNumber(value, entry.length);
    else if (key == "new")
      entry.created = value == "1";
    else
      continue;
    if (!ok) return false;
    ++found;
  }
  return ended && summed && found == 7 && !entry.workbook.empty();
}

void SyncPath(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw FileError(errno, path);
  const int result = ::fsync(fd);
  const int error = errno;
  ::close(fd);
  if (result != 0 && error != EINVAL) throw FileError(error, path);
}

Filing::Filing(const std::string& inputDirectory, const std::string& dataFile, bool durable,
               const RecoveryNotice& notice)
    : dataFile_(dataFile), journalPath_(JournalPath(dataFile)), durable_(durable) {
  struct stat st;
  if (!inputDirectory.empty() && ::stat(inputDirectory.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    inputLock_ = FileLock::Directory(inputDirectory, "the input directory");
  // The journal lives beside the data file: a missing folder is the data file's error.
  const std::string folder = DirectoryOf(dataFile);
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    throw Error(err::kPathNotFound, "Path not found: the folder " + folder + " of the data file " +
                                        dataFile + " does not exist");
  journal_ = FileLock::File(journalPath_, dataFile, "the data file");
  Recover(notice);
}

Filing::~Filing() {
  // A journal without an entry is removed while still locked; a run waiting for it opens the
  // name afresh.
  if (journal_.Held() && !entryWritten_) ::unlink(journalPath_.c_str());
}

void Filing::WriteEntry(const JournalEntry& entry) {
  const std::string text = entry.Text();
  // Written over the cleared entry before it: what is left of a longer one lies after the "end"
  // line, which reading stops at.
  WriteAt(journal_.Descriptor(), text, journalPath_);
  lastLength_ = std::max(lastLength_, text.size());
  if (durable_ && ::fdatasync(journal_.Descriptor()) != 0) throw FileError(errno, journalPath_);
  entryWritten_ = true;
}

// The entry is written over with "x": no part of it can come back as an entry, not even through
// a later entry cut short over it. Cheaper than cutting the file to nothing, which changes its
// size and its blocks for every workbook.
void Filing::ClearEntry() {
  WriteAt(journal_.Descriptor(), std::string(std::max<std::size_t>(lastLength_, 1), 'x'),
          journalPath_);
  entryWritten_ = false;
}

void Filing::Recover(const RecoveryNotice& notice) {
  std::string text;
  char buffer[4096];
  for (off_t at = 0;;) {
    const ssize_t n = ::pread(journal_.Descriptor(), buffer, sizeof buffer, at);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw FileError(errno, journalPath_);
    }
    if (n == 0 || text.size() > (1 << 20)) break;
    text.append(buffer, static_cast<std::size_t>(n));
    at += n;
  }
  lastLength_ = text.size();
  if (text.empty()) return;
  JournalEntry entry;
  // A journal cut short was being written when the run stopped, before its append began.
  if (!JournalEntry::Parse(text, entry)) {
    ClearEntry();
    return;
  }
  auto say = [&](const std::string& message) {
    if (notice) notice(entry.workbook, message);
  };
  const std::string name(FileNameOf(entry.workbook));
  const std::int64_t size = FileSize(dataFile_);
  const std::uint64_t end = entry.offset + entry.length;
  if (entry.created && size >= 0 && static_cast<std::uint64_t>(size) < end) {
    // The stopped append was to create the data file: remove what it left (an empty file, or a
    // part of the header and lines), so that the header is written again.
    if (::unlink(dataFile_.c_str()) != 0) throw FileError(errno, dataFile_);
    if (durable_) SyncPath(DirectoryOf(dataFile_));
    if (size > 0)
      say("Recovered " + name + ": removed the part of " + dataFile_ +
          " a stopped run had begun; it is filed again in full.");
  } else if (size > static_cast<std::int64_t>(entry.offset) &&
             static_cast<std::uint64_t>(size) < end) {
    // Part of the workbook's lines went out: cut them off, so that the workbook, still in the
    // input directory, is filed whole.
    if (::truncate(dataFile_.c_str(), static_cast<off_t>(entry.offset)) != 0)
      throw FileError(errno, dataFile_);
    if (durable_) SyncPath(dataFile_);
    say("Recovered " + name + ": cut off the part of its records a stopped run had appended to " +
        dataFile_ + "; it is filed again in full.");
  } else if (size >= 0 && static_cast<std::uint64_t>(size) >= end && entry.length > 0 &&
             entry.outputDirectory.find_first_not_of(' ') != std::string::npos &&
             SameWorkbook(entry)) {
    // The records are in but the workbook was not moved: move it, append nothing.
    MoveForm(entry.workbook, entry.outputDirectory);
    if (durable_) {
      SyncPath(entry.outputDirectory);
      SyncPath(DirectoryOf(entry.workbook));
    }
    say("Recovered " + name + ": its records were already in " + dataFile_ + "; moved it to " +
        entry.outputDirectory + " without appending them again.");
  }
  ClearEntry();
}

void Filing::Append(const std::string& workbook, const std::string& outputDirectory,
                    std::string_view text, WorkbookStamp stamp) {
  const std::int64_t before = FileSize(dataFile_);
  {
    JournalEntry entry;
    entry.workbook = workbook;
    entry.outputDirectory = outputDirectory;
    struct stat st;
    if (stamp.size > 0) {
      entry.size = stamp.size;
      entry.modifiedNs = stamp.modifiedNs;
    } else if (::stat(workbook.c_str(), &st) == 0) {
      entry.size = static_cast<std::uint64_t>(st.st_size);
      entry.modifiedNs =
          static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    }
    entry.offset = before < 0 ? 0 : static_cast<std::uint64_t>(before);
    entry.created = before < 0;
    entry.length = text.size() + 2;  // the line end the append adds
    WriteEntry(entry);
  }
  try {
    AppendTextLine(dataFile_, text);
    if (durable_) {
      SyncPath(dataFile_);
      if (before < 0) SyncPath(DirectoryOf(dataFile_));  // the new file's directory entry
    }
  } catch (...) {
    // A failed append has been cut back: nothing to recover.
    ClearEntry();
    throw;
  }
}

void Filing::Moved(const std::string& workbook, const std::string& outputDirectory) {
  if (durable_ && !outputDirectory.empty()) {
    SyncPath(outputDirectory);
    SyncPath(DirectoryOf(workbook));
  }
  if (entryWritten_) ClearEntry();
}

}  // namespace sheaver
