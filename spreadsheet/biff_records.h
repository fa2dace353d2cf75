// The record layer of a binary workbook stream (BIFF2-BIFF8), between the container and the
// parsers of the workbook globals and the sheets: records walked from a position with each
// length checked against the bytes left, CONTINUE records folded into the record before them,
// and a reader over a record's segments for the texts that run on into them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/byte_cursor.h"
#include "spreadsheet/text_decode.h"

namespace sheaver::xl {

// The record number of CONTINUE, the record that carries on the one before it.
inline constexpr std::uint16_t kContinueRecord = 0x003C;

// The record numbers and substream types the readers of the globals and the sheets know.
namespace biff {
// Record numbers.
inline constexpr std::uint16_t kFormula = 0x0006;
inline constexpr std::uint16_t kEof = 0x000A;
inline constexpr std::uint16_t kExternSheet = 0x0017;
inline constexpr std::uint16_t kName = 0x0018;
inline constexpr std::uint16_t kDateMode = 0x0022;
inline constexpr std::uint16_t kFilePass = 0x002F;
inline constexpr std::uint16_t kContinue = 0x003C;
inline constexpr std::uint16_t kWindow1 = 0x003D;
inline constexpr std::uint16_t kCodePage = 0x0042;
inline constexpr std::uint16_t kBoundSheet = 0x0085;
inline constexpr std::uint16_t kMulRk = 0x00BD;
inline constexpr std::uint16_t kRString = 0x00D6;
inline constexpr std::uint16_t kXf = 0x00E0;
inline constexpr std::uint16_t kSst = 0x00FC;
inline constexpr std::uint16_t kLabelSst = 0x00FD;
inline constexpr std::uint16_t kSupBook = 0x01AE;
inline constexpr std::uint16_t kDimensions = 0x0200;
inline constexpr std::uint16_t kNumber = 0x0203;
inline constexpr std::uint16_t kLabel = 0x0204;
inline constexpr std::uint16_t kBoolErr = 0x0205;
inline constexpr std::uint16_t kString = 0x0207;
inline constexpr std::uint16_t kRk = 0x027E;
inline constexpr std::uint16_t kFormat = 0x041E;
inline constexpr std::uint16_t kBof = 0x0809;
inline constexpr std::uint16_t kShrFmla = 0x04BC;
inline constexpr std::uint16_t kArray = 0x0221;
inline constexpr std::uint16_t kTable = 0x0236;
inline constexpr std::uint16_t kFont = 0x0031;

// The records of Excel 2.x, 3.x and 4.x worksheets that differ from the later ones.
inline constexpr std::uint16_t kBof2 = 0x0009;
inline constexpr std::uint16_t kBof3 = 0x0209;
inline constexpr std::uint16_t kBof4 = 0x0409;
inline constexpr std::uint16_t kInteger2 = 0x0002;
inline constexpr std::uint16_t kNumber2 = 0x0003;
inline constexpr std::uint16_t kLabel2 = 0x0004;
inline constexpr std::uint16_t kBoolErr2 = 0x0005;
inline constexpr std::uint16_t kString2 = 0x0007;
inline constexpr std::uint16_t kFormula3 = 0x0206;
inline constexpr std::uint16_t kFormula4 = 0x0406;
inline constexpr std::uint16_t kFormat2 = 0x001E;
inline constexpr std::uint16_t kXf3 = 0x0243;
inline constexpr std::uint16_t kXf4 = 0x0443;
inline constexpr std::uint16_t kName3 = 0x0218;

// BOF substream types.
inline constexpr std::uint16_t kBofGlobals = 0x0005;
inline constexpr std::uint16_t kBofWorksheet = 0x0010;
inline constexpr std::uint16_t kBofChart = 0x0020;
inline constexpr std::uint16_t kBofMacroSheet = 0x0040;
inline constexpr std::uint16_t kBofWorkbook4 = 0x0100;  // an Excel 4.0 workbook of several sheets

// An Excel 2.x cell's number format is a 6-bit index into the worksheet's FORMAT records.
inline constexpr std::uint16_t kBiff2Formats = 64;

// How far from the offset a BOUNDSHEET gives a sheet's BOF record is looked for when it is not
// there: some writers get the offsets slightly wrong, and Excel finds the sheet all the same.
inline constexpr std::size_t kBofSearchDistance = 64;

// Date serials between the two date systems: 1 January 1904 is day 1462 of the 1900 system.
inline constexpr double k1904Offset = 1462.0;
// Serials a date value can have (up to 31 December 9999); numbers outside read as numbers.
inline constexpr double kMaxSerial = 2958466.0;

}  // namespace biff

// Calls f(type, header_offset, body) for each record from `pos` up to the first one that does
// not fit in the stream (left for the record reader to report) or until f returns false; no
// CONTINUE folding. For quick scans before the records are read (code page, FILEPASS).
template <class F>
void ScanRecordHeaders(std::span<const std::uint8_t> stream, std::size_t pos, F&& f) {
  while (pos + 4 <= stream.size()) {
    Cursor header(stream.subspan(pos, 4), "record header", pos);
    const std::uint16_t type = header.U16(), length = header.U16();
    if (length > stream.size() - pos - 4) return;
    if (!f(type, pos, stream.subspan(pos + 4, length))) return;
    pos += 4 + length;
  }
}

// One record with the CONTINUE records that follow it, each body a segment.
struct Record {
  std::uint16_t type = 0;
  std::uint64_t offset = 0;  // of the record header in the stream
  std::span<const std::uint8_t> body;
  std::vector<std::span<const std::uint8_t>>* segments = nullptr;  // body first, then continues
  std::vector<std::uint64_t>* segment_offsets = nullptr;
};

// Walks the records of a stream from a position: each record's length is checked against the
// bytes left, and CONTINUE records are folded into the record before them.
class RecordStream {
 public:
  RecordStream(std::span<const std::uint8_t> stream, std::size_t pos, std::string_view where)
      : stream_(stream), pos_(pos), where_(where) {}

