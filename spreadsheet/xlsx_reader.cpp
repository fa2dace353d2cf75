#include "spreadsheet/xlsx_reader.h"

#include <charconv>
#include <unordered_map>
#include <vector>

#include "runtime/ascii.h"
#include "runtime/error.h"
#include "spreadsheet/number_format.h"
#include "spreadsheet/package_text.h"
#include "spreadsheet/reference.h"
#include "spreadsheet/xml_stream.h"

namespace sheaver::xl {
namespace {

// Date serials between the two date systems: 1 January 1904 is day 1462 of the 1900 system.
constexpr double k1904Offset = 1462.0;

[[noreturn]] void RaiseDamaged(const std::string& part, const std::string& why) {
  Raise(err::kWorkbookUnreadable, "the part " + part + " is damaged: " + why);
}

[[noreturn]] void RaiseNotAWorkbook(const std::string& what) {
  Raise(err::kWorkbookUnreadable, "not a workbook: " + what);
}

bool IsTrue(std::string_view v) {
  return v == "1" || v == "true" || v == "on";
}

std::optional<std::uint32_t> ParseIndex(std::string_view s) {
  std::uint32_t v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
  return v;
}

// ---- Package relationships and content types ------------------------------------------------

struct Relationship {
  std::string id;
  std::string type;    // its last segment: "worksheet", "officeDocument", "sharedStrings"
  std::string target;  // the part it points to, resolved to a package part name
  bool external = false;
};

// Percent-escapes of a relationship target decoded ("my%20sheet.xml").
std::string PercentDecode(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    auto hex = [](char c) {
      return c >= '0' && c <= '9'   ? c - '0'
             : c >= 'a' && c <= 'f' ? c - 'a' + 10
             : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                    : -1;
    };
    if (s[i] == '%' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
      out += static_cast<char>(hex(s[i + 1]) * 16 + hex(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

// The part a target names, seen from the part that holds the relationship ("" for the package).
std::string ResolveTarget(std::string_view source_part, std::string_view target) {
  std::string path;
  std::string t = PercentDecode(target);
  for (char& c : t)
    if (c == '\\') c = '/';
  if (!t.empty() && t[0] == '/') {
    path = t.substr(1);
  } else {
    std::size_t slash = source_part.rfind('/');
    path = (slash == std::string_view::npos ? std::string()
                                            : std::string(source_part.substr(0, slash + 1))) +
           t;
  }
  std::vector<std::string> segments;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string segment = path.substr(start, end - start);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(std::move(segment));
    }
    start = end + 1;
  }
  std::string out;
  for (const std::string& s : segments) out += (out.empty() ? "" : "/") + s;
  return out;
}

// The relationship part of a part: "xl/_rels/workbook.xml.rels" for "xl/workbook.xml".
std::string RelsPartOf(std::string_view part) {
  std::size_t slash = part.rfind('/');
  std::string dir = slash == std::string_view::npos ? "" : std::string(part.substr(0, slash + 1));
  std::string file(slash == std::string_view::npos ? part : part.substr(slash + 1));
  return dir + "_rels/" + file + ".rels";
}

class RelsHandler : public XmlHandler {
 public:
  explicit RelsHandler(std::string source) : source_(std::move(source)) {}
  void StartElement(const XmlName& name, const XmlAttributes& a) override {
    if (name.local != "Relationship") return;
    Relationship r;
    r.id = std::string(a.Get(Ns::kNone, "Id", ""));
    std::string_view type = a.Get(Ns::kNone, "Type", "");
    std::size_t slash = type.rfind('/');
    r.type = std::string(slash == std::string_view::npos ? type : type.substr(slash + 1));
    r.external = a.Get(Ns::kNone, "TargetMode", "") == "External";
    r.target = r.external ? std::string(a.Get(Ns::kNone, "Target", ""))
                          : ResolveTarget(source_, a.Get(Ns::kNone, "Target", ""));
    rels.push_back(std::move(r));
  }
  void EndElement(const XmlName&) override {}
  std::vector<Relationship> rels;

 private:
  std::string source_;
};

// The relationships of a part ("" for the package's own); none when it has no relationship part.
std::vector<Relationship> ReadRelationships(ZipPackage& package, const std::string& source) {
  std::string part = source.empty() ? "_rels/.rels" : RelsPartOf(source);
  if (!package.Has(part)) return {};
  RelsHandler handler(source);
  ParseXmlPart(package, part, handler);
  return std::move(handler.rels);
}

const Relationship* FindByType(const std::vector<Relationship>& rels, std::string_view type) {
  for (const Relationship& r : rels)
    if (!r.external && r.type == type) return &r;
  return nullptr;
}

class ContentTypesHandler : public XmlHandler {
 public:
  void StartElement(const XmlName& name, const XmlAttributes& a) override {
    if (name.local == "Default")
      defaults[LowerAscii(a.Get(Ns::kNone, "Extension", ""))] = a.Get(Ns::kNone, "ContentType", "");
    else if (name.local == "Override")
      overrides[ZipPackage::NormalizeName(a.Get(Ns::kNone, "PartName", ""))] =
          a.Get(Ns::kNone, "ContentType", "");
  }
  void EndElement(const XmlName&) override {}

  // The content type of a part: its override, else the default of its extension, else "".
  std::string Of(std::string_view part) const {
    if (auto it = overrides.find(ZipPackage::NormalizeName(part)); it != overrides.end())
      return it->second;
    std::size_t dot = part.rfind('.');
    if (dot != std::string_view::npos)
      if (auto it = defaults.find(LowerAscii(part.substr(dot + 1))); it != defaults.end())
        return it->second;
    return {};
  }

  std::unordered_map<std::string, std::string> defaults, overrides;
};

// What a package's main part is, by its content type; raises for anything but a workbook.
std::string WorkbookFormat(const std::string& content_type) {
  auto has = [&](std::string_view s) { return content_type.find(s) != std::string::npos; };
  if (has("spreadsheetml.sheet.main") || content_type.empty()) return "Excel workbook (.xlsx)";
  if (has("ms-excel.sheet.macroEnabled.main")) return "Excel macro-enabled workbook (.xlsm)";
  if (has("spreadsheetml.template.main")) return "Excel template (.xltx)";
  if (has("ms-excel.template.macroEnabled.main")) return "Excel macro-enabled template (.xltm)";
  if (has("ms-excel.addin.macroEnabled.main")) return "Excel add-in (.xlam)";
  if (has("ms-excel.sheet.binary"))
    Raise(err::kWorkbookUnsupported,
          "Excel binary workbook (.xlsb), not supported: save it as an Excel workbook (.xlsx)");
  if (has("wordprocessingml")) RaiseNotAWorkbook("the file is a Word document (.docx)");
  if (has("presentationml")) RaiseNotAWorkbook("the file is a PowerPoint presentation (.pptx)");
  if (has("ms-visio")) RaiseNotAWorkbook("the file is a Visio drawing (.vsdx)");
  if (has("xps")) RaiseNotAWorkbook("the file is an XPS document");
  RaiseNotAWorkbook("the package's main part is of type " + content_type + ", not a workbook");
}

// ---- The workbook part ----------------------------------------------------------------------

struct RawSheet {
  std::string name;
  std::string rel_id;
  bool visible = true;
};

struct RawName {
  std::string name;
  std::optional<std::uint32_t> local_sheet;
  bool bad_scope = false;
  bool hidden = false;
  std::string formula;
};

class WorkbookHandler : public XmlHandler {
 public:
  explicit WorkbookHandler(std::string part) : part_(std::move(part)) {}

  void StartElement(const XmlName& name, const XmlAttributes& a) override {
    if (depth_++ == 0) {
      if (!name.Is(Ns::kSheet, "workbook"))
        RaiseNotAWorkbook("the package's main part " + part_ + " holds <" +
                          std::string(name.local) + ">, not a workbook");
      return;
    }
    if (name.ns != Ns::kSheet) return;
    if (name.local == "workbookPr") {
      date1904 = IsTrue(a.Get(Ns::kNone, "date1904", "0"));
    } else if (name.local == "workbookView") {
      if (!active_tab) active_tab = ParseIndex(a.Get(Ns::kNone, "activeTab", "0")).value_or(0);
    } else if (name.local == "sheet") {
      RawSheet s;
      s.name = std::string(a.Get(Ns::kNone, "name", ""));
      s.rel_id = std::string(a.Get(Ns::kDocRels, "id", ""));
      std::string_view state = a.Get(Ns::kNone, "state", "visible");
      s.visible = state != "hidden" && state != "veryHidden";
      sheets.push_back(std::move(s));
    } else if (name.local == "definedName") {
      in_name_ = true;
      RawName n;
      n.name = std::string(a.Get(Ns::kNone, "name", ""));
      if (auto id = a.Get(Ns::kNone, "localSheetId")) {
        n.local_sheet = ParseIndex(*id);
        n.bad_scope = !n.local_sheet;
      }
      n.hidden = IsTrue(a.Get(Ns::kNone, "hidden", "0"));
      names.push_back(std::move(n));
    }
  }
  void EndElement(const XmlName& name) override {
    --depth_;
    if (name.Is(Ns::kSheet, "definedName")) in_name_ = false;
  }
  void Characters(std::string_view text) override {
    if (in_name_) names.back().formula.append(text);
  }

  bool date1904 = false;
  std::optional<std::uint32_t> active_tab;
  std::vector<RawSheet> sheets;
  std::vector<RawName> names;

 private:
  std::string part_;
  int depth_ = 0;
  bool in_name_ = false;
};

// ---- Styles: which cell formats show dates --------------------------------------------------

// A cell format's number format: what it shows and its code in the workbook's table.
struct CellFormat {
  Shows shows = Shows::kNumber;
  std::uint16_t code = NumberFormatTable::kGeneral;
};

class StylesHandler : public XmlHandler {
 public:
  void StartElement(const XmlName& name, const XmlAttributes& a) override {
    if (name.ns != Ns::kSheet) return;
    if (name.local == "numFmts") {
      in_formats_ = true;
    } else if (name.local == "cellXfs") {
      in_cell_xfs_ = true;
    } else if (name.local == "numFmt" && in_formats_) {
      if (auto id = ParseIndex(a.Get(Ns::kNone, "numFmtId", ""))) {
        std::string_view code = a.Get(Ns::kNone, "formatCode", "");
        custom_[*id] = {FormatShows(code), std::string(code)};
      }
    } else if (name.local == "xf" && in_cell_xfs_) {
      xf_formats_.push_back(ParseIndex(a.Get(Ns::kNone, "numFmtId", "0")).value_or(0));
    }
  }
  void EndElement(const XmlName& name) override {
    if (name.Is(Ns::kSheet, "numFmts")) in_formats_ = false;
    if (name.Is(Ns::kSheet, "cellXfs")) in_cell_xfs_ = false;
  }

  // For each cell format, what its number format shows, its code added to `table`. A
  // workbook's own format of an id replaces the built-in one.
  std::vector<CellFormat> CellFormats(NumberFormatTable& table) const {
    std::vector<CellFormat> out;
    out.reserve(xf_formats_.size());
    for (std::uint32_t id : xf_formats_) {
      auto it = custom_.find(id);
      if (it != custom_.end())
        out.push_back({it->second.shows, table.Add(it->second.code)});
      else
        out.push_back({BuiltinFormatShows(id), table.Add(BuiltinFormatCode(id))});
    }
    return out;
  }

 private:
  struct Custom {
    Shows shows;
    std::string code;
  };
  bool in_formats_ = false, in_cell_xfs_ = false;
  std::unordered_map<std::uint32_t, Custom> custom_;
  std::vector<std::uint32_t> xf_formats_;
};

// ---- Shared strings -------------------------------------------------------------------------

// Each <si> becomes one text: its runs joined, phonetic runs left out, escapes decoded.
class SharedStringsHandler : public XmlHandler {
 public:
  explicit SharedStringsHandler(StringTable& strings) : strings_(strings) {}
  void StartElement(const XmlName& name, const XmlAttributes& a) override {
    if (name.ns != Ns::kSheet) return;
    if (name.local == "si") {
      in_item_ = true;
      text_.clear();
    } else if (name.local == "rPh") {
      ++phonetic_;
    } else if (name.local == "t" && in_item_ && phonetic_ == 0) {
      in_text_ = true;
    } else if (name.local == "sst" && count == 0) {
      // A hint only: reserve for at most what the part could hold.
      if (auto n = ParseIndex(a.Get(Ns::kNone, "uniqueCount", "")))
        strings_.Reserve(std::min<std::uint32_t>(*n, 1u << 20), 0);
    }
  }
  void EndElement(const XmlName& name) override {
    if (name.ns != Ns::kSheet) return;
    if (name.local == "t") {
      in_text_ = false;
    } else if (name.local == "rPh") {
      --phonetic_;
    } else if (name.local == "si") {
      strings_.Add(DecodeEscapes(text_));
      ++count;
      in_item_ = false;
    }
  }
  void Characters(std::string_view text) override {
    if (in_text_) text_.append(text);
  }

  std::uint32_t count = 0;

 private:
  StringTable& strings_;
  std::string text_;
  bool in_item_ = false, in_text_ = false;
  int phonetic_ = 0;
};

// ---- Sheet cells ----------------------------------------------------------------------------

struct SheetContext {
  const std::vector<CellFormat>* formats = nullptr;
  std::uint32_t shared_base = 0;
  std::uint32_t shared_count = 0;
  bool date1904 = false;
};

class SheetHandler : public XmlHandler {
 public:
  SheetHandler(const SheetContext& context, std::string part, SheetCells& cells,
               StringTable& strings)
      : ctx_(context), part_(std::move(part)), cells_(cells), strings_(strings) {}

  void StartElement(const XmlName& name, const XmlAttributes& a) override {
    if (name.ns != Ns::kSheet) return;
    std::string_view n = name.local;
    if (!in_data_) {
      if (n == "sheetData") in_data_ = true;
      return;
    }
    if (in_cell_) {
      if (n == "v") {
        collect_ = kValue;
        value_.clear();
        has_value_ = true;
      } else if (n == "is") {
        in_inline_ = true;
        has_inline_ = true;
      } else if (n == "rPh") {
        ++phonetic_;
      } else if (n == "t" && in_inline_ && phonetic_ == 0) {
        collect_ = kInline;
      }
      return;
    }
    if (n == "c") {
      StartCell(a);
    } else if (n == "row") {
      if (auto r = a.Get(Ns::kNone, "r")) {
        auto index = ParseIndex(*r);
        if (!index || *index < 1 || *index > kPackageMaxRows)
          RaiseDamaged(part_, "row number '" + std::string(*r) + "' is not a row of a sheet");
        row_ = *index - 1;
      } else {
        row_ = started_ ? row_ + 1 : 0;
      }
      if (row_ >= kPackageMaxRows) RaiseDamaged(part_, "it has more rows than a sheet can");
      started_ = true;
      next_col_ = 0;
    }
  }

  void EndElement(const XmlName& name) override {
    if (name.ns != Ns::kSheet) return;
    std::string_view n = name.local;
    if (!in_cell_) {
      // The cells are all read: the rest of the part (merged areas, page set-up) is not needed.
      if (n == "sheetData") done = true;
      return;
    }
    if (n == "v" || n == "t") {
      collect_ = kNothing;
    } else if (n == "is") {
      in_inline_ = false;
    } else if (n == "rPh") {
      --phonetic_;
    } else if (n == "c") {
      in_cell_ = false;
      EndCell();
    }
  }

  void Characters(std::string_view text) override {
    if (collect_ == kValue)
      value_.append(text);
    else if (collect_ == kInline)
      inline_.append(text);
  }

 private:
  enum Collect : std::uint8_t { kNothing, kValue, kInline };

  void StartCell(const XmlAttributes& a) {
    in_cell_ = true;
    has_value_ = has_inline_ = false;
    inline_.clear();
    phonetic_ = 0;
    if (auto r = a.Get(Ns::kNone, "r")) {
      std::uint32_t row, col;
      if (!ParseCellName(*r, row, col))
        RaiseDamaged(part_, "'" + std::string(*r) + "' is not a cell of a sheet");
      row_ = row;
      col_ = col;
      started_ = true;
    } else {
      col_ = next_col_;
      if (col_ >= kPackageMaxCols) RaiseDamaged(part_, "a row has more cells than a sheet can");
    }
    next_col_ = col_ + 1;
    // Copied: attribute texts live in the parser's buffer only during this call.
    type_.assign(a.Get(Ns::kNone, "t", "n"));
    style_ = 0;
    if (auto s = a.Get(Ns::kNone, "s")) style_ = ParseIndex(*s).value_or(0);
  }

  std::string CellName() const { return AreaText({row_, col_, row_, col_}); }

  void EndCell() {
    std::string_view t = type_;
    if (t == "inlineStr") {
      if (!has_inline_ && !has_value_) return;
      AddText(DecodeEscapes(has_inline_ ? std::string_view(inline_) : std::string_view(value_)));
      return;
    }
    if (!has_value_) return;  // a formula never calculated, or a cell with only a format
    if (t == "n") {
      auto v = ParseXmlNumber(value_);
      if (!v) {
        if (value_.find_first_not_of(" \t\r\n") == std::string::npos) return;
        RaiseDamaged(part_,
                     "cell " + CellName() + " holds '" + value_ + "' where a number belongs");
      }
      const CellFormat format =
          style_ < ctx_.formats->size() ? (*ctx_.formats)[style_] : CellFormat{};
      double number = *v;
      if (format.shows == Shows::kDate && ctx_.date1904) number += k1904Offset;
      cells_.AddNumber(row_, col_, number, format.shows != Shows::kNumber, format.code);
    } else if (t == "s") {
      auto index = ParseIndex(value_);
      if (!index || *index >= ctx_.shared_count)
        RaiseDamaged(part_, "cell " + CellName() + " refers to shared text " + value_ +
                                ", but the workbook has " + std::to_string(ctx_.shared_count));
      cells_.AddText(row_, col_, ctx_.shared_base + *index);
    } else if (t == "str") {
      AddText(DecodeEscapes(value_));
    } else if (t == "b") {
      if (value_ == "1" || value_ == "true")
        cells_.AddBoolean(row_, col_, true);
      else if (value_ == "0" || value_ == "false")
        cells_.AddBoolean(row_, col_, false);
      else
        RaiseDamaged(part_,
                     "cell " + CellName() + " holds '" + value_ + "' where TRUE or FALSE belongs");
    } else if (t == "e") {
      cells_.AddError(row_, col_, ErrorCodeOf(value_));
    } else if (t == "d") {
      auto serial = ParseIsoDateTime(value_);
      if (!serial)
        RaiseDamaged(part_, "cell " + CellName() + " holds '" + value_ + "' where a date belongs");
      const CellFormat format =
          style_ < ctx_.formats->size() ? (*ctx_.formats)[style_] : CellFormat{};
      cells_.AddNumber(row_, col_, *serial, true, format.code);
    } else {
      RaiseDamaged(part_, "cell " + CellName() + " has the unknown type '" + type_ + "'");
    }
  }

  void AddText(const std::string& text) { cells_.AddText(row_, col_, strings_.Add(text)); }

  const SheetContext& ctx_;
  std::string part_;
  SheetCells& cells_;
  StringTable& strings_;

  bool in_data_ = false, in_cell_ = false, in_inline_ = false, started_ = false;
  bool has_value_ = false, has_inline_ = false;
  Collect collect_ = kNothing;
  int phonetic_ = 0;
  std::uint32_t row_ = 0, col_ = 0, next_col_ = 0, style_ = 0;
  std::string type_;
  std::string value_, inline_;
};

class XlsxLoader : public SheetLoader {
 public:
  XlsxLoader(std::shared_ptr<ZipPackage> package, std::vector<std::string> parts,
             std::vector<CellFormat> formats, SheetContext context, std::string file_name)
      : package_(std::move(package)),
        parts_(std::move(parts)),
        formats_(std::move(formats)),
        context_(context),
        file_name_(std::move(file_name)) {
    context_.formats = &formats_;
  }

  void LoadSheet(std::size_t index, SheetCells& cells, StringTable& strings,
                 std::vector<std::string>& /*repairs*/) override {
    try {
      const std::string& part = parts_.at(index);
      if (part.empty())
        Raise(err::kWorkbookUnreadable,
              "the workbook lists sheet " + std::to_string(index + 1) + " without its part");
      SheetHandler handler(context_, part, cells, strings);
      ParseXmlPart(*package_, part, handler);
    } catch (Error& e) {
      e.InFile(file_name_);
      throw;
    }
  }

 private:
  std::shared_ptr<ZipPackage> package_;
  std::vector<std::string> parts_;
  std::vector<CellFormat> formats_;
  SheetContext context_;
  std::string file_name_;
};

SheetKind KindOf(std::string_view relationship_type) {
  if (relationship_type == "worksheet") return SheetKind::kWorksheet;
  if (relationship_type == "chartsheet") return SheetKind::kChart;
  if (relationship_type == "xlMacrosheet" || relationship_type == "xlIntlMacrosheet")
    return SheetKind::kMacroSheet;
  return SheetKind::kOther;
}

}  // namespace

std::shared_ptr<WorkbookModel> ReadXlsxWorkbook(std::shared_ptr<ZipPackage> package,
                                                std::string file_name) {
  ZipPackage& pkg = *package;
  auto book = std::make_shared<WorkbookModel>();

  // The workbook part: where the package relationships point, else where Excel puts it.
  std::vector<Relationship> package_rels = ReadRelationships(pkg, "");
  std::string main_part = "xl/workbook.xml";
  if (const Relationship* r = FindByType(package_rels, "officeDocument")) main_part = r->target;
  std::string content_type;
  if (pkg.Has("[Content_Types].xml")) {
    ContentTypesHandler types;
    ParseXmlPart(pkg, "[Content_Types].xml", types);
    content_type = types.Of(main_part);
  }
  book->format = WorkbookFormat(content_type);
  if (!pkg.Has(main_part))
    Raise(err::kWorkbookUnreadable, "the part " + main_part + " (the workbook) is missing");

  WorkbookHandler workbook(main_part);
  ParseXmlPart(pkg, main_part, workbook);
  std::vector<Relationship> rels = ReadRelationships(pkg, main_part);

  // Sheets in workbook order, each with the part that holds its cells.
  std::vector<std::string> parts;
  for (const RawSheet& raw : workbook.sheets) {
    SheetInfo info;
    info.name = raw.name;
    info.visible = raw.visible;
    info.max_rows = kPackageMaxRows;
    info.max_cols = kPackageMaxCols;
    std::string part;
    for (const Relationship& r : rels)
      if (r.id == raw.rel_id && !r.external) {
        info.kind = KindOf(r.type);
        part = r.target;
        break;
      }
    book->sheets.push_back(std::move(info));
    parts.push_back(std::move(part));
  }
  if (book->sheets.empty()) RaiseDamaged(main_part, "the workbook lists no sheets");
  book->active_sheet =
      workbook.active_tab && *workbook.active_tab < book->sheets.size() ? *workbook.active_tab : 0;
  book->date_system = workbook.date1904 ? DateSystem::k1904 : DateSystem::k1900;

  // Defined names: the user's in workbook order, then the application's own (_xlnm.).
  std::vector<NameInfo> builtins;
  for (const RawName& raw : workbook.names) {
    NameInfo n;
    n.builtin = raw.name.starts_with("_xlnm.");
    n.local_name = n.builtin ? raw.name.substr(6) : raw.name;
    n.hidden = raw.hidden;
    bool scope_ok = !raw.bad_scope && (!raw.local_sheet || *raw.local_sheet < book->sheets.size());
    if (raw.local_sheet && scope_ok) {
      n.scope_sheet = static_cast<int>(*raw.local_sheet);
      n.full_name = QuoteSheetName(book->sheets[*raw.local_sheet].name) + "!" + n.local_name;
    } else {
      n.full_name = n.local_name;
    }
    n.target = scope_ok ? ResolveA1Target(raw.formula, book->sheets)
                        : NameTarget::NotARange("it belongs to a sheet the workbook does not have");
    (n.builtin ? builtins : book->names).push_back(std::move(n));
  }
  for (NameInfo& n : builtins) book->names.push_back(std::move(n));

  StylesHandler styles;
  if (const Relationship* r = FindByType(rels, "styles"); r && pkg.Has(r->target))
    ParseXmlPart(pkg, r->target, styles);

  SheetContext context;
  context.date1904 = workbook.date1904;
  if (const Relationship* r = FindByType(rels, "sharedStrings"); r && pkg.Has(r->target)) {
    SharedStringsHandler shared(book->strings);
    context.shared_base = book->strings.Size();
    ParseXmlPart(pkg, r->target, shared);
    context.shared_count = shared.count;
  }

  book->has_number_formats = true;
  book->SetLoader(std::make_unique<XlsxLoader>(package, std::move(parts),
                                               styles.CellFormats(book->number_formats), context,
                                               std::move(file_name)));
  return book;
}

}  // namespace sheaver::xl
