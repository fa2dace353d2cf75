#include "spreadsheet/biff_reader.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

#include "runtime/error.h"
#include "spreadsheet/biff_decrypt.h"
#include "spreadsheet/biff_records.h"
#include "spreadsheet/biff_sheet.h"
#include "spreadsheet/byte_cursor.h"
#include "spreadsheet/name_formula.h"
#include "spreadsheet/number_format.h"
#include "spreadsheet/reference.h"
#include "spreadsheet/text_decode.h"

namespace sheaver::xl {
namespace {

using namespace biff;

// The BIFF versions read: 2, 3 and 4 (Excel 2.x, 3.0, 4.0 worksheets), 5 (Excel 5.0/95, with
// BIFF7) and 8 (Excel 97-2003). Before 8 every text is in the workbook's code page.

// The code page each font character set naming a script stands for: Shift-JIS, Hangul, GB2312,
// Big5, Greek, Turkish, Vietnamese, Hebrew, Arabic, Baltic, Russian, Thai, Eastern European.
// ANSI (0), default (1) and symbol (2) name none.
constexpr std::pair<std::uint8_t, std::uint16_t> kCharsetCodePages[] = {
    {128, 932},  {129, 949},  {134, 936},  {136, 950},  {161, 1253}, {162, 1254}, {163, 1258},
    {177, 1255}, {178, 1256}, {186, 1257}, {204, 1251}, {222, 874},  {238, 1250}};

// The code page of a font character set; 0 when it names none.
std::uint16_t CharsetCodePage(std::uint8_t charset) {
  for (const auto& [set, code_page] : kCharsetCodePages)
    if (set == charset) return code_page;
  return 0;
}

// The code page of the byte texts of a stream before BIFF8: the one its CODEPAGE record names;
// without one, the one the character set of the first font naming a script stands for (files
// saved without a CODEPAGE record still say in their fonts which script their texts are in);
// else Windows-1252. Looks at the records up to the
// first EOF, so that texts read before the FONT or CODEPAGE records decode the same.
std::uint16_t TextCodePage(std::span<const std::uint8_t> stream, Biff biff) {
  std::uint16_t from_font = 0;
  std::optional<std::uint16_t> from_record;
  // A record cut short is damage, which the record pass reports.
  ScanRecordHeaders(stream, 0, [&](std::uint16_t type, std::size_t, auto body) {
    if (type == kCodePage && body.size() >= 2) {
      from_record = Cursor(body, "CODEPAGE").U16();
      return false;
    }
    // Of the FONT records (0x0031 from BIFF5 on, as in BIFF2) only those of BIFF5/7 carry a
    // character set, at offset 12, that decides the code page.
    if (type == kFont && biff == Biff::k5 && body.size() >= 13 && from_font == 0)
      from_font = CharsetCodePage(body[12]);
    return type != kEof;
  });
  if (from_record) return *from_record;
  return from_font ? from_font : 1252;
}

const char* const kBuiltinNames[] = {
    "Consolidate_Area", "Auto_Open",       "Auto_Close",   "Extract",        "Database",
    "Criteria",         "Print_Area",      "Print_Titles", "Recorder",       "Data_Form",
    "Auto_Activate",    "Auto_Deactivate", "Sheet_Title",  "_FilterDatabase"};

class BiffLoader : public SheetLoader {
 public:
  BiffLoader(std::vector<std::uint8_t> stream, std::string stream_name, std::string file_name,
             Globals globals, std::vector<SheetInfo> sheets)
      : stream_(std::move(stream)),
        where_(std::move(stream_name)),
        file_name_(std::move(file_name)),
        g_(std::move(globals)),
        cp_(g_.code_page),
        sheets_(std::move(sheets)) {}

