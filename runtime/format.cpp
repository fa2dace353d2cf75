#include "runtime/format.h"

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/ascii.h"
#include "runtime/convert.h"
#include "runtime/error.h"

namespace sheaver {
namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

enum class Kind {
  kLiteral,
  kDigit,            // 0 # ?
  kPoint,            // .
  kComma,            // ,
  kPercent,          // %
  kExponent,         // E+ E- e+ e-
  kGeneral,          // General
  kDatePart,         // d m y h n s runs
  kAmPm,             // AM/PM A/P AMPM
  kDateSeparator,    // /
  kTimeSeparator,    // :
  kTextPlaceholder,  // @ &
  kTextFlag,         // < > !
};

enum class Part {
  kDay,
  kDay2,
  kWeekdayShort,
  kWeekdayLong,
  kMonth,
  kMonth2,
  kMonthShort,
  kMonthLong,
  kYear2,
  kYear4,
  kHour,
  kHour2,
  kMinute,
  kMinute2,
  kSecond,
  kSecond2,
};

enum class AmPmStyle { kAmPm, kAP, kLocale };

struct Token {
  Kind kind = Kind::kLiteral;
  std::string text;  // the characters the pattern wrote; the text itself for a literal
  char symbol = 0;   // the placeholder or flag character; 'E' or 'e' for an exponent
  Part part = Part::kDay;
  bool plus = false;   // E+: the exponent always shows its sign
  bool lower = false;  // am/pm, a/p: written in lower case
  AmPmStyle style = AmPmStyle::kAmPm;
};

struct Section {
  std::vector<Token> tokens;
  bool has_date = false;
  bool has_text = false;
  bool Empty() const { return tokens.empty(); }
};

bool IsContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::size_t CountChars(std::string_view s) {
  std::size_t n = 0;
  for (char c : s)
    if (!IsContinuation(c)) ++n;
  return n;
}

// Length in bytes of the (UTF-8) character starting at pos.
std::size_t CharLength(std::string_view s, std::size_t pos) {
  std::size_t end = pos + 1;
  while (end < s.size() && IsContinuation(s[end])) ++end;
  return end - pos;
}

// The result being built, refusing to grow past the limit.
class Output {
 public:
  void Add(std::string_view s) {
    chars_ += CountChars(s);
    if (chars_ > kMaxFormatLength) Raise(err::kOverflow, "Overflow: formatted text too long");
    text_ += s;
  }
  void Add(char c) { Add(std::string_view(&c, 1)); }
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
  std::size_t chars_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Reading a pattern

class Lexer {
 public:
  explicit Lexer(std::string_view pattern) : p_(pattern) {}

  std::vector<Section> Run() {
    if (CountChars(p_) > kMaxFormatLength) Raise(err::kOverflow, "Overflow: format code too long");
    sections_.emplace_back();
    while (i_ < p_.size()) Step();
    for (Section& s : sections_) {
      for (const Token& t : s.tokens) {
        if (t.kind == Kind::kDatePart || t.kind == Kind::kAmPm) s.has_date = true;
        if (t.kind == Kind::kTextPlaceholder || t.kind == Kind::kTextFlag) s.has_text = true;
      }
    }
    return std::move(sections_);
  }

 private:
  void Push(Kind kind, std::size_t length, char symbol = 0) {
    Token t;
    t.kind = kind;
    t.text = std::string(p_.substr(i_, length));
    t.symbol = symbol;
    sections_.back().tokens.push_back(std::move(t));
    i_ += length;
  }

  void Literal(std::string_view text) {
    auto& tokens = sections_.back().tokens;
    if (!tokens.empty() && tokens.back().kind == Kind::kLiteral) {
      tokens.back().text += text;
    } else {
      Token t;
      t.text = std::string(text);
      tokens.push_back(std::move(t));
    }
  }

  // A run of one date letter, cut into parts of at most `chunk` letters.
  void DateRun(char letter, int chunk) {
    std::size_t end = i_;
    while (end < p_.size() && LowerAscii(p_[end]) == letter) ++end;
    while (i_ < end) {
      int n = static_cast<int>(std::min<std::size_t>(end - i_, static_cast<std::size_t>(chunk)));
      Token t;
      t.kind = Kind::kDatePart;
      t.text = std::string(p_.substr(i_, static_cast<std::size_t>(n)));
      t.part = PartOf(letter, n);
      sections_.back().tokens.push_back(std::move(t));
      i_ += static_cast<std::size_t>(n);
    }
  }

