// A streaming XML parser for UTF-8 documents, written for the large parts of workbook packages
// (sheet data, shared strings): it hands out names, attribute values and texts as views into
// its buffer where no entity or line end needs decoding, which makes it several times faster
// than a general parser. It checks what makes XML well-formed (matching tags, one root, quoted
// attributes, known entities, valid UTF-8 and XML characters, bound namespace prefixes), refuses
// document type declarations, and never expands anything but the five predefined entities and
// character references. Parts in another encoding go to expat instead (see xml_stream.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/xml_stream.h"

namespace sheaver::xl {

// Whether a document that starts with `head` is UTF-8: no UTF-16 byte-order mark or layout,
// and an XML declaration that names UTF-8 (or US-ASCII) or no encoding at all.
bool IsUtf8Document(std::string_view head);

// Raises 1005: the part has a document type declaration, which is refused.
[[noreturn]] void RaiseDoctype(std::string_view part);

class FastXmlParser {
 public:
  // A text or tag may be this long; longer ones are refused (a cell holds 32767 characters).
  static constexpr std::size_t kMaxToken = std::size_t{32} << 20;

  FastXmlParser(std::string_view part, XmlHandler& handler) : part_(part), handler_(handler) {}

  // Parses one more chunk of the document (the last one with is_final). Returns false once the
  // handler is done. Raises 1005 naming the part, the line and the column for XML that is not
  // well-formed; the handler's own errors pass through.
  bool Feed(std::span<const char> chunk, bool is_final);

 private:
  enum class Step { kToken, kNeedMore };
  struct Open {
    std::size_t name_start;  // the element's qualified name in names_
    std::size_t name_length;
    std::size_t local_offset;  // where its local part starts within the name
    std::size_t bindings;      // bindings_.size() before its namespace declarations
    Ns ns;
  };
  struct Binding {
    std::string prefix;
    Ns ns;
    bool empty_uri;
  };
  struct RawAttribute {
    std::size_t name, name_length;    // offsets into buf_
    std::size_t value, value_length;  // offsets into buf_, or into scratch_ when decoded
    bool decoded;
  };

  Step Next(bool is_final);
  Step Text(bool is_final);
  Step StartTag(bool is_final);
  // Reads a start tag's name and attributes from pos_ within buf_[.., limit): true once its end
  // is found (gt at its ">", empty for "/>"), false when the tag runs on past limit.
  bool ReadTag(std::size_t limit, std::size_t& gt, bool& empty, std::size_t& name_length);
  Step EndTag(bool is_final);
  Step Markup(bool is_final);
  void EmitText(std::size_t begin, std::size_t end);
  // Decodes references and line ends of buf_[begin, end) into out, checking the characters;
  // `attribute` also turns white space into spaces.
  void Decode(std::size_t begin, std::size_t end, std::string& out, bool attribute);
  void CheckCharacters(std::size_t begin, std::size_t end);
  // The namespace a prefix is bound to where the parser stands; found is false for an unbound
  // prefix.
  Ns Resolve(std::string_view prefix, bool& found);
  [[noreturn]] void Fail(std::size_t offset, std::string_view what);
  bool Done() const { return handler_.done; }

  std::string part_;
  XmlHandler& handler_;
  std::string buf_;
  std::size_t pos_ = 0;
  bool at_start_ = true;  // nothing but a byte-order mark read yet
  bool bom_checked_ = false;
  std::size_t resume_ = 0;  // how far the scan for the end of the current token got
  char quote_ = 0;          // the quote a start tag's scan stopped inside
  bool root_seen_ = false;
  bool root_closed_ = false;
  std::uint64_t lines_before_ = 0;   // line ends in the bytes dropped from buf_
  std::uint64_t column_before_ = 0;  // bytes since the last line end at the start of buf_

  std::vector<Open> open_;
  std::string names_;  // the qualified names of the open elements, one after another
  std::vector<Binding> bindings_;
  std::vector<RawAttribute> raw_;
  std::vector<XmlAttribute> attributes_;
  std::string scratch_;  // decoded attribute values
  std::string text_;     // decoded text
};

}  // namespace sheaver::xl