  void LoadSheet(std::size_t index, SheetCells& cells, StringTable& strings,
                 std::vector<std::string>& repairs) override {
    const SheetInfo& sheet = sheets_.at(index);
    // A chart sheet's records hold its chart (the series' cached values among them), no cells.
    if (sheet.kind == SheetKind::kChart) return;
    if (released_error_) throw *released_error_;
    if (loaded_.size() < sheets_.size()) loaded_.resize(sheets_.size());
    // The last sheet still to be read of a large stream: once it is read the stream is not
    // needed again, so its memory goes back while the cells are read, and the cells and the
    // whole stream are never held at once.
    bool last = stream_.size() >= kReleaseFrom;
    for (std::size_t i = 0; i < sheets_.size() && last; ++i)
      if (i != index && sheets_[i].kind != SheetKind::kChart && !loaded_[i]) last = false;
    try {
      const std::size_t offset = g_.sheet_offsets.at(index);
      if (!g_.sheet_damage.at(index).empty()) RaiseDamaged(g_.sheet_damage[index], where_, offset);
      ReadSheetCells(g_, cp_, stream_, where_, cells, strings, sheet.max_cols,
                     "sheet '" + sheet.name + "'", repairs, offset, last);
    } catch (Error& e) {
      e.Within("sheet '" + sheets_.at(index).name + "'", {.sheet = sheets_.at(index).name});
      e.InFile(file_name_);
      // The bytes given back cannot be read again: asked for again, the sheet gives this error.
      if (last) released_error_ = e;
      throw;
    }
    loaded_[index] = true;
    if (last) std::vector<std::uint8_t>().swap(stream_);
  }

 private:
  // Streams from this size on give their memory back as their last sheet is read.
  static constexpr std::size_t kReleaseFrom = 4 << 20;

  std::vector<std::uint8_t> stream_;
  std::vector<bool> loaded_;             // per sheet: its cells have been read
  std::optional<Error> released_error_;  // why the sheet read with the stream's release failed
  std::string where_;
  std::string file_name_;
  Globals g_;
  CodePage cp_;
  std::vector<SheetInfo> sheets_;
};

// One pass over the workbook globals.
class GlobalsParser {
 public:
  // `decrypted` when the stream's protection has been removed: its FILEPASS record is passed over.
  GlobalsParser(std::span<const std::uint8_t> stream, std::string_view where, WorkbookModel& book,
                bool decrypted)
      : stream_(stream), where_(where), book_(book), decrypted_(decrypted) {
    // Room for the formats and cell formats of a usual workbook, grown as needed beyond.
    format_shows_.reserve(16);
    xf_formats_.reserve(32);
  }

  Globals Parse();
  // Reads an Excel 2.x-4.x worksheet: its one sheet, named `sheet_name`, and what its cells
  // need; the cells are read from the same stream later.
  Globals ParseOldWorksheet(std::string sheet_name);

 private:
  void Bof(const Record& r);
  void OldBof(const Record& r);
  void OldFormat(const Record& r);
  void OldName(const Record& r);
  void CellFormats();
  void BoundSheet(const Record& r);
  void Sst(const Record& r);
  void Format(const Record& r);
  void Xf(const Record& r);
  void NameRecord(const Record& r);
  void ExternSheet(const Record& r);
  void FilePass(const Record& r);
  void DateMode(const Record& r);
  void ResolveNames();
  void FindSheets(std::size_t globals_end);
  bool IsSheetBof(std::size_t pos) const;
  NameTarget Target(const RawName& n, int scope);

