#include "datafiles/settings_file.h"

#include "platform/textfile.h"
#include "runtime/error.h"

namespace sheaver {

void SettingsFile::Rows(Int16 pN) {
  // A settings object always holds at least one line, so that it can always be saved.
  if (pN < 1)
    throw Error(err::kSubscript, "Subscript out of range: a settings file holds at least one line");
  lines_.assign(static_cast<std::size_t>(pN), std::string());
}

void SettingsFile::CheckLine(Int16 i) const {
  if (i >= 0 && i < Rows()) return;
  Error e(err::kSubscript, "Subscript out of range: line " + std::to_string(i) + " of " +
                               std::to_string(Rows()) + " lines");
  if (!fn_.empty()) e.InFile(fn_);
  throw e;
}

std::string SettingsFile::Data(Int16 i) const {
  CheckLine(i);
  return lines_[static_cast<std::size_t>(i)];
}

void SettingsFile::Data(Int16 i, std::string pValue) {
  CheckLine(i);
  lines_[static_cast<std::size_t>(i)] = std::move(pValue);
}

void SettingsFile::Load() {
  std::vector<std::string> lines = ReadTextLines(fn_, kMaxLines);
  if (lines.empty())
    throw Error(err::kSubscript, "Subscript out of range: the settings file is empty").InFile(fn_);
  lines_ = std::move(lines);
}

void SettingsFile::Save() const {
  WriteTextLines(fn_, lines_);
}

}  // namespace sheaver
