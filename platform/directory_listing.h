// Wildcard searches of a directory: the matching entries in name order, each checked for being
// an ordinary file only as far as the caller's limit needs.
//
// Finding the first names of a directory means reading all of its entries, and a batch that
// searches the same directory run after run (100 workbooks a run) would read a large directory
// again for every run. So a listing keeps the matching entries of the directory it searched last,
// in order, and has the kernel report every entry created, deleted or renamed there from before
// it reads the directory; the next search of the same directory applies those reports instead
// of reading it again, and gives exactly what reading it would give. Where the reports cannot be
// relied on (a network or other file system, no notification available, the report queue
// overflowed, the directory itself changed, moved or was replaced) the directory is read again.
// Readability is checked afresh by every search.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sheaver {

// The name with the upper-case ASCII letters and the Latin-1 capitals À..Þ (UTF-8 C3 80..C3 9E,
// without ×) lowered, every other byte as it is: the key of the case-insensitive order, and what
// letters are compared by when they match in either case.
std::string FoldedName(std::string_view name);

class DirectoryListing {
 public:
  DirectoryListing() = default;
  ~DirectoryListing();
  DirectoryListing(const DirectoryListing&) = delete;
  DirectoryListing& operator=(const DirectoryListing&) = delete;

  // Names of the first `limit` ordinary files in `dir` whose names match `pattern` (the last
  // component of a search, with wildcards) under MatchesWildcard, in order (case-insensitive by
  // name, then bytewise). Names starting with "." are never found; an entry counts when it is a
  // regular file, or a link to one, whether or not this process may read it. A missing directory
  // finds nothing; an unreadable one raises Permission denied.
  std::vector<std::string> Find(const std::string& dir, std::string_view pattern,
                                std::size_t limit);

  // Whether the last Find keeps following its directory, so that the next search of it needs no
  // reading, and how many matching entries it keeps. For tests.
  bool Following() const { return notify_ >= 0; }
  std::size_t Kept() const { return entries_.size(); }

 private:
  struct Entry {
    std::string key;  // the name folded for the case-insensitive order
    std::string name;
    unsigned char type;  // the directory entry's type, DT_UNKNOWN when not known
  };

  void Read(const std::string& dir, std::string_view pattern);
  bool CatchUp(const std::string& dir, std::string_view pattern);
  void Forget();
  void SortMore(std::size_t wanted);
  void Add(std::string_view name, unsigned char type);
  void Remove(std::string_view name);
  std::vector<std::string> Select(const std::string& dir, std::size_t limit);

  std::string dir_;
  std::string pattern_;
  dev_t device_ = 0;
  ino_t inode_ = 0;
  int notify_ = -1;  // the kernel's change reports for the directory; -1 when not following
  // The matching entries: [sorted_, end) in descending order, so that the first names are at
  // the back and leave cheaply; [0, sorted_) in no order, each after every sorted one.
  std::vector<Entry> entries_;
  std::size_t sorted_ = 0;
};

}  // namespace sheaver
