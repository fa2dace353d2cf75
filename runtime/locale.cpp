#include "runtime/locale.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <utility>

namespace sheaver {

Locale Locale::EnglishDayFirst() {
  return Locale{};
}

Locale Locale::EnglishMonthFirst() {
  Locale l;
  l.name = "en_US";
  l.date_order = DateOrder::kMonthDayYear;
  l.hour12 = true;
  return l;
}

Locale Locale::German() {
  Locale l;
  l.name = "de_DE";
  l.decimal_separator = ",";
  l.thousands_separator = ".";
  l.date_separator = ".";
  l.month_names = {"Januar", "Februar", "März",      "April",   "Mai",      "Juni",
                   "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
  l.month_abbrevs = {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun",
                     "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
  l.day_names = {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"};
  l.day_abbrevs = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
  return l;
}

Locale Locale::French() {
  Locale l;
  l.name = "fr_FR";
  l.decimal_separator = ",";
  // French groups digits with a (narrow) no-break space; a plain space keeps the data file
  // readable by every tool, and the number reader skips blanks, so 1 234,5 reads back.
  l.thousands_separator = " ";
  l.month_names = {"janvier", "février", "mars",      "avril",   "mai",      "juin",
                   "juillet", "août",    "septembre", "octobre", "novembre", "décembre"};
  l.month_abbrevs = {"janv.", "févr.", "mars",  "avr.", "mai",  "juin",
                     "juil.", "août",  "sept.", "oct.", "nov.", "déc."};
  l.day_names = {"dimanche", "lundi", "mardi", "mercredi", "jeudi", "vendredi", "samedi"};
  l.day_abbrevs = {"dim.", "lun.", "mar.", "mer.", "jeu.", "ven.", "sam."};
  return l;
}

Locale Locale::Fallback() {
  Locale l;
  l.name = "C";
  l.date_order = DateOrder::kYearMonthDay;
  l.date_separator = "-";
  return l;
}

namespace {

// "de_DE.UTF-8@euro" -> "de_DE".
std::string_view BaseName(std::string_view name) {
  auto end = name.find_first_of(".@");
  return name.substr(0, end);
}

bool IsCLocaleName(std::string_view name) {
  std::string_view base = BaseName(name);
  return base == "C" || base == "POSIX";
}

}  // namespace

std::optional<Locale> Locale::BuiltIn(std::string_view name) {
  std::string_view base = BaseName(name);
  if (base == "en_GB") return EnglishDayFirst();
  if (base == "en_US") return EnglishMonthFirst();
  if (base == "de_DE") return German();
  if (base == "fr_FR") return French();
  if (IsCLocaleName(name)) return Fallback();
  return std::nullopt;
}

namespace detail {

bool ReadCDateFormat(std::string_view format, DateOrder& order, std::string& separator) {
  // Expand the composite conversions first.
  std::string f;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size()) {
      char c = format[i + 1];
      if (c == 'D') {
        f += "%m/%d/%y";
        ++i;
        continue;
      }
      if (c == 'F') {
        f += "%Y-%m-%d";
        ++i;
        continue;
      }
    }
    f += format[i];
  }
  // Fields in order of appearance: d(ay), m(onth), y(ear); the separator is the text between
  // the first two fields.
  std::string fields;
  std::string sep;
  std::size_t after_first = std::string::npos;
  for (std::size_t i = 0; i + 1 < f.size(); ++i) {
    if (f[i] != '%') continue;
    std::size_t j = i + 1;
    while (j < f.size() &&
           (f[j] == '-' || f[j] == '_' || f[j] == '0' || f[j] == 'E' || f[j] == 'O'))
      ++j;  // flags and modifiers: %-d, %Ey
    if (j >= f.size()) break;
    char kind = 0;
    switch (f[j]) {
      case 'd':
      case 'e':
        kind = 'd';
        break;
      case 'm':
      case 'b':
      case 'B':
      case 'h':
        kind = 'm';
        break;
      case 'y':
      case 'Y':
      case 'C':
      case 'G':
        kind = 'y';
        break;
      default:
        break;
    }
    if (kind != 0 && fields.find(kind) == std::string::npos) {
      if (fields.size() == 1) sep = f.substr(after_first, i - after_first);
      fields += kind;
      if (fields.size() == 1) after_first = j + 1;
    }
    i = j;
  }
  DateOrder found;
  if (fields == "dmy")
    found = DateOrder::kDayMonthYear;
  else if (fields == "mdy")
    found = DateOrder::kMonthDayYear;
  else if (fields == "ymd")
    found = DateOrder::kYearMonthDay;
  else
    return false;
  // Keep only a plain separator character: "." from "%d.%m.%Y", "/" from "%d/%m/%y".
  std::string clean;
  for (char c : sep)
    if (c != ' ') clean += c;
  if (clean.empty()) clean = "/";
  order = found;
  separator = clean;
  return true;
}

}  // namespace detail

namespace {

// The no-break spaces some locales group digits with become plain spaces, which every tool
// and the number reader treat alike.
std::string PlainSpaces(std::string s) {
  for (std::string_view nbsp : {std::string_view("\xC2\xA0"), std::string_view("\xE2\x80\xAF")}) {
    for (auto p = s.find(nbsp); p != std::string::npos; p = s.find(nbsp))
      s.replace(p, nbsp.size(), " ");
  }
  return s;
}

class CLocaleHandle {
 public:
  explicit CLocaleHandle(const std::string& name)
      : handle_(newlocale(LC_NUMERIC_MASK | LC_TIME_MASK, name.c_str(), static_cast<locale_t>(0))) {
  }
  ~CLocaleHandle() {
    if (handle_ != static_cast<locale_t>(0)) freelocale(handle_);
  }
  CLocaleHandle(const CLocaleHandle&) = delete;
  CLocaleHandle& operator=(const CLocaleHandle&) = delete;
  bool Valid() const { return handle_ != static_cast<locale_t>(0); }
  std::string Item(nl_item item) const {
    const char* s = nl_langinfo_l(item, handle_);
    return s != nullptr ? s : "";
  }

 private:
  locale_t handle_;
};

}  // namespace

std::optional<Locale> Locale::FromCLibrary(std::string_view name) {
  if (name.empty()) return std::nullopt;
  std::string requested(name);
  // Prefer the UTF-8 variant so that names such as "März" arrive in the encoding we keep text in.
  std::string candidates[2];
  int count = 0;
  if (requested.find('.') == std::string::npos) {
    auto at = requested.find('@');
    candidates[count++] = at == std::string::npos
                              ? requested + ".UTF-8"
                              : requested.substr(0, at) + ".UTF-8" + requested.substr(at);
  }
  candidates[count++] = requested;
  for (int i = 0; i < count; ++i) {
    CLocaleHandle c(candidates[i]);
    if (!c.Valid()) continue;
    Locale l = Fallback();
    l.name = requested;
    std::string radix = c.Item(RADIXCHAR);
    if (!radix.empty()) l.decimal_separator = radix;
    l.thousands_separator = PlainSpaces(c.Item(THOUSEP));
    if (l.thousands_separator == l.decimal_separator) l.thousands_separator.clear();
    detail::ReadCDateFormat(c.Item(D_FMT), l.date_order, l.date_separator);
    std::string t_fmt = c.Item(T_FMT);
    l.hour12 = t_fmt.find("%I") != std::string::npos || t_fmt.find("%l") != std::string::npos ||
               t_fmt.find("%r") != std::string::npos || t_fmt.find("%p") != std::string::npos;
    // The time separator is what follows the hour field.
    for (std::size_t p = 0; p + 2 < t_fmt.size(); ++p) {
      if (t_fmt[p] == '%' && (t_fmt[p + 1] == 'H' || t_fmt[p + 1] == 'I' || t_fmt[p + 1] == 'k' ||
                              t_fmt[p + 1] == 'l')) {
        if (t_fmt[p + 2] != '%' && t_fmt[p + 2] != ' ') l.time_separator = t_fmt.substr(p + 2, 1);
        break;
      }
    }
    static constexpr nl_item kMon[12] = {MON_1, MON_2, MON_3, MON_4,  MON_5,  MON_6,
                                         MON_7, MON_8, MON_9, MON_10, MON_11, MON_12};
    static constexpr nl_item kAbMon[12] = {ABMON_1, ABMON_2, ABMON_3, ABMON_4,  ABMON_5,  ABMON_6,
                                           ABMON_7, ABMON_8, ABMON_9, ABMON_10, ABMON_11, ABMON_12};
    static constexpr nl_item kDay[7] = {DAY_1, DAY_2, DAY_3, DAY_4, DAY_5, DAY_6, DAY_7};
    static constexpr nl_item kAbDay[7] = {ABDAY_1, ABDAY_2, ABDAY_3, ABDAY_4,
                                          ABDAY_5, ABDAY_6, ABDAY_7};
    for (int m = 0; m < 12; ++m) {
      if (std::string s = c.Item(kMon[m]); !s.empty()) l.month_names[m] = s;
      if (std::string s = c.Item(kAbMon[m]); !s.empty()) l.month_abbrevs[m] = s;
    }
    for (int d = 0; d < 7; ++d) {
      if (std::string s = c.Item(kDay[d]); !s.empty()) l.day_names[d] = s;
      if (std::string s = c.Item(kAbDay[d]); !s.empty()) l.day_abbrevs[d] = s;
    }
    // Locales on a 24-hour clock often have no designators; patterns that ask for AM/PM still
    // need something to show.
    if (std::string s = c.Item(AM_STR); !s.empty()) l.am = s;
    if (std::string s = c.Item(PM_STR); !s.empty()) l.pm = s;
    return l;
  }
  return std::nullopt;
}

Locale Locale::Named(std::string_view name) {
  if (auto l = BuiltIn(name)) return *l;
  if (auto l = FromCLibrary(name)) return *l;
  std::string_view base = BaseName(name);
  std::string_view language = base.substr(0, base.find('_'));
  if (language == "en") return EnglishDayFirst();
  if (language == "de") return German();
  if (language == "fr") return French();
  return Fallback();
}

namespace {

std::string_view Env(const char* variable) {
  const char* v = std::getenv(variable);
  return v != nullptr ? std::string_view(v) : std::string_view();
}

// The locale name in force for a category, by the usual precedence: LC_ALL, the category's own
// variable, LANG.
std::string_view CategoryName(const char* category_variable) {
  for (const char* variable : {"LC_ALL", category_variable, "LANG"}) {
    std::string_view v = Env(variable);
    if (!v.empty()) return v;
  }
  return "C";
}

}  // namespace

Locale Locale::FromEnvironment() {
  if (std::string_view pinned = Env("SHEAVER_LOCALE"); !pinned.empty()) return Named(pinned);
  std::string_view time_name = CategoryName("LC_TIME");
  std::string_view numeric_name = CategoryName("LC_NUMERIC");
  Locale l = Named(time_name);
  if (numeric_name != time_name) {
    Locale numeric = Named(numeric_name);
    l.decimal_separator = numeric.decimal_separator;
    l.thousands_separator = numeric.thousands_separator;
  }
  return l;
}

namespace {

Locale& Current() {
  static Locale locale = Locale::FromEnvironment();
  return locale;
}

}  // namespace

const Locale& CurrentLocale() {
  return Current();
}
void SetCurrentLocale(Locale locale) {
  Current() = std::move(locale);
}

}  // namespace sheaver
