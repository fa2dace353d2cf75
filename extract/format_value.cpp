#include "extract/format_value.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>

#include "runtime/ascii.h"
#include "runtime/date.h"
#include "runtime/decimal.h"
#include "runtime/format.h"

namespace sheaver {
namespace {

// Every value of a data file passes through here, most of them under the fixed number and date
// codes. Those codes are written directly below instead of through the pattern engine (which
// reads the pattern anew on every call), and the cell texts the spreadsheet writes for numbers
// and whole-day dates ("7.5", "31/01/2024") are read directly too. Anything else takes the
// general readers. Both ways give the same text, which the tests check over many values and
// every built-in locale.

bool IsContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// A fixed code, compared with the key without regard to letter case.
enum class Kind { kText, kNumber, kDate };
struct FixedCode {
  std::string_view key;
  Kind kind;
  int decimals;  // number codes: places after the point
};
constexpr FixedCode kFixedCodes[] = {
    {"text", Kind::kText, 0},   {"0", Kind::kNumber, 0},     {"0.0", Kind::kNumber, 1},
    {"0.00", Kind::kNumber, 2}, {"0.000", Kind::kNumber, 3}, {"dmy", Kind::kDate, 0},
    {"mdy", Kind::kDate, 0},    {"ymd", Kind::kDate, 0},     {"iso", Kind::kDate, 0},
};

const FixedCode* FindFixedCode(std::string_view code) {
  for (const FixedCode& fixed : kFixedCodes)
    if (EqualsIgnoringAsciiCase(code, fixed.key)) return &fixed;
  return nullptr;
}

// ---- Numbers --------------------------------------------------------------------------------

constexpr std::uint64_t kPowersOfTen[] = {1,
                                          10,
                                          100,
                                          1000,
                                          10000,
                                          100000,
                                          1000000,
                                          10000000,
                                          100000000,
                                          1000000000,
                                          10000000000,
                                          100000000000,
                                          1000000000000,
                                          10000000000000,
                                          100000000000000,
                                          1000000000000000,
                                          10000000000000000,
                                          100000000000000000,
                                          1000000000000000000};
constexpr int kMaxPlainDigits = 18;
// Below the largest signed 64-bit value, so that sums of plain numbers and offsets stay exact.
constexpr std::uint64_t kPlainLimit = 9'000'000'000'000'000'000ULL;

// A number text of the plain kind the spreadsheet writes for a cell: value = ±digits / 10^places.
struct PlainNumber {
  bool negative = false;
  std::uint64_t digits = 0;
  int places = 0;
};

// The text as a plain number: an optional sign, then digits with at most one decimal point ("."
// or, in a comma locale, ","), 1 to 18 digits, nothing else. The leading-number reader gives
// such a text exactly this value in every locale (one point alone never forms a thousands
// group), so only texts outside this form need it: blanks, groups, exponents, "&H", long ones.
std::optional<PlainNumber> ReadPlainNumber(std::string_view text, const Locale& locale) {
  const bool commaIsPoint = locale.decimal_separator == ",";
  PlainNumber n;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) n.negative = text[i++] == '-';
  int digits = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (IsAsciiDigit(c)) {
      if (++digits > kMaxPlainDigits) return std::nullopt;
      n.digits = n.digits * 10 + static_cast<std::uint64_t>(c - '0');
      if (point) ++n.places;
    } else if ((c == '.' || (c == ',' && commaIsPoint)) && !point) {
      point = true;
    } else {
      return std::nullopt;
    }
  }
  if (digits == 0) return std::nullopt;
  return n;
}

// Writes ±magnitude / 10^places rounded half away from zero to `decimals` places, as the number
// codes show it: at least one integer digit, exactly `decimals` decimals after the locale's
// separator, and no sign when it rounds to zero.
std::string WriteFixed(bool negative, std::uint64_t magnitude, int places, int decimals,
                       const Locale& locale) {
  if (places > decimals) {
    const std::uint64_t unit = kPowersOfTen[places - decimals];
    const std::uint64_t rest = magnitude % unit;
    magnitude /= unit;
    if (rest >= unit - rest) ++magnitude;
    places = decimals;
  }
  char digits[24];
  const char* end = std::to_chars(digits, digits + sizeof digits, magnitude).ptr;
  const std::string_view all(digits, static_cast<std::size_t>(end - digits));
  std::string text;
  text.reserve(all.size() + static_cast<std::size_t>(decimals) + 4);
  if (negative && magnitude != 0) text += '-';
  const std::size_t fraction = static_cast<std::size_t>(places);
  if (all.size() > fraction) {
    text.append(all.substr(0, all.size() - fraction));
  } else {
    text += '0';
  }
  if (decimals > 0) {
    text += locale.decimal_separator;
    if (all.size() < fraction) text.append(fraction - all.size(), '0');
    text.append(all.size() > fraction ? all.substr(all.size() - fraction) : all);
    text.append(static_cast<std::size_t>(decimals - places), '0');
  }
  return text;
}

