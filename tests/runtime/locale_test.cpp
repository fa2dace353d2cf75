#include "runtime/locale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace sheaver {
namespace {

TEST(LocaleBuiltIn, NamesWithEncodingsAndModifiers) {
  struct Row {
    const char* name;
    const char* expected;  // "" for no built-in table
  } rows[] = {
      {"en_GB.UTF-8", "en_GB"}, {"de_DE@euro", "de_DE"}, {"POSIX", "C"},
      {"C.UTF-8", "C"},         {"nl_NL", ""},           {"", ""},
  };
  for (const Row& r : rows) {
    std::optional<Locale> l = Locale::BuiltIn(r.name);
    EXPECT_EQ(l ? l->name : "", r.expected) << r.name;
  }
}

TEST(LocaleNamed, FallsBackByLanguageThenToTheNeutralLocale) {
  // Names no machine has: the built-in table of the language, or the fallback.
  EXPECT_EQ(Locale::Named("de_XX").name, "de_DE");
  EXPECT_EQ(Locale::Named("en_XX").name, "en_GB");
  EXPECT_EQ(Locale::Named("xx_XX").date_order, DateOrder::kYearMonthDay);
  EXPECT_FALSE(Locale::FromCLibrary("xx_XX").has_value());
}

TEST(LocaleFromCLibrary, ReadsTheCLocale) {
  // "C" is the one locale every C library has.
  std::optional<Locale> c = Locale::FromCLibrary("C");
  ASSERT_TRUE(c.has_value());
  EXPECT_EQ(c->date_order, DateOrder::kMonthDayYear);  // the C library's %m/%d/%y
  EXPECT_EQ(c->month_names[0] + c->day_abbrevs[0] + c->decimal_separator, "JanuarySun.");
  EXPECT_FALSE(c->hour12);  // %H:%M:%S
}

// SHEAVER_LOCALE pins the locale; otherwise LC_ALL, or dates from the time category and
// separators from the numeric one, with LANG behind both.
TEST(LocaleFromEnvironment, PinnedByTheVariableOrTakenByCategory) {
  const char* const names[] = {"SHEAVER_LOCALE", "LC_ALL", "LANG", "LC_TIME", "LC_NUMERIC"};
  const struct {
    const char* values[5];  // nullptr: unset
    DateOrder order;
    const char* decimal;
  } rows[] = {
      {{"de_DE", "en_US.UTF-8"}, DateOrder::kDayMonthYear, ","},
      {{"", "en_US.UTF-8", nullptr, "de_DE"}, DateOrder::kMonthDayYear, "."},
      {{nullptr, nullptr, "en_GB.UTF-8", "en_US.UTF-8", "de_DE.UTF-8"},
       DateOrder::kMonthDayYear,
       ","},
      {{}, DateOrder::kYearMonthDay, "."},
  };
  std::vector<std::optional<std::string>> saved;
  for (const char* name : names)
    saved.push_back(std::getenv(name) ? std::optional<std::string>(std::getenv(name))
                                      : std::nullopt);
  auto set = [&](const char* name, const char* value) {
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  };
  for (const auto& r : rows) {
    for (int i = 0; i < 5; ++i) set(names[i], r.values[i]);
    const Locale l = Locale::FromEnvironment();
    EXPECT_EQ(l.date_order, r.order) << l.name;
    EXPECT_EQ(l.decimal_separator, r.decimal) << l.name;
  }
  for (int i = 0; i < 5; ++i) set(names[i], saved[i] ? saved[i]->c_str() : nullptr);
}

}  // namespace
}  // namespace sheaver