  std::span<const std::uint8_t> stream_;
  std::string_view where_;
  WorkbookModel& book_;
  bool decrypted_;
  Globals g_;
  std::unique_ptr<CodePage> cp_ = std::make_unique<CodePage>(1252);
  std::unordered_map<std::uint16_t, Shows> format_shows_;
  std::unordered_map<std::uint16_t, std::string> format_codes_;
  std::vector<std::uint16_t> xf_formats_;
  std::uint16_t format_count_ = 0;  // Excel 2.x-4.x FORMAT records so far
  std::vector<RawName> names_;
  std::vector<Xti> xti_;
  std::vector<bool> supbook_internal_;
  std::optional<std::uint16_t> active_;
  std::uint16_t bof_version_ = 0;
  // The sheet that references without one in a defined name are on: none in a workbook (such a
  // name belongs to a sheet), the one sheet of an Excel 2.x-4.x worksheet.
  int default_sheet_ = -1;
};

Globals GlobalsParser::Parse() {
  RecordStream records(stream_, 0, where_);
  Record r;
  if (!records.Next(r)) RaiseDamaged("the workbook stream is empty", where_, 0);
  Bof(r);
  if (g_.biff != Biff::k8) {
    cp_ = std::make_unique<CodePage>(TextCodePage(stream_, g_.biff));
    g_.code_page = cp_->Number();
  }
  bool seen_eof = false;
  while (records.Next(r)) {
    switch (r.type) {
      case kEof:
        seen_eof = true;
        break;
      case kFilePass:
        FilePass(r);
        break;
      case kDateMode:
        DateMode(r);
        break;
      case kWindow1: {
        if (active_) break;  // the first window is the one shown
        Cursor c(r.body, where_, r.offset + 4);
        c.Skip(10);
        active_ = c.U16();
        break;
      }
      case kBoundSheet:
        BoundSheet(r);
        break;
      case kSst:
        Sst(r);
        break;
      case kFormat:
        Format(r);
        break;
      case kXf:
        Xf(r);
        break;
      case kName:
        NameRecord(r);
        break;
      case kExternSheet:
        ExternSheet(r);
        break;
      case kSupBook: {
        // The second field is 0x0401 for the workbook itself (its own sheets).
        Cursor c(r.body, where_, r.offset + 4);
        c.U16();
        supbook_internal_.push_back(c.Left() >= 2 && c.U16() == 0x0401);
        break;
      }
      case kBof:
        RaiseDamaged("a BOF record inside the workbook globals", where_, r.offset);
      default:
        break;
    }
    if (seen_eof) break;
  }
  FindSheets(records.Pos());
  CellFormats();
  // The active sheet: the window's current tab; the first sheet when the file records none or
  // one that does not exist.
  book_.active_sheet = active_ && *active_ < book_.sheets.size() ? *active_ : 0;
  ResolveNames();
  return std::move(g_);
}

// Cell formats: what each XF's number format shows. A workbook's own format of an id replaces
// the built-in one.
void GlobalsParser::CellFormats() {
  g_.xf_shows.resize(xf_formats_.size());
  g_.xf_format.resize(xf_formats_.size());
  for (std::size_t i = 0; i < xf_formats_.size(); ++i) {
    auto it = format_shows_.find(xf_formats_[i]);
    g_.xf_shows[i] = it != format_shows_.end() ? it->second : BuiltinFormatShows(xf_formats_[i]);
    auto code = format_codes_.find(xf_formats_[i]);
    g_.xf_format[i] =
        book_.number_formats.Add(code != format_codes_.end() ? std::string_view(code->second)
                                                             : BuiltinFormatCode(xf_formats_[i]));
  }
  book_.has_number_formats = true;
  book_.date_system = g_.date1904 ? DateSystem::k1904 : DateSystem::k1900;
}

Globals GlobalsParser::ParseOldWorksheet(std::string sheet_name) {
  RecordStream records(stream_, 0, where_);
  Record r;
  if (!records.Next(r)) RaiseDamaged("the file is empty", where_, 0);
  OldBof(r);
  cp_ = std::make_unique<CodePage>(TextCodePage(stream_, g_.biff));
  g_.code_page = cp_->Number();
  while (records.Next(r) && r.type != kEof) {
    switch (r.type) {
      case kFilePass:
        FilePass(r);
        break;
      case kDateMode:
        DateMode(r);
        break;
      case kFormat2:
      case kFormat:
        OldFormat(r);
        break;
      case kXf3:
      case kXf4: {
        // Font index, then the number format index, a byte each.
        Cursor c(r.body, where_, r.offset + 4);
        c.U8();
        xf_formats_.push_back(c.U8());
        break;
      }
      case kName:
      case kName3:
        OldName(r);
        break;
      default:
        break;
    }
  }
  // Excel 2.x cells name their number format directly: the cell tables are per format index.
  if (g_.biff == Biff::k2)
    for (std::uint16_t i = 0; i < kBiff2Formats; ++i) xf_formats_.push_back(i);
  SheetInfo info;
  info.name = sheet_name.empty() ? std::string("Sheet1") : std::move(sheet_name);
  info.max_rows = 16384;
  info.max_cols = 256;
  book_.sheets.push_back(std::move(info));
  g_.sheet_offsets.push_back(0);
  g_.sheet_damage.emplace_back();
  CellFormats();
  book_.active_sheet = 0;
  default_sheet_ = 0;
  ResolveNames();
  return std::move(g_);
}

void GlobalsParser::OldBof(const Record& r) {
  // Version, then the kind of sheet.
  Cursor c(r.body, where_, 4);
  c.U16();
  const std::uint16_t type = c.U16();
  g_.biff = r.type == kBof2 ? Biff::k2 : r.type == kBof3 ? Biff::k3 : Biff::k4;
  const char* excel = g_.biff == Biff::k2   ? "Excel 2.x"
                      : g_.biff == Biff::k3 ? "Excel 3.0"
                                            : "Excel 4.0";
  const std::string save_as = ", not supported: save it as an Excel 97-2003 workbook";
  if (type == kBofWorkbook4)
    Raise(err::kWorkbookUnsupported,
          "Excel 4.0 workbook (several sheets bound in one file)" + save_as);
  if (type == kBofChart)
    Raise(err::kWorkbookUnsupported, std::string(excel) + " chart, which has no cells" + save_as);
  if (type == kBofMacroSheet)
    Raise(err::kWorkbookUnsupported, std::string(excel) + " macro sheet" + save_as);
  if (type != kBofWorksheet)
    Raise(err::kWorkbookUnsupported,
          std::string(excel) + " file of sheet type 0x" + RecordStream::Hex(type) + save_as);
  book_.format = std::string(excel) + " worksheet";
}

void GlobalsParser::OldFormat(const Record& r) {
  // The code after an 8-bit count (BIFF4: after two unused bytes). Formats are numbered in the
  // order of their records.
  SegmentReader s(r, where_);
  if (r.type == kFormat) s.Skip(2);
  const std::uint8_t count = s.U8();
  std::string code;
  s.CodePageChars(code, count, *cp_);
  const std::uint16_t id = format_count_++;
  format_shows_[id] = FormatShows(code);
  format_codes_[id] = std::move(code);
}

void GlobalsParser::OldName(const Record& r) {
  // Excel 2.x: flags, shortcut key, name length, formula length, a byte each; Excel 3.0 and 4.0:
  // 16-bit flags and formula length. Then the name and the formula.
  SegmentReader s(r, where_);
  RawName n;
  n.offset = r.offset;
  std::uint16_t formula_length;
  std::uint8_t name_length;
  if (r.type == kName) {
    s.U8();  // its flags mark functions and macros, neither hidden nor built-in names
    s.U8();
    name_length = s.U8();
    formula_length = s.U8();
  } else {
    n.flags = s.U16();
    s.U8();
    name_length = s.U8();
    formula_length = s.U16();
  }
  s.CodePageChars(n.name, name_length, *cp_);
  if (formula_length > s.Left()) s.Fail("a defined name's formula runs past its record");
  n.formula.resize(formula_length);
  for (auto& b : n.formula) b = s.U8();
  names_.push_back(std::move(n));
}

void GlobalsParser::Bof(const Record& r) {
  if (r.type != kBof) {
    if (r.type == 0x0009 || r.type == 0x0209 || r.type == 0x0409)
      Raise(err::kWorkbookUnsupported,
            "Excel 2.x/3.x/4.x workbook, not supported: save it as an Excel 97-2003 workbook");
    RaiseDamaged("the workbook stream does not start with a BOF record", where_, 0);
  }
  Cursor c(r.body, where_, 4);
  std::uint16_t version = c.U16();
  std::uint16_t type = c.Left() >= 2 ? c.U16() : kBofGlobals;
  bof_version_ = version;
  if (version >= 0x0600)
    g_.biff = Biff::k8;
  else if (version >= 0x0500)
    g_.biff = Biff::k5;
  else if (version == 0)
    g_.biff = where_ == "Book stream" ? Biff::k5 : Biff::k8;
  else
    Raise(err::kWorkbookUnsupported, "a workbook of BIFF version 0x" + RecordStream::Hex(version) +
                                         ", not supported: save it as an Excel 97-2003 workbook");
  if (type != kBofGlobals)
    Raise(err::kWorkbookUnsupported,
          "a single worksheet file (Excel 4-style) rather than a workbook, not supported");
  book_.format = g_.biff == Biff::k8 ? "Excel 97-2003 workbook" : "Excel 5.0/95 workbook";
}

// Whether a sheet's BOF record starts at pos: the record number, a length a BOF has, the
// workbook's BIFF version and a sheet's substream type. A byte pattern that is only the record
// number is not enough to move a sheet to it.
bool GlobalsParser::IsSheetBof(std::size_t pos) const {
  if (pos > stream_.size() || stream_.size() - pos < 8) return false;
  Cursor header(stream_.subspan(pos, 8), where_, pos);
  const std::uint16_t number = header.U16(), length = header.U16();
  if (number != kBof || length < 4 || length > 20 || length > stream_.size() - pos - 4)
    return false;
  const std::uint16_t version = header.U16(), type = header.U16();
  const bool version_ok = version == bof_version_ || version == 0x0500 || version == 0x0600;
  return version_ok && (type == kBofWorksheet || type == kBofChart || type == kBofMacroSheet);
}

// Checks where each BOUNDSHEET says its sheet starts: past the globals, on a BOF record. A BOF a
// few bytes away is taken instead, with a repair line; otherwise the sheet keeps the reason it
// cannot be read, raised when its cells are asked for. A sheet whose BOF says chart is a chart
// sheet whatever its BOUNDSHEET says.
void GlobalsParser::FindSheets(std::size_t globals_end) {
  g_.sheet_damage.assign(g_.sheet_offsets.size(), {});
  for (std::size_t i = 0; i < g_.sheet_offsets.size(); ++i) {
    const std::size_t given = g_.sheet_offsets[i];
    SheetInfo& sheet = book_.sheets[i];
    if (given < globals_end) {
      g_.sheet_damage[i] =
          "the workbook gives the sheet's start as offset " + std::to_string(given) +
          ", inside the workbook globals (which end at offset " + std::to_string(globals_end) + ")";
      continue;
    }
    std::optional<std::size_t> found;
    if (given + 4 <= stream_.size() && PeekU16(stream_, given) == kBof) {
      found = given;
    } else {
      for (std::size_t d = 1; d <= kBofSearchDistance && !found; ++d) {
        if (IsSheetBof(given + d))
          found = given + d;
        else if (d <= given - globals_end && IsSheetBof(given - d))
          found = given - d;
      }
      if (!found) {
        g_.sheet_damage[i] =
            "the sheet does not start with a BOF record, nor is there one within " +
            std::to_string(kBofSearchDistance) + " bytes of its offset";
        continue;
      }
      const std::size_t distance = *found > given ? *found - given : given - *found;
      book_.repairs.push_back(
          "sheet '" + sheet.name + "': its BOF record was " + std::to_string(distance) + " bytes " +
          (*found > given ? "after" : "before") + " the offset the workbook gives (" +
          std::string(where_) + ", offset " + std::to_string(given) + ")");
      g_.sheet_offsets[i] = static_cast<std::uint32_t>(*found);
    }
    if (*found + 8 <= stream_.size() && PeekU16(stream_, *found + 2) >= 4 &&
        PeekU16(stream_, *found + 6) == kBofChart)
      sheet.kind = SheetKind::kChart;
  }
}

// DATEMODE: 1 when the workbook's dates count from 1904.
void GlobalsParser::DateMode(const Record& r) {
  Cursor c(r.body, where_, r.offset + 4);
  g_.date1904 = c.U16() == 1;
}

void GlobalsParser::FilePass(const Record& r) {
  if (decrypted_) return;
  // BIFF8: 0 = XOR obfuscation, 1 = RC4; BIFF5 always XOR.
  std::string how = "XOR obfuscation";
  if (g_.biff == Biff::k8 && r.body.size() >= 2 && PeekU16(r.body, 0) == 1) how = "RC4 encryption";
  Raise(err::kWorkbookEncrypted, "password-protected workbook (" + how +
                                     "): it cannot be read without its password; "
                                     "save it without a password to read it");
}

void GlobalsParser::BoundSheet(const Record& r) {
  // Offset of the sheet's BOF, visibility, sheet type, name.
  SegmentReader s(r, where_);
  std::uint32_t offset = s.U32();
  std::uint8_t visibility = s.U8();
  std::uint8_t type = s.U8();
  std::uint8_t count = s.U8();
  SheetInfo info;
  ReadText(s, g_.biff, *cp_, count, info.name);
  NoteSkipped(s, "the name of sheet " + std::to_string(book_.sheets.size() + 1), where_,
              book_.repairs);
  info.visible = visibility == 0;
  info.kind = type == 0   ? SheetKind::kWorksheet
              : type == 2 ? SheetKind::kChart
              : type == 1 ? SheetKind::kMacroSheet
                          : SheetKind::kOther;
  info.max_rows = g_.biff == Biff::k8 ? 65536 : 16384;
  info.max_cols = 256;
  book_.sheets.push_back(std::move(info));
  g_.sheet_offsets.push_back(offset);
}

void GlobalsParser::Sst(const Record& r) {
  // Total and unique counts, then the unique texts. The unique count is only a hint: some
  // writers get it wrong, so the texts are read as long as the record has bytes for them.
  SegmentReader s(r, where_);
  s.U32();
  std::uint32_t unique = s.U32();
  std::uint64_t left = s.Left();
  // A text takes at least 3 bytes, so the bytes present bound the count.
  book_.strings.Reserve(static_cast<std::size_t>(std::min<std::uint64_t>(unique, left / 3)),
                        static_cast<std::size_t>(left));
  std::string text;
  std::uint32_t count = 0;
  std::size_t skipped = 0;  // empty CONTINUE records passed over and reported so far
  while (s.Left() > 0) {
    try {
      std::uint16_t chars = s.U16();
      std::uint8_t flags = s.U8();
      std::uint16_t runs = (flags & 0x08) ? s.U16() : 0;
      std::uint32_t ext = (flags & 0x04) ? s.U32() : 0;
      text.clear();
      s.Chars(text, chars, flags & 1);
      s.Skip(std::uint64_t{runs} * 4);  // rich-text formatting runs
      s.Skip(ext);                      // phonetic data
    } catch (const Error&) {
      if (count >= unique) break;  // trailing bytes after the last text
      throw;
    }
    if (s.SkippedEmpty().size() > skipped) {
      NoteSkipped(s, "shared string " + std::to_string(count), where_, book_.repairs, skipped);
      skipped = s.SkippedEmpty().size();
    }
    book_.strings.Add(text);
    ++count;
  }
  g_.sst_count = count;
}

void GlobalsParser::Format(const Record& r) {
  // Format number, then its code: BIFF8 a 16-bit count and option byte, BIFF5 an 8-bit count.
  SegmentReader s(r, where_);
  std::uint16_t id = s.U16();
  std::uint32_t count = g_.biff == Biff::k8 ? s.U16() : s.U8();
  std::string code;
  ReadText(s, g_.biff, *cp_, count, code);
  NoteSkipped(s, "number format " + std::to_string(id), where_, book_.repairs);
  format_shows_[id] = FormatShows(code);
  format_codes_[id] = std::move(code);
}

void GlobalsParser::Xf(const Record& r) {
  // Font index, then the number format index.
  Cursor c(r.body, where_, r.offset + 4);
  c.U16();
  xf_formats_.push_back(c.U16());
}

void GlobalsParser::ExternSheet(const Record& r) {
  // BIFF8: a count, then (SUPBOOK index, first sheet, last sheet) triples. BIFF5 3D references
  // carry their sheet numbers themselves, so its per-sheet EXTERNSHEET records are not needed.
  if (g_.biff != Biff::k8) return;
  SegmentReader s(r, where_);
  std::uint16_t count = s.U16();
  if (std::uint64_t{count} * 6 > s.Left()) s.Fail("EXTERNSHEET counts more entries than it holds");
  xti_.clear();
  xti_.reserve(count);
  for (std::uint16_t i = 0; i < count; ++i) {
    Xti x;
    x.supbook = s.U16();
    x.first = s.U16();
    x.last = s.U16();
    xti_.push_back(x);
  }
}

void GlobalsParser::NameRecord(const Record& r) {
  // Flags, shortcut key, name length, formula length, (unused), sheet (1-based, 0 = workbook),
  // four more lengths, the name, the formula.
  SegmentReader s(r, where_);
  RawName n;
  n.offset = r.offset;
  n.flags = s.U16();
  s.U8();
  std::uint8_t name_length = s.U8();
  std::uint16_t formula_length = s.U16();
  s.U16();
  n.scope_tab = s.U16();
  s.Skip(4);
  ReadText(s, g_.biff, *cp_, name_length, n.name);
  NoteSkipped(s, "the defined name " + n.name, where_, book_.repairs);
  if (formula_length > s.Left()) s.Fail("a defined name's formula runs past its record");
  n.formula.resize(formula_length);
  for (auto& b : n.formula) b = s.U8();
  names_.push_back(std::move(n));
}

NameTarget GlobalsParser::Target(const RawName& n, int scope) {
  std::vector<SheetArea> areas;
  std::string why;
  const NameFormulaContext context{
      g_.biff, &names_, &xti_, &supbook_internal_, book_.sheets.size(), default_sheet_};
  if (!EvaluateNameFormula(context, n, scope, areas, why)) return NameTarget::NotARange(why);
  if (areas.size() != 1) return NameTarget::NotARange("it refers to several areas");
  std::uint32_t sheet = areas[0].sheet;
  Area a = areas[0].area;
  const SheetInfo& target = book_.sheets[sheet];
  if (target.kind != SheetKind::kWorksheet)
    return NameTarget::NotARange("it refers to sheet '" + target.name + "', which has no cells");
  if (a.first_row > a.last_row) std::swap(a.first_row, a.last_row);
  if (a.first_col > a.last_col) std::swap(a.first_col, a.last_col);
  // Whole rows may be stored with the last column of a larger grid than the sheet's.
  if (a.last_col >= target.max_cols && a.first_col < target.max_cols)
    a.last_col = target.max_cols - 1;
  if (a.last_row >= target.max_rows || a.last_col >= target.max_cols)
    return NameTarget::NotARange("it lies outside the sheet");
  return NameTarget::Range(sheet, a);
}

void GlobalsParser::ResolveNames() {
  std::vector<NameInfo> user, builtin;
  for (const RawName& n : names_) {
    NameInfo info;
    info.builtin = (n.flags & 0x0020) != 0;
    info.hidden = (n.flags & 0x0001) != 0;
    if (info.builtin && !n.name.empty()) {
      unsigned char code = static_cast<unsigned char>(n.name[0]);
      info.local_name = code < std::size(kBuiltinNames) ? kBuiltinNames[code] : n.name;
    } else {
      info.local_name = n.name;
    }
    // A name tied to a sheet the workbook does not have cannot be addressed: it is left out.
    if (n.scope_tab > book_.sheets.size()) continue;
    info.scope_sheet = static_cast<int>(n.scope_tab) - 1;
    info.full_name = info.scope_sheet >= 0 ? QuoteSheetName(book_.sheets[info.scope_sheet].name) +
                                                 "!" + info.local_name
                                           : info.local_name;
    try {
      info.target = Target(n, info.scope_sheet);
    } catch (const Error&) {
      info.target = NameTarget::NotARange("its formula is damaged");
    }
    (info.builtin ? builtin : user).push_back(std::move(info));
  }
  book_.names = std::move(user);
  for (auto& b : builtin) book_.names.push_back(std::move(b));
}

}  // namespace

std::shared_ptr<WorkbookModel> ReadOldBiffWorksheet(std::vector<std::uint8_t> stream,
                                                    std::string file_name) {
  auto book = std::make_shared<WorkbookModel>();
  std::string where = "file";
  GlobalsParser parser(stream, where, *book, false);  // an encrypted one is refused (1006)
  // The file holds no sheet name: the sheet takes the file's, as the spreadsheet application
  // names it.
  Globals g = parser.ParseOldWorksheet(std::filesystem::path(file_name).stem().string());
  book->SetLoader(std::make_unique<BiffLoader>(std::move(stream), std::move(where),
                                               std::move(file_name), std::move(g), book->sheets));
  return book;
}

std::shared_ptr<WorkbookModel> ReadBiffWorkbook(std::vector<std::uint8_t> stream,
                                                std::string stream_name, std::string file_name,
                                                const std::optional<std::string>& password) {
  auto book = std::make_shared<WorkbookModel>();
  std::string where = stream_name + " stream";
  // An Excel 5.0/95 stream says so in its first BOF record (or, without a version there, by
  // the name of its stream).
  const std::uint16_t version =
      stream.size() >= 6 && PeekU16(stream, 0) == kBof ? PeekU16(stream, 4) : 0x0600;
  const bool biff5 =
      (version >= 0x0500 && version < 0x0600) || (version == 0 && stream_name == "Book");
  const bool decrypted = !DecryptBiffStream(stream, biff5, password, where).empty();
  GlobalsParser parser(stream, where, *book, decrypted);
  Globals g = parser.Parse();
  if (book->sheets.empty()) RaiseDamaged("the workbook has no sheets");
  book->SetLoader(std::make_unique<BiffLoader>(std::move(stream), std::move(where),
                                               std::move(file_name), std::move(g), book->sheets));
  return book;
}

}  // namespace sheaver::xl