// The same for a number of any size: the rounded value's digits as the general "0.00" pattern
// writes them.
std::string WriteFixed(const Decimal& value, int decimals, const Locale& locale) {
  const Decimal rounded = value.RoundedToDecimals(decimals);
  std::string text;
  if (rounded.Negative()) text += '-';  // a value that rounds to zero is never negative
  const std::string integer = rounded.IntegerDigits();
  text += integer.empty() ? "0" : integer;
  if (decimals > 0) {
    text += locale.decimal_separator;
    text += rounded.FractionDigits(decimals);
  }
  return text;
}

std::string FormatNumberCode(std::string_view cellText, Int16 offset, int decimals,
                             const Locale& locale) {
  if (const std::optional<PlainNumber> n = ReadPlainNumber(cellText, locale)) {
    // ±digits / 10^places + offset, exactly, as one signed count of 10^-places.
    const std::uint64_t step = kPowersOfTen[n->places];
    const std::uint64_t shift = static_cast<std::uint64_t>(offset < 0 ? -offset : offset);
    if (n->digits < kPlainLimit && shift <= (kPlainLimit - n->digits) / step) {
      const auto value = static_cast<std::int64_t>(n->digits);
      const std::int64_t sum =
          (n->negative ? -value : value) + offset * static_cast<std::int64_t>(step);
      return WriteFixed(sum < 0, static_cast<std::uint64_t>(sum < 0 ? -sum : sum), n->places,
                        decimals, locale);
    }
  }
  const Decimal number = ReadLeadingNumber(cellText, locale) + Decimal::FromInteger(offset);
  return WriteFixed(number, decimals, locale);
}

// ---- Dates ----------------------------------------------------------------------------------

bool AllDigits(std::string_view text) {
  for (char c : text)
    if (!IsAsciiDigit(c)) return false;
  return true;
}

int DigitsValue(std::string_view text) {
  int value = 0;
  for (char c : text) value = value * 10 + (c - '0');
  return value;
}

bool IsDateSeparator(char c) {
  return c == '/' || c == '-' || c == '.';
}

// The date of a text in the shape the spreadsheet writes for a whole day: two digits, two digits
// and a four-digit year in the locale's order (not in a year-first locale), or a four-digit year,
// month and day in any locale, with the same "/", "-" or "." twice. Nothing for any other text
// or for a day that does not exist: the general date reader decides those.
std::optional<DateValue> ReadPlainDate(std::string_view text, const Locale& locale) {
  if (text.size() != 10) return std::nullopt;
  int year, month, day;
  if (IsDateSeparator(text[2]) && text[5] == text[2] && AllDigits(text.substr(0, 2)) &&
      AllDigits(text.substr(3, 2)) && AllDigits(text.substr(6, 4))) {
    const int first = DigitsValue(text.substr(0, 2));
    const int second = DigitsValue(text.substr(3, 2));
    year = DigitsValue(text.substr(6, 4));
    if (locale.date_order == DateOrder::kDayMonthYear) {
      day = first;
      month = second;
    } else if (locale.date_order == DateOrder::kMonthDayYear) {
      month = first;
      day = second;
    } else {
      return std::nullopt;
    }
  } else if (IsDateSeparator(text[4]) && text[7] == text[4] && AllDigits(text.substr(0, 4)) &&
             AllDigits(text.substr(5, 2)) && AllDigits(text.substr(8, 2))) {
    year = DigitsValue(text.substr(0, 4));
    month = DigitsValue(text.substr(5, 2));
    day = DigitsValue(text.substr(8, 2));
  } else {
    return std::nullopt;
  }
  if (!IsValidDay(year, month, day)) return std::nullopt;
  return DateSerial(year, month, day);
}

