#include "platform/directory_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/filesystem.h"
#include "runtime/ascii.h"

namespace sheaver {

std::string FoldedName(std::string_view name) {
  std::string folded(name);
  for (std::size_t i = 0; i < folded.size();) {
    const auto lead = static_cast<unsigned char>(folded[i]);
    if (lead < 0xC0) {
      folded[i] = LowerAscii(folded[i]);
      ++i;
      continue;
    }
    std::size_t n = 1;
    while (n < 4 && i + n < folded.size() &&
           (static_cast<unsigned char>(folded[i + n]) & 0xC0) == 0x80)
      ++n;
    if (n == 2 && lead == 0xC3) {
      const auto b = static_cast<unsigned char>(folded[i + 1]);
      if (b >= 0x80 && b <= 0x9E && b != 0x97) folded[i + 1] = static_cast<char>(b + 0x20);
    }
    i += n;
  }
  return folded;
}

namespace {

// Whether a name takes part in a search for pattern.
bool Wanted(std::string_view pattern, std::string_view name) {
  return !name.empty() && name[0] != '.' && MatchesWildcard(pattern, name);
}

// File systems whose change reports cover every change to a directory's entries, whoever makes
// it. On a network file system another machine's changes go unreported.
bool ReportsEveryChange(int fd) {
  struct statfs fs;
  if (::fstatfs(fd, &fs) != 0) return false;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case EXT4_SUPER_MAGIC:  // ext2, ext3 and ext4 share it
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
      return true;
    default:
      return false;
  }
}

// Changes to the directory's entries and to the directory itself. Nothing about the entries'
// own files (their permissions are checked by every search), so that opening and reading them
// costs no reports.
constexpr std::uint32_t kReportedChanges = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                           IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// Reports after which the kept entries cannot be trusted: the queue lost reports, or the
// directory itself went away or moved.
constexpr std::uint32_t kLostTrack =
    IN_Q_OVERFLOW | IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT;

}  // namespace

DirectoryListing::~DirectoryListing() {
  Forget();
}

void DirectoryListing::Forget() {
  if (notify_ >= 0) ::close(notify_);
  notify_ = -1;
  entries_.clear();
  sorted_ = 0;
}

std::vector<std::string> DirectoryListing::Find(const std::string& dir, std::string_view pattern,
                                                std::size_t limit) {
  if (limit == 0) return {};
  if (!CatchUp(dir, pattern)) {
    Forget();
    try {
      Read(dir, pattern);
    } catch (...) {
      Forget();
      throw;
    }
  }
  return Select(dir, limit);
}

void DirectoryListing::Read(const std::string& dir, std::string_view pattern) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return;
    throw FileError(errno, dir);
  }
  // Follow the directory that was opened, from before its first entry is read, so that no
  // change made while it is read goes unreported.
  struct stat st;
  if (ReportsEveryChange(fd) && ::fstat(fd, &st) == 0) {
    notify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (notify_ >= 0 && ::inotify_add_watch(notify_, self.c_str(), kReportedChanges) < 0) {
      ::close(notify_);
      notify_ = -1;
    }
    device_ = st.st_dev;
    inode_ = st.st_ino;
  }
  DIR* d = ::fdopendir(fd);
  if (d == nullptr) {
    const int error = errno;
    ::close(fd);
    throw FileError(error, dir);
  }
  dir_ = dir;
  pattern_ = pattern;
  while (const dirent* entry = ::readdir(d)) {
    const std::string_view name = entry->d_name;
    if (!Wanted(pattern, name)) continue;
    entries_.push_back({FoldedName(name), std::string(name), entry->d_type});
  }
  ::closedir(d);
  sorted_ = entries_.size();  // nothing sorted yet
}

