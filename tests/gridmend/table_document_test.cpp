#include "gridmend/table_document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/raised.h"
#include "support/temp_dir.h"

namespace sheaver {
namespace {

using test::RaisedBy;
using test::TempDir;

// Every cell of the document, row by row, cells joined by "|".
std::vector<std::string> Rows(const TableDocument& doc) {
  std::vector<std::string> rows;
  for (Int16 r = 0; r < doc.Rows(); ++r) {
    std::string row;
    for (Int16 c = 0; c < doc.Cols(); ++c) row += (c > 0 ? "|" : "") + doc.Cell(r, c);
    rows.push_back(row);
  }
  return rows;
}

TableDocument OpenQuietly(const std::string& path) {
  std::vector<std::string> warnings;
  TableDocument doc = TableDocument::Open(path, warnings);
  EXPECT_EQ(warnings, std::vector<std::string>{}) << path;
  return doc;
}

TEST(TableLayout, CountLinesMakeDatTablesAndHeadersNeedEvidence) {
  struct Case {
    std::vector<std::string> lines;
    Int16 layout;
  };
  const Case cases[] = {
      {{"3,3", "\"Staff\",\"B2\",\"0\""}, 0},
      {{"32767,1"}, 0},
      {{"32768,1"}, 1},      // beyond any table: not a count line
      {{"\"3\",\"3\""}, 1},  // quoted: cells, not counts
      {{"Staff,Day,Hours", "42,01/01/2024,8.00", "42,02/01/2024,7.50"}, 2},
      {{"Staff,Hours", "Bob,8", "Ann,"}, 2},  // empty cells are no evidence either way
      {{"Name,City", "Bob,Paris"}, 1},        // texts over texts: no evidence
      {{"Name,Name", "1,2"}, 1},              // headers are distinct
  };
  for (const Case& c : cases) {
    std::string text;
    for (const std::string& line : c.lines) text += line + " / ";
    EXPECT_EQ(DetectLayout(c.lines), c.layout) << text;
  }
}

TEST(TableDocument, AnEmptyFileIsANewFormTypeWhichCanLoseItsLastField) {
  TempDir dir;
  const std::string path = dir.Write("blank.dat", "");
  std::vector<std::string> warnings;
  TableDocument form = TableDocument::Open(path, warnings);
  EXPECT_EQ(warnings,
            std::vector<std::string>{path + " is empty: it is edited as a new form type."});
  EXPECT_TRUE(form.IsFormType());
  form.SetCell(form.InsertRow(0), 0, "Staff");
  form.Save();
  EXPECT_EQ(dir.Read("blank.dat"), "1,3\r\n\"Staff\",\"\",\"\"\r\n");
  form.DeleteRow(0);
  form.Save();
  EXPECT_EQ(dir.Read("blank.dat"), "0,3\r\n");
  EXPECT_EQ(OpenQuietly(path).Rows(), 0);
}

TEST(TableDocument, ACsvHeaderLineIsKeptAndCanBeTurnedIntoARowAndBack) {
  TempDir dir;
  const std::string text = "\"Staff\",\"Day\",\"Hours\"\r\n\"42\",\"01/01/2024\",\"8.00\"\r\n";
  TableDocument doc = OpenQuietly(dir.Write("week.csv", text));
  EXPECT_EQ(doc.ColumnTitles(), (std::vector<std::string>{"Staff", "Day", "Hours"}));
  EXPECT_EQ(Rows(doc), std::vector<std::string>{"42|01/01/2024|8.00"});
  doc.SetCell(0, 2, "7.50");
  doc.Save();
  const std::string saved = "\"Staff\",\"Day\",\"Hours\"\r\n\"42\",\"01/01/2024\",\"7.50\"\r\n";
  EXPECT_EQ(dir.Read("week.csv"), saved);

  EXPECT_TRUE(doc.HasHeader(false));
  EXPECT_EQ(Rows(doc), (std::vector<std::string>{"Staff|Day|Hours", "42|01/01/2024|7.50"}));
  EXPECT_TRUE(doc.Modified());
  doc.SaveAs(dir.File("plain.csv"));
  EXPECT_EQ(dir.Read("plain.csv"), saved);  // the same lines, now all rows

  doc.DeleteRow(1);
  EXPECT_FALSE(doc.HasHeader(true));  // no row would be left below the header
}

TEST(TableDocument, RestoredContentsUndoHeaderRowAndKeyEditsAndModifiedFollowsTheFile) {
  TempDir dir;
  TableDocument csv = OpenQuietly(dir.Write("week.csv", "\"Staff\",\"Hours\"\r\n\"42\",\"8\"\r\n"));
  const TableDocument::Contents opened = csv.Current();
  ASSERT_TRUE(csv.HasHeader(false));
  csv.InsertRow(0);
  csv.Restore(opened);
  EXPECT_EQ(csv.Layout(), 2);
  EXPECT_EQ(csv.ColumnTitles(), (std::vector<std::string>{"Staff", "Hours"}));
  EXPECT_EQ(Rows(csv), std::vector<std::string>{"42|8"});
  EXPECT_FALSE(csv.Modified());

  // A key adds a fourth column; putting back the three-column form type takes it away again.
  TableDocument form;
  form.InsertRow(0);
  form.SetCell(0, 0, "Hours");
  const TableDocument::Contents three = form.Current();
  ASSERT_TRUE(form.SetKey(0, true));
  form.Restore(three);
  EXPECT_EQ(form.Cols(), 3);
  EXPECT_EQ(Rows(form), std::vector<std::string>{"Hours||"});
  form.DeleteRow(0);
  form.Restore(TableDocument().Current());
  EXPECT_EQ(form.Rows(), 0);
  EXPECT_FALSE(form.Modified());
}

TEST(TableDocument, ReadingProblemsAreToldWithWhatSavingDoesOrAreErrorsNamingTheFile) {
  struct Case {
    const char* name;
    const char* text;
    std::vector<std::string> rows;
    std::string message;  // the warning ("" when none), or the error's description
    int number = 0;       // the error raised, 0 for none
  };
  const Case cases[] = {
      {"a row with too few cells",
       "3,2\r\na,b\r\nc\r\ne,f\r\n",
       {"a|b", "|", "|"},
       "line 3 has 1 cell where the table has 2 columns: rows 2 to 3 are not read and show "
       "empty; saving writes them empty."},
      {"lines after the counted rows",
       "1,2\r\na,b\r\nc,d\r\n",
       {"a|b"},
       "Lines 3 to 3 follow the 1 rows that the count line announces: they are not part of the "
       "table and saving drops them."},
      {"blank lines after the rows", "1,2\r\na,b\r\n\r\n  \r\n", {"a|b"}, ""},
      {"a csv table ending early",
       "a,b\r\nc,d\r\ne\r\nf,g\r\n",
       {"a|b", "c|d"},
       "line 3 has 1 cell where the table has 2: the table ends above it, and saving drops "
       "lines 3 to 4."},
      {"csv with an open quote",
       "\"a,b\r\nc,d\r\n",
       {},
       "Type mismatch: line 1 cannot be split into cells (a quote is left open, or text "
       "follows a closing quote)",
       13},
      {"no columns",
       "2,0\r\n\r\n\r\n",
       {},
       "Subscript out of range: the count line \"2,0\" announces no columns",
       9},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string path = dir.Write("t.dat", c.text);
    std::vector<std::string> warnings;
    if (c.number != 0) {
      const test::Raised raised = RaisedBy([&] { TableDocument::Open(path, warnings); });
      EXPECT_EQ(raised.number, c.number) << c.name;
      EXPECT_EQ(raised.description, path + ": " + c.message) << c.name;
      continue;
    }
    const TableDocument doc = TableDocument::Open(path, warnings);
    EXPECT_EQ(Rows(doc), c.rows) << c.name;
    EXPECT_EQ(warnings, c.message.empty() ? std::vector<std::string>{}
                                          : std::vector<std::string>{path + ": " + c.message})
        << c.name;
    EXPECT_FALSE(doc.Modified()) << c.name;
  }
}

TEST(TableDocument, SavingNeedsANameAndAFailedSaveAsKeepsTheOldOne) {
  TempDir dir;
  TableDocument doc;
  doc.SetCell(doc.InsertRow(0), 0, "Staff");
  EXPECT_EQ(RaisedBy([&] { doc.Save(); }).number, 52);
  EXPECT_EQ(RaisedBy([&] { doc.SaveAs(dir.File("no/such/dir.dat")); }).number, 76);
  EXPECT_EQ(doc.Path(), "");
  EXPECT_TRUE(doc.Modified());
  doc.SaveAs(dir.File("staff.dat"));
  EXPECT_EQ(doc.Table().FileName(), dir.File("staff.dat"));
}

TEST(TableDocument, KeysLiveInTheFourthColumnOfFormTypesOnly) {
  TempDir dir;
  TableDocument doc =
      OpenQuietly(dir.Write("t.dat", "2,3\r\n\"a\",\"B2\",\"0\"\r\n\"b\",\"B3\",\"\"\r\n"));
  EXPECT_FALSE(doc.IsKey(0));
  EXPECT_FALSE(doc.SetKey(0, false));  // already so: no column added
  EXPECT_EQ(doc.Cols(), 3);
  EXPECT_FALSE(doc.SetKey(2, true));  // outside the table
  EXPECT_TRUE(doc.SetKey(1, true));
  EXPECT_EQ(Rows(doc), (std::vector<std::string>{"a|B2|0|", "b|B3||key"}));
  EXPECT_EQ(doc.ColumnTitles().back(), "Key");
  EXPECT_TRUE(doc.IsKey(1));
  EXPECT_TRUE(doc.SetKey(1, false));
  EXPECT_FALSE(doc.IsKey(1));
  EXPECT_TRUE(doc.Modified());

  TableDocument csv = OpenQuietly(dir.Write("t.csv", "a,b,c,key\r\n"));
  EXPECT_FALSE(csv.SetKey(0, true));
  EXPECT_FALSE(csv.IsKey(0));
}

}  // namespace
}  // namespace sheaver
