#include "spreadsheet/xml_stream.h"

#include <expat.h>

#include <array>
#include <cstring>
#include <exception>
#include <optional>
#include <vector>

#include "runtime/ascii.h"
#include "runtime/error.h"
#include "spreadsheet/fast_xml.h"
#include "spreadsheet/zip_package.h"

namespace sheaver::xl {
namespace {

constexpr char kSeparator = '|';

struct KnownNamespace {
  std::string_view uri;
  Ns ns;
};

constexpr std::array<KnownNamespace, 16> kKnown{{
    {"http://schemas.openxmlformats.org/spreadsheetml/2006/main", Ns::kSheet},
    {"http://purl.oclc.org/ooxml/spreadsheetml/main", Ns::kSheet},
    {"http://schemas.openxmlformats.org/officeDocument/2006/relationships", Ns::kDocRels},
    {"http://purl.oclc.org/ooxml/officeDocument/relationships", Ns::kDocRels},
    {"http://schemas.openxmlformats.org/package/2006/relationships", Ns::kPackageRels},
    {"http://schemas.openxmlformats.org/package/2006/content-types", Ns::kContentTypes},
    {"urn:oasis:names:tc:opendocument:xmlns:office:1.0", Ns::kOffice},
    {"urn:oasis:names:tc:opendocument:xmlns:table:1.0", Ns::kTable},
    {"urn:oasis:names:tc:opendocument:xmlns:text:1.0", Ns::kText},
    {"urn:oasis:names:tc:opendocument:xmlns:config:1.0", Ns::kConfig},
    {"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0", Ns::kManifest},
    {"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0", Ns::kCalcExt},
    {"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0", Ns::kDraw},
    {"urn:oasis:names:tc:opendocument:xmlns:style:1.0", Ns::kStyle},
    {"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0", Ns::kNumber},
    {"http://www.w3.org/XML/1998/namespace", Ns::kXml},
}};

// Splits expat's "uri|local" (or a bare "local") into namespace and local name. The last URI
// seen is remembered: a part uses one or two namespaces for nearly all of its elements.
class NameSplitter {
 public:
  XmlName Split(const char* raw) {
    std::string_view s(raw);
    std::size_t bar = s.rfind(kSeparator);
    if (bar == std::string_view::npos) return {Ns::kNone, s};
    std::string_view uri = s.substr(0, bar);
    if (uri != last_uri_) {
      last_uri_.assign(uri);
      last_ns_ = NamespaceOf(uri);
    }
    return {last_ns_, s.substr(bar + 1)};
  }

 private:
  std::string last_uri_;
  Ns last_ns_ = Ns::kNone;
};

// Windows-1252, the one 8-bit encoding besides Latin-1 that workbook XML is found in: the
// characters of 0x80-0x9F (-1 where the code page has none).
constexpr std::array<int, 32> kCp1252High{
    0x20AC, -1,     0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, -1,     0x017D, -1,     -1,     0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, -1,     0x017E, 0x0178};

int XMLCALL UnknownEncoding(void*, const XML_Char* name, XML_Encoding* info) {
  const std::string lower = LowerAscii(name);
  if (lower != "windows-1252" && lower != "cp1252" && lower != "x-cp1252") return XML_STATUS_ERROR;
  for (int i = 0; i < 256; ++i) info->map[i] = (i >= 0x80 && i < 0xA0) ? kCp1252High[i - 0x80] : i;
  info->data = nullptr;
  info->convert = nullptr;
  info->release = nullptr;
  return XML_STATUS_OK;
}

class Parser {
 public:
  Parser(std::string_view part, XmlHandler& handler) : part_(part), handler_(handler) {
    parser_ = XML_ParserCreateNS(nullptr, kSeparator);
    if (!parser_) Raise(err::kOutOfMemory);
    XML_SetUserData(parser_, this);
    XML_SetElementHandler(parser_, &Parser::OnStart, &Parser::OnEnd);
    XML_SetCharacterDataHandler(parser_, &Parser::OnText);
    XML_SetStartDoctypeDeclHandler(parser_, &Parser::OnDoctype);
    XML_SetEntityDeclHandler(parser_, &Parser::OnEntity);
    XML_SetUnknownEncodingHandler(parser_, &UnknownEncoding, nullptr);
    XML_SetParamEntityParsing(parser_, XML_PARAM_ENTITY_PARSING_NEVER);
  }
  ~Parser() { XML_ParserFree(parser_); }
  Parser(const Parser&) = delete;
  Parser& operator=(const Parser&) = delete;

  // Feeds one chunk (the last one with is_final); false once parsing has stopped early.
  bool Feed(std::span<const char> chunk, bool is_final) {
    std::size_t offset = 0;
    // XML_Parse takes an int length: hand over very large texts in pieces.
    do {
      std::size_t n = std::min<std::size_t>(chunk.size() - offset, 1u << 30);
      bool last = is_final && offset + n == chunk.size();
      XML_Status status = XML_Parse(parser_, chunk.data() + offset, static_cast<int>(n), last);
      offset += n;
      if (status != XML_STATUS_OK) {
        if (failure_) std::rethrow_exception(failure_);
        if (handler_.done && XML_GetErrorCode(parser_) == XML_ERROR_ABORTED) return false;
        RaiseNotWellFormed();
      }
      if (handler_.done) return false;
    } while (offset < chunk.size());
    return true;
  }

