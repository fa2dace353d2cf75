// The table file that Gridmend edits: a DataTable with its path and layout, and what an editor
// needs around it: the layout found from the file's own lines, the header line of a csv file
// kept across Save, row operations that keep the table's counts and cells in step, the reading
// problems that the table class passes over in silence, and whether anything changed since the
// file was read or written.
//
// Layouts: a file whose first line is a count line ("3,3") is a "dat" table (layout 0), whatever
// its extension; form types are such tables. Any other file is a csv table, with a header line
// (layout 2) when LooksLikeHeader says so, otherwise without (layout 1). Save keeps the layout.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "datafiles/data_table.h"
#include "runtime/int16.h"

namespace sheaver {

// True for a count line: two whole numbers from 0 to 32767 separated by a comma, as the "dat"
// layout writes it (spaces around the numbers allowed, no quotes, nothing else).
bool IsCountLine(std::string_view line);

// True when the first line of a csv file reads as column headers over the lines below it: it
// has as many cells as the next line, every header is a distinct non-empty text that does not
// look like a number or a date, and some column holds only numbers or dates below its header
// (empty cells aside) in the lines of the same width that follow (the first 50 are looked at).
// Without such evidence the answer is false: a table of texts is taken to have no header.
bool LooksLikeHeader(const std::vector<std::string>& lines);

// The layout the lines of a file call for: 0 when the first line is a count line, otherwise 2
// when LooksLikeHeader, otherwise 1.
Int16 DetectLayout(const std::vector<std::string>& lines);

// The text a cell keeps: line breaks become spaces and leading and trailing spaces go, since a
// table file cannot hold either (a line break ends the line, spaces are dropped on reading).
std::string CleanCell(std::string_view text);

class TableDocument {
 public:
  // A new form type without fields (layout 0, three columns), to be saved at path ("" when Save
  // As has to name it first). Not modified.
  explicit TableDocument(std::string path = {});

  // Reads the table file at path in the layout DetectLayout finds. An empty file opens as a new
  // form type. Each reading problem that loses or drops lines (a row with another number of
  // cells, lines after the table) adds a sentence to `warnings`, saying what saving would do.
  // Raises the table class's and the file's errors (53 missing, 62 too short, 13 a bad count
  // line, ...), naming the file; 13 for a csv file whose first data line cannot be split into
  // cells (an open quote), 9 for a count line that announces no columns.
  static TableDocument Open(const std::string& path, std::vector<std::string>& warnings);

  // The file the document is saved to ("" for a new one without a name).
  const std::string& Path() const { return path_; }
  // 0 "dat", 1 csv, 2 csv with a header line.
  Int16 Layout() const { return layout_; }
  // A "dat" table: a form type, one row per field (name, reference, format code).
  bool IsFormType() const { return layout_ == 0; }

  Int16 Rows() const { return table_.Rows(); }
  Int16 Cols() const { return table_.cols(); }
  // The text of a cell; "" outside the table.
  std::string Cell(Int16 row, Int16 col) const { return table_.Data(row, col); }
  // Stores CleanCell(text) in the cell; false (and nothing changed) when the cell already holds
  // that text or lies outside the table.
  bool SetCell(Int16 row, Int16 col, std::string_view text);

  // A form type's field is a key (its fourth column holds the key mark); false for any other
  // table and outside it.
  bool IsKey(Int16 row) const;
  // Marks the field as a key ("key" in the fourth column) or not (the column emptied), adding
  // the fourth column to a form type of three. False and nothing changed when it already is so,
  // for a table that is no form type, and outside the table.
  bool SetKey(Int16 row, bool key);

  // The column titles to show: "Field", "Reference", "Format", "Key" then "Column 5", ... for a
  // form type; the header line's texts for layout 2 ("Column N" for an empty one); "Column 1", ...
  // for layout 1.
  std::vector<std::string> ColumnTitles() const;
  // The header line's texts (layout 2 only; one per column).
  const std::vector<std::string>& Headers() const { return headers_; }

  // Inserts an empty row before row `at` (clamped to 0..Rows()) and returns its index. Overflow
  // (6) beyond 32767 rows.
  Int16 InsertRow(Int16 at);
  // Removes the row; nothing outside the table. A csv table keeps at least one row (a csv file
  // without a line cannot be read back): deleting its only row empties the row instead.
  void DeleteRow(Int16 row);
  // Exchanges the row with the one above (below); false and nothing changed at the first (last)
  // row or outside the table.
  bool MoveRowUp(Int16 row);
  bool MoveRowDown(Int16 row);

  // Whether a csv table has a header line (layout 2).
  bool HasHeader() const { return layout_ == 2; }
  // Turns the first row into the header line (true) or the header line into the first row
  // (false), so that nothing is lost either way. False and nothing changed for a form type, when
  // the layout is already so, or when no row would be left below the header line.
  bool HasHeader(bool header);

  // True when the layout, headers or any cell differ from the file as last read or written.
  bool Modified() const;
  // Writes the table to Path() in its layout (layout 2 with its header line). Raises the file's
  // errors; 52 (Bad file name) when there is no path yet.
  void Save();
  // Saves to another path, which becomes the document's path.
  void SaveAs(const std::string& path);

  // What an edit can change: the layout, the header line, the column count and the cells.
  struct Contents {
    Int16 layout = 0;
    std::vector<std::string> headers;
    Int16 cols = 0;
    std::vector<std::vector<std::string>> cells;
    bool operator==(const Contents&) const = default;
  };
  // The contents as they stand, to be put back by Restore (an edit's undo).
  Contents Current() const;
  // Puts back contents taken by Current(); the path and what was last saved stay, so Modified
  // tells again whether the restored contents differ from the file.
  void Restore(const Contents& contents);

  // The table as the table class holds it.
  const DataTable& Table() const { return table_; }

 private:
  struct Content {
    Int16 layout = 0;
    std::vector<std::string> headers;
    std::vector<std::vector<std::string>> cells;
    bool operator==(const Content&) const = default;
  };
  Content Snapshot() const;
  std::vector<std::vector<std::string>> Cells() const;
  // Makes the table hold exactly these rows of Cols() cells (counts and grid sized afresh).
  void Rebuild(const std::vector<std::vector<std::string>>& cells);
  // The same with `cols` columns.
  void Rebuild(const std::vector<std::vector<std::string>>& cells, Int16 cols);

  std::string path_;
  Int16 layout_ = 0;
  std::vector<std::string> headers_;
  DataTable table_;
  Content saved_;
};

}  // namespace sheaver