bool DirectoryListing::CatchUp(const std::string& dir, std::string_view pattern) {
  if (notify_ < 0 || dir != dir_ || pattern != pattern_) return false;
  // The same directory still stands at the path, and reading it would still be allowed.
  struct stat st;
  if (::stat(dir.c_str(), &st) != 0 || st.st_dev != device_ || st.st_ino != inode_) return false;
  if (::faccessat(AT_FDCWD, dir.c_str(), R_OK, AT_EACCESS) != 0) return false;
  alignas(inotify_event) char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(notify_, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno == EAGAIN;  // every report taken
    }
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (event->mask & kLostTrack) return false;
      if (event->len == 0) continue;
      const std::string_view name(event->name, ::strnlen(event->name, event->len));
      if (!Wanted(pattern, name)) continue;
      if (event->mask & (IN_DELETE | IN_MOVED_FROM)) Remove(name);
      if (event->mask & (IN_CREATE | IN_MOVED_TO))
        Add(name, (event->mask & IN_ISDIR) ? DT_DIR : DT_UNKNOWN);
    }
  }
}

namespace {

// The case-insensitive order of the search, ties broken bytewise.
struct Ascending {
  template <class E>
  bool operator()(const E& a, const E& b) const {
    return a.key != b.key ? a.key < b.key : a.name < b.name;
  }
};
struct Descending {
  template <class E>
  bool operator()(const E& a, const E& b) const {
    return Ascending()(b, a);
  }
};

}  // namespace

void DirectoryListing::SortMore(std::size_t wanted) {
  // Sort the next stretch: twice what is still wanted (some may not be ordinary files), or
  // everything when that is most of what is left.
  const std::size_t stretch =
      wanted >= sorted_ / 2 ? sorted_ : std::min(sorted_, std::max<std::size_t>(2 * wanted, 64));
  const auto begin = entries_.begin();
  const auto from = begin + static_cast<std::ptrdiff_t>(sorted_ - stretch);
  const auto to = begin + static_cast<std::ptrdiff_t>(sorted_);
  std::nth_element(begin, from, to, Descending());
  std::sort(from, to, Descending());
  sorted_ -= stretch;
}

void DirectoryListing::Add(std::string_view name, unsigned char type) {
  Entry entry{FoldedName(name), std::string(name), type};
  const auto sortedBegin = entries_.begin() + static_cast<std::ptrdiff_t>(sorted_);
  const auto place = std::lower_bound(sortedBegin, entries_.end(), entry, Descending());
  // A name the reading saw already (created while the directory was read, or replaced by a
  // rename onto it) is kept once, with the type of its newest entry.
  if (place != entries_.end() && place->name == entry.name) {
    place->type = type;
    return;
  }
  for (std::size_t i = 0; i < sorted_; ++i) {
    if (entries_[i].name == entry.name) {
      entries_[i].type = type;
      return;
    }
  }
  if (sortedBegin != entries_.end() && Descending()(*sortedBegin, entry)) {
    entries_.insert(place, std::move(entry));  // among the sorted first names
  } else {
    entries_.insert(sortedBegin, std::move(entry));
    ++sorted_;
  }
}

void DirectoryListing::Remove(std::string_view name) {
  Entry probe{FoldedName(name), std::string(name), DT_UNKNOWN};
  const auto sortedBegin = entries_.begin() + static_cast<std::ptrdiff_t>(sorted_);
  const auto place = std::lower_bound(sortedBegin, entries_.end(), probe, Descending());
  if (place != entries_.end() && place->name == probe.name) {
    entries_.erase(place);
    return;
  }
  for (std::size_t i = 0; i < sorted_; ++i) {
    if (entries_[i].name == probe.name) {
      if (i != sorted_ - 1) entries_[i] = std::move(entries_[sorted_ - 1]);
      entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(sorted_ - 1));
      --sorted_;
      return;
    }
  }
}

std::vector<std::string> DirectoryListing::Select(const std::string& dir, std::size_t limit) {
  std::vector<std::string> found;
  std::size_t i = entries_.size();  // the first names are at the back
  while (found.size() < limit) {
    if (i == sorted_) {
      if (sorted_ == 0) break;
      SortMore(limit - found.size());
    }
    const Entry& entry = entries_[--i];
    // An entry the directory says is a regular file needs no further question; a link, or an
    // entry of a file system that does not tell types, is looked up.
    const bool ordinary =
        entry.type == DT_REG ||
        (entry.type != DT_DIR && LocalFileSystem::IsRegularFile(JoinPath(dir, entry.name)));
    if (ordinary) found.push_back(entry.name);
  }
  // Without following the directory, nothing is kept for the next search.
  if (notify_ < 0) Forget();
  return found;
}

}  // namespace sheaver
