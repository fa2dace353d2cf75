#include "runtime/locale.h"

#include <utility>

namespace sheaver {

Locale Locale::EnglishDayFirst() { return Locale{}; }

Locale Locale::EnglishMonthFirst() {
  Locale l;
  l.name = "en_US";
  l.date_order = DateOrder::kMonthDayYear;
  return l;
}

namespace {
Locale& Current() {
  static Locale locale = Locale::EnglishDayFirst();
  return locale;
}
}  // namespace

const Locale& CurrentLocale() { return Current(); }
void SetCurrentLocale(Locale locale) { Current() = std::move(locale); }

}  // namespace sheaver