  static Part PartOf(char letter, int n) {
    switch (letter) {
      case 'd':
        return n == 1   ? Part::kDay
               : n == 2 ? Part::kDay2
               : n == 3 ? Part::kWeekdayShort
                        : Part::kWeekdayLong;
      case 'm':
        return n == 1   ? Part::kMonth
               : n == 2 ? Part::kMonth2
               : n == 3 ? Part::kMonthShort
                        : Part::kMonthLong;
      case 'y':
        return n <= 2 ? Part::kYear2 : Part::kYear4;
      case 'h':
        return n == 1 ? Part::kHour : Part::kHour2;
      case 'n':
        return n == 1 ? Part::kMinute : Part::kMinute2;
      default:
        return n == 1 ? Part::kSecond : Part::kSecond2;
    }
  }

  void AmPm(std::size_t length, AmPmStyle style) {
    Token t;
    t.kind = Kind::kAmPm;
    t.text = std::string(p_.substr(i_, length));
    t.style = style;
    t.lower = p_[i_] == 'a';
    sections_.back().tokens.push_back(std::move(t));
    i_ += length;
  }

  void Step() {
    char c = p_[i_];
    char lc = LowerAscii(c);
    switch (c) {
      case ';':
        sections_.emplace_back();
        ++i_;
        return;
      case '"': {
        std::size_t close = p_.find('"', i_ + 1);
        std::size_t end = close == std::string_view::npos ? p_.size() : close;
        Literal(p_.substr(i_ + 1, end - i_ - 1));
        i_ = close == std::string_view::npos ? p_.size() : close + 1;
        return;
      }
      case '\\':
      case '_':
      case '*': {
        ++i_;
        if (i_ >= p_.size()) return;
        std::size_t n = CharLength(p_, i_);
        if (c == '\\') Literal(p_.substr(i_, n));
        if (c == '_') Literal(" ");
        i_ += n;
        return;
      }
      case '[': {
        std::size_t close = p_.find(']', i_ + 1);
        if (close == std::string_view::npos) break;
        i_ = close + 1;
        return;
      }
      case '0':
      case '#':
      case '?':
        Push(Kind::kDigit, 1, c);
        return;
      case '.':
        Push(Kind::kPoint, 1);
        return;
      case ',':
        Push(Kind::kComma, 1);
        return;
      case '%':
        Push(Kind::kPercent, 1);
        return;
      case '/':
        Push(Kind::kDateSeparator, 1);
        return;
      case ':':
        Push(Kind::kTimeSeparator, 1);
        return;
      case '@':
      case '&':
        Push(Kind::kTextPlaceholder, 1, c);
        return;
      case '<':
      case '>':
      case '!':
        Push(Kind::kTextFlag, 1, c);
        return;
      default:
        break;
    }
    if ((c == 'E' || c == 'e') && i_ + 1 < p_.size() && (p_[i_ + 1] == '+' || p_[i_ + 1] == '-')) {
      Token t;
      t.kind = Kind::kExponent;
      t.text = std::string(p_.substr(i_, 2));
      t.symbol = c;
      t.plus = p_[i_ + 1] == '+';
      sections_.back().tokens.push_back(std::move(t));
      i_ += 2;
      return;
    }
    const std::string_view rest = p_.substr(i_);
    if (lc == 'g' && StartsWithIgnoringAsciiCase(rest, "general")) return Push(Kind::kGeneral, 7);
    if (lc == 'a') {
      if (StartsWithIgnoringAsciiCase(rest, "am/pm")) return AmPm(5, AmPmStyle::kAmPm);
      if (StartsWithIgnoringAsciiCase(rest, "a/p")) return AmPm(3, AmPmStyle::kAP);
      if (StartsWithIgnoringAsciiCase(rest, "ampm")) return AmPm(4, AmPmStyle::kLocale);
    }
    switch (lc) {
      case 'd':
      case 'm':
      case 'y':
        return DateRun(lc, 4);
      case 'h':
      case 'n':
      case 's':
        return DateRun(lc, 2);
      default:
        break;
    }
    std::size_t n = CharLength(p_, i_);
    Literal(p_.substr(i_, n));
    i_ += n;
  }

