#include "spreadsheet/biff_sheet.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "runtime/error.h"
#include "spreadsheet/byte_cursor.h"
#include "spreadsheet/reference.h"

namespace sheaver::xl {
namespace {

using namespace biff;

// Reads the cells of one sheet substream.
class SheetParser {
 public:
  // `sheet` names the sheet in repair lines ("sheet 'Data'").
  SheetParser(const Globals& g, const CodePage& cp, std::span<const std::uint8_t> stream,
              std::string where, SheetCells& cells, StringTable& strings, std::uint32_t max_cols,
              std::string sheet, std::vector<std::string>& repairs)
      : g_(g),
        cp_(cp),
        stream_(stream),
        where_(std::move(where)),
        cells_(cells),
        strings_(strings),
        max_cols_(max_cols),
        sheet_(std::move(sheet)),
        repairs_(repairs) {}

  // Reads the sheet whose BOF record is at offset. release_behind: nothing before the record
  // being read is needed again, so the memory of the stream's bytes before it is given back as
  // the reading goes on.
  void Parse(std::size_t offset, bool release_behind = false) {
    const std::uint16_t bof = offset + 4 <= stream_.size() ? PeekU16(stream_, offset) : 0;
    if (bof != kBof && bof != kBof2 && bof != kBof3 && bof != kBof4)
      RaiseDamaged("the sheet does not start with a BOF record", where_, offset);
    RecordStream records(stream_, offset, where_);
    Record r;
    int depth = 0;
    std::size_t released = 0;
    while (records.Next(r)) {
      if (release_behind && r.offset >= released + kReleaseStep) released = ReleaseBefore(r.offset);
      if (r.type == bof) {
        ++depth;
        continue;
      }
      if (r.type == kEof) {
        if (--depth == 0) return;
        continue;
      }
      if (depth != 1) continue;  // an embedded chart's records
      Cell(r);
    }
    // A sheet without its EOF: keep what was read, as the records themselves were whole.
  }

 private:
  static constexpr std::size_t kReleaseStep = 1 << 20;

  // Gives the memory of the whole pages of the stream before end back to the system (they read
  // as zeros afterwards); returns how far that reaches.
  std::size_t ReleaseBefore(std::size_t end) const {
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto base = reinterpret_cast<std::uintptr_t>(stream_.data());
    const std::uintptr_t from = (base + page - 1) / page * page;
    const std::uintptr_t to = (base + end) / page * page;
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
    return end;
  }

  Shows ShowsOf(std::uint16_t xf) const {
    return xf < g_.xf_shows.size() ? g_.xf_shows[xf] : Shows::kNumber;
  }
  std::uint16_t FormatOf(std::uint16_t xf) const {
    return xf < g_.xf_format.size() ? g_.xf_format[xf] : NumberFormatTable::kGeneral;
  }
  bool IsDate(std::uint16_t xf) const { return ShowsOf(xf) != Shows::kNumber; }

  // "sheet 'Data': cell B3", for repair lines.
  std::string CellName(std::uint32_t row, std::uint32_t col) const {
    return sheet_ + ": cell " + AreaText({row, col, row, col});
  }

  void Number(std::uint32_t row, std::uint32_t col, std::uint16_t xf, double v) {
    if (col >= max_cols_) return;
    const Shows shows = ShowsOf(xf);
    bool date = shows != Shows::kNumber;
    if (shows == Shows::kDate && g_.date1904) v += k1904Offset;
    if (date && !(v >= 0 && v < kMaxSerial)) date = false;
    cells_.AddNumber(row, col, v, date, FormatOf(xf));
  }

  void Packed(std::uint32_t row, std::uint32_t col, std::uint16_t xf, std::uint32_t rk) {
    if (col >= max_cols_) return;
    if (IsDate(xf))
      Number(row, col, xf, SheetCells::UnpackNumber(rk));
    else
      cells_.AddPackedNumber(row, col, rk, false, FormatOf(xf));
  }

  void Text(std::uint32_t row, std::uint32_t col, std::string_view text) {
    if (col >= max_cols_) return;
    cells_.AddText(row, col, strings_.Add(text));
  }

  // DIMENSIONS: the used rows and columns, written before the cells. Room is made for them at
  // once, bounded by what the records left in the stream could hold (a MULRK cell takes 6 bytes,
  // a row at least one 10-byte record), however large the record says the area is.
  void Dimensions(const Record& r) {
    Cursor c(r.body, where_, r.offset + 4);
    const bool wide = g_.biff == Biff::k8 && r.body.size() >= 14;
    if (!wide && r.body.size() < 10) return;
    const std::uint32_t first_row = wide ? c.U32() : c.U16();
    const std::uint32_t end_row = wide ? c.U32() : c.U16();
    const std::uint16_t first_col = c.U16(), end_col = c.U16();
    if (end_row <= first_row || end_col <= first_col) return;
    const std::size_t left = stream_.size() - std::min(stream_.size(), r.offset);
    const std::size_t rows = std::min<std::size_t>(end_row - first_row, left / 10);
    const std::size_t cells =
        std::min<std::size_t>(std::size_t{end_row - first_row} * (end_col - first_col), left / 6);
    // A form-sized sheet gets its room with its first cell.
    if (cells > 1024) cells_.Reserve(cells, rows);
  }

