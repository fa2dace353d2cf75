// The zip container and the streaming XML parser under the .xlsx and .ods readers: lookups, the
// zip-bomb caps, damaged and truncated archives, malformed XML, document type declarations, the
// built-in parser against expat, and encodings.
#include "spreadsheet/zip_package.h"

#include <gtest/gtest.h>

#include "checks.h"
#include "runtime/error.h"
#include "spreadsheet/fast_xml.h"
#include "spreadsheet/package_builder.h"
#include "spreadsheet/xml_stream.h"

namespace sheaver::xl {
namespace {

using testing::ErrorOf;
using testing::MakeZip;

TEST(ZipPackage, FindsPartsWithoutRegardToCaseOrSlashes) {
  ZipPackage zip(MakeZip({{"xl/Workbook.xml", "<w/>"}, {"dir\\odd.xml", "odd"}}));
  EXPECT_TRUE(zip.Has("/XL/WORKBOOK.XML"));
  EXPECT_EQ(zip.Read("dir/odd.xml"), "odd");
  auto missing = ErrorOf([&] { zip.Read("xl/styles.xml"); });
  EXPECT_EQ(missing, std::make_pair(1005, std::string("the part xl/styles.xml is missing")));
}

TEST(ZipPackage, RefusesPartsThatInflatePastTheCaps) {
  std::string zeros(4 << 20, '\0');
  auto bytes = MakeZip({{"a.xml", zeros}, {"b.xml", zeros}});
  struct Case {
    const char* what;
    ZipLimits limits;
    const char* part;
    const char* message;
  } cases[] = {
      {"per part",
       {1 << 20, 1ull << 40, 1ull << 40, 1ull << 40, 1 << 30},
       "a.xml",
       "the part a.xml inflates to more than 1 MiB; refused as likely a zip bomb"},
      {"ratio",
       {1ull << 40, 1ull << 40, 100, 1 << 20, 1 << 30},
       "a.xml",
       "the part a.xml inflates to more than 100 times its compressed size; refused as likely a "
       "zip bomb"},
      {"in all",
       {1ull << 40, 6 << 20, 1ull << 40, 1ull << 40, 1 << 30},
       "b.xml",
       "the part b.xml takes the package past 6 MiB inflated in all; refused as likely a zip bomb"},
  };
  for (const Case& c : cases) {
    ZipPackage zip(bytes, c.limits);
    auto error = ErrorOf([&] {
      zip.Read("a.xml");
      zip.Read("b.xml");
    });
    EXPECT_EQ(error, std::make_pair(1005, std::string(c.message))) << c.what;
  }
  // Within the caps both parts read.
  ZipPackage zip(bytes);
  EXPECT_EQ(zip.Read("a.xml").size(), zeros.size());
}

TEST(ZipPackage, TruncatedArchivesAndDamagedDataAreDamagedPackages) {
  std::string data;
  for (int i = 0; i < 20000; ++i) data += "<row r=\"" + std::to_string(i) + "\"/>";
  auto bytes = MakeZip({{"sheet.xml", data}});
  // Cut anywhere, the zip directory at the end is gone.
  for (std::size_t cut = 0; cut < bytes.size(); cut += 97) {
    std::vector<std::uint8_t> part(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
    auto error = ErrorOf([&] { ZipPackage zip(part); });
    EXPECT_EQ(error.first, 1005) << "cut at " << cut;
    EXPECT_NE(error.second.find("the zip package is damaged"), std::string::npos) << error.second;
  }
  // Bytes flipped in the compressed data: it no longer inflates, or its checksum fails.
  for (std::size_t at : {200u, 1000u}) {
    auto damaged = bytes;
    damaged[at] ^= 0x55;
    damaged[at + 1] ^= 0xAA;
    ZipPackage zip(damaged);
    auto error = ErrorOf([&] { zip.Read("sheet.xml"); });
    EXPECT_EQ(error.first, 1005) << at;
    EXPECT_TRUE(error.second.starts_with("the part sheet.xml is damaged")) << error.second;
  }
}

// Collects the events of a part as text: "<ns:local attr>", "</local>", and the character data.
class Recorder : public XmlHandler {
 public:
  void StartElement(const XmlName& name, const XmlAttributes& a) override {
    log += "<" + std::to_string(static_cast<int>(name.ns)) + ":" + std::string(name.local);
    if (auto v = a.Get(Ns::kNone, "v")) log += " v=" + std::string(*v);
    if (auto id = a.Get(Ns::kDocRels, "id")) log += " r:id=" + std::string(*id);
    log += ">";
  }
  void EndElement(const XmlName& name) override { log += "</" + std::string(name.local) + ">"; }
  void Characters(std::string_view text) override { log += text; }
  std::string log;
};

TEST(XmlStream, MalformedXmlAndDocumentTypesAreRefused) {
  struct Case {
    const char* xml;
    const char* message;
  } cases[] = {
      {"<a><b></a>", "the part p.xml is not well-formed XML (mismatched tag at line 1, column 9)"},
      {"<a>\n<b>&nbsp;</b></a>",
       "the part p.xml is not well-formed XML (undefined entity at line 2, column 4)"},
      {"<!DOCTYPE a SYSTEM 'file:///etc/passwd'><a/>",
       "the part p.xml declares a document type (DOCTYPE); workbook parts never do, and its "
       "entity declarations are refused"},
  };
  for (XmlParser parser : {XmlParser::kBuiltIn, XmlParser::kExpat}) {
    for (const Case& c : cases) {
      Recorder r;
      EXPECT_EQ(ErrorOf([&] { ParseXmlText(c.xml, "p.xml", r, parser); }),
                std::make_pair(1005, std::string(c.message)))
          << c.xml << (parser == XmlParser::kExpat ? " (expat)" : " (built-in)");
    }
  }
  // Nesting past the limit.
  std::string deep;
  for (std::size_t i = 0; i <= kMaxXmlDepth; ++i) deep += "<a>";
  for (XmlParser parser : {XmlParser::kBuiltIn, XmlParser::kExpat}) {
    Recorder r;
    auto error = ErrorOf([&] { ParseXmlText(deep, "p.xml", r, parser); });
    EXPECT_NE(error.second.find("nested more than 4096 deep"), std::string::npos) << error.second;
  }
}

// The built-in parser and expat must agree: the same events for well-formed documents, a
// refusal for the rest, whichever way the document is cut into chunks.
TEST(XmlStream, BuiltInParserAgreesWithExpat) {
  const char* documents[] = {
      // well-formed
      "<a/>",
      "\xEF\xBB\xBF<?xml version='1.0' encoding='UTF-8' standalone='yes'?>\n<a v='1'>t</a>\n",
      "<x:a xmlns:x='http://schemas.openxmlformats.org/spreadsheetml/2006/main' xmlns='urn:d'><b "
      "x:v=\"2\"/></x:a>",
      "<w xmlns='http://purl.oclc.org/ooxml/spreadsheetml/main' xmlns:r='http://schemas."
      "openxmlformats.org/officeDocument/2006/relationships'><s v='1' r:id='rId1'/></w>",
      "<a><!-- a comment --><?pi data?><![CDATA[<raw> & ]]]></a>",
      "<a v='&lt;&gt;&amp;&quot;&apos;&#65;&#x42;&#x1F600;'>&#9;&#13;&#10;x</a>",
      "<a v=' t\tab\r\nline '>line\r\nend\rcr</a>",
      "<a>caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80</a>",
      "<a xmlns='urn:one'><b xmlns=''><c/></b></a>", "<a\n  v = \"1\"\n/>", "<a v='x>y'>]]</a>",
      "<a xml:space='preserve'> </a>",
      // not well-formed
      "<a>", "<a></b>", "<a/><b/>", "text<a/>", "<a/>text", "<a v=1/>", "<a v='1'w='2'/>",
      "<a v='1' v='2'/>", "<a v='<'/>", "<a>&unknown;</a>", "<a>&#0;</a>", "<a>&#xD800;</a>",
      "<a>&amp</a>", "<a>\x01</a>", "<a>\xC3</a>", "<a>\xED\xA0\x80</a>", "<a>\xEF\xBF\xBF</a>",
      "<a>\xC0\xAF</a>", "<p:a/>", "<a p:v='1'/>", "<a xmlns:p=''/>", "<a>]]></a>",
      " <?xml version='1.0'?><a/>", "<a><?xml version='1.0'?></a>", "<a><![CDATA[x</a>",
      "<a><!-- x</a>", "<1a/>", "<a b/>", "</a>", "<a:/>", "<:a/>", "<a:b:c xmlns:a='u'/>"};
  for (const char* doc : documents) {
    std::string text(doc);
    Recorder expat;
    auto expat_error = ErrorOf([&] { ParseXmlText(text, "p.xml", expat, XmlParser::kExpat); });
    // Whole, and cut into chunks of 1, 2 and 7 bytes.
    for (std::size_t chunk : {text.size() + 1, std::size_t{1}, std::size_t{2}, std::size_t{7}}) {
      Recorder mine;
      auto my_error = ErrorOf([&] {
        FastXmlParser parser("p.xml", mine);
        for (std::size_t at = 0; at < text.size(); at += chunk)
          parser.Feed(std::span<const char>(text.data() + at, std::min(chunk, text.size() - at)),
                      false);
        parser.Feed({}, true);
      });
      EXPECT_EQ(my_error.first != 0, expat_error.first != 0)
          << doc << " in chunks of " << chunk << ": built-in " << my_error.second << ", expat "
          << expat_error.second;
      if (!my_error.first && !expat_error.first) {
        EXPECT_EQ(mine.log, expat.log) << doc << " in chunks of " << chunk;
      }
    }
  }
}

TEST(XmlStream, ReadsUtf16AndWindows1252Parts) {
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("<a>\xE9</a>")) {
    utf16 += c == '\xE9' ? '\xE9' : c;
    utf16 += '\0';
  }
  Recorder a;
  ParseXmlText(utf16, "p.xml", a);
  EXPECT_EQ(a.log, "<0:a>\xC3\xA9</a>");
  Recorder b;
  ParseXmlText("<?xml version='1.0' encoding='windows-1252'?><a>\x80\x93</a>", "p.xml", b);
  EXPECT_EQ(b.log, "<0:a>\xE2\x82\xAC\xE2\x80\x9C</a>");
}

}  // namespace
}  // namespace sheaver::xl