  std::string_view p_;
  std::size_t i_ = 0;
  std::vector<Section> sections_;
};

// ---------------------------------------------------------------------------------------------
// Numbers

enum class CommaRole { kLiteral, kGroup, kScale };

// Where the parts of a number section stand and what its commas and percent signs do.
struct NumberLayout {
  std::size_t point = kNone;     // the decimal point token
  std::size_t exponent = kNone;  // the exponent token
  std::size_t int_end = 0;       // tokens before this index are the integer part
  std::size_t frac_end = 0;      // tokens in [int_end, frac_end) belong to the fraction
  long long int_count = 0;
  long long frac_count = 0;
  int exp_zeros = 0;  // '0' placeholders of the exponent: its least number of digits
  bool int_has_hash = false;
  bool grouping = false;
  long long shift = 0;  // power of ten from percent signs and scaling commas
  std::vector<CommaRole> commas;
};

NumberLayout LayOut(const Section& s) {
  const auto& t = s.tokens;
  NumberLayout L;
  L.commas.assign(t.size(), CommaRole::kLiteral);
  for (std::size_t i = 0; i < t.size() && L.exponent == kNone; ++i) {
    if (t[i].kind == Kind::kExponent)
      L.exponent = i;
    else if (t[i].kind == Kind::kPoint && L.point == kNone)
      L.point = i;
  }
  L.int_end = L.point != kNone ? L.point : (L.exponent != kNone ? L.exponent : t.size());
  L.frac_end = L.exponent != kNone ? L.exponent : t.size();
  std::size_t first_int = kNone, last_int = kNone, last_frac = kNone;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i].kind == Kind::kPercent) L.shift += 2;
    if (t[i].kind != Kind::kDigit) continue;
    if (i < L.int_end) {
      ++L.int_count;
      if (t[i].symbol == '#') L.int_has_hash = true;
      if (first_int == kNone) first_int = i;
      last_int = i;
    } else if (i < L.frac_end) {
      ++L.frac_count;
      last_frac = i;
    } else if (t[i].symbol == '0') {
      ++L.exp_zeros;
    }
  }
  // Commas between integer placeholders group; a run of commas right after the last placeholder
  // of the integer part or of the fraction scales by a thousand each.
  for (std::size_t i = 0; i < L.int_end; ++i) {
    if (t[i].kind == Kind::kComma && first_int != kNone && first_int < i && i < last_int) {
      L.commas[i] = CommaRole::kGroup;
      L.grouping = true;
    }
  }
  for (std::size_t last : {last_int, last_frac}) {
    if (last == kNone) continue;
    for (std::size_t i = last + 1; i < t.size() && t[i].kind == Kind::kComma; ++i) {
      L.commas[i] = CommaRole::kScale;
      L.shift -= 3;
    }
  }
  return L;
}

// A number section's value once rounded: the digits to show and, for scientific notation, the
// exponent.
struct Rounded {
  Decimal value;
  long long exponent = 0;
};

Rounded RoundForSection(const Decimal& magnitude, const NumberLayout& L) {
  Decimal v = magnitude.Shifted(L.shift);
  if (L.exponent == kNone) {
    // A section without placeholders shows no digits of its own (General shows them all).
    if (L.int_count + L.frac_count == 0) return {v, 0};
    return {v.RoundedToDecimals(L.frac_count), 0};
  }
  if (v.IsZero()) return {v, 0};
  auto exponent_for = [&](long long point) {
    if (L.int_has_hash && L.int_count > 1) {
      // Engineering style: the exponent is a multiple of the integer placeholders' count.
      long long n = point - 1;
      long long q = n >= 0 ? n / L.int_count : -((-n + L.int_count - 1) / L.int_count);
      return q * L.int_count;
    }
    return point - L.int_count;
  };
  long long e = exponent_for(v.Point());
  Decimal m = v.Shifted(-e).RoundedToDecimals(L.frac_count);
  if (!m.IsZero() && m.Point() > v.Point() - e) {
    // Rounding carried into a new digit (9.995 -> 10.00): one more power of ten.
    e = exponent_for(v.Point() + 1);
    m = v.Shifted(-e).RoundedToDecimals(L.frac_count);
  }
  return {m, e};
}

class NumberRenderer {
 public:
  NumberRenderer(const Section& s, const NumberLayout& L, const Rounded& r, const Locale& locale,
                 Output& out)
      : s_(s), L_(L), r_(r), locale_(locale), out_(out) {}

