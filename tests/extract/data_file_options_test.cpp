#include "extract/data_file_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "extract/extraction.h"
#include "runtime/locale.h"
#include "support/form_files.h"
#include "support/raised.h"
#include "support/temp_dir.h"

namespace sheaver {
namespace {

using test::TempDir;

// Puts the process's locale back when a test that changes it ends.
class ScopedLocale {
 public:
  explicit ScopedLocale(Locale locale) : previous_(CurrentLocale()) {
    SetCurrentLocale(std::move(locale));
  }
  ~ScopedLocale() { SetCurrentLocale(previous_); }

 private:
  Locale previous_;
};

// A form type with a fourth column: rows of name, reference, format code and key mark.
void WriteFourColumnFormType(const TempDir& dir,
                             const std::vector<std::vector<std::string>>& rows) {
  std::string text = std::to_string(rows.size()) + ",4\r\n";
  for (const auto& row : rows) {
    for (std::size_t i = 0; i < row.size(); ++i) text += (i ? ",\"" : "\"") + row[i] + "\"";
    text += "\r\n";
  }
  dir.Write("form.dat", text);
}

TEST(CsvField, QuotesOnlyWhatNeedsIt) {
  const struct {
    std::string value;
    char separator;
    std::string field;
  } cases[] = {
      {"7.50", ',', "7.50"},
      {"7,50", ',', "\"7,50\""},
      {"7,50", ';', "7,50"},
      {"a;b", ';', "\"a;b\""},
      {"a\tb", '\t', "\"a\tb\""},
      {"a\tb", ',', "a\tb"},
      {"say \"x\"", ';', "\"say \"\"x\"\"\""},
      {"two\r\nlines", ',', "\"two\r\nlines\""},
      {"", ',', ""},
  };
  for (const auto& c : cases) EXPECT_EQ(CsvField(c.value, c.separator), c.field) << c.value;
}

TEST(DataFileOptions, FormulasSeparatorsAndHeaders) {
  for (const char* formula : {"=1+1", "@SUM(A1)", "+A1", "-A1", "\tx", "\rx", "-", "+"})
    EXPECT_TRUE(LooksLikeFormula(formula)) << formula;
  for (const char* plain : {"", "-5", "+7.5", "-,5", "-.5", "a=b", "'=x", " =x"})
    EXPECT_FALSE(LooksLikeFormula(plain)) << plain;

  EXPECT_EQ(ParseSeparator(";"), ';');
  EXPECT_EQ(ParseSeparator("TAB"), '\t');
  EXPECT_EQ(ParseSeparator("\t"), '\t');
  EXPECT_EQ(ParseSeparator("Semicolon"), ';');
  EXPECT_EQ(ParseSeparator("|"), std::nullopt);
  EXPECT_EQ(ParseSeparator(""), std::nullopt);

  EXPECT_EQ(HeaderSeparator("Staff,Day"), ',');
  EXPECT_EQ(HeaderSeparator("\xEF\xBB\xBF\"a,b\";c"), ';');
  EXPECT_EQ(HeaderSeparator("Staff\tDay;x"), '\t');
  EXPECT_EQ(HeaderSeparator("Staff"), std::nullopt);
}

// Decimal-comma numbers, a date and a header name holding the separator: every line has as
// many fields as the header, whichever separator is chosen.
TEST(DataFileOptions, DecimalCommaValuesAreQuotedByTheSeparator) {
  ScopedLocale german(Locale::German());
  const std::vector<test::FormField> fields = {{"Staff", "B2", "0"},
                                               {"Day", "B3", "+dmy"},
                                               {"Hours, worked", "C6:C7", "0.00"},
                                               {"Note", "B4", "text"}};
  const struct {
    char separator;
    std::string csv;
  } cases[] = {
      {',',
       "Staff,Day,\"Hours, worked\",Note\r\n"
       "42,01.01.2024,\"8,00\",\"He said \"\"hi\"\", then\nleft\"\r\n"
       "42,02.01.2024,\"7,50\",\"He said \"\"hi\"\", then\nleft\"\r\n"},
      {';',
       "Staff;Day;Hours, worked;Note\r\n"
       "42;01.01.2024;8,00;\"He said \"\"hi\"\", then\nleft\"\r\n"
       "42;02.01.2024;7,50;\"He said \"\"hi\"\", then\nleft\"\r\n"},
  };
  for (const auto& c : cases) {
    DataFileOptions options;
    options.separator = c.separator;
    ScopedDataFileOptions scoped(options);
    TempDir dir;
    test::WriteFormType(dir.File("form.dat"), fields);
    ExtractWorkbookData(test::WeekWorkbook(), dir.File("form.dat"), dir.File("data.csv"));
    EXPECT_EQ(dir.Read("data.csv"), c.csv) << c.separator;
  }
}

TEST(DataFileOptions, ByteOrderMarkAndNeutralisedFormulas) {
  DataFileOptions options;
  options.byteOrderMark = true;
  options.neutraliseFormulas = true;
  ScopedDataFileOptions scoped(options);
  TempDir dir;
  dir.Write("form.dat",
            "3,3\r\n\"Title\",\"A1\",\"text\"\r\n\"Minus\",\"B2\",\"-0\"\r\n"
            "\"Hours\",\"C7\",\"0.00\"\r\n");
  for (int i = 0; i < 2; ++i)
    ExtractWorkbookData(test::WeekWorkbook(), dir.File("form.dat"), dir.File("data.csv"));
  // The mark starts a new file only; "-42" stays a number.
  EXPECT_EQ(dir.Read("data.csv"),
            "\xEF\xBB\xBFTitle,Minus,Hours\r\n\"Timesheet title\",-42,7.50\r\n"
            "\"Timesheet title\",-42,7.50\r\n");

  dir.Write("form.dat", "1,3\r\n\"Sum\",\"A1\",\"=@\"\r\n");
  dir.Write("formula.csv", "");
  ExtractWorkbookData(test::WeekWorkbook(), dir.File("form.dat"), dir.File("formula.csv"));
  EXPECT_EQ(dir.Read("formula.csv"), "'=Timesheet title\r\n");
}

TEST(DataFileOptions, AnExistingDataFileKeepsItsSeparator) {
  TempDir dir;
  test::WriteFormType(dir.File("form.dat"), test::TimesheetFields());
  dir.Write("data.csv", "\xEF\xBB\xBFStaff;Day;Hours\r\n");
  const test::Raised raised = test::RaisedBy([&] {
    ExtractWorkbookData(test::WeekWorkbook(), dir.File("form.dat"), dir.File("data.csv"));
  });
  EXPECT_EQ(raised.number, 5);
  EXPECT_EQ(raised.description,
            "week.xls: " + dir.File("data.csv") +
                ": Invalid procedure call or argument: the data file separates its values with ;, "
                "not with the chosen ,");
  EXPECT_EQ(dir.Read("data.csv"), "\xEF\xBB\xBFStaff;Day;Hours\r\n");

  DataFileOptions options;
  options.separator = ';';
  ScopedDataFileOptions scoped(options);
  ExtractWorkbookData(test::WeekWorkbook(), dir.File("form.dat"), dir.File("data.csv"));
  EXPECT_EQ(dir.Read("data.csv").substr(0, 40),
            "\xEF\xBB\xBFStaff;Day;Hours\r\n42;01/01/2024;8.00\r\n");
}

// Key fields: a record is written when any of them has a value; form types without the column
// write every record.
TEST(DataFileOptions, RecordsWithEmptyKeysAreDropped) {
  const struct {
    const char* name;
    std::vector<std::vector<std::string>> rows;
    std::string csv;
  } cases[] = {
      {"one key",
       {{"Staff", "B2", "0", ""}, {"Day", "B3", "+dmy", ""}, {"Hours", "C6:C12", "0.00", "key"}},
       "Staff,Day,Hours\r\n42,01/01/2024,8.00\r\n42,02/01/2024,7.50\r\n42,03/01/2024,8.00\r\n"
       "42,04/01/2024,8.00\r\n42,05/01/2024,6.25\r\n"},
      {"unconverted padding is not checked",
       {{"Staff", "B2", "0", ""}, {"Day", "I6:I7", "dmy", ""}, {"Hours", "C10:C12", "0.00", "key"}},
       "Staff,Day,Hours\r\n42,01/01/2024,6.25\r\n"},
      {"any key filled keeps the record",
       {{"Day", "I6:I8", "iso", " KEY "}, {"Hours", "C10:C12", "0.00", "key"}},
       "Day,Hours\r\n2024-01-01,6.25\r\n2024-01-02,0.00\r\n2024-01-03,0.00\r\n"},
      {"no key column", {{"Hours", "C10:C12", "0.00", ""}}, "Hours\r\n6.25\r\n0.00\r\n0.00\r\n"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    WriteFourColumnFormType(dir, c.rows);
    const test::Raised raised = test::RaisedBy([&] {
      ExtractWorkbookData(test::WeekWorkbook(), dir.File("form.dat"), dir.File("data.csv"));
    });
    EXPECT_EQ(raised.description, "") << c.name;
    EXPECT_EQ(dir.Read("data.csv"), c.csv) << c.name;
  }
}

}  // namespace
}  // namespace sheaver
