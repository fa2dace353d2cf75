#include "spreadsheet/number_format.h"

#include <string>

#include "runtime/ascii.h"

namespace sheaver::xl {

bool IsBuiltinDateFormat(std::uint16_t id) {
  return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
         (id >= 50 && id <= 58) || (id >= 71 && id <= 81);
}

bool IsDateFormat(std::string_view code) {
  int date_parts = 0, digit_parts = 0;
  bool in_quotes = false, in_brackets = false;
  std::string bracket;
  for (std::size_t i = 0; i < code.size(); ++i) {
    char ch = code[i];
    if (in_quotes) {
      if (ch == '"') in_quotes = false;
      continue;
    }
    if (in_brackets) {
      if (ch == ']') {
        in_brackets = false;
        // Elapsed time ([h], [mm], [ss]) is a time part; colours and conditions are not.
        bool elapsed = !bracket.empty();
        for (char b : bracket)
          if (!(b == 'h' || b == 'H' || b == 'm' || b == 'M' || b == 's' || b == 'S'))
            elapsed = false;
        if (elapsed) ++date_parts;
        bracket.clear();
      } else {
        bracket += ch;
      }
      continue;
    }
    switch (ch) {
      case '"':
        in_quotes = true;
        break;
      case '[':
        in_brackets = true;
        break;
      case '\\':
      case '_':
      case '*':
        ++i;
        break;  // the next character is literal, padding or fill
      case 'd':
      case 'D':
      case 'm':
      case 'M':
      case 'y':
      case 'Y':
      case 'h':
      case 'H':
      case 's':
      case 'S':
        ++date_parts;
        break;
      case '0':
      case '#':
      case '?':
        ++digit_parts;
        break;
      case ';':
        // Only the first section (positive numbers) decides.
        i = code.size();
        break;
      default:
        break;
    }
  }
  if (EqualsIgnoringAsciiCase(code, "general")) return false;
  return date_parts > 0 && date_parts >= digit_parts;
}

bool IsElapsedTimeFormat(std::string_view code) {
  bool in_quotes = false;
  for (std::size_t i = 0; i < code.size(); ++i) {
    char c = code[i];
    if (in_quotes) {
      in_quotes = c != '"';
      continue;
    }
    if (c == '"') {
      in_quotes = true;
    } else if (c == '\\') {
      ++i;
    } else if (c == ';') {
      return false;
    } else if (c == '[') {
      std::size_t close = code.find(']', i);
      if (close == std::string_view::npos) return false;
      std::string_view inside = code.substr(i + 1, close - i - 1);
      bool elapsed = !inside.empty() &&
                     inside.find_first_not_of(inside[0]) == std::string_view::npos &&
                     (inside[0] == 'h' || inside[0] == 'H' || inside[0] == 'm' ||
                      inside[0] == 'M' || inside[0] == 's' || inside[0] == 'S');
      if (elapsed) return true;
      i = close;
    }
  }
  return false;
}

Shows FormatShows(std::string_view code) {
  return !IsDateFormat(code)         ? Shows::kNumber
         : IsElapsedTimeFormat(code) ? Shows::kDuration
                                     : Shows::kDate;
}

Shows BuiltinFormatShows(std::uint32_t id) {
  if (id == 46) return Shows::kDuration;
  if (id <= 0xFFFF && IsBuiltinDateFormat(static_cast<std::uint16_t>(id))) return Shows::kDate;
  return Shows::kNumber;
}

std::string_view BuiltinFormatCode(std::uint32_t id) {
  // The built-in formats whose codes do not depend on the application's locale; the currency
  // (5-8, 41-44) and East Asian ones do, and files that use them normally define them.
  struct Builtin {
    std::uint32_t id;
    std::string_view code;
  };
  static constexpr Builtin kCodes[] = {
      {0, "General"},
      {1, "0"},
      {2, "0.00"},
      {3, "#,##0"},
      {4, "#,##0.00"},
      {9, "0%"},
      {10, "0.00%"},
      {11, "0.00E+00"},
      {12, "# ?/?"},
      {13, "# ??/??"},
      {14, "mm-dd-yy"},
      {15, "d-mmm-yy"},
      {16, "d-mmm"},
      {17, "mmm-yy"},
      {18, "h:mm AM/PM"},
      {19, "h:mm:ss AM/PM"},
      {20, "h:mm"},
      {21, "h:mm:ss"},
      {22, "m/d/yy h:mm"},
      {37, "#,##0 ;(#,##0)"},
      {38, "#,##0 ;[Red](#,##0)"},
      {39, "#,##0.00;(#,##0.00)"},
      {40, "#,##0.00;[Red](#,##0.00)"},
      {45, "mm:ss"},
      {46, "[h]:mm:ss"},
      {47, "mmss.0"},
      {48, "##0.0E+0"},
      {49, "@"},
  };
  for (const Builtin& b : kCodes)
    if (b.id == id) return b.code;
  return {};
}

}  // namespace sheaver::xl
