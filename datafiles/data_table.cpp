#include "datafiles/data_table.h"

#include <charconv>
#include <cstdint>
#include <string>

#include "datafiles/line_splitter.h"
#include "platform/filesystem.h"
#include "platform/textfile.h"
#include "runtime/error.h"
#include "runtime/msgbox.h"

namespace sheaver {
namespace {

std::string Decimal(long long n) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, n);
  return std::string(buffer, result.ptr);
}

// Reads a word of the count line as a whole number: an optional "-" and decimal digits.
bool ReadWholeNumber(std::string_view word, long long& value) {
  if (word.empty() || word.size() > 18) return false;
  const auto result = std::from_chars(word.data(), word.data() + word.size(), value);
  return result.ec == std::errc() && result.ptr == word.data() + word.size();
}

}  // namespace

bool DataTable::Exists() const {
  return !fileName_.empty() && OrdinaryFileExists(fileName_);
}

std::string DataTable::FileType() const {
  return fmt_ == 1 || fmt_ == 2 ? "csv" : "dat";
}

void DataTable::Rows(Int16 N) {
  if (N < 1) FatalEnd("clsDatFile.Rows out of bounds (" + Decimal(N) + ")");
  rows_ = N;
}

void DataTable::cols(Int16 N) {
  if (N < 1) FatalEnd("clsDatFile.Cols out of bounds (" + Decimal(N) + ")");
  cols_ = N;
}

bool DataTable::InGrid(Int16 r, Int16 c) const {
  return r >= 0 && c >= 0 && r < rows_ && c < cols_ && r < gridRows_ && c < gridCols_;
}

std::string_view DataTable::Cell(Int16 r, Int16 c) const {
  const std::vector<std::string>& row = grid_[static_cast<std::size_t>(r)];
  return row.empty() ? std::string_view() : std::string_view(row[static_cast<std::size_t>(c)]);
}

std::string& DataTable::CellForWrite(Int16 r, Int16 c) {
  std::vector<std::string>& row = grid_[static_cast<std::size_t>(r)];
  if (row.empty()) row.resize(static_cast<std::size_t>(gridCols_));
  return row[static_cast<std::size_t>(c)];
}

std::string DataTable::Data(Int16 pRow, Int16 pCol) const {
  return InGrid(pRow, pCol) ? std::string(Cell(pRow, pCol)) : std::string();
}

void DataTable::Data(Int16 pRow, Int16 pCol, std::string pValue) {
  if (!InGrid(pRow, pCol)) return;
  if (pValue.empty() && grid_[static_cast<std::size_t>(pRow)].empty()) return;
  CellForWrite(pRow, pCol) = std::move(pValue);
}

std::vector<std::string> DataTable::Col(Int16 x) const {
  std::vector<std::string> column;
  column.reserve(static_cast<std::size_t>(rows_));
  for (Int16 r = 0; r < rows_; ++r) column.push_back(Data(r, x));
  return column;
}

void DataTable::MoveRowUp(Int16 pRow) {
  if (pRow < 1 || pRow >= rows_) return;
  for (Int16 c = 0; c < cols_; ++c) {
    if (!InGrid(pRow, c)) break;
    std::string above = Data(static_cast<Int16>(pRow - 1), c);
    std::string below = Data(pRow, c);
    Data(static_cast<Int16>(pRow - 1), c, std::move(below));
    Data(pRow, c, std::move(above));
  }
}

void DataTable::Clear() {
  gridRows_ = rows_;
  gridCols_ = cols_;
  grid_.assign(static_cast<std::size_t>(rows_), {});
}

void DataTable::Load() {
  switch (fmt_) {
    case 0:
      LoadDat();
      break;
    case 1:
      LoadCsv(false);
      break;
    case 2:
      LoadCsv(true);
      break;
    default:
      break;
  }
}

void DataTable::Save() const {
  switch (fmt_) {
    case 0:
      SaveDat();
      break;
    case 1:
      SaveCsv(false);
      break;
    case 2:
      SaveCsv(true);
      break;
    default:
      break;
  }
}

void DataTable::FillRow(Int16 r, std::vector<std::string>&& words) {
  for (Int16 c = 0; c < cols_; ++c) Data(r, c, std::move(words[static_cast<std::size_t>(c) + 1]));
}

void DataTable::RaiseInputPastEnd(const std::string& what) const {
  throw Error(err::kInputPastEnd, "Input past end of file: " + what).InFile(fileName_);
}

