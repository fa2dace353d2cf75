#include "platform/filesystem.h"

#include "platform/directory_listing.h"
#include "runtime/ascii.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <utility>

namespace sheaver {
namespace {

std::shared_ptr<FileSystem>& Installed() {
  static std::shared_ptr<FileSystem> fileSystem = std::make_shared<LocalFileSystem>();
  return fileSystem;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// One character of a UTF-8 text: a lead byte and its continuation bytes. Invalid sequences fall
// apart into single bytes, so any byte string can be matched.
std::vector<std::string_view> Characters(std::string_view text) {
  std::vector<std::string_view> chars;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t n = 1;
    if (static_cast<unsigned char>(text[i]) >= 0xC0)
      while (n < 4 && i + n < text.size() &&
             (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80)
        ++n;
    chars.push_back(text.substr(i, n));
    i += n;
  }
  return chars;
}

// The two kinds of character a wildcard match runs over: bytes, for ASCII texts (the usual
// case, with no list to build), and UTF-8 characters from Characters.
bool Is(char c, char wanted) {
  return c == wanted;
}
bool Is(std::string_view c, char wanted) {
  return c.size() == 1 && c[0] == wanted;
}
bool SameCharacter(char a, char b) {
  return LowerAscii(a) == LowerAscii(b);
}
bool SameCharacter(std::string_view a, std::string_view b) {
  return a == b || FoldedName(a) == FoldedName(b);
}

// Wildcard match over characters: "*" any run, "?" one character. Linear backtracking on the
// last "*" only, which is enough because a later "*" can absorb whatever an earlier one would.
template <class Char>
bool MatchCharacters(std::span<const Char> p, std::span<const Char> n) {
  std::size_t pi = 0, ni = 0;
  std::size_t starP = std::string_view::npos, starN = 0;
  while (ni < n.size()) {
    if (pi < p.size() && Is(p[pi], '*')) {
      starP = pi++;
      starN = ni;
    } else if (pi < p.size() && (Is(p[pi], '?') || SameCharacter(p[pi], n[ni]))) {
      ++pi;
      ++ni;
    } else if (starP != std::string_view::npos) {
      pi = starP + 1;
      ni = ++starN;
    } else {
      return false;
    }
  }
  while (pi < p.size() && Is(p[pi], '*')) ++pi;
  return pi == p.size();
}

// The number of characters after the last ".", or npos without a ".".
template <class Char>
std::size_t ExtensionLength(std::span<const Char> chars) {
  for (std::size_t i = chars.size(); i-- > 0;)
    if (Is(chars[i], '.')) return chars.size() - i - 1;
  return std::string_view::npos;
}

// MatchCharacters, and "*.xls" also finds "b.xlsx": a three-character extension in the pattern
// matches the first three characters of a longer one, as lookups through short file names do.
template <class Char>
bool MatchName(std::span<const Char> p, std::span<const Char> n) {
  if (MatchCharacters(p, n)) return true;
  if (ExtensionLength(p) != 3) return false;
  const std::size_t extension = ExtensionLength(n);
  if (extension == std::string_view::npos || extension <= 3) return false;
  return MatchCharacters(p, n.first(n.size() - extension + 3));
}

// The type bits of the file at path (a link itself with `follow` false), asking for nothing
// else: a file whose times have been asked for gets a finer time stamp, and so an inode update,
// at its next change, which for the data file looked up before every workbook is the first
// append. False with errno set when there is no such file.
bool FileType(const std::string& path, bool follow, mode_t& type) {
  struct statx sx;
  const int flags = AT_STATX_SYNC_AS_STAT | (follow ? 0 : AT_SYMLINK_NOFOLLOW);
  if (::statx(AT_FDCWD, path.c_str(), flags, STATX_TYPE, &sx) == 0) {
    type = sx.stx_mode & S_IFMT;
    return true;
  }
  if (errno != ENOSYS) return false;
  struct stat st;
  if ((follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) return false;
  type = st.st_mode & S_IFMT;
  return true;
}

[[noreturn]] void ThrowMoveError(Error error, const std::string& source,
                                 const std::string& target) {
  // The system call's path is replaced by both names: the user needs to see the whole move.
  Error e(error.Number());
  throw e.Within("Cannot move " + source + " to " + target);
}

// Closes fd when it goes out of scope.
class FdCloser {
 public:
  explicit FdCloser(int fd) : fd_(fd) {}
  ~FdCloser() {
    if (fd_ >= 0) ::close(fd_);
  }
  FdCloser(const FdCloser&) = delete;
  FdCloser& operator=(const FdCloser&) = delete;
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// Writes all of data to fd; false with errno set on failure.
bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

LocalFileSystem::LocalFileSystem() : listing_(std::make_unique<DirectoryListing>()) {}
LocalFileSystem::~LocalFileSystem() = default;

std::shared_ptr<FileSystem> SetFileSystem(std::shared_ptr<FileSystem> fileSystem) {
  return std::exchange(Installed(), std::move(fileSystem));
}

FileSystem& Files() {
  return *Installed();
}

std::vector<std::string> FindFiles(const std::string& pattern, std::size_t limit) {
  return Files().FindFiles(pattern, limit);
}
bool RegularFileExists(const std::string& path) {
  return Files().RegularFileExists(path);
}
bool OrdinaryFileExists(const std::string& path) {
  return !FindFiles(path, 1).empty();
}
void MoveFile(const std::string& source, const std::string& target) {
  Files().MoveFile(source, target);
}
void ReplaceFile(const std::string& source, const std::string& target) {
  Files().ReplaceFile(source, target);
}

void DeleteFile(const std::string& path) {
  Files().DeleteFile(path);
}
std::string CurrentDirectory() {
  return Files().CurrentDirectory();
}
std::string ProgramDirectory() {
  return Files().ProgramDirectory();
}

std::string UserHomeDirectory() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr)
    return entry->pw_dir;
  return std::string(1, kPathSeparator);
}

std::string ExpandHome(std::string_view path) {
  const std::size_t first = path.find_first_not_of(' ');
  if (first == std::string_view::npos || path[first] != '~') return std::string(path);
  const std::string_view rest = path.substr(first + 1);
  if (!rest.empty() && rest.front() != kPathSeparator) return std::string(path);  // ~user
  std::string home = UserHomeDirectory();
  if (!home.empty() && home.back() == kPathSeparator && !rest.empty()) home.pop_back();
  return home + std::string(rest);
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t last = path.rfind(kPathSeparator);
  if (last == std::string::npos) return ".";
  if (last == 0) return std::string(1, kPathSeparator);
  return path.substr(0, last);
}

std::string_view FileNameOf(std::string_view path) {
  const std::size_t last = path.rfind(kPathSeparator);
  return last == std::string_view::npos ? path : path.substr(last + 1);
}

std::string JoinPath(std::string_view dir, std::string_view name) {
  std::string path(dir);
  if (!path.empty() && path.back() != kPathSeparator) path += kPathSeparator;
  path += name;
  return path;
}

bool HasWildcards(std::string_view text) {
  return text.find_first_of("*?") != std::string_view::npos;
}

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
  if (IsAscii(pattern) && IsAscii(name)) return MatchName(std::span(pattern), std::span(name));
  const std::vector<std::string_view> p = Characters(pattern);
  const std::vector<std::string_view> n = Characters(name);
  return MatchName(std::span(p), std::span(n));
}

Error FileError(int errnum, const std::string& path) {
  int number;
  switch (errnum) {
    case ENOENT:
      // Tell a missing file from a missing directory, as users act differently on each.
      number = IsDirectory(DirectoryOf(path)) ? err::kFileNotFound : err::kPathNotFound;
      break;
    case ENOTDIR:
      number = err::kPathNotFound;
      break;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
      number = err::kPermissionDenied;
      break;
    case EEXIST:
    case ENOTEMPTY:
      number = err::kFileAlreadyExists;
      break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      number = err::kDiskFull;
      break;
    case EIO:
      number = err::kDeviceIO;
      break;
    case ENAMETOOLONG:
      number = err::kBadFileName;
      break;
    default: {
      Error e(err::kPathFileAccess, std::string(StandardDescription(err::kPathFileAccess)) + " (" +
                                        std::strerror(errnum) + ")");
      return e.InFile(path);
    }
  }
  Error e(number);
  return e.Within(path.empty() ? std::string("\"\"") : path, {.file = path});
}

std::vector<std::string> LocalFileSystem::FindFiles(const std::string& pattern, std::size_t limit) {
  const std::size_t last = pattern.rfind(kPathSeparator);
  const std::string name = last == std::string::npos ? pattern : pattern.substr(last + 1);
  if (name.empty() || name[0] == '.' || limit == 0) return {};
  if (!HasWildcards(name)) {
    if (IsRegularFile(pattern)) return {name};
    return {};
  }
  return listing_->Find(DirectoryOf(pattern), name, limit);
}

bool LocalFileSystem::RegularFileExists(const std::string& path) {
  return IsRegularFile(path);
}

bool LocalFileSystem::IsRegularFile(const std::string& path) {
  mode_t type;
  return FileType(path, true, type) && S_ISREG(type);
}

namespace {

// What every move needs first: two names, and a file (or a link) at the source.
void CheckMoveSource(const std::string& source, const std::string& target) {
  if (source.empty() || target.empty()) ThrowMoveError(Error(err::kBadFileName), source, target);
  mode_t type;
  if (!FileType(source, false, type)) ThrowMoveError(FileError(errno, source), source, target);
  if (!S_ISREG(type) && !S_ISLNK(type)) ThrowMoveError(Error(err::kFileNotFound), source, target);
}

// A move to another file system: the source is copied under a hidden name in the target's
// directory and flushed, renamed into place, and only then removed. A kill at any instant leaves
// the workbook whole under its own name in one place or the other (at worst a stray hidden copy
// beside the target, which no lookup lists), never a partial file under the real name.
void MoveAcrossFileSystems(const std::string& source, const std::string& target, bool replace) {
  const std::size_t last = target.rfind(kPathSeparator);
  const std::string directory =
      last == std::string::npos ? std::string() : target.substr(0, last + 1);
  const std::string hidden = directory + ".sheaver-move-" + std::to_string(::getpid()) + "-" +
                             target.substr(last == std::string::npos ? 0 : last + 1);
  try {
    CopyFileContents(source, hidden);
  } catch (const Error& e) {
    ThrowMoveError(e, source, target);
  }
  int placed =
      replace ? ::rename(hidden.c_str(), target.c_str())
              : ::renameat2(AT_FDCWD, hidden.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
  if (placed != 0 && !replace && (errno == EINVAL || errno == ENOSYS)) {
    // No no-replace rename there: a hard link never replaces either.
    placed = ::link(hidden.c_str(), target.c_str());
    if (placed == 0) ::unlink(hidden.c_str());
  }
  if (placed != 0) {
    const int error = errno;
    ::unlink(hidden.c_str());
    ThrowMoveError(error == EEXIST ? Error(err::kFileAlreadyExists) : FileError(error, target),
                   source, target);
  }
  if (::unlink(source.c_str()) != 0) {
    // The source cannot go: take the copy back, so the workbook is in one place only.
    const int error = errno;
    ::unlink(target.c_str());
    ThrowMoveError(FileError(error, source), source, target);
  }
}

}  // namespace

void LocalFileSystem::MoveFile(const std::string& source, const std::string& target) {
  CheckMoveSource(source, target);
  mode_t type;

  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
    return;
  int error = errno;
  if (error == EINVAL || error == ENOSYS) {
    // A file system without the no-replace rename: check, then rename.
    if (FileType(target, false, type))
      ThrowMoveError(Error(err::kFileAlreadyExists), source, target);
    if (::rename(source.c_str(), target.c_str()) == 0) return;
    error = errno;
  }
  if (error == EXDEV) {
    MoveAcrossFileSystems(source, target, false);
    return;
  }
  // The source was there a moment ago, so a missing path is the target's directory.
  ThrowMoveError(FileError(error, error == ENOENT ? target : source), source, target);
}

void LocalFileSystem::ReplaceFile(const std::string& source, const std::string& target) {
  CheckMoveSource(source, target);
  mode_t type;
  if (FileType(target, false, type) && S_ISDIR(type))
    ThrowMoveError(Error(err::kFileAlreadyExists), source, target);
  if (::rename(source.c_str(), target.c_str()) == 0) return;
  const int error = errno;
  if (error != EXDEV)
    ThrowMoveError(FileError(error, error == ENOENT ? source : target), source, target);
  MoveAcrossFileSystems(source, target, true);
}

void CopyFileContents(const std::string& source, const std::string& target) {
  const int inFd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (inFd < 0) throw FileError(errno, source);
  FdCloser inGuard(inFd);
  struct stat st;
  if (::fstat(inFd, &st) != 0) throw FileError(errno, source);
  if (!S_ISREG(st.st_mode)) throw Error(err::kFileNotFound).InFile(source);

  const int outFd =
      ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
  if (outFd < 0) throw FileError(errno, target);
  FdCloser outGuard(outFd);

  // From here on a failure removes what was written of the target.
  auto fail = [&](int errnum, const std::string& path) {
    Error e = FileError(errnum, path);
    ::close(outGuard.Release());
    ::unlink(target.c_str());
    throw e;
  };
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const ssize_t n = ::read(inFd, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(errno, source);
    }
    if (n == 0) break;
    if (!WriteAll(outFd, buffer.data(), static_cast<std::size_t>(n))) fail(errno, target);
  }
  if (::fchmod(outFd, st.st_mode & 07777) != 0) fail(errno, target);
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  if (::futimens(outFd, times) != 0) fail(errno, target);
  if (::fsync(outFd) != 0) fail(errno, target);
  if (::close(outGuard.Release()) != 0) {
    const int error = errno;
    ::unlink(target.c_str());
    throw FileError(error, target);
  }
}

void MoveFileByCopy(const std::string& source, const std::string& target) {
  CopyFileContents(source, target);
  if (::unlink(source.c_str()) != 0) {
    // The source cannot go: take the copy back, so the file is in one place only.
    const int error = errno;
    ::unlink(target.c_str());
    throw FileError(error, source);
  }
}

void LocalFileSystem::DeleteFile(const std::string& path) {
  if (path.empty()) throw Error(err::kBadFileName);
  if (::unlink(path.c_str()) != 0) {
    if (errno == EISDIR) throw Error(err::kPathFileAccess).InFile(path);
    throw FileError(errno, path);
  }
}

std::string LocalFileSystem::CurrentDirectory() {
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) throw FileError(errno, ".");
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

std::string LocalFileSystem::ProgramDirectory() {
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) throw FileError(errno, "/proc/self/exe");
    if (static_cast<std::size_t>(n) < buffer.size()) {
      const std::string exe(buffer.data(), static_cast<std::size_t>(n));
      return exe.substr(0, exe.rfind(kPathSeparator));
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace sheaver
