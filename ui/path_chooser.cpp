#include "ui/path_chooser.h"

#include <exception>
#include <string_view>

#include "runtime/ascii.h"
#include "runtime/error.h"

namespace sheaver {
namespace {

std::string_view Trim(std::string_view s) {
  const std::string_view blanks = " \t";
  std::size_t first = s.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

std::vector<std::string_view> SplitAt(std::string_view s, std::string_view separators) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = s.find_first_of(separators, start);
    parts.push_back(s.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

// The patterns of a pair as Qt writes them: separated by single spaces, "*.*" as "*".
std::string QtPatterns(std::string_view patterns) {
  std::string out;
  for (std::string_view p : SplitAt(patterns, "; \t")) {
    if (p.empty()) continue;
    if (!out.empty()) out += ' ';
    out += p == "*.*" ? std::string_view("*") : p;
  }
  return out.empty() ? "*" : out;
}

}  // namespace

std::string PathChooser::RelativePath() const {
  if (!StartsWithIgnoringAsciiCase(path_, init_dir_)) return path_;
  return path_.substr(init_dir_.size());
}

bool PathChooser::ChooseWithFlags(long flags) {
  if (dlg_ == nullptr) Raise(err::kObjectNotSet);
  try {
    dlg_->CancelError(true);
    dlg_->DialogTitle(title_);
    dlg_->Filter(filter_);
    dlg_->InitDir(init_dir_);
    dlg_->Flags(flags);
    dlg_->FileName(path_);
    dlg_->ShowOpen();
    path_ = dlg_->FileName();
    return true;
  } catch (const std::exception&) {
    // Cancelled, or the dialog failed: the path stays as it was.
    return false;
  }
}

bool PathChooser::ChooseExistingFile() {
  return ChooseWithFlags(kDialogFileMustExist | kDialogHideReadOnly);
}

bool PathChooser::ChooseFile() {
  return ChooseWithFlags(kDialogHideReadOnly);
}

bool PathChooser::ChooseDir() {
  if (bff_ == nullptr) Raise(err::kObjectNotSet);
  bff_->Title(title_);
  bff_->StartingFolder(path_);
  if (!bff_->Browse()) return false;
  path_ = bff_->SelectedFolder();
  return true;
}

std::vector<std::string> QtNameFilters(const std::string& filter) {
  std::vector<std::string> out;
  if (Trim(filter).empty()) return out;
  std::vector<std::string_view> parts = SplitAt(filter, "|");
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string_view desc = Trim(parts[i]);
    const std::string patterns = QtPatterns(Trim(parts[i + 1]));
    // Qt reads the patterns from the parentheses at the end of the name filter: a description
    // ending in the same patterns loses them so that they are not shown twice.
    if (!desc.empty() && desc.back() == ')') {
      std::size_t open = desc.rfind('(');
      if (open != std::string_view::npos &&
          QtPatterns(desc.substr(open + 1, desc.size() - open - 2)) == patterns) {
        desc = Trim(desc.substr(0, open));
      }
    }
    out.push_back(desc.empty() ? patterns : std::string(desc) + " (" + patterns + ")");
  }
  return out;
}

}  // namespace sheaver
