// The user's locale, as far as the system's texts depend on it: the decimal separator of numbers,
// the order and separator of short dates, and month and day names.
#pragma once

#include <array>
#include <string>

namespace sheaver {

enum class DateOrder { kDayMonthYear, kMonthDayYear, kYearMonthDay };

struct Locale {
  std::string name = "en_GB";       // the locale's name, for messages
  std::string decimal_separator = ".";
  std::string thousands_separator = ",";
  DateOrder date_order = DateOrder::kDayMonthYear;
  std::string date_separator = "/";
  std::string time_separator = ":";
  std::array<std::string, 12> month_names{"January", "February", "March",     "April",
                                          "May",     "June",     "July",      "August",
                                          "September", "October", "November", "December"};
  std::array<std::string, 12> month_abbrevs{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  // Sunday first.
  std::array<std::string, 7> day_names{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                       "Thursday", "Friday", "Saturday"};
  std::array<std::string, 7> day_abbrevs{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::string am = "AM";
  std::string pm = "PM";

  // English with day-first dates (en_GB): 31/01/2024, decimal ".".
  static Locale EnglishDayFirst();
  // English with month-first dates (en_US): 01/31/2024, decimal ".".
  static Locale EnglishMonthFirst();
};

// The locale in force for the process. Until set, the one read from the environment.
const Locale& CurrentLocale();
void SetCurrentLocale(Locale locale);

}  // namespace sheaver
