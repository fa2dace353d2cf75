// ASCII letters and digits in text that may hold UTF-8: the byte-wise tests and the case folding
// that names, keywords, options and file extensions are compared by. Bytes of 0x80 and above are
// never letters or digits here and pass through every function unchanged, so a UTF-8 text stays
// valid. Locale-free: the C library's tolower/isdigit depend on the process locale.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sheaver {

// '0'..'9'.
constexpr bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

// 'A'..'Z' and 'a'..'z'.
constexpr bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Every byte below 0x80 (true for an empty text).
constexpr bool IsAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// 'a'..'z' for 'A'..'Z'; every other byte as it is.
constexpr char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

// A copy of text with 'A'..'Z' lowered; every other byte as it is.
inline std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = LowerAscii(c);
  return lower;
}

// Whether a and b are the same text once 'A'..'Z' are lowered in both.
constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

// Whether text begins with prefix once 'A'..'Z' are lowered in both.
constexpr bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace sheaver
