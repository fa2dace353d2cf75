#include "spreadsheet/model.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "runtime/ascii.h"
#include "runtime/error.h"
#include "spreadsheet/text_decode.h"

namespace sheaver::xl {

// ---- StringTable ----------------------------------------------------------------------------

std::uint32_t StringTable::Add(std::string_view text) {
  // Offsets are 32-bit: a workbook's texts stay far below 4 GiB because the file holding them
  // is bounded by what a compound file can address.
  if (chars_.size() + text.size() > std::numeric_limits<std::uint32_t>::max() ||
      ends_.size() >= std::numeric_limits<std::uint32_t>::max())
    Raise(err::kWorkbookUnreadable, "the workbook's texts are too large");
  chars_.append(text);
  ends_.push_back(static_cast<std::uint32_t>(chars_.size()));
  return static_cast<std::uint32_t>(ends_.size() - 1);
}

std::string_view StringTable::Get(std::uint32_t index) const {
  std::uint32_t begin = index == 0 ? 0 : ends_.at(index - 1);
  return std::string_view(chars_).substr(begin, ends_.at(index) - begin);
}

void StringTable::Reserve(std::size_t count, std::size_t bytes) {
  ends_.reserve(ends_.size() + count);
  chars_.reserve(chars_.size() + bytes);
}

// ---- SheetCells -----------------------------------------------------------------------------

std::string_view SheetCells::ErrorText(std::uint8_t code) {
  switch (code) {
    case 0x00:
      return "#NULL!";
    case 0x07:
      return "#DIV/0!";
    case 0x0F:
      return "#VALUE!";
    case 0x17:
      return "#REF!";
    case 0x1D:
      return "#NAME?";
    case 0x24:
      return "#NUM!";
    case 0x2A:
      return "#N/A";
    case 0x2B:
      return "#GETTING_DATA";
    default:
      return "#N/A";
  }
}

double SheetCells::UnpackNumber(std::uint32_t packed) {
  double value;
  if (packed & 2) {
    // A signed 30-bit integer in the upper bits: shift the sign down with it.
    value = static_cast<double>(static_cast<std::int32_t>(packed) >> 2);
  } else {
    std::uint64_t bits = static_cast<std::uint64_t>(packed & 0xFFFFFFFCu) << 32;
    value = std::bit_cast<double>(bits);
  }
  // Divided, not multiplied by 0.01: the two differ in the last bit for values such as 0.525625.
  if (packed & 1) value /= 100.0;
  return value;
}

void SheetCells::Add(std::uint32_t row, Cell cell) {
  if (cells_.empty()) {
    // Room for a form-sized sheet from the first cell on, rather than growing step by step.
    cells_.reserve(64);
    rows_.reserve(16);
  }
  if (sorted_) {
    if (rows_.empty() || row > rows_.back().row) {
      rows_.push_back({row, static_cast<std::uint32_t>(cells_.size())});
      cells_.push_back(cell);
      return;
    }
    if (row == rows_.back().row && cell.col > cells_.back().col) {
      cells_.push_back(cell);
      return;
    }
    sorted_ = false;
  }
  loose_.push_back({row, static_cast<std::uint32_t>(loose_.size()), cell});
}

NumberFormatTable::NumberFormatTable() : codes_{"General"} {}

std::uint16_t NumberFormatTable::Add(std::string_view code) {
  if (code.empty()) return kUnknownFormat;
  // Workbooks use a few dozen codes at most, so a search beats a hash table here.
  for (std::size_t i = 0; i < codes_.size(); ++i)
    if (codes_[i] == code) return static_cast<std::uint16_t>(i);
  if (codes_.size() >= kUnknownFormat) return kUnknownFormat;
  codes_.emplace_back(code);
  return static_cast<std::uint16_t>(codes_.size() - 1);
}

std::string_view NumberFormatTable::Get(std::uint16_t index) const {
  return index < codes_.size() ? std::string_view(codes_[index]) : std::string_view();
}

void SheetCells::AddNumber(std::uint32_t row, std::uint32_t col, double value, bool is_date,
                           std::uint16_t format) {
  Cell cell{static_cast<std::uint16_t>(col), kPacked, is_date, format, 0};
  // Whole numbers of up to 29 bits and doubles whose low 34 bits are zero fit the packed form;
  // everything else goes to the side table of doubles.
  std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
  if (value >= -(1 << 29) && value < (1 << 29) && value == std::trunc(value) &&
      !(value == 0.0 && std::signbit(value))) {
    cell.payload = (static_cast<std::uint32_t>(static_cast<std::int32_t>(value)) << 2) | 2u;
  } else if ((bits & 0x3FFFFFFFFull) == 0) {
    cell.payload = static_cast<std::uint32_t>(bits >> 32);
  } else {
    if (doubles_.size() >= std::numeric_limits<std::uint32_t>::max())
      Raise(err::kWorkbookUnreadable, "too many cells");
    cell.kind = kDouble;
    cell.payload = static_cast<std::uint32_t>(doubles_.size());
    doubles_.push_back(value);
  }
  Add(row, cell);
}

void SheetCells::AddPackedNumber(std::uint32_t row, std::uint32_t col, std::uint32_t packed,
                                 bool is_date, std::uint16_t format) {
  Add(row, {static_cast<std::uint16_t>(col), kPacked, is_date, format, packed});
}

void SheetCells::AddText(std::uint32_t row, std::uint32_t col, std::uint32_t string_index) {
  Add(row, {static_cast<std::uint16_t>(col), kText, 0, 0, string_index});
}

void SheetCells::AddBoolean(std::uint32_t row, std::uint32_t col, bool value) {
  Add(row, {static_cast<std::uint16_t>(col), kBoolean, 0, 0, value ? 1u : 0u});
}

void SheetCells::AddError(std::uint32_t row, std::uint32_t col, std::uint8_t code) {
  Add(row, {static_cast<std::uint16_t>(col), kError, 0, 0, code});
}

namespace {

// Gives back what a vector grew beyond its size, when that is worth a copy. A large table's
// room past its end was never written, so it takes address space but no memory, while the copy
// would hold the table twice for a moment: only tables below 1 MiB are shrunk.
template <class T>
void ShrinkIfWasteful(std::vector<T>& v) {
  if ((v.capacity() - v.size()) * sizeof(T) >= 4096 && v.capacity() * sizeof(T) < (1u << 20))
    v.shrink_to_fit();
}

}  // namespace

void SheetCells::Reserve(std::size_t cells, std::size_t rows) {
  cells_.reserve(cells);
  rows_.reserve(rows);
  doubles_.reserve(cells);
}

void SheetCells::Finish() {
  if (sorted_) {
    ShrinkIfWasteful(cells_);
    ShrinkIfWasteful(rows_);
    ShrinkIfWasteful(doubles_);
    return;
  }
  // Rare: a writer put cells out of order. Merge everything by (row, column, arrival), keep
  // the last value of each cell, and rebuild the row index.
  std::vector<Loose> all;
  all.reserve(cells_.size() + loose_.size());
  std::uint32_t seq = 0;
  for (std::size_t r = 0; r < rows_.size(); ++r) {
    std::size_t end = r + 1 < rows_.size() ? rows_[r + 1].first : cells_.size();
    for (std::size_t i = rows_[r].first; i < end; ++i)
      all.push_back({rows_[r].row, seq++, cells_[i]});
  }
  for (Loose& l : loose_) all.push_back({l.row, seq++, l.cell});
  std::stable_sort(all.begin(), all.end(), [](const Loose& a, const Loose& b) {
    return a.row != b.row ? a.row < b.row : a.cell.col < b.cell.col;
  });
  rows_.clear();
  cells_.clear();
  loose_.clear();
  loose_.shrink_to_fit();
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (i + 1 < all.size() && all[i + 1].row == all[i].row &&
        all[i + 1].cell.col == all[i].cell.col)
      continue;  // replaced by a later value of the same cell
    if (rows_.empty() || rows_.back().row != all[i].row)
      rows_.push_back({all[i].row, static_cast<std::uint32_t>(cells_.size())});
    cells_.push_back(all[i].cell);
  }
  sorted_ = true;
  ShrinkIfWasteful(cells_);
  ShrinkIfWasteful(rows_);
}

