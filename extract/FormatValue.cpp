#include "extract/FormatValue.h"

#include <string>

#include "runtime/date.h"
#include "runtime/decimal.h"
#include "runtime/format.h"

namespace sheaver {
namespace {

std::string LowerAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

bool IsContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The output pattern of a date code, or nullptr for a key that is none.
const char* DatePattern(const std::string& key) {
  if (key == "dmy") return "dd/mm/yyyy";
  if (key == "mdy") return "mm/dd/yyyy";
  if (key == "ymd") return "yyyymmdd";
  return nullptr;
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
  std::string key = LowerAscii(code);
  if (key == "text") return QuoteText(cellText);
  if (key == "0" || key == "0.0" || key == "0.00" || key == "0.000") {
    Decimal number = ReadLeadingNumber(cellText, locale) + Decimal::FromInteger(offset);
    return FormatNumber(number, key, locale);
  }
  if (const char* pattern = DatePattern(key)) {
    DateValue date = AddDays(ParseDate(cellText, locale), offset);
    return FormatDate(date, pattern, locale);
  }
  return FormatCellText(cellText, code, locale);
}

std::string QuoteText(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted += '"';
  Int16 characters = 0;
  for (char c : text) {
    // The counter is 16-bit, as a cell's text is: one more character than a cell can hold
    // overflows.
    if (!IsContinuation(c)) Inc16(characters);
    quoted += c;
    if (c == '"') quoted += '"';
  }
  quoted += '"';
  return quoted;
}

}  // namespace sheaver
