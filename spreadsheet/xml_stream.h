// Streaming XML for the parts of .xlsx and .ods packages: the parser (expat) reads a part chunk
// by chunk as it inflates and calls a handler for each element and each run of text, so memory
// stays proportional to what the handler keeps, not to the size of the part. Names come with
// their namespace reduced to a small code; the Strict and Transitional spellings of one
// namespace get the same code. A document type declaration (and with it every entity
// declaration) is refused, never expanded.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sheaver::xl {

class ZipPackage;

// The namespaces the readers look at.
enum class Ns : std::uint8_t {
  kNone,          // no namespace
  kOther,         // a namespace not listed here
  kSheet,         // SpreadsheetML main (Transitional and Strict)
  kDocRels,       // relationship ids in documents (r:id)
  kPackageRels,   // a package's relationship parts
  kContentTypes,  // [Content_Types].xml
  kOffice,        // ODF office:
  kTable,         // ODF table:
  kText,          // ODF text:
  kConfig,        // ODF config:
  kManifest,      // ODF manifest:
  kCalcExt,       // LibreOffice's calcext: extension
  kDraw,          // ODF draw: (shapes and frames)
  kStyle,         // ODF style:
  kNumber,        // ODF number: (data styles)
  kXml,           // the xml: prefix
};

// Which namespace a URI names (kOther for one not listed, kNone for the empty URI).
Ns NamespaceOf(std::string_view uri);

struct XmlName {
  Ns ns = Ns::kNone;
  std::string_view local;
  bool Is(Ns n, std::string_view l) const { return ns == n && local == l; }
};

// One attribute of an element, its name resolved to a namespace.
struct XmlAttribute {
  Ns ns = Ns::kNone;
  std::string_view local;
  std::string_view value;
};

// The attributes of one element, valid during the handler call only. Namespace declarations
// (xmlns) are not among them.
class XmlAttributes {
 public:
  explicit XmlAttributes(std::span<const XmlAttribute> list) : list_(list) {}
  // The value of an attribute, or nullopt when the element does not have it.
  std::optional<std::string_view> Get(Ns ns, std::string_view local) const {
    for (const XmlAttribute& a : list_)
      if (a.local == local && a.ns == ns) return a.value;
    return std::nullopt;
  }
  // The value of an attribute, or `fallback` when the element does not have it.
  std::string_view Get(Ns ns, std::string_view local, std::string_view fallback) const {
    return Get(ns, local).value_or(fallback);
  }
  std::span<const XmlAttribute> All() const { return list_; }

 private:
  std::span<const XmlAttribute> list_;
};

// Receives the events of one part in document order.
class XmlHandler {
 public:
  virtual ~XmlHandler() = default;
  virtual void StartElement(const XmlName& name, const XmlAttributes& attributes) = 0;
  virtual void EndElement(const XmlName& name) = 0;
  // A run of character data; one text may arrive in several runs.
  virtual void Characters(std::string_view) {}
  // A handler that has all it needs sets this; parsing then stops after the current event.
  bool done = false;
};

// Which parser reads a part: the built-in one for UTF-8 (nearly every part: it is several
// times faster), expat for every other encoding. Tests and fuzzing may pick one.
enum class XmlParser { kAuto, kBuiltIn, kExpat };

// Elements may nest this deep; deeper nesting (no workbook comes near it) is refused, so that
// a part of nothing but start tags cannot fill memory.
inline constexpr std::size_t kMaxXmlDepth = 4096;

// Parses the part `part` of a package, streaming it. Raises 1005 naming the part when it is
// missing or damaged (see ZipPackage::Stream), not well-formed XML (with line and column), or
// has a document type declaration; errors the handler raises pass through unchanged.
void ParseXmlPart(ZipPackage& package, std::string_view part, XmlHandler& handler,
                  XmlParser parser = XmlParser::kAuto);

// The same over XML held in memory; `part` names it in errors.
void ParseXmlText(std::string_view xml, std::string_view part, XmlHandler& handler,
                  XmlParser parser = XmlParser::kAuto);

}  // namespace sheaver::xl
