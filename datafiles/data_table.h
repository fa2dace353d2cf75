// A rectangular table of texts tied to one text file, read and written in one of three layouts:
// 0 "dat" (a count line "rows,cols" then one line per row), 1 "csv" (rows only) and 2 "csv" with
// a header line. Every cell is written in double quotes with inner quotes doubled; lines are read
// back with GetWords, so unquoted cells are accepted too and every cell loses its leading and
// trailing spaces. Lines end in CR LF. Form types are tables of this kind in the "dat" layout.
//
// The row and column counts are separate from the grid of cells: setting Rows or cols changes only
// the count, Clear or Load sizes the grid again. So a caller that builds a table sets both counts,
// calls Clear, then stores the cells.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/int16.h"

namespace sheaver {

class DataTable {
 public:
  // The path of the table file; "" on a new object.
  const std::string& FileName() const { return fileName_; }
  // Stores the path without checking it.
  void FileName(std::string pFileName) { fileName_ = std::move(pFileName); }

  // True when the file name is not empty and a directory lookup finds an ordinary, visible,
  // readable file under it (wildcards in the name match as in FindFiles).
  bool Exists() const;

  // The layout: 0 "dat", 1 "csv", 2 "csv" with a header line; 0 on a new object.
  Int16 Fmt() const { return fmt_; }
  // Stores the layout unchecked; Load and Save do nothing in a layout other than 0, 1 and 2.
  void Fmt(Int16 pFmt) { fmt_ = pFmt; }
  // "csv" for layouts 1 and 2, "dat" for every other value.
  std::string FileType() const;

  // The column headers written by Save in layout 2; Load never fills them.
  const std::vector<std::string>& Headers() const { return headers_; }
  // Replaces the headers with a copy of the list (element i heads column i).
  void Headers(std::vector<std::string> pHeaders) { headers_ = std::move(pHeaders); }

  // The number of rows in use.
  Int16 Rows() const { return rows_; }
  // Stores N (the grid keeps its size and cells). N < 1 ends the program after the message
  // "clsDatFile.Rows out of bounds (N)".
  void Rows(Int16 N);
  // The number of columns in use.
  Int16 cols() const { return cols_; }
  // Stores N (the grid keeps its size and cells). N < 1 ends the program after the message
  // "clsDatFile.Cols out of bounds (N)".
  void cols(Int16 N);

  // The cell's text; "" when the row or column is outside the counts, or outside the grid last
  // sized by Clear or Load (counts raised without Clear).
  std::string Data(Int16 pRow, Int16 pCol) const;
  // Stores the text in the cell; does nothing where the get would give "" for being outside.
  void Data(Int16 pRow, Int16 pCol, std::string pValue);
  // Column x of every row in use (Rows() elements, none when Rows() is 0); all "" when x is
  // outside the column count.
  std::vector<std::string> Col(Int16 x) const;
  // Exchanges row pRow with the row above it, in every column in use, when 1 <= pRow < Rows();
  // otherwise does nothing.
  void MoveRowUp(Int16 pRow);
  // Sizes the grid to the current counts, every cell empty.
  void Clear();

  // Reads the file in the current layout, replacing counts and cells (Headers are not read: a
  // header line is skipped). A row line must split into exactly the column count of cells:
  // in layout 0 the first one that does not ends the reading (the count line's row count stays,
  // later rows stay empty); in layouts 1 and 2 the table ends before it and the first data line
  // sets the column count. Does nothing in another layout.
  // An empty file name ends the program after "clsDatFile.Load: Filename not set"; a first csv
  // data line with malformed quoting ends it after "clsDatFile.Cols out of bounds (0)".
  // Raises (naming the file): the file errors of ReadTextLines (53 missing, 76 no directory, ...);
  // 62 Input past end of file when the file ends before the count line, before a row that
  // layout 0 announces, or before the first csv data line; for a count line that is not two whole
  // numbers 13 Type mismatch, for a negative count 9 Subscript out of range, for a count beyond
  // 32767 6 Overflow. The counts may have changed when an error is raised.
  void Load();
  // Writes the file in the current layout (created or truncated): layout 0 the count line then
  // the rows, layout 1 the rows, layout 2 the headers then the rows (a missing header is written
  // as ""). Does nothing with an empty file name or in another layout. Raises the file errors of
  // WriteTextLines.
  void Save() const;

 private:
  void LoadDat();
  void LoadCsv(bool withHeader);
  void SaveDat() const;
  void SaveCsv(bool withHeader) const;

  bool InGrid(Int16 r, Int16 c) const;
  std::string_view Cell(Int16 r, Int16 c) const;
  std::string& CellForWrite(Int16 r, Int16 c);
  void FillRow(Int16 r, std::vector<std::string>&& words);
  std::string RowLine(Int16 r) const;
  [[noreturn]] void RaiseInputPastEnd(const std::string& what) const;
  [[noreturn]] void RaiseOverflow(const std::string& what) const;

  std::string fileName_;
  Int16 fmt_ = 0;
  Int16 rows_ = 0;
  Int16 cols_ = 0;
  std::vector<std::string> headers_;
  // The grid as Clear or Load last sized it. A row of the grid is an empty vector until a cell of
  // it is stored, so that a count line announcing a huge table costs no memory for its cells.
  Int16 gridRows_ = 0;
  Int16 gridCols_ = 0;
  std::vector<std::vector<std::string>> grid_;
};

}  // namespace sheaver
