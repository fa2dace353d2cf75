// Text files as lists of lines. Texts are bytes in the system's 8-bit code page (UTF-8 here) and
// pass through unchanged. Lines are written with CR LF line ends; reading accepts CR LF, LF and
// CR line ends. Every call opens and closes its file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"

namespace sheaver {

// The lines of the file, without their line ends, stopping after maxLines lines (the rest of the
// file is never read). A last line without a line end is still a line; an empty file has no
// lines; a UTF-8 byte-order mark at the very start is dropped. A missing file is File not found
// (53), a missing directory Path not found (76), a directory Path/File access error (75).
// Only regular files are read: a folder, a pipe or a device is Path/File access error (75) at once,
// and so is a file that gives more than kMaxTextFileBytes before the lines wanted are complete (a
// form type or settings file is a few hundred bytes; this keeps a mistaken path from being read
// without end).
inline constexpr std::size_t kMaxTextFileBytes = std::size_t{4} << 20;
std::vector<std::string> ReadTextLines(const std::string& path, std::size_t maxLines = kAllLines);

// Creates the file, or truncates it, and writes each line followed by CR LF.
void WriteTextLines(const std::string& path, const std::vector<std::string>& lines);

// Appends the line and CR LF to the file, creating it when missing; the file is closed again
// before the call returns, so the line is in the file whatever happens next.
void AppendTextLine(const std::string& path, std::string_view line);

}  // namespace sheaver
