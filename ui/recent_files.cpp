#include "ui/recent_files.h"

#include <algorithm>

namespace sheaver {

RecentFiles::RecentFiles(const std::vector<std::string>& paths) {
  // Added oldest first, so that the newest ends up in front and a repeat keeps its newest place.
  for (auto it = paths.rbegin(); it != paths.rend(); ++it) Add(*it);
  if (paths_.size() > kMaxFiles) paths_.resize(kMaxFiles);
}

void RecentFiles::Add(const std::string& path) {
  if (path.empty()) return;
  Remove(path);
  paths_.insert(paths_.begin(), path);
  if (paths_.size() > kMaxFiles) paths_.pop_back();
}

bool RecentFiles::Remove(const std::string& path) {
  const auto it = std::find(paths_.begin(), paths_.end(), path);
  if (it == paths_.end()) return false;
  paths_.erase(it);
  return true;
}

}  // namespace sheaver
