#include "runtime/locale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace sheaver {
namespace {

TEST(LocaleBuiltIn, NamesWithEncodingsAndModifiers) {
  struct Row {
    const char* name;
    const char* expected;  // "" for no built-in table
  } rows[] = {
      {"en_GB", "en_GB"},      {"en_GB.UTF-8", "en_GB"},
      {"de_DE@euro", "de_DE"}, {"fr_FR.ISO-8859-1", "fr_FR"},
      {"en_US", "en_US"},      {"C", "C"},
      {"POSIX", "C"},          {"C.UTF-8", "C"},
      {"nl_NL", ""},           {"", ""},
  };
  for (const Row& r : rows) {
    std::optional<Locale> l = Locale::BuiltIn(r.name);
    EXPECT_EQ(l ? l->name : "", r.expected) << r.name;
  }
  Locale de = *Locale::BuiltIn("de_DE");
  EXPECT_EQ(de.decimal_separator, ",");
  EXPECT_EQ(de.date_separator, ".");
  EXPECT_EQ(de.month_names[2], "M\xC3\xA4rz");
  EXPECT_FALSE(de.hour12);
  EXPECT_TRUE(Locale::EnglishMonthFirst().hour12);
}

TEST(LocaleNamed, FallsBackByLanguageThenToTheNeutralLocale) {
  // Names no machine has: the built-in table of the language, or the fallback.
  EXPECT_EQ(Locale::Named("de_XX").name, "de_DE");
  EXPECT_EQ(Locale::Named("en_XX").name, "en_GB");
  EXPECT_EQ(Locale::Named("xx_XX").name, "C");
  EXPECT_EQ(Locale::Named("xx_XX").date_order, DateOrder::kYearMonthDay);
  EXPECT_FALSE(Locale::FromCLibrary("xx_XX").has_value());
}

TEST(LocaleFromCLibrary, ReadsTheCLocale) {
  // "C" is the one locale every C library has.
  std::optional<Locale> c = Locale::FromCLibrary("C");
  ASSERT_TRUE(c.has_value());
  EXPECT_EQ(c->decimal_separator, ".");
  EXPECT_EQ(c->date_order, DateOrder::kMonthDayYear);  // the C library's %m/%d/%y
  EXPECT_EQ(c->month_names[0], "January");
  EXPECT_EQ(c->day_abbrevs[0], "Sun");
  EXPECT_FALSE(c->hour12);  // %H:%M:%S
}

TEST(LocaleCDateFormat, OrderAndSeparator) {
  struct Row {
    const char* format;
    bool ok;
    DateOrder order;
    const char* separator;
  } rows[] = {
      {"%d/%m/%Y", true, DateOrder::kDayMonthYear, "/"},
      {"%d.%m.%Y", true, DateOrder::kDayMonthYear, "."},
      {"%m/%d/%y", true, DateOrder::kMonthDayYear, "/"},
      {"%D", true, DateOrder::kMonthDayYear, "/"},
      {"%F", true, DateOrder::kYearMonthDay, "-"},
      {"%Y-%m-%d", true, DateOrder::kYearMonthDay, "-"},
      {"%Y. %m. %d.", true, DateOrder::kYearMonthDay, "."},
      {"%-d/%-m/%Y", true, DateOrder::kDayMonthYear, "/"},
      {"%e %b %Y", true, DateOrder::kDayMonthYear, "/"},
      {"%H:%M", false, DateOrder::kDayMonthYear, "?"},
  };
  for (const Row& r : rows) {
    DateOrder order = DateOrder::kDayMonthYear;
    std::string sep = "?";
    EXPECT_EQ(detail::ReadCDateFormat(r.format, order, sep), r.ok) << r.format;
    EXPECT_EQ(order, r.order) << r.format;
    EXPECT_EQ(sep, r.separator) << r.format;
  }
}

// Sets environment variables for one test and puts them back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(std::initializer_list<std::pair<const char*, const char*>> vars) {
    for (auto [name, value] : vars) {
      const char* old = std::getenv(name);
      saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
      if (value)
        setenv(name, value, 1);
      else
        unsetenv(name);
    }
  }
  ~ScopedEnv() {
    for (auto& [name, value] : saved_) {
      if (value)
        setenv(name, value->c_str(), 1);
      else
        unsetenv(name);
    }
  }

 private:
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST(LocaleFromEnvironment, PinnedByTheVariableOrTakenByCategory) {
  {
    ScopedEnv env{{"SHEAVER_LOCALE", "de_DE"}, {"LC_ALL", "en_US.UTF-8"}};
    EXPECT_EQ(Locale::FromEnvironment().name, "de_DE");
  }
  {
    ScopedEnv env{{"SHEAVER_LOCALE", ""}, {"LC_ALL", "en_US.UTF-8"}, {"LC_TIME", "de_DE"}};
    EXPECT_EQ(Locale::FromEnvironment().name, "en_US");  // LC_ALL wins over the category
  }
  {
    // Dates from the time category, separators from the numeric one.
    ScopedEnv env{{"SHEAVER_LOCALE", nullptr},
                  {"LC_ALL", nullptr},
                  {"LANG", "en_GB.UTF-8"},
                  {"LC_TIME", "en_US.UTF-8"},
                  {"LC_NUMERIC", "de_DE.UTF-8"}};
    Locale l = Locale::FromEnvironment();
    EXPECT_EQ(l.date_order, DateOrder::kMonthDayYear);
    EXPECT_EQ(l.decimal_separator, ",");
    EXPECT_EQ(l.thousands_separator, ".");
  }
  {
    ScopedEnv env{{"SHEAVER_LOCALE", nullptr},
                  {"LC_ALL", nullptr},
                  {"LANG", nullptr},
                  {"LC_TIME", nullptr},
                  {"LC_NUMERIC", nullptr}};
    EXPECT_EQ(Locale::FromEnvironment().name, "C");
  }
}

TEST(CurrentLocale, SetReplacesIt) {
  Locale saved = CurrentLocale();
  SetCurrentLocale(Locale::German());
  EXPECT_EQ(CurrentLocale().decimal_separator, ",");
  SetCurrentLocale(saved);
  EXPECT_EQ(CurrentLocale().name, "en_GB");  // as the test program pins it
}

}  // namespace
}  // namespace sheaver