  // One record of the sheet substream: the cell records, each read by its own function; the
  // rest of the sheet's records are passed over.
  void Cell(const Record& r) {
    Cursor c(r.body, where_, r.offset + 4);
    switch (r.type) {
      case kDimensions:
        return Dimensions(r);
      case kNumber:
        return NumberRecord(c);
      case kRk:
        return RkRecord(c);
      case kMulRk:
        return MulRkRecord(r, c);
      case kLabelSst:
        return LabelSstRecord(c);
      case kLabel:
      case kRString:
        return LabelRecord(r, c);
      case kBoolErr:
        return BoolErrRecord(c);
      case kFormula:
      case kFormula3:
      case kFormula4:
        if (g_.biff == Biff::k2) return Cell2(r);
        return FormulaRecord(c);
      case kString:
        return StringRecord(r);
      case kShrFmla:
      case kArray:
      case kTable:
        return;  // may stand between a formula and its STRING
      default:
        if (g_.biff == Biff::k2) Cell2(r);
        return;
    }
  }

  // NUMBER: row, column, XF, a double.
  void NumberRecord(Cursor& c) {
    const std::uint16_t row = c.U16(), col = c.U16(), xf = c.U16();
    Number(row, col, xf, c.F64());
    pending_string_ = false;
  }

  // RK: row, column, XF, a packed number.
  void RkRecord(Cursor& c) {
    const std::uint16_t row = c.U16(), col = c.U16(), xf = c.U16();
    Packed(row, col, xf, c.U32());
    pending_string_ = false;
  }

  // MULRK: row, first column, then (XF, packed number) per cell, then the last column.
  void MulRkRecord(const Record& r, Cursor& c) {
    if (r.body.size() < 6 || (r.body.size() - 6) % 6 != 0) c.Fail("MULRK record of odd length");
    const std::uint16_t row = c.U16(), col = c.U16();
    const std::size_t n = (r.body.size() - 6) / 6;
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint16_t xf = c.U16();
      Packed(row, static_cast<std::uint32_t>(col + i), xf, c.U32());
    }
    pending_string_ = false;
  }

  // LABELSST: row, column, XF, the index of a shared string.
  void LabelSstRecord(Cursor& c) {
    const std::uint16_t row = c.U16(), col = c.U16();
    c.U16();
    const std::uint32_t index = c.U32();
    if (index >= g_.sst_count)
      c.Fail("cell refers to shared string " + std::to_string(index) + " of " +
             std::to_string(g_.sst_count));
    if (col < max_cols_) cells_.AddText(row, col, index);
    pending_string_ = false;
  }

  // LABEL and RSTRING: row, column, XF, then the text (rich-text runs after it are ignored).
  void LabelRecord(const Record& r, Cursor& c) {
    const std::uint16_t row = c.U16(), col = c.U16();
    c.U16();
    SegmentReader s(r, where_);
    s.Skip(6);
    const std::uint16_t count = s.U16();
    text_.clear();
    if (r.type == kLabel && g_.biff == Biff::k8 && count == 0 && s.Left() == 0) {
      // Some writers leave out the option byte of an empty text.
      repairs_.push_back(CellName(row, col) +
                         ": read a LABEL record without the option byte of its empty text "
                         "as an empty text (" +
                         where_ + ", offset " + std::to_string(r.offset) + ")");
    } else {
      ReadText(s, g_.biff, cp_, count, text_);
      NoteSkipped(s, CellName(row, col), where_, repairs_);
    }
    Text(row, col, text_);
    pending_string_ = false;
  }

  // BOOLERR: row, column, XF, the value and whether it is an error code.
  void BoolErrRecord(Cursor& c) {
    const std::uint16_t row = c.U16(), col = c.U16();
    c.U16();
    const std::uint8_t value = c.U8(), is_error = c.U8();
    if (col < max_cols_) {
      if (is_error)
        cells_.AddError(row, col, value);
      else
        cells_.AddBoolean(row, col, value != 0);
    }
    pending_string_ = false;
  }

  // FORMULA: row, column, XF, then the cached result.
  void FormulaRecord(Cursor& c) {
    const std::uint16_t row = c.U16(), col = c.U16(), xf = c.U16();
    FormulaResult(row, col, xf, c.Bytes(8));
  }

  // STRING: the text result of the formula just before it.
  void StringRecord(const Record& r) {
    if (!pending_string_) return;
    pending_string_ = false;
    SegmentReader s(r, where_);
    const std::uint16_t count = s.U16();
    text_.clear();
    ReadText(s, g_.biff, cp_, count, text_);
    NoteSkipped(s, CellName(pending_row_, pending_col_), where_, repairs_);
    Text(pending_row_, pending_col_, text_);
  }