 private:
  [[noreturn]] void RaiseNotWellFormed() {
    XML_Error code = XML_GetErrorCode(parser_);
    std::string what = XML_ErrorString(code);
    Raise(err::kWorkbookUnreadable,
          "the part " + std::string(part_) + " is not well-formed XML (" + what + " at line " +
              std::to_string(XML_GetCurrentLineNumber(parser_)) + ", column " +
              std::to_string(XML_GetCurrentColumnNumber(parser_) + 1) + ")");
  }

  // Runs a handler call, turning an exception into a stop: exceptions must not cross expat.
  template <class F>
  void Guard(F&& f) {
    if (failure_ || handler_.done) return;
    try {
      f();
    } catch (...) {
      failure_ = std::current_exception();
    }
    if (failure_ || handler_.done) XML_StopParser(parser_, XML_FALSE);
  }

  static void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* self = static_cast<Parser*>(data);
    self->Guard([&] {
      if (++self->depth_ > kMaxXmlDepth)
        Raise(err::kWorkbookUnreadable,
              "the part " + std::string(self->part_) +
                  " is not well-formed XML (elements nested more than 4096 deep)");
      XmlName n = self->names_.Split(name);
      self->attributes_.clear();
      for (const XML_Char** a = attributes; a[0]; a += 2) {
        XmlName an = self->attribute_names_.Split(a[0]);
        self->attributes_.push_back({an.ns, an.local, a[1]});
      }
      self->handler_.StartElement(n, XmlAttributes(self->attributes_));
    });
  }
  static void XMLCALL OnEnd(void* data, const XML_Char* name) {
    auto* self = static_cast<Parser*>(data);
    --self->depth_;
    self->Guard([&] { self->handler_.EndElement(self->names_.Split(name)); });
  }
  static void XMLCALL OnText(void* data, const XML_Char* text, int length) {
    auto* self = static_cast<Parser*>(data);
    self->Guard([&] {
      self->handler_.Characters(std::string_view(text, static_cast<std::size_t>(length)));
    });
  }
  static void XMLCALL OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*,
                                int) {
    auto* self = static_cast<Parser*>(data);
    self->Refuse();
  }
  static void XMLCALL OnEntity(void* data, const XML_Char*, int, const XML_Char*, int,
                               const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*) {
    static_cast<Parser*>(data)->Refuse();
  }
  void Refuse() {
    if (!failure_)
      failure_ = std::make_exception_ptr(
          Error(err::kWorkbookUnreadable,
                "the part " + std::string(part_) +
                    " declares a document type (DOCTYPE); workbook parts never do, and its entity "
                    "declarations are refused"));
    XML_StopParser(parser_, XML_FALSE);
  }

  std::string_view part_;
  XmlHandler& handler_;
  XML_Parser parser_ = nullptr;
  NameSplitter names_, attribute_names_;
  std::vector<XmlAttribute> attributes_;
  std::size_t depth_ = 0;
  std::exception_ptr failure_;
};

}  // namespace

Ns NamespaceOf(std::string_view uri) {
  if (uri.empty()) return Ns::kNone;
  for (const KnownNamespace& k : kKnown)
    if (k.uri == uri) return k.ns;
  return Ns::kOther;
}

namespace {

// Feeds chunks to the parser chosen by the first chunk: expat for a document that is not UTF-8.
class AnyParser {
 public:
  AnyParser(std::string_view part, XmlHandler& handler, XmlParser choice)
      : part_(part), handler_(handler), choice_(choice) {}
  bool Feed(std::span<const char> chunk, bool is_final) {
    if (!fast_ && !expat_) {
      bool utf8 = IsUtf8Document(std::string_view(chunk.data(), chunk.size()));
      if (choice_ == XmlParser::kBuiltIn || (choice_ == XmlParser::kAuto && utf8))
        fast_.emplace(part_, handler_);
      else
        expat_.emplace(part_, handler_);
    }
    return fast_ ? fast_->Feed(chunk, is_final) : expat_->Feed(chunk, is_final);
  }

 private:
  std::string_view part_;
  XmlHandler& handler_;
  XmlParser choice_;
  std::optional<FastXmlParser> fast_;
  std::optional<Parser> expat_;
};

}  // namespace

void ParseXmlPart(ZipPackage& package, std::string_view part, XmlHandler& handler,
                  XmlParser choice) {
  AnyParser parser(part, handler, choice);
  bool more = true;
  package.Stream(part, [&](std::span<const char> chunk) {
    more = parser.Feed(chunk, false);
    return more;
  });
  if (more) parser.Feed({}, true);
}

void ParseXmlText(std::string_view xml, std::string_view part, XmlHandler& handler,
                  XmlParser choice) {
  AnyParser parser(part, handler, choice);
  parser.Feed(std::span<const char>(xml.data(), xml.size()), true);
}

}  // namespace sheaver::xl
