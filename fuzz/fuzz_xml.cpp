// Parses fuzzed XML with the built-in parser and with expat: what expat reads, the built-in
// parser must read too, with the same elements, attributes and text. The input is fed to the
// built-in parser in chunks whose size its first byte chooses, to exercise tokens cut between
// chunks.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "runtime/error.h"
#include "spreadsheet/fast_xml.h"
#include "spreadsheet/xml_stream.h"

namespace {

using namespace sheaver::xl;

class Recorder : public XmlHandler {
 public:
  void StartElement(const XmlName& name, const XmlAttributes& attributes) override {
    log += "<" + std::to_string(static_cast<int>(name.ns)) + ":" + std::string(name.local);
    for (const XmlAttribute& a : attributes.All())
      log += " " + std::to_string(static_cast<int>(a.ns)) + ":" + std::string(a.local) + "=" +
             std::string(a.value);
    log += ">";
  }
  void EndElement(const XmlName& name) override { log += "</" + std::string(name.local) + ">"; }
  void Characters(std::string_view text) override { log += text; }
  std::string log;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::size_t chunk = data[0] % 16 + 1;
  std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  // Only UTF-8 documents go to the built-in parser.
  if (!IsUtf8Document(text)) return 0;
  Recorder expat, mine;
  bool expat_ok = true, mine_ok = true;
  try {
    ParseXmlText(text, "fuzz.xml", expat, XmlParser::kExpat);
  } catch (const sheaver::Error&) {
    expat_ok = false;
  }
  try {
    FastXmlParser parser("fuzz.xml", mine);
    for (std::size_t at = 0; at < text.size(); at += chunk)
      parser.Feed(std::span<const char>(text.data() + at, std::min(chunk, text.size() - at)),
                  false);
    parser.Feed({}, true);
  } catch (const sheaver::Error&) {
    mine_ok = false;
  }
  // A document expat reads must read the same with the built-in parser. The built-in parser
  // may accept a few documents expat refuses (it checks names less strictly, for one); that
  // costs nothing, as long as what it reads from them is well defined.
  if (expat_ok && !mine_ok) std::abort();
  if (expat_ok && mine_ok && mine.log != expat.log) std::abort();
  return 0;
}
