// The date reader: turns the texts people and spreadsheets write for dates and times into date
// values. Strict where a lenient reader would guess: a day that does not exist, or a day-first
// text in a month-first locale (31/01/2024 in en_US), is not a date rather than a different one.
#include <string>

#include "runtime/ascii.h"
#include "runtime/date.h"
#include "runtime/error.h"

namespace sheaver {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
// Letters of a name: ASCII letters and the bytes of non-ASCII characters (UTF-8).
bool IsNameByte(char c) {
  auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u >= 0x80;
}

std::string WithoutDot(std::string_view s) {
  if (!s.empty() && s.back() == '.') s.remove_suffix(1);
  return LowerAscii(s);
}

const Locale& English() {
  static const Locale english = Locale::EnglishDayFirst();
  return english;
}

// The month (1..12) a word names in the names of one locale, or 0: a full name, an abbreviation,
// or at least three letters that begin exactly one full name ("Sept", "Janu").
int MonthInLocale(const std::string& word, const Locale& l) {
  for (int m = 0; m < 12; ++m)
    if (word == LowerAscii(l.month_names[m]) || word == WithoutDot(l.month_abbrevs[m]))
      return m + 1;
  if (word.size() < 3) return 0;
  int found = 0;
  for (int m = 0; m < 12; ++m) {
    if (LowerAscii(l.month_names[m]).compare(0, word.size(), word) == 0) {
      if (found != 0) return 0;
      found = m + 1;
    }
  }
  return found;
}

bool IsDayName(const std::string& word, const Locale& l) {
  for (int d = 0; d < 7; ++d)
    if (word == LowerAscii(l.day_names[d]) || word == WithoutDot(l.day_abbrevs[d])) return true;
  return false;
}

struct Number {
  int value = 0;
  int digits = 0;
};

struct Day {
  int year = 0, month = 0, day = 0;
};

int WindowYear(const Number& n) {
  if (n.digits <= 2) return n.value < 30 ? 2000 + n.value : 1900 + n.value;
  return n.value;
}

class Cursor {
 public:
  Cursor(std::string_view text, const Locale& locale) : s_(text), locale_(&locale) {}

  bool AtEnd() const { return pos_ >= s_.size(); }
  char Peek() const { return AtEnd() ? '\0' : s_[pos_]; }
  bool SkipBlanks() {
    std::size_t start = pos_;
    while (!AtEnd() && IsBlank(s_[pos_])) ++pos_;
    return pos_ > start;
  }
  bool Skip(char c) {
    if (Peek() != c) return false;
    ++pos_;
    return true;
  }
  bool Skip(std::string_view text) {
    if (text.empty() || s_.substr(pos_, text.size()) != text) return false;
    pos_ += text.size();
    return true;
  }

  // A run of at most four digits.
  bool ReadNumber(Number& n) {
    if (!IsAsciiDigit(Peek())) return false;
    n = Number{};
    while (IsAsciiDigit(Peek())) {
      if (++n.digits > 4) return false;
      n.value = n.value * 10 + (s_[pos_++] - '0');
    }
    return true;
  }

  // All the digits that stand here (possibly none).
  std::string_view ReadDigitRun() {
    std::size_t start = pos_;
    while (IsAsciiDigit(Peek())) ++pos_;
    return s_.substr(start, pos_ - start);
  }

  // A whole word of letters; empty when none stands here.
  std::string ReadWord() {
    std::size_t start = pos_;
    while (!AtEnd() && IsNameByte(s_[pos_])) ++pos_;
    return LowerAscii(s_.substr(start, pos_ - start));
  }

  // A month name or abbreviation (with its dot, if any), in the locale's language or English.
  bool ReadMonthName(int& month) {
    Cursor save = *this;
    std::string word = ReadWord();
    if (!word.empty()) {
      month = MonthInLocale(word, *locale_);
      if (month == 0) month = MonthInLocale(word, English());
      if (month != 0) {
        Skip('.');
        return true;
      }
    }
    *this = save;
    return false;
  }

  bool ReadDayName() {
    Cursor save = *this;
    std::string word = ReadWord();
    if (!word.empty() && (IsDayName(word, *locale_) || IsDayName(word, English()))) {
      Skip('.');
      return true;
    }
    *this = save;
    return false;
  }

  // "st", "nd", "rd" or "th" after a day number.
  void SkipOrdinal() {
    Cursor save = *this;
    std::string word = ReadWord();
    if (word != "st" && word != "nd" && word != "rd" && word != "th") *this = save;
  }

  // AM or PM designator: +1 for PM, -1 for AM, 0 for none (nothing consumed).
  int ReadMeridiem() {
    Cursor save = *this;
    std::string word = ReadWord();
    if (!word.empty()) {
      if (word == "am" || word == "a" || word == LowerAscii(locale_->am)) return -1;
      if (word == "pm" || word == "p" || word == LowerAscii(locale_->pm)) return 1;
    }
    *this = save;
    return 0;
  }

  const Locale& locale() const { return *locale_; }