  bool Next(Record& r) {
    if (pos_ + 4 > stream_.size()) {
      if (pos_ < stream_.size() && !AllZero(pos_))
        RaiseDamaged("a record header is cut off by the end of the stream", where_, pos_);
      return false;
    }
    Cursor header(stream_.subspan(pos_, 4), where_, pos_);
    r.type = header.U16();
    const std::uint16_t length = header.U16();
    r.offset = pos_;
    if (length > stream_.size() - pos_ - 4)
      RaiseDamaged("record 0x" + Hex(r.type) + " of " + std::to_string(length) +
                       " bytes runs past the end of the stream",
                   where_, pos_);
    // The body goes to the segments from a local: read back from the record just written, it
    // would wait on the store.
    const std::span<const std::uint8_t> body = stream_.subspan(pos_ + 4, length);
    r.body = body;
    pos_ += 4 + length;
    segments_.clear();
    offsets_.clear();
    segments_.push_back(body);
    offsets_.push_back(r.offset + 4);
    while (pos_ + 4 <= stream_.size()) {
      Cursor next(stream_.subspan(pos_, 4), where_, pos_);
      if (next.U16() != kContinueRecord) break;
      const std::uint16_t len = next.U16();
      if (len > stream_.size() - pos_ - 4)
        RaiseDamaged("a CONTINUE record runs past the end of the stream", where_, pos_);
      segments_.push_back(stream_.subspan(pos_ + 4, len));
      offsets_.push_back(pos_ + 4);
      pos_ += 4 + len;
    }
    r.segments = &segments_;
    r.segment_offsets = &offsets_;
    return true;
  }

  std::size_t Pos() const { return pos_; }

  static std::string Hex(std::uint16_t v) {
    static const char* digits = "0123456789ABCDEF";
    std::string s(4, '0');
    for (int i = 3; i >= 0; --i, v >>= 4) s[i] = digits[v & 15];
    return s;
  }

 private:
  // Some writers pad the stream after the last record with zeros.
  bool AllZero(std::size_t from) const {
    for (std::size_t i = from; i < stream_.size(); ++i)
      if (stream_[i]) return false;
    return true;
  }

  std::span<const std::uint8_t> stream_;
  std::size_t pos_;
  std::string_view where_;
  std::vector<std::span<const std::uint8_t>> segments_;
  std::vector<std::uint64_t> offsets_;
};

// Reads a record and its CONTINUE segments as one sequence of bytes. Texts that run on into a
// CONTINUE record restart there with a new option byte (8-bit or 16-bit characters); every
// other field simply continues. An empty CONTINUE record holds nothing, not even an option byte:
// it is passed over, as Excel does, and its offset noted for the caller to report.
class SegmentReader {
 public:
  SegmentReader(const Record& r, std::string_view where)
      : segs_(*r.segments), offsets_(*r.segment_offsets), where_(where) {}

