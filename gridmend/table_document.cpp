#include "gridmend/table_document.h"

#include <algorithm>
#include <charconv>
#include <set>

#include "datafiles/line_splitter.h"
#include "extract/extraction.h"
#include "platform/textfile.h"
#include "runtime/ascii.h"
#include "runtime/error.h"

namespace sheaver {
namespace {

// How many lines below a csv file's first line LooksLikeHeader looks at.
constexpr std::size_t kHeaderEvidenceLines = 50;

constexpr const char* kFormTypeTitles[] = {"Field", "Reference", "Format", "Key"};
// The form type column of the key mark, and the columns of a new form type.
constexpr Int16 kKeyColumn = 3;
constexpr Int16 kFormTypeColumns = 3;

std::string_view TrimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool ReadCount(std::string_view text, long& value) {
  text = TrimSpaces(text);
  if (text.empty() || text.size() > 5) return false;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr == text.data() + text.size() && value >= 0 &&
         value <= INT16_MAX;
}

bool IsBlank(std::string_view line) {
  return TrimSpaces(line).empty();
}

// A cell that reads as a number or a date: digits with signs, points, commas, slashes, dashes,
// colons, spaces or an exponent, and no other letter.
bool LooksNumeric(std::string_view text) {
  text = TrimSpaces(text);
  bool digit = false;
  for (char c : text) {
    if (IsAsciiDigit(c)) {
      digit = true;
    } else if (std::string_view("+-.,/: eE").find(c) == std::string_view::npos) {
      return false;
    }
  }
  return digit;
}

std::size_t WordCount(const WordList& words) {
  return words.size() - 1;
}

std::string Number(std::size_t n) {
  return std::to_string(n);
}

// "line 5 has 2 cells" or "line 5 cannot be split into cells (...)", lines counted from 1.
std::string LineCells(std::size_t index, const WordList& words) {
  if (WordCount(words) == 0)
    return "line " + Number(index + 1) +
           " cannot be split into cells (a quote is left open, or text follows a closing quote)";
  return "line " + Number(index + 1) + " has " + Number(WordCount(words)) +
         (WordCount(words) == 1 ? " cell" : " cells");
}

bool AllBlankFrom(const std::vector<std::string>& lines, std::size_t from) {
  return std::all_of(lines.begin() + static_cast<std::ptrdiff_t>(std::min(from, lines.size())),
                     lines.end(), [](const std::string& line) { return IsBlank(line); });
}

// The reading problems of a loaded table that lose lines, as sentences for the user.
std::vector<std::string> ReadingProblems(const std::vector<std::string>& lines, Int16 layout,
                                         Int16 rows, Int16 cols) {
  std::vector<std::string> problems;
  const std::string columns = Number(static_cast<std::size_t>(cols));
  if (layout == 0) {
    // The rows the count line announces, up to the first with another number of cells.
    for (Int16 r = 0; r < rows; ++r) {
      const std::size_t index = static_cast<std::size_t>(r) + 1;
      const WordList words = GetWords(lines[index]);
      if (WordCount(words) == static_cast<std::size_t>(cols)) continue;
      problems.push_back(LineCells(index, words) + " where the table has " + columns +
                         " columns: rows " + Number(static_cast<std::size_t>(r) + 1) + " to " +
                         Number(static_cast<std::size_t>(rows)) +
                         " are not read and show empty; saving writes them empty.");
      break;
    }
    const std::size_t after = static_cast<std::size_t>(rows) + 1;
    if (!AllBlankFrom(lines, after))
      problems.push_back("Lines " + Number(after + 1) + " to " + Number(lines.size()) +
                         " follow the " + Number(static_cast<std::size_t>(rows)) +
                         " rows that the count line announces: they are not part of the table "
                         "and saving drops them.");
  } else {
    const std::size_t end = (layout == 2 ? 1 : 0) + static_cast<std::size_t>(rows);
    if (!AllBlankFrom(lines, end))
      problems.push_back(LineCells(end, GetWords(lines[end])) + " where the table has " + columns +
                         ": the table ends above it, and saving drops lines " + Number(end + 1) +
                         " to " + Number(lines.size()) + ".");
  }
  return problems;
}

}  // namespace

bool IsCountLine(std::string_view line) {
  const std::size_t comma = line.find(',');
  if (comma == std::string_view::npos) return false;
  long rows = 0, cols = 0;
  return ReadCount(line.substr(0, comma), rows) && ReadCount(line.substr(comma + 1), cols);
}

bool LooksLikeHeader(const std::vector<std::string>& lines) {
  if (lines.size() < 2) return false;
  const WordList header = GetWords(lines[0]);
  const std::size_t width = WordCount(header);
  if (width == 0) return false;
  std::set<std::string> distinct;
  for (std::size_t c = 1; c <= width; ++c) {
    if (header[c].empty() || LooksNumeric(header[c])) return false;
    if (!distinct.insert(header[c]).second) return false;
  }

  // Per column: whether every non-empty cell below is numeric, and whether there is one.
  std::vector<bool> numeric(width, true), filled(width, false);
  std::size_t rows = 0;
  for (std::size_t i = 1; i < lines.size() && rows < kHeaderEvidenceLines; ++i, ++rows) {
    const WordList words = GetWords(lines[i]);
    if (WordCount(words) != width) break;
    for (std::size_t c = 0; c < width; ++c) {
      if (words[c + 1].empty()) continue;
      filled[c] = true;
      if (!LooksNumeric(words[c + 1])) numeric[c] = false;
    }
  }
  if (rows == 0) return false;
  for (std::size_t c = 0; c < width; ++c)
    if (filled[c] && numeric[c]) return true;
  return false;
}

Int16 DetectLayout(const std::vector<std::string>& lines) {
  if (!lines.empty() && IsCountLine(lines[0])) return 0;
  return LooksLikeHeader(lines) ? 2 : 1;
}

std::string CleanCell(std::string_view text) {
  std::string clean;
  clean.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    clean += text[i] == '\r' || text[i] == '\n' ? ' ' : text[i];
  }
  return std::string(TrimSpaces(clean));
}

