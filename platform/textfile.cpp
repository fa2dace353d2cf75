#include "platform/textfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace sheaver {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";

// Opens path with the flags; raises the mapped file error when it cannot.
int OpenOrRaise(const std::string& path, int flags) {
  if (path.empty()) throw Error(err::kBadFileName, "Bad file name or number: no file name given");
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) throw FileError(errno, path);
  return fd;
}

// Writes all of data and closes fd; raises the mapped file error on any failure. When undoTo is
// given (the file's length before an append), a write or close that fails cuts the file back to
// it, so it never ends in half a line; a file the append created is removed instead, so that the
// next append still finds no file and writes the header.
void WriteAndClose(int fd, std::string_view data, const std::string& path, off_t undoTo = -1,
                   bool created = false) {
  auto fail = [&](int error, bool closed) {
    if (created) {
      ::unlink(path.c_str());
    } else if (undoTo >= 0) {
      const int cut = closed ? ::truncate(path.c_str(), undoTo) : ::ftruncate(fd, undoTo);
      static_cast<void>(cut);  // nothing more can be done: the first error is the one to report
    }
    if (!closed) ::close(fd);
    throw FileError(error, path);
  };
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(errno, false);
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  // A full disk on a network file system may show only when the file is closed.
  if (::close(fd) != 0 && errno != EINTR) fail(errno, true);
}

}  // namespace

std::vector<std::string> ReadTextLines(const std::string& path, std::size_t maxLines) {
  return Files().ReadTextLines(path, maxLines);
}

void WriteTextLines(const std::string& path, const std::vector<std::string>& lines) {
  Files().WriteTextLines(path, lines);
}

void AppendTextLine(const std::string& path, std::string_view line) {
  Files().AppendTextLine(path, line);
}

std::vector<std::string> LocalFileSystem::ReadTextLines(const std::string& path,
                                                        std::size_t maxLines) {
  std::vector<std::string> lines;
  if (maxLines == 0) return lines;
  // Non-blocking, so that a pipe given as a form type or settings file is refused below instead
  // of waiting for a writer forever.
  const int fd = OpenOrRaise(path, O_RDONLY | O_NONBLOCK);
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    const int error = errno;
    ::close(fd);
    throw FileError(error, path);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    throw Error(err::kPathFileAccess, std::string("Path/File access error: not a regular file (") +
                                          (S_ISDIR(st.st_mode)    ? "a folder"
                                           : S_ISFIFO(st.st_mode) ? "a pipe"
                                                                  : "a device") +
                                          ")")
        .InFile(path);
  }
  lines.reserve(std::min<std::size_t>(maxLines, 16));  // a form type's or settings file's lines
  std::size_t bytesRead = 0;

  std::string line;
  bool afterCr = false;  // the last byte ended a line with CR: an LF right after it belongs to it
  auto endLine = [&] {
    if (lines.empty() && line.starts_with(kByteOrderMark)) line.erase(0, kByteOrderMark.size());
    lines.push_back(std::move(line));
    line.clear();
  };
  char buffer[1 << 16];
  // Reads only as far as needed: once maxLines lines are complete nothing more is read.
  while (lines.size() < maxLines) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      // A directory opens like a file and fails only here.
      if (error == EISDIR) throw Error(err::kPathFileAccess).InFile(path);
      throw FileError(error, path);
    }
    if (n == 0) {
      if (lines.empty() && line == kByteOrderMark) line.clear();
      if (!line.empty()) endLine();  // a last line without a line end
      break;
    }
    bytesRead += static_cast<std::size_t>(n);
    if (bytesRead > kMaxTextFileBytes) {
      ::close(fd);
      throw Error(err::kPathFileAccess,
                  "Path/File access error: more than " + std::to_string(kMaxTextFileBytes >> 20) +
                      " MB without the lines wanted, too large for a form type or settings file")
          .InFile(path);
    }
    const std::string_view bytes(buffer, static_cast<std::size_t>(n));
    std::size_t i = 0;
    while (i < bytes.size() && lines.size() < maxLines) {
      if (afterCr) {
        afterCr = false;
        if (bytes[i] == '\n') {
          ++i;
          continue;
        }
      }
      const std::size_t end = bytes.find_first_of("\r\n", i);
      if (end == std::string_view::npos) {
        line.append(bytes.substr(i));
        break;
      }
      line.append(bytes.substr(i, end - i));
      afterCr = bytes[end] == '\r';
      endLine();
      i = end + 1;
    }
  }
  ::close(fd);
  return lines;
}

void LocalFileSystem::WriteTextLines(const std::string& path,
                                     const std::vector<std::string>& lines) {
  std::string data;
  for (const std::string& line : lines) {
    data += line;
    data += kLineEnd;
  }
  WriteAndClose(OpenOrRaise(path, O_WRONLY | O_CREAT | O_TRUNC), data, path);
}

void LocalFileSystem::AppendTextLine(const std::string& path, std::string_view line) {
  // The text and its end go out in one write, so that it is appended whole; a record line is
  // short, and only a long text (a whole workbook's lines) needs the heap for that.
  char small[512];
  std::string large;
  std::string_view data;
  if (line.size() + kLineEnd.size() <= sizeof small) {
    line.copy(small, line.size());
    kLineEnd.copy(small + line.size(), kLineEnd.size());
    data = std::string_view(small, line.size() + kLineEnd.size());
  } else {
    large.reserve(line.size() + kLineEnd.size());
    large.append(line).append(kLineEnd);
    data = large;
  }
  bool created = false;
  int fd;
  do {
    fd = path.empty() ? -1 : ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0 && !path.empty() && errno == ENOENT) {
    // O_EXCL: the file is ours to remove if the first append fails (nobody else made it).
    fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    created = fd >= 0;
  }
  if (fd < 0) fd = OpenOrRaise(path, O_WRONLY | O_CREAT | O_APPEND);
  // The length before the append: a write that fails part-way (a full disk, a file-size limit,
  // an I/O error) is cut back to it, so the file never ends in half a line that the next
  // append would glue a record onto.
  struct stat before;
  if (::fstat(fd, &before) != 0) {
    const int error = errno;
    ::close(fd);
    throw FileError(error, path);
  }
  WriteAndClose(fd, data, path, before.st_size, created);
}

}  // namespace sheaver