  std::uint8_t U8() {
    Ensure();
    return segs_[seg_][pos_++];
  }
  std::uint16_t U16() {
    std::uint8_t b[2];
    Raw(b, 2);
    return Cursor(b, where_).U16();
  }
  std::uint32_t U32() {
    std::uint8_t b[4];
    Raw(b, 4);
    return Cursor(b, where_).U32();
  }
  void Skip(std::uint64_t n) {
    while (n > 0) {
      Ensure();
      std::size_t take =
          static_cast<std::size_t>(std::min<std::uint64_t>(n, segs_[seg_].size() - pos_));
      pos_ += take;
      n -= take;
    }
  }
  // Bytes left in all segments.
  std::uint64_t Left() const {
    std::uint64_t left = seg_ < segs_.size() ? segs_[seg_].size() - pos_ : 0;
    for (std::size_t i = seg_ + 1; i < segs_.size(); ++i) left += segs_[i].size();
    return left;
  }

  // Appends `count` characters of a BIFF8 text as UTF-8: 16-bit when `wide`, else one byte per
  // character (Latin-1); at a segment boundary inside the text a new option byte decides.
  void Chars(std::string& out, std::uint32_t count, bool wide) {
    while (count > 0) {
      if (seg_ < segs_.size() && pos_ == segs_[seg_].size()) {
        NextSegment();
        wide = (segs_[seg_][pos_++] & 1) != 0;
        continue;
      }
      Ensure();
      std::size_t bytes_left = segs_[seg_].size() - pos_;
      std::size_t avail = wide ? bytes_left / 2 : bytes_left;
      if (avail == 0) Fail("a 16-bit character is split between records");
      std::size_t take = std::min<std::size_t>(avail, count);
      auto bytes = segs_[seg_].subspan(pos_, wide ? take * 2 : take);
      if (wide)
        AppendUtf16Le(out, bytes);
      else
        AppendLatin1(out, bytes);
      pos_ += bytes.size();
      count -= static_cast<std::uint32_t>(take);
    }
  }

  // Appends `count` bytes of a code-page text (BIFF5) as UTF-8.
  void CodePageChars(std::string& out, std::uint32_t count, const CodePage& cp) {
    while (count > 0) {
      Ensure();
      std::size_t take = std::min<std::size_t>(segs_[seg_].size() - pos_, count);
      cp.Append(out, segs_[seg_].subspan(pos_, take));
      pos_ += take;
      count -= static_cast<std::uint32_t>(take);
    }
  }

  [[noreturn]] void Fail(std::string_view what) const {
    std::uint64_t off =
        seg_ < segs_.size() ? offsets_[seg_] + pos_ : offsets_.back() + segs_.back().size();
    RaiseDamaged(what, where_, off);
  }

  // The offsets (of the header) of the empty CONTINUE records passed over so far.
  const std::vector<std::uint64_t>& SkippedEmpty() const { return skipped_; }

 private:
  // Moves to the next segment that holds bytes, passing over empty ones.
  void NextSegment() {
    do {
      if (seg_ + 1 >= segs_.size()) Fail("a text runs past the end of its record");
      ++seg_;
      pos_ = 0;
      if (segs_[seg_].empty()) skipped_.push_back(offsets_[seg_] - 4);
    } while (segs_[seg_].empty());
  }
  // Makes at least one byte available at the current position.
  void Ensure() {
    while (seg_ < segs_.size() && pos_ == segs_[seg_].size()) {
      if (seg_ + 1 >= segs_.size()) break;
      ++seg_;
      pos_ = 0;
      if (segs_[seg_].empty()) skipped_.push_back(offsets_[seg_] - 4);
    }
    if (seg_ >= segs_.size() || pos_ >= segs_[seg_].size()) Fail("record is too short");
  }
  void Raw(std::uint8_t* out, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) out[i] = U8();
  }

  const std::vector<std::span<const std::uint8_t>>& segs_;
  const std::vector<std::uint64_t>& offsets_;
  std::string_view where_;
  std::size_t seg_ = 0;
  std::size_t pos_ = 0;
  std::vector<std::uint64_t> skipped_;
};

}  // namespace sheaver::xl