void AppendTwoDigits(std::string& text, int value) {
  const char digits[2] = {static_cast<char>('0' + value / 10 % 10),
                          static_cast<char>('0' + value % 10)};
  text.append(digits, 2);
}

// The date under "dd/mm/yyyy", "mm/dd/yyyy" or "yyyymmdd", "/" being the locale's separator, or
// under "yyyy-mm-dd" with " hh:mm:ss" after it when the date has a time of day.
std::string WriteDate(DateValue date, std::string_view key, const Locale& locale) {
  const CivilDateTime c = ToCivil(date);  // Overflow outside the valid dates
  std::string text;
  text.reserve(8 + 2 * locale.date_separator.size());
  if (key == "iso") {
    text.reserve(19);
    AppendTwoDigits(text, c.year / 100);
    AppendTwoDigits(text, c.year % 100);
    text += '-';
    AppendTwoDigits(text, c.month);
    text += '-';
    AppendTwoDigits(text, c.day);
    if (c.hour != 0 || c.minute != 0 || c.second != 0) {
      text += ' ';
      AppendTwoDigits(text, c.hour);
      text += ':';
      AppendTwoDigits(text, c.minute);
      text += ':';
      AppendTwoDigits(text, c.second);
    }
    return text;
  }
  if (key == "ymd") {
    AppendTwoDigits(text, c.year / 100);
    AppendTwoDigits(text, c.year % 100);
    AppendTwoDigits(text, c.month);
    AppendTwoDigits(text, c.day);
    return text;
  }
  AppendTwoDigits(text, key == "dmy" ? c.day : c.month);
  text += locale.date_separator;
  AppendTwoDigits(text, key == "dmy" ? c.month : c.day);
  text += locale.date_separator;
  AppendTwoDigits(text, c.year / 100);
  AppendTwoDigits(text, c.year % 100);
  return text;
}

std::string FormatDateCode(std::string_view cellText, Int16 offset, std::string_view key,
                           const Locale& locale) {
  std::optional<DateValue> date = ReadPlainDate(cellText, locale);
  if (!date) date = ParseDate(cellText, locale);  // Type mismatch for a text that is no date
  return WriteDate(AddDays(*date, offset), key, locale);
}

}  // namespace

std::string FormatValue(std::string_view cellText, std::string_view formatCode, Int16 recordIndex,
                        const Locale& locale) {
  Int16 offset = 0;
  std::string_view code = formatCode;
  if (!code.empty() && code.front() == '+') {
    offset = recordIndex;
    code.remove_prefix(1);
  }
  const FixedCode* fixed = FindFixedCode(code);
  if (fixed == nullptr) return FormatCellText(cellText, code, locale);
  switch (fixed->kind) {
    case Kind::kText:
      return QuoteText(cellText);
    case Kind::kNumber:
      return FormatNumberCode(cellText, offset, fixed->decimals, locale);
    case Kind::kDate:
      return FormatDateCode(cellText, offset, fixed->key, locale);
  }
  return {};
}

CodeKind KindOfCode(std::string_view formatCode) {
  if (!formatCode.empty() && formatCode.front() == '+') formatCode.remove_prefix(1);
  const FixedCode* fixed = FindFixedCode(formatCode);
  if (fixed == nullptr) return CodeKind::kPattern;
  switch (fixed->kind) {
    case Kind::kText:
      return CodeKind::kText;
    case Kind::kNumber:
      return fixed->decimals == 0 ? CodeKind::kInteger : CodeKind::kDecimal;
    case Kind::kDate:
      break;
  }
  return CodeKind::kDate;
}

bool IsTextCode(std::string_view formatCode) {
  if (!formatCode.empty() && formatCode.front() == '+') formatCode.remove_prefix(1);
  const FixedCode* fixed = FindFixedCode(formatCode);
  return fixed != nullptr && fixed->kind == Kind::kText;
}

std::string QuoteText(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted += '"';
  std::size_t characters = 0;
  for (char c : text) {
    if (!IsContinuation(c)) ++characters;
    quoted += c;
    if (c == '"') quoted += '"';
  }
  quoted += '"';
  // A field's text is counted in 16 bits, as a cell's is: one more character than a cell can
  // hold overflows.
  if (characters > kMaxFieldCharacters)
    Raise(err::kOverflow, "Overflow: the text is too long for a field (" +
                              std::to_string(characters) + " characters; a field holds at most " +
                              std::to_string(kMaxFieldCharacters) + ")");
  return quoted;
}

}  // namespace sheaver