 private:
  std::string_view s_;
  const Locale* locale_;
  std::size_t pos_ = 0;
};

// Day, month and year in the order a two-digits-first numeric date has in the locale.
Day NumericDay(const Number& a, const Number& b, const Number& c, DateOrder order) {
  switch (order) {
    case DateOrder::kDayMonthYear:
      return {WindowYear(c), b.value, a.value};
    case DateOrder::kMonthDayYear:
      return {WindowYear(c), a.value, b.value};
    case DateOrder::kYearMonthDay:
      return {WindowYear(a), b.value, c.value};
  }
  return {};
}

bool IsDayOrMonth(const Number& n) {
  return n.digits <= 2;
}

// The date part of a text, from the cursor on.
bool ReadDayPart(Cursor& c, Day& out) {
  Number first;
  if (c.ReadNumber(first)) {
    char sep = c.Peek();
    bool year_first = first.digits >= 3;
    if (sep == '/' || sep == '-' || sep == '.') {
      Cursor after_sep = c;
      after_sep.Skip(sep);
      Number second, third;
      int month = 0;
      Cursor numeric = after_sep;
      if (numeric.ReadNumber(second) && numeric.Skip(sep) && numeric.ReadNumber(third) &&
          IsDayOrMonth(second)) {
        if (year_first) {
          if (!IsDayOrMonth(third)) return false;
          out = {first.value, second.value, third.value};
        } else {
          // In a year-first locale the last number is the day and must be short.
          if (c.locale().date_order == DateOrder::kYearMonthDay && !IsDayOrMonth(third))
            return false;
          out = NumericDay(first, second, third, c.locale().date_order);
        }
        c = numeric;
        return true;
      }
      // 31-Jan-2024, 2024-Jan-31
      Cursor named = after_sep;
      if (named.ReadMonthName(month) && named.Skip(sep) && named.ReadNumber(third)) {
        if (year_first) {
          if (!IsDayOrMonth(third)) return false;
          out = {first.value, month, third.value};
        } else {
          if (!IsDayOrMonth(first)) return false;
          out = {WindowYear(third), month, first.value};
        }
        c = named;
        return true;
      }
    }
    // 31 Jan 2024, 31. Januar 2024, 31st January, 2024
    if (!IsDayOrMonth(first)) return false;
    c.SkipOrdinal();
    c.Skip('.');
    c.SkipBlanks();
    int month = 0;
    if (!c.ReadMonthName(month)) return false;
    c.Skip(',');
    if (!c.SkipBlanks()) c.Skip('-');
    Number year;
    if (!c.ReadNumber(year)) return false;
    out = {WindowYear(year), month, first.value};
    return true;
  }
  // January 31, 2024; Jan-31-24
  int month = 0;
  if (!c.ReadMonthName(month)) return false;
  if (!c.SkipBlanks()) c.Skip('-');
  Number day, year;
  if (!c.ReadNumber(day) || !IsDayOrMonth(day)) return false;
  c.SkipOrdinal();
  c.Skip(',');
  if (!c.SkipBlanks()) c.Skip('-');
  if (!c.ReadNumber(year)) return false;
  out = {WindowYear(year), month, day.value};
  return true;
}

// A time of day, as a fraction of a day.
bool ReadTimePart(Cursor& c, double& fraction) {
  Number hour, minute, second;
  if (!c.ReadNumber(hour) || hour.digits > 2) return false;
  const std::string& locale_sep = c.locale().time_separator;
  auto skip_separator = [&] {
    return c.Skip(':') || (locale_sep != ":" && locale_sep != " " && c.Skip(locale_sep));
  };
  double seconds = 0;
  bool has_minutes = false;
  if (skip_separator()) {
    if (!c.ReadNumber(minute) || minute.digits > 2 || minute.value > 59) return false;
    has_minutes = true;
    if (skip_separator()) {
      if (!c.ReadNumber(second) || second.digits > 2 || second.value > 59) return false;
      seconds = second.value;
      // Fractions of a second, which spreadsheets write after a point.
      if (c.Skip('.') || c.Skip(c.locale().decimal_separator)) {
        std::string_view digits = c.ReadDigitRun();
        if (digits.empty()) return false;
        double scale = 0.1;
        for (char d : digits.substr(0, 9)) {
          seconds += (d - '0') * scale;
          scale /= 10;
        }
        if (seconds >= 60) return false;
      }
    }
  }
  c.SkipBlanks();
  int meridiem = c.ReadMeridiem();
  if (!has_minutes && meridiem == 0) return false;
  int h = hour.value;
  if (meridiem != 0) {
    if (h > 12) return false;
    if (meridiem > 0 && h < 12) h += 12;
    if (meridiem < 0 && h == 12) h = 0;
  } else if (h > 23) {
    return false;
  }
  fraction = (h * 3600.0 + minute.value * 60.0 + seconds) / 86400.0;
  return true;
}

bool AtEndAfterBlanks(Cursor c) {
  c.SkipBlanks();
  return c.AtEnd();
}

}  // namespace

std::optional<DateValue> ReadDate(std::string_view text, const Locale& locale) {
  Cursor start(text, locale);
  start.SkipBlanks();
  if (start.AtEnd()) return std::nullopt;
  for (bool after_weekday : {false, true}) {
    Cursor c = start;
    if (after_weekday) {
      if (!c.ReadDayName()) break;
      c.Skip(',');
      c.SkipBlanks();
    }
    Day day;
    if (!ReadDayPart(c, day) || !IsValidDay(day.year, day.month, day.day)) continue;
    DateValue date = DateSerial(day.year, day.month, day.day);
    if (AtEndAfterBlanks(c)) return date;
    // A time of day may follow after blanks, a comma or an ISO "T".
    bool separated = c.SkipBlanks();
    if (!separated && (c.Peek() == 'T' || c.Peek() == 't')) separated = c.Skip(c.Peek());
    if (c.Skip(',')) {
      separated = true;
      c.SkipBlanks();
    }
    double time = 0;
    if (separated && ReadTimePart(c, time) && AtEndAfterBlanks(c))
      return date >= 0 ? date + time : date - time;
  }
  Cursor c = start;
  double time = 0;
  if (ReadTimePart(c, time) && AtEndAfterBlanks(c)) return time;
  return std::nullopt;
}

DateValue ParseDate(std::string_view text, const Locale& locale) {
  if (auto date = ReadDate(text, locale)) return *date;
  Raise(err::kTypeMismatch);
}

}  // namespace sheaver