TableDocument::TableDocument(std::string path) : path_(std::move(path)) {
  table_.FileName(path_);
  table_.cols(kFormTypeColumns);
  table_.Clear();
  saved_ = Snapshot();
}

TableDocument TableDocument::Open(const std::string& path, std::vector<std::string>& warnings) {
  const std::vector<std::string> lines = ReadTextLines(path);
  TableDocument doc(path);
  if (lines.empty()) {
    warnings.push_back(path + " is empty: it is edited as a new form type.");
    return doc;
  }
  doc.layout_ = DetectLayout(lines);
  if (doc.layout_ != 0) {
    // The table class ends the program on a first data line without cells; say why instead.
    const std::size_t first = doc.layout_ == 2 ? 1 : 0;
    const WordList words = GetWords(lines[first]);
    if (WordCount(words) == 0)
      throw Error(err::kTypeMismatch, "Type mismatch: " + LineCells(first, words)).InFile(path);
  }
  doc.table_.Fmt(doc.layout_);
  doc.table_.Load();
  if (doc.table_.cols() < 1)
    throw Error(err::kSubscript,
                "Subscript out of range: the count line \"" + lines[0] + "\" announces no columns")
        .InFile(path);
  if (doc.layout_ == 2) {
    const WordList header = GetWords(lines[0]);
    for (Int16 c = 0; c < doc.table_.cols(); ++c) {
      const std::size_t word = static_cast<std::size_t>(c) + 1;
      doc.headers_.push_back(word < header.size() ? header[word] : std::string());
    }
  }
  for (std::string& problem :
       ReadingProblems(lines, doc.layout_, doc.table_.Rows(), doc.table_.cols()))
    warnings.push_back(path + ": " + problem);
  doc.saved_ = doc.Snapshot();
  return doc;
}

bool TableDocument::SetCell(Int16 row, Int16 col, std::string_view text) {
  if (row < 0 || row >= Rows() || col < 0 || col >= Cols()) return false;
  std::string clean = CleanCell(text);
  if (clean == table_.Data(row, col)) return false;
  table_.Data(row, col, std::move(clean));
  return true;
}

bool TableDocument::IsKey(Int16 row) const {
  return IsFormType() && row >= 0 && row < Rows() && IsKeyMark(Cell(row, kKeyColumn));
}

bool TableDocument::SetKey(Int16 row, bool key) {
  if (!IsFormType() || row < 0 || row >= Rows() || IsKey(row) == key) return false;
  if (Cols() <= kKeyColumn) {
    std::vector<std::vector<std::string>> cells = Cells();
    for (std::vector<std::string>& cellsOfRow : cells)
      cellsOfRow.resize(static_cast<std::size_t>(kKeyColumn) + 1);
    Rebuild(cells, kKeyColumn + 1);
  }
  table_.Data(row, kKeyColumn, key ? kKeyMark : "");
  return true;
}