  void Render(bool minus) {
    if (minus && !r_.value.IsZero()) out_.Add('-');
    integer_ = r_.value.IntegerDigits();
    fraction_ = r_.value.FractionDigits(L_.frac_count);
    std::size_t last = fraction_.find_last_not_of('0');
    last_nonzero_ = last == std::string::npos ? -1 : static_cast<long long>(last);
    const auto& t = s_.tokens;
    for (std::size_t i = 0; i < t.size(); ++i) {
      const Token& tok = t[i];
      switch (tok.kind) {
        case Kind::kDigit:
          if (i < L_.int_end)
            IntegerPlaceholder(tok.symbol);
          else if (i < L_.frac_end)
            FractionPlaceholder(tok.symbol);
          break;  // exponent placeholders are written with the exponent
        case Kind::kPoint:
          if (i == L_.point) {
            if (L_.int_count == 0) AllIntegerDigits();
            out_.Add(locale_.decimal_separator);
          } else {
            out_.Add(tok.text);
          }
          break;
        case Kind::kComma:
          if (L_.commas[i] == CommaRole::kLiteral) out_.Add(',');
          break;
        case Kind::kExponent:
          if (i == L_.exponent) {
            if (L_.int_count == 0 && L_.point == kNone) AllIntegerDigits();
            Exponent(tok);
          } else {
            out_.Add(tok.text);
          }
          break;
        case Kind::kGeneral:
          out_.Add(NumberToText(r_.value, locale_));
          break;
        default:
          out_.Add(tok.text);
          break;
      }
    }
  }

 private:
  // One digit at `position` places left of the decimal point, with a thousands separator after
  // it when it ends a group.
  void Digit(char d, long long position) {
    out_.Add(d);
    if (L_.grouping && position > 0 && position % 3 == 0) out_.Add(locale_.thousands_separator);
  }

  void IntegerPlaceholder(char symbol) {
    long long n = static_cast<long long>(integer_.size());
    long long position = L_.int_count - 1 - placeholder_;
    if (placeholder_ == 0) {
      // Digits beyond the placeholders all go in front of the first one.
      for (long long q = n - 1; q >= L_.int_count; --q)
        Digit(integer_[static_cast<std::size_t>(n - 1 - q)], q);
    }
    ++placeholder_;
    if (position < n)
      Digit(integer_[static_cast<std::size_t>(n - 1 - position)], position);
    else if (symbol == '0')
      Digit('0', position);
    else if (symbol == '?')
      out_.Add(' ');
  }

  // The integer digits of a section that has no integer placeholders but shows a point.
  void AllIntegerDigits() {
    long long n = static_cast<long long>(integer_.size());
    for (long long q = n - 1; q >= 0; --q) Digit(integer_[static_cast<std::size_t>(n - 1 - q)], q);
  }

  void FractionPlaceholder(char symbol) {
    long long j = fraction_placeholder_++;
    if (symbol == '0' || j <= last_nonzero_)
      out_.Add(fraction_[static_cast<std::size_t>(j)]);
    else if (symbol == '?')
      out_.Add(' ');
  }

  void Exponent(const Token& tok) {
    out_.Add(tok.symbol);
    long long e = r_.exponent;
    if (e < 0)
      out_.Add('-');
    else if (tok.plus)
      out_.Add('+');
    std::string digits = std::to_string(e < 0 ? -e : e);
    if (static_cast<long long>(digits.size()) < L_.exp_zeros)
      digits.insert(0, static_cast<std::size_t>(L_.exp_zeros) - digits.size(), '0');
    out_.Add(digits);
  }

  const Section& s_;
  const NumberLayout& L_;
  const Rounded& r_;
  const Locale& locale_;
  Output& out_;
  std::string integer_;
  std::string fraction_;
  long long last_nonzero_ = -1;
  long long placeholder_ = 0;
  long long fraction_placeholder_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Dates

std::string Pad2(int v) {
  return {static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)};
}

bool IsHour(Part p) {
  return p == Part::kHour || p == Part::kHour2;
}
bool IsSecond(Part p) {
  return p == Part::kSecond || p == Part::kSecond2;
}
bool IsShortMonth(Part p) {
  return p == Part::kMonth || p == Part::kMonth2;
}