void DataTable::RaiseOverflow(const std::string& what) const {
  throw Error(err::kOverflow, "Overflow: " + what).InFile(fileName_);
}

void DataTable::LoadDat() {
  if (fileName_.empty()) FatalEnd("clsDatFile.Load: Filename not set");
  const std::vector<std::string> lines = ReadTextLines(fileName_);
  if (lines.empty()) RaiseInputPastEnd("the file is empty, a count line was expected");

  // The count line: two whole numbers separated by a comma (spaces and quotes around them are
  // accepted, as for any cell).
  const WordList counts = GetWords(lines[0]);
  long long rows = 0, columns = 0;
  if (counts.size() != 3 || !ReadWholeNumber(counts[1], rows) ||
      !ReadWholeNumber(counts[2], columns))
    throw Error(err::kTypeMismatch, "Type mismatch: the count line \"" + lines[0] +
                                        "\" is not a row count and a column count")
        .InFile(fileName_);
  if (rows < 0 || columns < 0)
    throw Error(err::kSubscript, "Subscript out of range: the count line \"" + lines[0] +
                                     "\" holds a negative count")
        .InFile(fileName_);
  if (rows > INT16_MAX || columns > INT16_MAX) RaiseOverflow("the count line \"" + lines[0] + "\"");
  rows_ = ToInt16(rows);
  cols_ = ToInt16(columns);
  Clear();

  for (Int16 r = 0; r < rows_; ++r) {
    const std::size_t lineIndex = static_cast<std::size_t>(r) + 1;
    if (lineIndex >= lines.size())
      RaiseInputPastEnd("the count line announces " + Decimal(rows_) + " rows, the file holds " +
                        Decimal(r));
    WordList words = GetWords(lines[lineIndex]);
    // A row with another number of cells ends the reading; the rows below it stay empty.
    if (words.size() - 1 != static_cast<std::size_t>(cols_)) break;
    FillRow(r, std::move(words));
  }
}

void DataTable::LoadCsv(bool withHeader) {
  if (fileName_.empty()) FatalEnd("clsDatFile.Load: Filename not set");
  const std::vector<std::string> lines = ReadTextLines(fileName_);
  const std::size_t first = withHeader ? 1 : 0;  // the header line is skipped, whatever it holds
  if (lines.size() <= first) RaiseInputPastEnd("the file holds no data line");

  // The first data line sets the column count; the table runs up to the first line that splits
  // into another number of cells.
  std::vector<WordList> rows;
  rows.push_back(GetWords(lines[first]));
  if (rows[0].size() - 1 > INT16_MAX) RaiseOverflow("more than 32767 columns");
  cols(static_cast<Int16>(rows[0].size() - 1));
  Int16 count = 1;
  for (std::size_t i = first + 1; i < lines.size(); ++i) {
    WordList words = GetWords(lines[i]);
    if (words.size() - 1 != static_cast<std::size_t>(cols_)) break;
    if (count == INT16_MAX) RaiseOverflow("more than 32767 rows");
    ++count;
    rows.push_back(std::move(words));
  }
  Rows(count);
  Clear();
  for (Int16 r = 0; r < rows_; ++r) FillRow(r, std::move(rows[static_cast<std::size_t>(r)]));
}

std::string DataTable::RowLine(Int16 r) const {
  std::string line;
  for (Int16 c = 0; c < cols_; ++c) {
    if (c > 0) line += ',';
    line += QuoteWord(Data(r, c));
  }
  return line;
}

void DataTable::SaveDat() const {
  if (fileName_.empty()) return;
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(rows_) + 1);
  lines.push_back(Decimal(rows_) + "," + Decimal(cols_));
  for (Int16 r = 0; r < rows_; ++r) lines.push_back(RowLine(r));
  WriteTextLines(fileName_, lines);
}

void DataTable::SaveCsv(bool withHeader) const {
  if (fileName_.empty()) return;
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(rows_) + 1);
  if (withHeader) {
    std::string header;
    for (Int16 c = 0; c < cols_; ++c) {
      if (c > 0) header += ',';
      const auto i = static_cast<std::size_t>(c);
      header += QuoteWord(i < headers_.size() ? headers_[i] : std::string());
    }
    lines.push_back(std::move(header));
  }
  for (Int16 r = 0; r < rows_; ++r) lines.push_back(RowLine(r));
  WriteTextLines(fileName_, lines);
}

}  // namespace sheaver
