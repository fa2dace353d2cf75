// A settings file: a plain list of lines, one setting per line, written unchanged (no quoting, no
// keys) with CR LF line ends. The main window keeps the form type, input directory, output
// directory and data file in lines 0 to 3; this class knows nothing of what the lines mean.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "runtime/int16.h"

namespace sheaver {

class SettingsFile {
 public:
  // Loading reads at most this many lines; the rest of a longer file is never read.
  static constexpr Int16 kMaxLines = 50;

  // The path of the settings file; "" on a new object.
  const std::string& fn() const { return fn_; }
  // Stores the path without checking it.
  void fn(std::string pFn) { fn_ = std::move(pFn); }

  // The number of lines held (at least 1; a new object holds one empty line).
  Int16 Rows() const { return static_cast<Int16>(lines_.size()); }
  // Replaces the lines by pN empty lines, even when pN equals the current count. pN < 1 raises
  // Subscript out of range (9) and leaves the lines as they were.
  void Rows(Int16 pN);

  // Line i. Outside 0..Rows()-1: Subscript out of range (9).
  std::string Data(Int16 i) const;
  // Replaces line i. Outside 0..Rows()-1: Subscript out of range (9), nothing changed.
  void Data(Int16 i, std::string pValue);

  // Replaces the lines by the first kMaxLines lines of the file (line ends dropped). Raises the
  // file errors of ReadTextLines (an empty file name is Bad file name, 52); a file without any
  // line raises Subscript out of range (9). After an error the lines are unchanged.
  void Load();
  // Creates or truncates the file and writes every line followed by CR LF. Raises the file
  // errors of WriteTextLines (an empty file name is Bad file name, 52).
  void Save() const;

 private:
  void CheckLine(Int16 i) const;

  std::string fn_;
  std::vector<std::string> lines_{std::string()};
};

}  // namespace sheaver
