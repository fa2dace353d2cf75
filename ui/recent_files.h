// The File > Recent list of the main window: the settings files last opened or saved, newest
// first, each once, at most kMaxFiles. It only keeps the list; the window stores it between
// starts and shows it as menu items.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sheaver {

class RecentFiles {
 public:
  // How many files the menu offers.
  static constexpr std::size_t kMaxFiles = 5;

  // A list of `paths` as stored, newest first: empty texts and repeats are dropped, and only the
  // first kMaxFiles are kept.
  explicit RecentFiles(const std::vector<std::string>& paths = {});

  // Puts `path` first, removing it from further down; the oldest falls off past kMaxFiles.
  // Nothing for an empty path.
  void Add(const std::string& path);
  // Removes `path`; false when it is not in the list.
  bool Remove(const std::string& path);

  // The files, newest first.
  const std::vector<std::string>& Paths() const { return paths_; }
  // The newest file, or "" for an empty list.
  std::string Newest() const { return paths_.empty() ? std::string() : paths_.front(); }

 private:
  std::vector<std::string> paths_;
};

}  // namespace sheaver
