// Fuzz target for value formatting: random cell texts and format codes through FormatValue, the
// pattern engine, the number readers and the date reader, in each built-in locale.
//
// Input: one byte choosing the locale, two bytes of record index, then the cell text and the
// format code separated by the first NUL byte (no NUL: everything is the cell text and the code
// is empty).
//
// Only sheaver::Error may leave the code under test; anything else, a hang or a sanitizer report
// is a bug. Checks a few promises as well: a date the reader accepts is written back by
// DateToText and reads again as the same moment; the fixed number and date codes, which
// FormatValue writes directly, give what the general readers and patterns give.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "extract/format_value.h"
#include "runtime/convert.h"
#include "runtime/date.h"
#include "runtime/decimal.h"
#include "runtime/error.h"
#include "runtime/format.h"

namespace {

using namespace sheaver;

const Locale& PickLocale(std::uint8_t selector) {
  static const Locale locales[] = {Locale::EnglishDayFirst(), Locale::EnglishMonthFirst(),
                                   Locale::German(), Locale::French(), Locale::Fallback()};
  return locales[selector % 5];
}

void Check(bool promise) {
  if (!promise) std::abort();
}

template <typename F>
void Guarded(F&& f) {
  try {
    f();
  } catch (const Error&) {
    // the system's own errors are expected answers to bad input
  }
}

// The text of f(), or "#" and the error number.
template <typename F>
std::string Outcome(F&& f) {
  try {
    return f();
  } catch (const Error& e) {
    return "#" + std::to_string(e.Number());
  }
}

// FormatValue under each fixed number and date code, with and without "+", against the way the
// general readers and patterns take.
void CheckFixedCodes(std::string_view text, Int16 index, const Locale& locale) {
  for (const char* key : {"0", "0.0", "0.00", "0.000"}) {
    for (Int16 offset : {Int16{0}, index}) {
      const std::string code = offset == 0 ? key : std::string("+") + key;
      Check(Outcome([&] { return FormatValue(text, code, offset, locale); }) == Outcome([&] {
              return FormatNumber(ReadLeadingNumber(text, locale) + Decimal::FromInteger(offset),
                                  key, locale);
            }));
    }
  }
  const char* const dates[][2] = {
      {"dmy", "dd/mm/yyyy"}, {"mdy", "mm/dd/yyyy"}, {"ymd", "yyyymmdd"}};
  for (const auto& entry : dates) {
    // Plain names, not a structured binding: clang before 16 cannot capture a binding in a lambda.
    const char* const key = entry[0];
    const char* const pattern = entry[1];
    for (Int16 offset : {Int16{0}, index}) {
      const std::string code = offset == 0 ? key : std::string("+") + key;
      Check(Outcome([&] { return FormatValue(text, code, offset, locale); }) == Outcome([&] {
              return FormatDate(AddDays(ParseDate(text, locale), offset), pattern, locale);
            }));
    }
  }
}

bool SameSecond(DateValue a, DateValue b) {
  CivilDateTime x = ToCivil(a), y = ToCivil(b);
  return x.year == y.year && x.month == y.month && x.day == y.day && x.hour == y.hour &&
         x.minute == y.minute && x.second == y.second;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const Locale& locale = PickLocale(data[0]);
  auto index = static_cast<Int16>(static_cast<std::uint16_t>(data[1] | (data[2] << 8)));
  std::string_view rest(reinterpret_cast<const char*>(data + 3), size - 3);
  std::string_view text = rest, code;
  if (auto nul = rest.find('\0'); nul != std::string_view::npos) {
    text = rest.substr(0, nul);
    code = rest.substr(nul + 1);
  }

  Guarded([&] { FormatValue(text, code, index, locale); });
  Guarded([&] { FormatCellText(code, text, locale); });  // the roles swapped
  Guarded([&] { QuoteText(text); });
  CheckFixedCodes(text, index, locale);
  Guarded([&] {
    Decimal d = ReadLeadingNumber(text, locale);
    NumberToText(d, locale);
    FormatNumber(d, code, locale);
  });
  Guarded([&] {
    if (auto d = ReadNumberText(text, locale)) {
      // A whole-text number written in general form reads back as a number.
      Check(ReadNumberText(NumberToText(*d, locale), locale).has_value());
    }
  });
  Guarded([&] {
    if (auto date = ReadDate(text, locale)) {
      Check(IsValidDate(*date));
      std::string written = DateToText(*date, locale);
      auto back = ReadDate(written, locale);
      Check(back.has_value() && SameSecond(*back, *date));
      FormatDate(*date, code, locale);
    }
  });
  return 0;
}