Value SheetCells::Decode(const Cell& cell, const StringTable& strings) const {
  switch (cell.kind) {
    case kPacked: {
      double v = UnpackNumber(cell.payload);
      return cell.is_date ? Value::Date(v) : Value::Number(v);
    }
    case kDouble: {
      double v = doubles_[cell.payload];
      return cell.is_date ? Value::Date(v) : Value::Number(v);
    }
    case kText:
      return Value::Text(std::string(strings.Get(cell.payload)));
    case kBoolean:
      return Value::Boolean(cell.payload != 0);
    default:
      return Value::ErrorCode(std::string(ErrorText(static_cast<std::uint8_t>(cell.payload))));
  }
}

Value SheetCells::Get(std::uint32_t row, std::uint32_t col, const StringTable& strings) const {
  auto r = std::lower_bound(rows_.begin(), rows_.end(), row,
                            [](const Row& a, std::uint32_t b) { return a.row < b; });
  if (r == rows_.end() || r->row != row) return Value::Empty();
  auto first = cells_.begin() + r->first;
  auto last = (r + 1 == rows_.end()) ? cells_.end() : cells_.begin() + (r + 1)->first;
  auto c =
      std::lower_bound(first, last, col, [](const Cell& a, std::uint32_t b) { return a.col < b; });
  if (c == last || c->col != col) return Value::Empty();
  return Decode(*c, strings);
}