void RenderDate(const Section& s, DateValue date, const Locale& locale, Output& out) {
  CivilDateTime c = ToCivil(date);
  int weekday = Weekday(date);
  const auto& t = s.tokens;
  // "m" and "mm" stand for minutes right after an hour part or right before a seconds part.
  std::vector<bool> minutes(t.size(), false);
  bool after_hour = false;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i].kind != Kind::kDatePart) continue;
    if (IsShortMonth(t[i].part) && after_hour) minutes[i] = true;
    after_hour = IsHour(t[i].part);
  }
  bool before_second = false;
  for (std::size_t i = t.size(); i-- > 0;) {
    if (t[i].kind != Kind::kDatePart) continue;
    if (IsShortMonth(t[i].part) && before_second) minutes[i] = true;
    before_second = IsSecond(t[i].part);
  }
  bool twelve =
      std::any_of(t.begin(), t.end(), [](const Token& k) { return k.kind == Kind::kAmPm; });
  int hour = twelve ? (c.hour % 12 == 0 ? 12 : c.hour % 12) : c.hour;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const Token& tok = t[i];
    switch (tok.kind) {
      case Kind::kDatePart:
        switch (tok.part) {
          case Part::kDay:
            out.Add(std::to_string(c.day));
            break;
          case Part::kDay2:
            out.Add(Pad2(c.day));
            break;
          case Part::kWeekdayShort:
            out.Add(locale.day_abbrevs[weekday]);
            break;
          case Part::kWeekdayLong:
            out.Add(locale.day_names[weekday]);
            break;
          case Part::kMonth:
            out.Add(std::to_string(minutes[i] ? c.minute : c.month));
            break;
          case Part::kMonth2:
            out.Add(Pad2(minutes[i] ? c.minute : c.month));
            break;
          case Part::kMonthShort:
            out.Add(locale.month_abbrevs[c.month - 1]);
            break;
          case Part::kMonthLong:
            out.Add(locale.month_names[c.month - 1]);
            break;
          case Part::kYear2:
            out.Add(Pad2(c.year % 100));
            break;
          case Part::kYear4:
            out.Add(Pad2(c.year / 100) + Pad2(c.year % 100));
            break;
          case Part::kHour:
            out.Add(std::to_string(hour));
            break;
          case Part::kHour2:
            out.Add(Pad2(hour));
            break;
          case Part::kMinute:
            out.Add(std::to_string(c.minute));
            break;
          case Part::kMinute2:
            out.Add(Pad2(c.minute));
            break;
          case Part::kSecond:
            out.Add(std::to_string(c.second));
            break;
          case Part::kSecond2:
            out.Add(Pad2(c.second));
            break;
        }
        break;
      case Kind::kAmPm: {
        bool am = c.hour < 12;
        switch (tok.style) {
          case AmPmStyle::kAmPm:
            out.Add(tok.lower ? (am ? "am" : "pm") : (am ? "AM" : "PM"));
            break;
          case AmPmStyle::kAP:
            out.Add(tok.lower ? (am ? "a" : "p") : (am ? "A" : "P"));
            break;
          case AmPmStyle::kLocale:
            out.Add(am ? locale.am : locale.pm);
            break;
        }
        break;
      }
      case Kind::kDateSeparator:
        out.Add(locale.date_separator);
        break;
      case Kind::kTimeSeparator:
        out.Add(locale.time_separator);
        break;
      default:
        out.Add(tok.text);
        break;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Texts

// Upper or lower case of ASCII letters and of the accented Latin letters (é <-> É).
std::string ChangeCase(std::string_view text, bool upper) {
  std::string r(text);
  for (std::size_t i = 0; i < r.size(); ++i) {
    char& c = r[i];
    if (upper && c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
    else if (!upper && c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
    else if (static_cast<unsigned char>(c) == 0xC3 && i + 1 < r.size()) {
      auto& next = reinterpret_cast<unsigned char&>(r[i + 1]);
      if (upper && next >= 0xA0 && next <= 0xBE && next != 0xB7)
        next -= 0x20;
      else if (!upper && next >= 0x80 && next <= 0x9E && next != 0x97)
        next += 0x20;
      ++i;
    }
  }
  return r;
}

void RenderText(const Section& s, std::string_view original, Output& out) {
  const auto& t = s.tokens;
  bool left_to_right = false;
  int case_change = 0;  // -1 lower, 1 upper
  for (const Token& tok : t) {
    if (tok.kind != Kind::kTextFlag) continue;
    if (tok.symbol == '!')
      left_to_right = true;
    else
      case_change = tok.symbol == '>' ? 1 : -1;
  }
  std::string text =
      case_change == 0 ? std::string(original) : ChangeCase(original, case_change > 0);
  std::vector<std::string_view> chars;
  for (std::size_t p = 0; p < text.size();) {
    std::size_t n = CharLength(text, p);
    chars.push_back(std::string_view(text).substr(p, n));
    p += n;
  }
  long long count = std::count_if(t.begin(), t.end(),
                                  [](const Token& k) { return k.kind == Kind::kTextPlaceholder; });
  long long length = static_cast<long long>(chars.size());
  auto extras = [&](long long from, long long to) {
    for (long long k = from; k < to; ++k) out.Add(chars[static_cast<std::size_t>(k)]);
  };
  long long index = 0;  // placeholder number
  for (const Token& tok : t) {
    if (tok.kind == Kind::kTextFlag) continue;
    if (tok.kind != Kind::kTextPlaceholder) {
      out.Add(tok.text);  // everything else is literal in a text section
      continue;
    }
    long long k;  // the character this placeholder shows, if within the text
    if (left_to_right) {
      k = index;
    } else {
      if (index == 0 && length > count) extras(0, length - count);
      k = index - (count - length);
    }
    if (k >= 0 && k < length)
      out.Add(chars[static_cast<std::size_t>(k)]);
    else if (tok.symbol == '@')
      out.Add(' ');
    ++index;
    if (left_to_right && index == count && length > count) extras(count, length);
  }
  if (count == 0) out.Add(text);
}

// ---------------------------------------------------------------------------------------------
// Picking and rendering sections

const Section* FirstTextSection(const std::vector<Section>& sections) {
  for (const Section& s : sections)
    if (s.has_text) return &s;
  return nullptr;
}

// Renders a number with one section; `minus` asks for a leading minus sign (first section for a
// negative value). Returns false, writing nothing, when the value rounds to zero there.
bool RenderNumberSection(const Section& s, const Decimal& value, bool minus, std::string_view text,
                         const Locale& locale, Output& out) {
  if (s.has_text) {
    RenderText(s, text, out);
    return true;
  }
  if (s.has_date) {
    RenderDate(s, (minus ? value : value.Abs()).ToDouble(), locale, out);
    return true;
  }
  NumberLayout layout = LayOut(s);
  Rounded r = RoundForSection(value.Abs(), layout);
  if (r.value.IsZero() && !value.IsZero()) return false;
  NumberRenderer(s, layout, r, locale, out).Render(minus && value.Negative());
  return true;
}

std::string FormatNumberWith(const std::vector<Section>& sections, const Decimal& value,
                             std::string_view text, const Locale& locale) {
  auto usable = [&](std::size_t i) { return i < sections.size() && !sections[i].Empty(); };
  std::size_t pick = 0;
  if (value.Negative() && usable(1))
    pick = 1;
  else if (value.IsZero() && usable(2))
    pick = 2;
  Output out;
  if (RenderNumberSection(sections[pick], value, pick == 0, text, locale, out)) return out.Take();
  // The value rounds to zero where it belongs: it is shown as a zero.
  Output zero;
  RenderNumberSection(sections[usable(2) ? 2 : 0], Decimal(), false, text, locale, zero);
  return zero.Take();
}

std::string FormatDateWith(const std::vector<Section>& sections, DateValue date,
                           std::string_view text, const Locale& locale) {
  const Section& s = sections[0];
  Output out;
  if (s.has_text)
    RenderText(s, text, out);
  else if (s.has_date)
    RenderDate(s, date, locale, out);
  else if (!RenderNumberSection(s, Decimal::FromDouble(date), true, text, locale, out))
    RenderNumberSection(s, Decimal(), false, text, locale, out);
  return out.Take();
}

std::string FormatTextWith(const std::vector<Section>& sections, std::string_view text) {
  const Section* s = FirstTextSection(sections);
  if (s == nullptr) return std::string(text);
  Output out;
  RenderText(*s, text, out);
  return out.Take();
}

}  // namespace

std::string FormatCellText(std::string_view text, std::string_view pattern, const Locale& locale) {
  if (pattern.empty()) return std::string(text);
  std::vector<Section> sections = Lexer(pattern).Run();
  if (auto number = ReadNumberText(text, locale))
    return FormatNumberWith(sections, *number, text, locale);
  if (auto date = ReadDate(text, locale)) return FormatDateWith(sections, *date, text, locale);
  return FormatTextWith(sections, text);
}

std::string FormatNumber(const Decimal& value, std::string_view pattern, const Locale& locale) {
  if (pattern.empty()) return NumberToText(value, locale);
  std::vector<Section> sections = Lexer(pattern).Run();
  return FormatNumberWith(sections, value, NumberToText(value, locale), locale);
}

std::string FormatDate(DateValue date, std::string_view pattern, const Locale& locale) {
  if (pattern.empty()) return DateToText(date, locale);
  std::vector<Section> sections = Lexer(pattern).Run();
  return FormatDateWith(sections, date, DateToText(date, locale), locale);
}

}  // namespace sheaver
