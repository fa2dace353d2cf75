#include "spreadsheet/fast_xml.h"

#include <algorithm>
#include <cstring>

#include "runtime/ascii.h"
#include "runtime/error.h"
#include "spreadsheet/text_decode.h"

namespace sheaver::xl {
namespace {

constexpr std::string_view kInvalid = "not well-formed (invalid token)";

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool IsNameStart(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80;
}
bool IsNameChar(unsigned char c) {
  return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// The length of the UTF-8 sequence at p (lead byte 0x80 or above) when it is well-formed and
// encodes a character XML allows; 0 otherwise.
std::size_t Utf8Length(const unsigned char* p, const unsigned char* end) {
  unsigned char c = p[0];
  auto cont = [&](std::size_t i, unsigned char lo, unsigned char hi) {
    return p + i < end && p[i] >= lo && p[i] <= hi;
  };
  if (c >= 0xC2 && c <= 0xDF) return cont(1, 0x80, 0xBF) ? 2 : 0;
  if (c >= 0xE0 && c <= 0xEF) {
    unsigned char lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;  // no surrogates
    if (!cont(1, lo, hi) || !cont(2, 0x80, 0xBF)) return 0;
    if (c == 0xEF && p[1] == 0xBF && (p[2] == 0xBE || p[2] == 0xBF)) return 0;  // U+FFFE, U+FFFF
    return 3;
  }
  if (c >= 0xF0 && c <= 0xF4) {
    unsigned char lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
    return cont(1, lo, hi) && cont(2, 0x80, 0xBF) && cont(3, 0x80, 0xBF) ? 4 : 0;
  }
  return 0;
}

bool IsXmlChar(std::uint32_t cp) {
  return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
         (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

// Whether the inside of an XML declaration (after "<?xml", before "?>") reads
// ` version="1.0" [encoding="name"] [standalone="yes|no"] `.
bool WellFormedDeclaration(std::string_view d) {
  std::size_t i = 0;
  auto pseudo = [&](std::string_view name, std::string& value) {
    std::size_t start = i;
    while (i < d.size() && IsSpace(d[i])) ++i;
    if (i == start || !d.substr(i).starts_with(name)) {
      i = start;
      return false;
    }
    i += name.size();
    while (i < d.size() && IsSpace(d[i])) ++i;
    if (i >= d.size() || d[i] != '=') return false;
    ++i;
    while (i < d.size() && IsSpace(d[i])) ++i;
    if (i >= d.size() || (d[i] != '"' && d[i] != '\'')) return false;
    std::size_t close = d.find(d[i], i + 1);
    if (close == std::string_view::npos) return false;
    value = std::string(d.substr(i + 1, close - i - 1));
    i = close + 1;
    return true;
  };
  auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  std::string version, encoding, standalone;
  if (!pseudo("version", version) || version.empty()) return false;
  for (char c : version)
    if (!(letter(c) || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == ':' || c == '-'))
      return false;
  std::size_t before = i;
  if (pseudo("encoding", encoding)) {
    if (encoding.empty() || !letter(encoding[0])) return false;
    for (char c : encoding)
      if (!(letter(c) || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-')) return false;
  } else if (i != before) {
    return false;
  }
  before = i;
  if (pseudo("standalone", standalone)) {
    if (standalone != "yes" && standalone != "no") return false;
  } else if (i != before) {
    return false;
  }
  while (i < d.size() && IsSpace(d[i])) ++i;
  return i == d.size();
}

}  // namespace

bool IsUtf8Document(std::string_view head) {
  auto byte = [&](std::size_t i) {
    return i < head.size() ? static_cast<unsigned char>(head[i]) : 0x100u;
  };
  if ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF)) return false;
  if ((byte(0) == 0 && byte(1) == '<') || (byte(0) == '<' && byte(1) == 0)) return false;
  if (byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) head.remove_prefix(3);
  if (!head.starts_with("<?xml")) return true;
  std::string_view decl = head.substr(0, head.find("?>"));
  std::size_t at = decl.find("encoding");
  if (at == std::string_view::npos) return true;
  std::size_t quote = decl.find_first_of("\"'", at);
  if (quote == std::string_view::npos) return true;  // malformed: the built-in parser says so
  std::size_t close = decl.find(decl[quote], quote + 1);
  std::string name =
      LowerAscii(decl.substr(quote + 1, close == std::string_view::npos ? 0 : close - quote - 1));
  return name == "utf-8" || name == "utf8" || name == "us-ascii" || name == "ascii";
}

void FastXmlParser::Fail(std::size_t offset, std::string_view what) {
  offset = std::min(offset, buf_.size());
  std::uint64_t line = lines_before_ + 1, column = column_before_ + offset;
  for (std::size_t i = 0; i < offset; ++i)
    if (buf_[i] == '\n') {
      ++line;
      column = offset - i - 1;
    }
  Raise(err::kWorkbookUnreadable, "the part " + part_ + " is not well-formed XML (" +
                                      std::string(what) + " at line " + std::to_string(line) +
                                      ", column " + std::to_string(column + 1) + ")");
}

bool FastXmlParser::Feed(std::span<const char> chunk, bool is_final) {
  if (pos_ > 0) {
    // Drop what is parsed, remembering where in the document the rest begins.
    const char* last = nullptr;
    for (const char* p = buf_.data();
         (p = static_cast<const char*>(std::memchr(p, '\n', buf_.data() + pos_ - p))); ++p) {
      ++lines_before_;
      last = p;
    }
    column_before_ =
        last ? static_cast<std::uint64_t>(buf_.data() + pos_ - last - 1) : column_before_ + pos_;
    buf_.erase(0, pos_);
    pos_ = 0;
  }
  buf_.append(chunk.data(), chunk.size());
  while (!Done()) {
    if (Next(is_final) == Step::kNeedMore) break;
  }
  if (Done()) return false;
  if (is_final) {
    if (!root_seen_ || !open_.empty()) Fail(buf_.size(), "no element found");
  }
  return true;
}

FastXmlParser::Step FastXmlParser::Next(bool is_final) {
  if (!bom_checked_) {
    if (buf_.size() < 3 && !is_final) return Step::kNeedMore;
    bom_checked_ = true;
    if (buf_.size() >= 3 && static_cast<unsigned char>(buf_[0]) == 0xEF &&
        static_cast<unsigned char>(buf_[1]) == 0xBB && static_cast<unsigned char>(buf_[2]) == 0xBF)
      pos_ = 3;
  }
  if (pos_ >= buf_.size()) return Step::kNeedMore;
  Step step;
  if (buf_[pos_] != '<') {
    step = Text(is_final);
  } else if (pos_ + 1 >= buf_.size()) {
    if (is_final) Fail(pos_, "unclosed token");
    return Step::kNeedMore;
  } else if (buf_[pos_ + 1] == '/') {
    step = EndTag(is_final);
  } else if (buf_[pos_ + 1] == '?' || buf_[pos_ + 1] == '!') {
    step = Markup(is_final);
  } else {
    step = StartTag(is_final);
  }
  if (step == Step::kToken) {
    at_start_ = false;
    resume_ = 0;
    quote_ = 0;
  }
  return step;
}

FastXmlParser::Step FastXmlParser::Text(bool is_final) {
  const char* base = buf_.data();
  const char* lt = static_cast<const char*>(
      std::memchr(base + pos_ + resume_, '<', buf_.size() - pos_ - resume_));
  if (!lt && !is_final) {
    if (buf_.size() - pos_ > kMaxToken) Fail(pos_, "a text longer than 32 MiB");
    resume_ = buf_.size() - pos_;
    return Step::kNeedMore;
  }
  std::size_t end = lt ? static_cast<std::size_t>(lt - base) : buf_.size();
  if (open_.empty()) {
    for (std::size_t i = pos_; i < end; ++i)
      if (!IsSpace(buf_[i])) Fail(i, root_closed_ ? "junk after document element" : "syntax error");
  } else {
    EmitText(pos_, end);
  }
  pos_ = end;
  return Step::kToken;
}

void FastXmlParser::EmitText(std::size_t begin, std::size_t end) {
  bool decode = false, check = false;
  for (std::size_t i = begin; i < end; ++i) {
    unsigned char c = static_cast<unsigned char>(buf_[i]);
    if (c == '&' || c == '\r')
      decode = true;
    else if (c >= 0x80 || c == ']' || (c < 0x20 && c != '\t' && c != '\n'))
      check = true;
  }
  if (check) {
    std::string_view text(buf_.data() + begin, end - begin);
    if (std::size_t at = text.find("]]>"); at != std::string_view::npos) Fail(begin + at, kInvalid);
  }
  if (decode) {
    Decode(begin, end, text_, false);
    handler_.Characters(text_);
    return;
  }
  if (check) CheckCharacters(begin, end);
  handler_.Characters(std::string_view(buf_.data() + begin, end - begin));
}

void FastXmlParser::CheckCharacters(std::size_t begin, std::size_t end) {
  const auto* p = reinterpret_cast<const unsigned char*>(buf_.data());
  for (std::size_t i = begin; i < end;) {
    unsigned char c = p[i];
    if (c < 0x80) {
      if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') Fail(i, kInvalid);
      ++i;
      continue;
    }
    std::size_t n = Utf8Length(p + i, p + end);
    if (n == 0) Fail(i, kInvalid);
    i += n;
  }
}

void FastXmlParser::Decode(std::size_t begin, std::size_t end, std::string& out, bool attribute) {
  out.clear();
  const auto* p = reinterpret_cast<const unsigned char*>(buf_.data());
  for (std::size_t i = begin; i < end;) {
    unsigned char c = p[i];
    if (c == '&') {
      std::size_t semi = i + 1;
      while (semi < end && semi - i <= 12 && p[semi] != ';') ++semi;
      if (semi >= end || p[semi] != ';') Fail(i, kInvalid);
      std::string_view name(buf_.data() + i + 1, semi - i - 1);
      if (!name.empty() && name[0] == '#') {
        std::uint32_t cp = 0;
        bool hex = name.size() > 1 && name[1] == 'x';
        std::string_view digits = name.substr(hex ? 2 : 1);
        if (digits.empty()) Fail(i, kInvalid);
        for (char d : digits) {
          int v = d >= '0' && d <= '9'          ? d - '0'
                  : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                  : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                                : -1;
          if (v < 0) Fail(i, kInvalid);
          cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
          if (cp > 0x10FFFF) break;
        }
        if (!IsXmlChar(cp)) Fail(i, "reference to invalid character number");
        AppendUtf8(out, static_cast<char32_t>(cp));
      } else if (name == "lt") {
        out += '<';
      } else if (name == "gt") {
        out += '>';
      } else if (name == "amp") {
        out += '&';
      } else if (name == "quot") {
        out += '"';
      } else if (name == "apos") {
        out += '\'';
      } else {
        Fail(i, "undefined entity");
      }
      i = semi + 1;
    } else if (c == '\r') {
      // A line end is one line feed whichever way it is written.
      out += attribute ? ' ' : '\n';
      i += (i + 1 < end && p[i + 1] == '\n') ? 2 : 1;
    } else if (c < 0x80) {
      if (c < 0x20 && c != '\t' && c != '\n') Fail(i, kInvalid);
      if (attribute && c == '<') Fail(i, kInvalid);
      out += (attribute && (c == '\t' || c == '\n')) ? ' ' : static_cast<char>(c);
      ++i;
    } else {
      std::size_t n = Utf8Length(p + i, p + end);
      if (n == 0) Fail(i, kInvalid);
      out.append(buf_.data() + i, n);
      i += n;
    }
  }
}

Ns FastXmlParser::Resolve(std::string_view prefix, bool& found) {
  found = true;
  if (prefix == "xml") return Ns::kXml;
  for (auto it = bindings_.rbegin(); it != bindings_.rend(); ++it)
    if (it->prefix == prefix) {
      if (it->empty_uri) break;
      return it->ns;
    }
  if (prefix.empty()) return Ns::kNone;
  found = false;
  return Ns::kNone;
}

bool FastXmlParser::ReadTag(std::size_t limit, std::size_t& gt, bool& empty,
                            std::size_t& name_length) {
  const char* b = buf_.data();
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(b[k]); };
  std::size_t j = pos_ + 1;
  if (j >= limit) return false;
  if (!IsNameStart(byte(j))) Fail(j, kInvalid);
  while (j < limit && IsNameChar(byte(j))) ++j;
  if (j >= limit) return false;
  name_length = j - pos_ - 1;
  CheckCharacters(pos_ + 1, j);
  raw_.clear();
  scratch_.clear();
  for (;;) {
    std::size_t ws = j;
    while (j < limit && IsSpace(b[j])) ++j;
    if (j >= limit) return false;
    if (b[j] == '>') {
      gt = j;
      empty = false;
      return true;
    }
    if (b[j] == '/') {
      if (j + 1 >= limit) return false;
      if (b[j + 1] != '>') Fail(j, kInvalid);
      gt = j + 1;
      empty = true;
      return true;
    }
    if (j == ws) Fail(j, kInvalid);  // attributes are separated by white space
    if (!IsNameStart(byte(j))) Fail(j, kInvalid);
    std::size_t attr_begin = j;
    while (j < limit && IsNameChar(byte(j))) ++j;
    std::size_t attr_length = j - attr_begin;
    while (j < limit && IsSpace(b[j])) ++j;
    if (j >= limit) return false;
    CheckCharacters(attr_begin, attr_begin + attr_length);
    if (b[j] != '=') Fail(j, kInvalid);
    ++j;
    while (j < limit && IsSpace(b[j])) ++j;
    if (j >= limit) return false;
    if (b[j] != '"' && b[j] != '\'') Fail(j, kInvalid);
    char q = b[j];
    const char* close = static_cast<const char*>(std::memchr(b + j + 1, q, limit - j - 1));
    if (!close) return false;
    std::size_t value_begin = j + 1, value_end = static_cast<std::size_t>(close - b);
    bool special = false;
    for (std::size_t k = value_begin; k < value_end; ++k) {
      unsigned char c = byte(k);
      if (c == '&' || c == '<' || c < 0x20 || c >= 0x80) {
        special = true;
        break;
      }
    }
    // Filled in place: building it aside and copying it in stalls on the copy.
    RawAttribute& raw = raw_.emplace_back();
    raw.name = attr_begin;
    raw.name_length = attr_length;
    raw.value = value_begin;
    raw.value_length = value_end - value_begin;
    raw.decoded = special;
    if (special) {
      raw.value = scratch_.size();
      Decode(value_begin, value_end, text_, true);
      scratch_ += text_;
      raw.value_length = text_.size();
    }
    j = value_end + 1;
  }
}

FastXmlParser::Step FastXmlParser::StartTag(bool is_final) {
  // Most tags lie whole in the buffer and are read in one go. One cut by the end of the buffer
  // is scanned for its end (the first ">" outside quotes), resuming where the scan stopped as
  // more arrives, and read once it is whole.
  std::size_t gt = 0, name_length = 0;
  bool empty = false;
  if (resume_ != 0 || quote_ != 0 || !ReadTag(buf_.size(), gt, empty, name_length)) {
    std::size_t i = pos_ + 1 + resume_;
    char quote = quote_;
    const char* data = buf_.data();
    const std::size_t size = buf_.size();
    while (i < size) {
      if (quote) {
        const char* close = static_cast<const char*>(std::memchr(data + i, quote, size - i));
        if (!close) {
          i = size;
          break;
        }
        i = static_cast<std::size_t>(close - data) + 1;
        quote = 0;
        continue;
      }
      char c = data[i];
      if (c == '>') break;
      if (c == '"' || c == '\'') quote = c;
      ++i;
    }
    if (i >= size) {
      if (is_final) Fail(pos_, "unclosed token");
      if (size - pos_ > kMaxToken) Fail(pos_, "a tag longer than 32 MiB");
      resume_ = size - pos_ - 1;
      quote_ = quote;
      return Step::kNeedMore;
    }
    // A ">" outside quotes ends the tag: reading it either succeeds or fails on bad syntax.
    if (!ReadTag(i + 1, gt, empty, name_length)) Fail(pos_, kInvalid);
  }
  if (root_closed_) Fail(pos_, "junk after document element");
  if (open_.size() >= kMaxXmlDepth) Fail(pos_, "elements nested more than 4096 deep");
  const char* b = buf_.data();
  const std::size_t name_begin = pos_ + 1;

  // Namespace declarations first: they apply to the element's own name and attributes.
  const std::size_t bindings_before = bindings_.size();
  auto raw_name = [&](const RawAttribute& r) {
    return std::string_view(b + r.name, r.name_length);
  };
  auto raw_value = [&](const RawAttribute& r) {
    return r.decoded ? std::string_view(scratch_).substr(r.value, r.value_length)
                     : std::string_view(b + r.value, r.value_length);
  };
  for (std::size_t k = 0; k < raw_.size(); ++k) {
    std::string_view name = raw_name(raw_[k]);
    for (std::size_t m = 0; m < k; ++m)
      if (raw_name(raw_[m]) == name) Fail(raw_[k].name, "duplicate attribute");
    if (name == "xmlns") {
      bindings_.push_back(
          {std::string(), NamespaceOf(raw_value(raw_[k])), raw_value(raw_[k]).empty()});
    } else if (name.starts_with("xmlns:")) {
      if (raw_value(raw_[k]).empty()) Fail(raw_[k].name, "must not undeclare prefix");
      bindings_.push_back({std::string(name.substr(6)), NamespaceOf(raw_value(raw_[k])), false});
    }
  }

  // The element's name: prefix and local part.
  std::string_view qname(b + name_begin, name_length);
  std::size_t colon = qname.find(':');
  std::string_view prefix =
      colon == std::string_view::npos ? std::string_view() : qname.substr(0, colon);
  std::size_t local_offset = colon == std::string_view::npos ? 0 : colon + 1;
  if (colon != std::string_view::npos && (colon == 0 || local_offset >= qname.size() ||
                                          qname.find(':', local_offset) != std::string_view::npos))
    Fail(name_begin, kInvalid);
  bool found;
  Ns ns = Resolve(prefix, found);
  if (!found) Fail(name_begin, "unbound prefix");

  attributes_.clear();
  for (const RawAttribute& r : raw_) {
    std::string_view name = raw_name(r);
    if (name == "xmlns" || name.starts_with("xmlns:")) continue;
    std::size_t c = name.find(':');
    XmlAttribute a;
    a.value = raw_value(r);
    if (c == std::string_view::npos) {
      a.local = name;
    } else {
      if (c == 0 || c + 1 >= name.size() || name.find(':', c + 1) != std::string_view::npos)
        Fail(r.name, kInvalid);
      a.ns = Resolve(name.substr(0, c), found);
      if (!found) Fail(r.name, "unbound prefix");
      a.local = name.substr(c + 1);
    }
    attributes_.push_back(a);
  }

  root_seen_ = true;
  open_.push_back({names_.size(), name_length, local_offset, bindings_before, ns});
  names_.append(qname);
  pos_ = gt + 1;
  handler_.StartElement(XmlName{ns, qname.substr(local_offset)}, XmlAttributes(attributes_));
  if (empty && !Done()) {
    handler_.EndElement(
        XmlName{ns, std::string_view(names_).substr(open_.back().name_start + local_offset)});
    names_.resize(open_.back().name_start);
    bindings_.resize(bindings_before);
    open_.pop_back();
    if (open_.empty()) root_closed_ = true;
  }
  return Step::kToken;
}

FastXmlParser::Step FastXmlParser::EndTag(bool is_final) {
  std::size_t from = pos_ + 2 + resume_;
  const char* gt =
      static_cast<const char*>(std::memchr(buf_.data() + from, '>', buf_.size() - from));
  if (!gt) {
    if (is_final) Fail(pos_, "unclosed token");
    if (buf_.size() - pos_ > kMaxToken) Fail(pos_, "a tag longer than 32 MiB");
    resume_ = buf_.size() - pos_ - 2;
    return Step::kNeedMore;
  }
  std::size_t end = static_cast<std::size_t>(gt - buf_.data());
  std::size_t name_end = end;
  while (name_end > pos_ + 2 && IsSpace(buf_[name_end - 1])) --name_end;
  std::string_view name(buf_.data() + pos_ + 2, name_end - pos_ - 2);
  if (open_.empty()) Fail(pos_ + 2, "mismatched tag");
  const Open top = open_.back();
  if (std::string_view(names_).substr(top.name_start, top.name_length) != name)
    Fail(pos_ + 2, "mismatched tag");
  pos_ = end + 1;
  handler_.EndElement(
      XmlName{top.ns, std::string_view(names_).substr(top.name_start + top.local_offset,
                                                      top.name_length - top.local_offset)});
  names_.resize(top.name_start);
  bindings_.resize(top.bindings);
  open_.pop_back();
  if (open_.empty()) root_closed_ = true;
  return Step::kToken;
}

FastXmlParser::Step FastXmlParser::Markup(bool is_final) {
  std::string_view rest(buf_.data() + pos_, buf_.size() - pos_);
  // Waits for more bytes or fails at the end of the document.
  auto need_more = [&](std::size_t scanned) {
    if (is_final) Fail(pos_, "unclosed token");
    if (rest.size() > kMaxToken) Fail(pos_, "a tag longer than 32 MiB");
    resume_ = scanned;
    return Step::kNeedMore;
  };
  auto find_end = [&](std::string_view terminator, std::size_t from) {
    std::size_t start = std::max(from, resume_);
    return rest.find(terminator, start);
  };
  if (rest[1] == '?') {
    std::size_t close = find_end("?>", 2);
    if (close == std::string_view::npos) return need_more(rest.size() - 1);
    std::size_t t = 2;
    while (t < close && IsNameChar(static_cast<unsigned char>(rest[t]))) ++t;
    std::string_view target = rest.substr(2, t - 2);
    if (target.empty() || (t < close && !IsSpace(rest[t]))) Fail(pos_ + 2, kInvalid);
    if (LowerAscii(target) == "xml") {
      if (!at_start_ || target != "xml")
        Fail(pos_, "XML or text declaration not at start of entity");
      if (!WellFormedDeclaration(rest.substr(t, close - t)))
        Fail(pos_, "XML declaration not well-formed");
    }
    CheckCharacters(pos_ + t, pos_ + close);
    pos_ += close + 2;
    return Step::kToken;
  }
  // "<!": a comment, a CDATA section or a document type declaration.
  for (std::string_view start :
       {std::string_view("<!--"), std::string_view("<![CDATA["), std::string_view("<!DOCTYPE")}) {
    if (rest.size() < start.size() && start.starts_with(rest)) return need_more(0);
  }
  if (rest.starts_with("<!--")) {
    std::size_t close = find_end("-->", 4);
    if (close == std::string_view::npos) return need_more(rest.size() - 2);
    CheckCharacters(pos_ + 4, pos_ + close);
    pos_ += close + 3;
    return Step::kToken;
  }
  if (rest.starts_with("<![CDATA[")) {
    if (open_.empty()) Fail(pos_, "syntax error");
    std::size_t close = find_end("]]>", 9);
    if (close == std::string_view::npos) return need_more(rest.size() - 2);
    std::size_t begin = pos_ + 9, end = pos_ + close;
    CheckCharacters(begin, end);
    std::string_view text(buf_.data() + begin, end - begin);
    if (text.find('\r') == std::string_view::npos) {
      handler_.Characters(text);
    } else {
      text_.clear();
      for (std::size_t k = 0; k < text.size(); ++k) {
        if (text[k] != '\r') {
          text_ += text[k];
        } else {
          text_ += '\n';
          if (k + 1 < text.size() && text[k + 1] == '\n') ++k;
        }
      }
      handler_.Characters(text_);
    }
    pos_ += close + 3;
    return Step::kToken;
  }
  if (rest.starts_with("<!DOCTYPE")) RaiseDoctype(part_);
  Fail(pos_, "syntax error");
}

void RaiseDoctype(std::string_view part) {
  Raise(err::kWorkbookUnreadable,
        "the part " + std::string(part) +
            " declares a document type (DOCTYPE); workbook parts never do, and "
            "its entity declarations are refused");
}

}  // namespace sheaver::xl