std::size_t SheetCells::MemoryUsed() const {
  return rows_.capacity() * sizeof(Row) + cells_.capacity() * sizeof(Cell) +
         doubles_.capacity() * sizeof(double) + loose_.capacity() * sizeof(Loose);
}

// ---- WorkbookModel --------------------------------------------------------------------------

void WorkbookModel::SetLoader(std::unique_ptr<SheetLoader> loader) {
  loader_ = std::move(loader);
}

const SheetCells& WorkbookModel::Cells(std::size_t index) {
  if (index >= sheets.size()) Raise(err::kSubscript);
  if (cells_.size() < sheets.size()) cells_.resize(sheets.size());
  if (!cells_[index]) {
    auto cells = std::make_unique<SheetCells>();
    // A sheet that fails is read again on the next call: its repairs count once it is read.
    std::vector<std::string> sheet_repairs;
    if (loader_) loader_->LoadSheet(index, *cells, strings, sheet_repairs);
    cells->Finish();
    repairs.insert(repairs.end(), sheet_repairs.begin(), sheet_repairs.end());
    cells_[index] = std::move(cells);
  }
  return *cells_[index];
}

bool WorkbookModel::IsLoaded(std::size_t index) const {
  return index < cells_.size() && cells_[index] != nullptr;
}

Value WorkbookModel::CellValue(std::size_t sheet, std::uint32_t row, std::uint32_t col) {
  return Cells(sheet).Get(row, col, strings);
}

// ---- Names ----------------------------------------------------------------------------------

namespace {

// Whether a text reads as a cell reference in A1 style (letters then digits) or R1C1 style, which
// a sheet name must be quoted to avoid being taken for.
bool LooksLikeCellReference(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && IsAsciiLetter(s[i])) ++i;
  if (i > 0 && i <= 3 && i < s.size()) {
    std::size_t j = i;
    while (j < s.size() && IsAsciiDigit(s[j])) ++j;
    if (j == s.size()) return true;
  }
  // R, C, R1C1, RC, R2, C3 ...
  std::size_t k = 0;
  auto digits = [&] {
    while (k < s.size() && IsAsciiDigit(s[k])) ++k;
  };
  if (k < s.size() && (s[k] == 'R' || s[k] == 'r')) {
    ++k;
    digits();
  }
  if (k < s.size() && (s[k] == 'C' || s[k] == 'c')) {
    ++k;
    digits();
  }
  return k == s.size() && !s.empty();
}

// Decodes one UTF-8 sequence at s[i]; advances i. Invalid bytes decode as themselves.
char32_t NextCodePoint(std::string_view s, std::size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
  if (extra <= 0 || i + extra >= s.size()) {
    ++i;
    return c;
  }
  char32_t cp = c & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    unsigned char cc = static_cast<unsigned char>(s[i + k]);
    if ((cc & 0xC0) != 0x80) {
      ++i;
      return c;
    }
    cp = (cp << 6) | (cc & 0x3F);
  }
  i += extra + 1;
  return cp;
}

char32_t LowerCodePoint(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c < 0xC0) return c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;  // Latin-1
  if (c >= 0x100 && c <= 0x17F) {                            // Latin Extended-A
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
    if (c == 0x178) return 0xFF;
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c & 1) ? c : c + 1;
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;  // Greek
  if (c >= 0x410 && c <= 0x42F) return c + 32;                // Cyrillic
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return c;
}

}  // namespace

std::string QuoteSheetName(std::string_view name) {
  bool plain =
      !name.empty() && !IsAsciiDigit(name[0]) && name[0] != '.' && !LooksLikeCellReference(name);
  for (char c : name) {
    unsigned char u = static_cast<unsigned char>(c);
    if (!(u >= 0x80 || IsAsciiLetter(c) || IsAsciiDigit(c) || c == '_' || c == '.')) plain = false;
  }
  if (plain) return std::string(name);
  std::string out = "'";
  for (char c : name) {
    out += c;
    if (c == '\'') out += '\'';
  }
  out += '\'';
  return out;
}

std::string FoldCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out += LowerAscii(text[i]);
      ++i;
      continue;
    }
    std::size_t start = i;
    char32_t cp = NextCodePoint(text, i);
    if (i - start == 1 && cp >= 0x80) {
      out += text[start];  // a stray byte stays as it is
      continue;
    }
    AppendUtf8(out, LowerCodePoint(cp));
  }
  return out;
}

}  // namespace sheaver::xl
