// The user's locale, as far as the system's texts depend on it: the decimal and thousands
// separators of numbers, the order and separator of short dates, the time separator and clock,
// month and day names, and the AM/PM designators.
//
// The locale comes from the user's environment (LC_ALL, LC_TIME, LC_NUMERIC, LANG, read through
// the C library without touching the process locale) and can be pinned with the environment
// variable SHEAVER_LOCALE (for example SHEAVER_LOCALE=en_US).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace sheaver {

enum class DateOrder { kDayMonthYear, kMonthDayYear, kYearMonthDay };

struct Locale {
  std::string name = "en_GB";  // the locale's name, for messages
  std::string decimal_separator = ".";
  std::string thousands_separator = ",";  // may be empty: no grouping
  DateOrder date_order = DateOrder::kDayMonthYear;
  std::string date_separator = "/";
  std::string time_separator = ":";
  bool hour12 = false;  // the locale writes times on a 12-hour clock with AM/PM
  std::array<std::string, 12> month_names{"January",   "February", "March",    "April",
                                          "May",       "June",     "July",     "August",
                                          "September", "October",  "November", "December"};
  std::array<std::string, 12> month_abbrevs{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  // Sunday first.
  std::array<std::string, 7> day_names{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                       "Thursday", "Friday", "Saturday"};
  std::array<std::string, 7> day_abbrevs{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::string am = "AM";
  std::string pm = "PM";

  // English with day-first dates (en_GB): 31/01/2024, 13:30:00, decimal ".", thousands ",".
  static Locale EnglishDayFirst();
  // English with month-first dates (en_US): 01/31/2024, 1:30:00 PM, decimal ".", thousands ",".
  static Locale EnglishMonthFirst();
  // German (de_DE): 31.01.2024, 13:30:00, decimal ",", thousands ".".
  static Locale German();
  // French (fr_FR): 31/01/2024, 13:30:00, decimal ",", thousands " " (a plain space).
  static Locale French();
  // The locale of a machine that names none (C, POSIX): English names, decimal ".", thousands
  // ",", dates year first as 2024-01-31, 24-hour times.
  static Locale Fallback();

  // The built-in locale of a name such as "de_DE", "de_DE.UTF-8" or "fr_FR@euro" (encoding and
  // modifier ignored; C and POSIX give the fallback), or nothing for a name without a table.
  static std::optional<Locale> BuiltIn(std::string_view name);
  // The locale as the C library defines it under that name (tried as given and with ".UTF-8"),
  // or nothing when the machine does not have it. Never changes the process locale.
  static std::optional<Locale> FromCLibrary(std::string_view name);
  // The locale of a name: the built-in table when there is one, else the C library's, else the
  // built-in table of the same language (de_AT -> de_DE, en_AU -> en_GB), else the fallback.
  static Locale Named(std::string_view name);
  // The user's locale: SHEAVER_LOCALE when set, otherwise the C library's view of LC_ALL,
  // LC_TIME and LC_NUMERIC (dates and names from the time category, separators from the numeric
  // one), with the built-in tables standing in for names the machine has not installed.
  static Locale FromEnvironment();
};

// The locale in force for the process. Until set, the one read from the environment.
const Locale& CurrentLocale();
void SetCurrentLocale(Locale locale);

namespace detail {
// Reads the date order and separator from a C library date format such as "%d.%m.%Y" or "%D";
// false (and nothing changed) when the format names no day, month and year.
bool ReadCDateFormat(std::string_view format, DateOrder& order, std::string& separator);
}  // namespace detail

}  // namespace sheaver
