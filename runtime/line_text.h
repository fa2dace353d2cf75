// Texts written one per line for people and scripts to read (progress lines, listings): a name
// with a line break, a tab or bytes that are not UTF-8 must not break the line or the terminal.
#pragma once

#include <string>
#include <string_view>

namespace sheaver {

// The text with tab, CR, LF and backslash written as \t, \r, \n and \\, other control characters
// and every byte that is not part of a valid UTF-8 sequence as \xHH; valid UTF-8 stays as it is.
std::string EscapeForLine(std::string_view text);

}  // namespace sheaver
