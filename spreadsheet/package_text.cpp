#include "spreadsheet/package_text.h"

#include <charconv>
#include <cmath>

#include "runtime/ascii.h"
#include "runtime/error.h"
#include "spreadsheet/reference.h"
#include "spreadsheet/text_decode.h"

namespace sheaver::xl {
namespace {

bool IsUpper(char c) {
  return c >= 'A' && c <= 'Z';
}
bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The code unit of an escape "_xHHHH_" at s[i], or -1.
int EscapeAt(std::string_view s, std::size_t i) {
  if (i + 7 > s.size() || s[i] != '_' || s[i + 1] != 'x' || s[i + 6] != '_') return -1;
  int v = 0;
  for (std::size_t k = i + 2; k < i + 6; ++k) {
    int d = HexDigit(s[k]);
    if (d < 0) return -1;
    v = v * 16 + d;
  }
  return v;
}

// Reads exactly `n` digits at s[i] into v; advances i.
bool Digits(std::string_view s, std::size_t& i, std::size_t n, int& v) {
  v = 0;
  for (std::size_t k = 0; k < n; ++k, ++i) {
    if (i >= s.size() || !IsAsciiDigit(s[i])) return false;
    v = v * 10 + (s[i] - '0');
  }
  return true;
}

// "HH:MM[:SS[.fff]]" at s[i] to the end (a zone after it ignored), as a fraction of a day.
std::optional<double> TimeOfDay(std::string_view s, std::size_t i) {
  int h, m, sec = 0;
  if (!Digits(s, i, 2, h) || i >= s.size() || s[i++] != ':' || !Digits(s, i, 2, m))
    return std::nullopt;
  double fraction = 0;
  if (i < s.size() && s[i] == ':') {
    ++i;
    if (!Digits(s, i, 2, sec)) return std::nullopt;
    if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
      double scale = 0.1;
      for (++i; i < s.size() && IsAsciiDigit(s[i]); ++i, scale /= 10)
        fraction += (s[i] - '0') * scale;
    }
  }
  if (i < s.size() && !(s[i] == 'Z' || s[i] == '+' || s[i] == '-')) return std::nullopt;
  if (h > 24 || m > 59 || sec > 60) return std::nullopt;
  return (h * 3600.0 + m * 60.0 + sec + fraction) / 86400.0;
}

// Whether a formula is a constant: a number, a quoted text, TRUE/FALSE or an error value.
bool IsConstant(std::string_view f) {
  if (ParseXmlNumber(f)) return true;
  if (f.size() >= 2 && f.front() == '"' && f.back() == '"') {
    // Inner quotes come doubled.
    for (std::size_t i = 1; i + 1 < f.size(); ++i) {
      if (f[i] != '"') continue;
      if (i + 2 < f.size() && f[i + 1] == '"') {
        ++i;
        continue;
      }
      return false;
    }
    return true;
  }
  std::string lower = FoldCase(f);
  return lower == "true" || lower == "false";
}

// Splits a formula at top-level occurrences of `sep` (outside quotes, brackets, parentheses).
std::vector<std::string_view> SplitTopLevel(std::string_view f, char sep) {
  std::vector<std::string_view> parts;
  int depth = 0;
  char quote = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < f.size(); ++i) {
    char c = f[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '\'' || c == '"')
      quote = c;
    else if (c == '(' || c == '[' || c == '{')
      ++depth;
    else if (c == ')' || c == ']' || c == '}')
      --depth;
    else if (c == sep && depth == 0) {
      parts.push_back(f.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(f.substr(start));
  return parts;
}

// The range of an area on a named sheet, or why it is not one.
NameTarget OnSheet(std::string_view sheet_name, const Area& area,
                   const std::vector<SheetInfo>& sheets) {
  int sheet = FindSheet(sheets, sheet_name);
  if (sheet < 0)
    return NameTarget::NotARange("it refers to sheet '" + std::string(sheet_name) +
                                 "', which the workbook does not have");
  const SheetInfo& info = sheets[static_cast<std::size_t>(sheet)];
  if (info.kind != SheetKind::kWorksheet)
    return NameTarget::NotARange("it refers to sheet '" + info.name + "', which has no cells");
  if (area.last_row >= info.max_rows || area.last_col >= info.max_cols)
    return NameTarget::NotARange("it lies outside the sheet");
  return NameTarget::Range(static_cast<std::uint32_t>(sheet), area);
}

// One side of an ODF range address: an optional sheet, then a cell, column or row.
struct OdfCorner {
  bool has_sheet = false;
  std::string sheet;
  std::optional<std::uint32_t> row, col;
};

// Reads "[$]Sheet.[$]A[$]1", "[$]'My Sheet'.A1", ".A1", "A1", "$A" or "$1"; false otherwise.
bool ReadOdfCorner(std::string_view s, OdfCorner& out) {
  std::size_t i = 0;
  if (std::size_t dot = s.rfind('.'); dot != std::string_view::npos) {
    std::string_view sheet = s.substr(0, dot);
    if (!sheet.empty() && sheet[0] == '$') sheet.remove_prefix(1);
    if (!sheet.empty()) {
      if (sheet.front() == '\'') {
        if (sheet.size() < 2 || sheet.back() != '\'') return false;
        for (std::size_t k = 1; k + 1 < sheet.size(); ++k) {
          out.sheet += sheet[k];
          if (sheet[k] == '\'') {
            if (k + 2 >= sheet.size() || sheet[k + 1] != '\'') return false;
            ++k;
          }
        }
      } else {
        out.sheet = std::string(sheet);
      }
      out.has_sheet = true;
    }
    i = dot + 1;
  }
  if (i < s.size() && s[i] == '$') ++i;
  std::uint64_t col = 0;
  std::size_t letters = 0;
  while (i < s.size() && ((s[i] >= 'A' && s[i] <= 'Z') || (s[i] >= 'a' && s[i] <= 'z'))) {
    if (++letters > 3) return false;
    col = col * 26 + static_cast<std::uint64_t>((s[i] | 0x20) - 'a' + 1);
    ++i;
  }
  if (letters) {
    if (col > kPackageMaxCols) return false;
    out.col = static_cast<std::uint32_t>(col - 1);
  }
  if (i < s.size() && s[i] == '$') ++i;
  std::uint64_t row = 0;
  std::size_t digits = 0;
  while (i < s.size() && IsAsciiDigit(s[i])) {
    if (++digits > 7) return false;
    row = row * 10 + static_cast<std::uint64_t>(s[i] - '0');
    ++i;
  }
  if (digits) {
    if (row < 1 || row > kPackageMaxRows) return false;
    out.row = static_cast<std::uint32_t>(row - 1);
  }
  return i == s.size() && (letters || digits);
}

}  // namespace

std::string DecodeEscapes(std::string_view text) {
  if (text.find("_x") == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    int unit = EscapeAt(text, i);
    if (unit < 0) {
      out += text[i++];
      continue;
    }
    i += 7;
    char32_t cp = static_cast<char32_t>(unit);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      int low = EscapeAt(text, i);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
             (static_cast<char32_t>(low) - 0xDC00);
        i += 7;
      } else {
        cp = 0xFFFD;
      }
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

std::optional<double> ParseXmlNumber(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  // from_chars reads "inf" and "nan" spellings; a number starts with a digit, sign or point.
  char first = text[0] == '-' ? (text.size() > 1 ? text[1] : ' ') : text[0];
  if (!IsAsciiDigit(first) && first != '.') return std::nullopt;
  return value;
}

double DateValueToSerial(DateValue date) {
  if (date >= 61.0) return date;
  if (date >= 1.0) return date - 1.0;
  return date;
}

std::optional<double> ParseIsoDateTime(std::string_view text) {
  std::string_view s = Trim(text);
  if (s.empty()) return std::nullopt;
  if (s[0] == 'T') return TimeOfDay(s, 1);
  if (s.size() >= 3 && s[2] == ':') return TimeOfDay(s, 0);
  std::size_t i = 0;
  bool negative = false;
  if (s[0] == '-') {
    negative = true;
    ++i;
  }
  int year, month, day;
  std::size_t year_start = i;
  year = 0;
  while (i < s.size() && IsAsciiDigit(s[i]) && i - year_start < 6)
    year = year * 10 + (s[i++] - '0');
  if (i - year_start < 4 || i >= s.size() || s[i++] != '-' || !Digits(s, i, 2, month) ||
      i >= s.size() || s[i++] != '-' || !Digits(s, i, 2, day))
    return std::nullopt;
  if (negative) year = -year;
  double time = 0;
  if (i < s.size()) {
    if (s[i] == 'T' || s[i] == ' ') {
      auto t = TimeOfDay(s, i + 1);
      if (!t) return std::nullopt;
      time = *t;
    } else if (!(s[i] == 'Z' || s[i] == '+' || s[i] == '-')) {
      return std::nullopt;
    }
  }
  if (month < 1 || month > 12 || day < 1 || day > 31 || year < 100 || year > 9999)
    return std::nullopt;
  DateValue date;
  try {
    date = DateSerial(year, month, day);
    if (ToCivil(date).day != day) return std::nullopt;  // 30 February and the like
  } catch (const Error&) {
    return std::nullopt;
  }
  // The time of a day before 30 December 1899 counts away from it, as date values do.
  return DateValueToSerial(date < 0 ? date - time : date + time);
}

std::optional<double> ParseDuration(std::string_view text) {
  std::string_view s = Trim(text);
  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && s[i] == '-') {
    negative = true;
    ++i;
  }
  if (i >= s.size() || s[i++] != 'P' || i >= s.size()) return std::nullopt;
  double seconds = 0;
  bool in_time = false, any = false;
  while (i < s.size()) {
    if (s[i] == 'T') {
      if (in_time) return std::nullopt;
      in_time = true;
      ++i;
      continue;
    }
    std::size_t start = i;
    while (i < s.size() && (IsAsciiDigit(s[i]) || s[i] == '.' || s[i] == ',')) ++i;
    if (i == start || i >= s.size()) return std::nullopt;
    std::string number(s.substr(start, i - start));
    for (char& c : number)
      if (c == ',') c = '.';
    auto v = ParseXmlNumber(number);
    if (!v) return std::nullopt;
    char unit = s[i++];
    if (!in_time && unit == 'D')
      seconds += *v * 86400.0;
    else if (in_time && unit == 'H')
      seconds += *v * 3600.0;
    else if (in_time && unit == 'M')
      seconds += *v * 60.0;
    else if (in_time && unit == 'S')
      seconds += *v;
    else
      return std::nullopt;  // years, months and weeks have no fixed length
    any = true;
  }
  if (!any) return std::nullopt;
  double days = seconds / 86400.0;
  return negative ? -days : days;
}

bool ParseCellName(std::string_view s, std::uint32_t& row, std::uint32_t& col) {
  std::size_t i = 0;
  std::uint32_t c = 0, r = 0;
  // Letters in either case: some producers write r="a1", which Excel and LibreOffice read.
  while (i < s.size() && IsAsciiLetter(s[i])) {
    if (i >= 3) return false;
    c = c * 26 + static_cast<std::uint32_t>((s[i] | 0x20) - 'a' + 1);
    ++i;
  }
  std::size_t letters = i;
  while (i < s.size() && IsAsciiDigit(s[i])) {
    if (i - letters >= 7) return false;
    r = r * 10 + static_cast<std::uint32_t>(s[i] - '0');
    ++i;
  }
  if (letters == 0 || i == letters || i != s.size()) return false;
  if (c > kPackageMaxCols || r < 1 || r > kPackageMaxRows) return false;
  row = r - 1;
  col = c - 1;
  return true;
}

namespace {

constexpr std::pair<std::string_view, std::uint8_t> kErrorCodes[] = {
    {"#NULL!", 0x00}, {"#DIV/0!", 0x07}, {"#VALUE!", 0x0F}, {"#REF!", 0x17},
    {"#NAME?", 0x1D}, {"#NUM!", 0x24},   {"#N/A", 0x2A},    {"#GETTING_DATA", 0x2B}};

}  // namespace

std::uint8_t ErrorCodeOf(std::string_view text) {
  text = Trim(text);
  for (const auto& [name, code] : kErrorCodes)
    if (text == name) return code;
  return 0x2A;
}

bool IsErrorText(std::string_view text) {
  for (const auto& [name, code] : kErrorCodes)
    if (text == name) return true;
  return false;
}

int FindSheet(const std::vector<SheetInfo>& sheets, std::string_view name) {
  for (std::size_t i = 0; i < sheets.size(); ++i)
    if (sheets[i].name == name) return static_cast<int>(i);
  std::string folded = FoldCase(name);
  for (std::size_t i = 0; i < sheets.size(); ++i)
    if (FoldCase(sheets[i].name) == folded) return static_cast<int>(i);
  return -1;
}

NameTarget ResolveA1Target(std::string_view formula, const std::vector<SheetInfo>& sheets) {
  std::string_view f = Trim(formula);
  if (!f.empty() && f[0] == '=') f = Trim(f.substr(1));
  if (f.empty()) return NameTarget::NotARange("it is empty");
  if (auto ref = ParseReference(f, kPackageMaxRows, kPackageMaxCols); ref && ref->area) {
    if (!ref->has_sheet) return NameTarget::NotARange("it refers to no sheet");
    if (!ref->sheet.empty() && ref->sheet[0] == '[')
      return NameTarget::NotARange("it refers to another workbook");
    if (ref->sheet.find(':') != std::string::npos && FindSheet(sheets, ref->sheet) < 0)
      return NameTarget::NotARange("it spans several sheets");
    return OnSheet(ref->sheet, *ref->area, sheets);
  }
  if (f.find("#REF!") != std::string_view::npos)
    return NameTarget::NotARange("it refers to deleted cells (#REF!)");
  if (f[0] == '[') return NameTarget::NotARange("it refers to another workbook");
  if (f[0] == '{') return NameTarget::NotARange("it is an array constant");
  if (IsConstant(f) || (f[0] == '#' && ErrorCodeOf(f) != 0x2A) || f == "#N/A")
    return NameTarget::NotARange("it is a constant");
  std::string_view inner = f;
  if (inner.size() >= 2 && inner.front() == '(' && inner.back() == ')')
    inner = inner.substr(1, inner.size() - 2);
  auto parts = SplitTopLevel(inner, ',');
  if (parts.size() > 1) {
    bool all_references = true;
    for (std::string_view p : parts) {
      auto ref = ParseReference(Trim(p), kPackageMaxRows, kPackageMaxCols);
      if (!ref || !ref->area) all_references = false;
    }
    if (all_references) return NameTarget::NotARange("it refers to several areas");
  }
  if (SplitTopLevel(f, ' ').size() > 1) {
    auto pieces = SplitTopLevel(f, ' ');
    bool all_references = true;
    for (std::string_view p : pieces) {
      auto ref = ParseReference(Trim(p), kPackageMaxRows, kPackageMaxCols);
      if (!p.empty() && (!ref || !ref->area)) all_references = false;
    }
    if (all_references) return NameTarget::NotARange("it is the intersection of areas");
  }
  return NameTarget::NotARange("it is a formula");
}

NameTarget ResolveOdfRange(std::string_view address, const std::vector<SheetInfo>& sheets,
                           int default_sheet) {
  std::string_view a = Trim(address);
  if (a.empty()) return NameTarget::NotARange("it is empty");
  if (a.find("#REF!") != std::string_view::npos)
    return NameTarget::NotARange("it refers to deleted cells (#REF!)");
  if (a.find(' ') != std::string_view::npos && SplitTopLevel(a, ' ').size() > 1)
    return NameTarget::NotARange("it refers to several areas");
  if (a[0] == '\'' && a.find("'#") != std::string_view::npos)
    return NameTarget::NotARange("it refers to another workbook");
  // The colon that joins the two corners lies outside quoted sheet names.
  std::size_t colon = std::string_view::npos;
  bool quoted = false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] == '\'')
      quoted = !quoted;
    else if (a[i] == ':' && !quoted) {
      colon = i;
      break;
    }
  }
  OdfCorner first, second;
  if (!ReadOdfCorner(a.substr(0, colon), first)) return NameTarget::NotARange("it is a formula");
  if (colon == std::string_view::npos) {
    second = first;
  } else if (!ReadOdfCorner(a.substr(colon + 1), second)) {
    return NameTarget::NotARange("it is a formula");
  }
  std::string sheet_name;
  if (first.has_sheet) {
    sheet_name = first.sheet;
  } else if (default_sheet >= 0 && static_cast<std::size_t>(default_sheet) < sheets.size()) {
    sheet_name = sheets[static_cast<std::size_t>(default_sheet)].name;
  } else {
    return NameTarget::NotARange("it refers to no sheet");
  }
  if (second.has_sheet && FindSheet(sheets, second.sheet) != FindSheet(sheets, sheet_name))
    return NameTarget::NotARange("it spans several sheets");
  Area area;
  if (first.col && first.row && second.col && second.row) {
    area = {std::min(*first.row, *second.row), std::min(*first.col, *second.col),
            std::max(*first.row, *second.row), std::max(*first.col, *second.col)};
  } else if (first.col && !first.row && second.col && !second.row) {
    area = {0, std::min(*first.col, *second.col), kPackageMaxRows - 1,
            std::max(*first.col, *second.col)};
  } else if (!first.col && first.row && !second.col && second.row) {
    area = {std::min(*first.row, *second.row), 0, std::max(*first.row, *second.row),
            kPackageMaxCols - 1};
  } else {
    return NameTarget::NotARange("it is a formula");
  }
  return OnSheet(sheet_name, area, sheets);
}