std::vector<std::string> TableDocument::ColumnTitles() const {
  std::vector<std::string> titles;
  for (Int16 c = 0; c < Cols(); ++c) {
    const auto i = static_cast<std::size_t>(c);
    std::string title;
    if (layout_ == 0 && i < std::size(kFormTypeTitles)) {
      title = kFormTypeTitles[i];
    } else if (layout_ == 2 && i < headers_.size()) {
      title = headers_[i];
    }
    titles.push_back(title.empty() ? "Column " + Number(i + 1) : title);
  }
  return titles;
}

std::vector<std::vector<std::string>> TableDocument::Cells() const {
  std::vector<std::vector<std::string>> cells;
  for (Int16 r = 0; r < Rows(); ++r) {
    std::vector<std::string> row;
    for (Int16 c = 0; c < Cols(); ++c) row.push_back(table_.Data(r, c));
    cells.push_back(std::move(row));
  }
  return cells;
}

void TableDocument::Rebuild(const std::vector<std::vector<std::string>>& cells) {
  Rebuild(cells, Cols());
}

void TableDocument::Rebuild(const std::vector<std::vector<std::string>>& cells, Int16 cols) {
  // A fresh table: the row count can only be set to 1 or more, and a table emptied of its last
  // row must show 0 rows, as a new one does.
  DataTable table;
  table.FileName(path_);
  table.Fmt(layout_);
  table.cols(cols);
  if (!cells.empty()) table.Rows(ToInt16(static_cast<long long>(cells.size())));
  table.Clear();
  for (Int16 r = 0; r < table.Rows(); ++r)
    for (Int16 c = 0; c < table.cols(); ++c)
      table.Data(r, c, cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
  table_ = std::move(table);
}

Int16 TableDocument::InsertRow(Int16 at) {
  const Int16 row = std::clamp<Int16>(at, 0, Rows());
  static_cast<void>(Add16(Rows(), 1));  // Overflow before anything changes
  std::vector<std::vector<std::string>> cells = Cells();
  cells.insert(cells.begin() + row, std::vector<std::string>(static_cast<std::size_t>(Cols())));
  Rebuild(cells);
  return row;
}

void TableDocument::DeleteRow(Int16 row) {
  if (row < 0 || row >= Rows()) return;
  if (!IsFormType() && Rows() == 1) {
    for (Int16 c = 0; c < Cols(); ++c) table_.Data(row, c, std::string());
    return;
  }
  std::vector<std::vector<std::string>> cells = Cells();
  cells.erase(cells.begin() + row);
  Rebuild(cells);
}

bool TableDocument::MoveRowUp(Int16 row) {
  if (row < 1 || row >= Rows()) return false;
  table_.MoveRowUp(row);
  return true;
}

bool TableDocument::MoveRowDown(Int16 row) {
  if (row < 0 || row >= Rows() - 1) return false;
  table_.MoveRowUp(static_cast<Int16>(row + 1));
  return true;
}

bool TableDocument::HasHeader(bool header) {
  if (IsFormType() || header == HasHeader()) return false;
  std::vector<std::vector<std::string>> cells = Cells();
  if (header) {
    if (cells.size() < 2) return false;
    headers_ = cells.front();
    cells.erase(cells.begin());
    layout_ = 2;
  } else {
    cells.insert(cells.begin(), headers_);
    cells.front().resize(static_cast<std::size_t>(Cols()));
    headers_.clear();
    layout_ = 1;
  }
  Rebuild(cells);
  return true;
}

TableDocument::Content TableDocument::Snapshot() const {
  return {layout_, headers_, Cells()};
}

TableDocument::Contents TableDocument::Current() const {
  return {layout_, headers_, Cols(), Cells()};
}

void TableDocument::Restore(const Contents& contents) {
  layout_ = contents.layout;
  headers_ = contents.headers;
  Rebuild(contents.cells, contents.cols);
}

bool TableDocument::Modified() const {
  return Snapshot() != saved_;
}

void TableDocument::Save() {
  if (path_.empty()) Raise(err::kBadFileName, "Bad file name or number: the table has no name yet");
  DataTable table = table_;
  table.FileName(path_);
  table.Fmt(layout_);
  table.Headers(headers_);
  table.Save();
  saved_ = Snapshot();
}

void TableDocument::SaveAs(const std::string& path) {
  const std::string previous = std::exchange(path_, path);
  try {
    Save();
  } catch (...) {
    path_ = previous;
    throw;
  }
  table_.FileName(path_);
}

}  // namespace sheaver
