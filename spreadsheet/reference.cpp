#include "spreadsheet/reference.h"

#include <algorithm>

#include "runtime/ascii.h"

namespace sheaver::xl {
namespace {

// One side of a range: a column, a row, or both; each may be preceded by "$".
struct Part {
  std::optional<std::uint32_t> col;
  std::optional<std::uint32_t> row;
};

// Reads "[$]letters[$]digits", "[$]letters" or "[$]digits"; false on anything else or on a
// column/row outside the sheet.
bool ReadPart(std::string_view s, std::uint32_t max_rows, std::uint32_t max_cols, Part& out) {
  std::size_t i = 0;
  if (i < s.size() && s[i] == '$') ++i;
  std::size_t letters = 0;
  std::uint64_t col = 0;
  while (i < s.size() && IsAsciiLetter(s[i])) {
    if (++letters > 3) return false;
    col = col * 26 + static_cast<std::uint64_t>((s[i] | 0x20) - 'a' + 1);
    ++i;
  }
  if (letters) {
    if (col > max_cols) return false;
    out.col = static_cast<std::uint32_t>(col - 1);
    if (i < s.size() && s[i] == '$') ++i;
  } else if (i > 0 && i < s.size() && s[i] == '$') {
    return false;  // "$$1"
  }
  std::size_t digits = 0;
  std::uint64_t row = 0;
  while (i < s.size() && IsAsciiDigit(s[i])) {
    if (++digits > 7) return false;
    row = row * 10 + static_cast<std::uint64_t>(s[i] - '0');
    ++i;
  }
  if (i != s.size() || (letters == 0 && digits == 0)) return false;
  if (digits) {
    if (row < 1 || row > max_rows) return false;
    out.row = static_cast<std::uint32_t>(row - 1);
  }
  // "$A$" or a "$" before nothing is not a part.
  if (!s.empty() && s.back() == '$') return false;
  return true;
}

std::optional<Area> ReadArea(std::string_view s, std::uint32_t max_rows, std::uint32_t max_cols) {
  std::size_t colon = s.find(':');
  Part a, b;
  if (colon == std::string_view::npos) {
    if (!ReadPart(s, max_rows, max_cols, a) || !a.col || !a.row) return std::nullopt;
    return Area{*a.row, *a.col, *a.row, *a.col};
  }
  if (!ReadPart(s.substr(0, colon), max_rows, max_cols, a) ||
      !ReadPart(s.substr(colon + 1), max_rows, max_cols, b))
    return std::nullopt;
  Area area;
  if (a.col && a.row && b.col && b.row) {
    area = {std::min(*a.row, *b.row), std::min(*a.col, *b.col), std::max(*a.row, *b.row),
            std::max(*a.col, *b.col)};
  } else if (a.col && !a.row && b.col && !b.row) {  // whole columns
    area = {0, std::min(*a.col, *b.col), max_rows - 1, std::max(*a.col, *b.col)};
  } else if (!a.col && a.row && !b.col && b.row) {  // whole rows
    area = {std::min(*a.row, *b.row), 0, std::max(*a.row, *b.row), max_cols - 1};
  } else {
    return std::nullopt;
  }
  return area;
}

// The form of a defined name: a letter, "_" or "\" first, then letters, digits, "_", ".", "\";
// characters beyond ASCII count as letters.
bool LooksLikeName(std::string_view s) {
  if (s.empty()) return false;
  unsigned char first = static_cast<unsigned char>(s[0]);
  if (!(IsAsciiLetter(s[0]) || s[0] == '_' || s[0] == '\\' || first >= 0x80)) return false;
  for (char c : s) {
    unsigned char u = static_cast<unsigned char>(c);
    if (!(IsAsciiLetter(c) || IsAsciiDigit(c) || c == '_' || c == '.' || c == '\\' || c == '?' ||
          u >= 0x80))
      return false;
  }
  return true;
}

}  // namespace

std::optional<ParsedReference> ParseReference(std::string_view text, std::uint32_t max_rows,
                                              std::uint32_t max_cols) {
  ParsedReference ref;
  std::string_view rest = text;
  if (!text.empty() && text[0] == '\'') {
    // 'Sheet name'!... with '' for a quote inside.
    std::size_t i = 1;
    std::string sheet;
    while (true) {
      if (i >= text.size()) return std::nullopt;
      if (text[i] == '\'') {
        if (i + 1 < text.size() && text[i + 1] == '\'') {
          sheet += '\'';
          i += 2;
          continue;
        }
        break;
      }
      sheet += text[i++];
    }
    if (i + 1 >= text.size() || text[i + 1] != '!' || sheet.empty()) return std::nullopt;
    ref.has_sheet = true;
    ref.sheet = std::move(sheet);
    rest = text.substr(i + 2);
  } else if (std::size_t bang = text.find('!'); bang != std::string_view::npos) {
    if (bang == 0) return std::nullopt;
    ref.has_sheet = true;
    ref.sheet = std::string(text.substr(0, bang));
    rest = text.substr(bang + 1);
  }
  if (rest.empty()) return std::nullopt;
  if (auto area = ReadArea(rest, max_rows, max_cols)) {
    ref.area = area;
    return ref;
  }
  if (!LooksLikeName(rest)) return std::nullopt;
  // Text of a cell reference's shape that failed above (a column or row off the sheet, A0)
  // is not a name either.
  std::size_t i = 0;
  while (i < rest.size() && (IsAsciiLetter(rest[i]) || rest[i] == '$')) ++i;
  bool digits_only =
      i > 0 && i < rest.size() &&
      std::all_of(rest.begin() + static_cast<std::ptrdiff_t>(i), rest.end(), IsAsciiDigit);
  if (digits_only && i <= 4) return std::nullopt;
  ref.name = std::string(rest);
  return ref;
}

std::string ColumnLetters(std::uint32_t col) {
  std::string letters;
  for (std::uint64_t n = std::uint64_t{col} + 1; n > 0; n = (n - 1) / 26)
    letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
  return letters;
}

std::string AreaText(const Area& area, bool absolute) {
  const char* dollar = absolute ? "$" : "";
  auto corner = [&](std::uint32_t row, std::uint32_t col) {
    return dollar + ColumnLetters(col) + dollar + std::to_string(std::uint64_t{row} + 1);
  };
  std::string text = corner(area.first_row, area.first_col);
  if (area.first_row != area.last_row || area.first_col != area.last_col)
    text += ":" + corner(area.last_row, area.last_col);
  return text;
}

}  // namespace sheaver::xl