NameTarget ResolveOdfExpression(std::string_view expression, const std::vector<SheetInfo>& sheets,
                                int default_sheet) {
  std::string_view e = Trim(expression);
  // A namespace prefix says which formula syntax follows: "of:" (OpenFormula) and "oooc:"
  // write references in brackets, "msoxl:" as Excel does.
  bool excel = false;
  if (std::size_t colon = e.find(':'); colon != std::string_view::npos && colon + 1 < e.size() &&
                                       e[colon + 1] == '=' && e.find('[') > colon) {
    excel = StartsWithIgnoringAsciiCase(e, "msoxl:");
    e = e.substr(colon + 1);
  }
  if (!e.empty() && e[0] == '=') e = Trim(e.substr(1));
  if (excel) return ResolveA1Target(e, sheets);
  if (e.empty()) return NameTarget::NotARange("it is empty");
  if (e.size() >= 2 && e.front() == '[' && e.back() == ']' &&
      e.find('[', 1) == std::string_view::npos)
    return ResolveOdfRange(e.substr(1, e.size() - 2), sheets, default_sheet);
  if (e.find("#REF!") != std::string_view::npos)
    return NameTarget::NotARange("it refers to deleted cells (#REF!)");
  if (IsConstant(e)) return NameTarget::NotARange("it is a constant");
  if (e[0] == '{') return NameTarget::NotARange("it is an array constant");
  if (SplitTopLevel(e, '~').size() > 1) return NameTarget::NotARange("it refers to several areas");
  return NameTarget::NotARange("it is a formula");
}

}  // namespace sheaver::xl