  // A formula's cached result: a double, or a tagged non-number whose last two bytes are 0xFFFF
  // (0 text in the next STRING record, 1 boolean, 2 error, 3 "").
  void FormulaResult(std::uint16_t row, std::uint16_t col, std::uint16_t xf,
                     std::span<const std::uint8_t> result) {
    pending_string_ = false;
    if (result[6] == 0xFF && result[7] == 0xFF) {
      switch (result[0]) {
        case 0:
          pending_string_ = true;
          pending_row_ = row;
          pending_col_ = col;
          break;
        case 1:
          if (col < max_cols_) cells_.AddBoolean(row, col, result[2] != 0);
          break;
        case 2:
          if (col < max_cols_) cells_.AddError(row, col, result[2]);
          break;
        case 3:
          Text(row, col, "");
          break;
        default:
          break;  // unknown kinds of result read as empty
      }
    } else {
      Number(row, col, xf, Cursor(result, where_).F64());
    }
  }

  // The cell records of Excel 2.x: row, column, three bytes of cell attributes (the second holds
  // the number format's index in its low 6 bits, which stands for the XF in the cell tables),
  // then the value; texts have an 8-bit length.
  void Cell2(const Record& r) {
    if (r.type == kString2) {
      if (!pending_string_) return;
      pending_string_ = false;
      SegmentReader s(r, where_);
      std::uint8_t count = s.U8();
      text_.clear();
      s.CodePageChars(text_, count, cp_);
      Text(pending_row_, pending_col_, text_);
      return;
    }
    if (r.type != kInteger2 && r.type != kNumber2 && r.type != kLabel2 && r.type != kBoolErr2 &&
        r.type != kFormula)
      return;
    Cursor c(r.body, where_, r.offset + 4);
    std::uint16_t row = c.U16(), col = c.U16();
    c.U8();
    const std::uint16_t format = c.U8() & 0x3F;
    c.U8();
    pending_string_ = false;
    switch (r.type) {
      case kInteger2:
        Number(row, col, format, c.U16());
        break;
      case kNumber2:
        Number(row, col, format, c.F64());
        break;
      case kLabel2: {
        SegmentReader s(r, where_);
        s.Skip(7);
        std::uint8_t count = s.U8();
        text_.clear();
        s.CodePageChars(text_, count, cp_);
        Text(row, col, text_);
        break;
      }
      case kBoolErr2: {
        std::uint8_t value = c.U8(), is_error = c.U8();
        if (col >= max_cols_) break;
        if (is_error)
          cells_.AddError(row, col, value);
        else
          cells_.AddBoolean(row, col, value != 0);
        break;
      }
      default:  // FORMULA: the cached result, then the formula
        FormulaResult(row, col, format, c.Bytes(8));
        break;
    }
  }

  const Globals& g_;
  const CodePage& cp_;
  std::span<const std::uint8_t> stream_;
  std::string where_;
  SheetCells& cells_;
  StringTable& strings_;
  std::uint32_t max_cols_;
  std::string sheet_;
  std::vector<std::string>& repairs_;
  bool pending_string_ = false;
  std::uint16_t pending_row_ = 0, pending_col_ = 0;
  std::string text_;
};

}  // namespace

// Adds a repair line for each empty CONTINUE record the reader passed over in `what`'s text
// ("sheet 'Data': cell B3"), after the first `from` (for a record of several texts).
void NoteSkipped(const SegmentReader& s, std::string_view what, std::string_view where,
                 std::vector<std::string>& repairs, std::size_t from) {
  const std::vector<std::uint64_t>& skipped = s.SkippedEmpty();
  for (std::size_t i = from; i < skipped.size(); ++i)
    repairs.push_back(std::string(what) +
                      ": passed over an empty CONTINUE record inside its text (" +
                      std::string(where) + ", offset " + std::to_string(skipped[i]) + ")");
}

// A text field: BIFF8 with its option byte (count given), before BIFF8 in the code page.
void ReadText(SegmentReader& r, Biff biff, const CodePage& cp, std::uint32_t count,
              std::string& out) {
  if (biff == Biff::k8) {
    std::uint8_t flags = r.U8();
    r.Chars(out, count, flags & 1);
  } else {
    r.CodePageChars(out, count, cp);
  }
}

void ReadSheetCells(const Globals& g, const CodePage& cp, std::span<const std::uint8_t> stream,
                    const std::string& where, SheetCells& cells, StringTable& strings,
                    std::uint32_t max_cols, std::string sheet, std::vector<std::string>& repairs,
                    std::size_t offset, bool release_behind) {
  SheetParser parser(g, cp, stream, where, cells, strings, max_cols, std::move(sheet), repairs);
  parser.Parse(offset, release_behind);
}

}  // namespace sheaver::xl
