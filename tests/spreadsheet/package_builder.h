// Builds zip packages in memory for the tests of the .xlsx and .ods readers, with libzip, and
// the parts of small workbooks to put into them.
#pragma once

#include <zip.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace sheaver::xl::testing {

struct Part {
  std::string name;
  std::string data;
  bool stored = false;  // stored rather than deflated
};

// A zip archive of the parts, in order.
inline std::vector<std::uint8_t> MakeZip(const std::vector<Part>& parts) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip_source_keep(buffer);
  zip_t* zip = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
  if (!zip) throw std::runtime_error("zip_open_from_source failed");
  for (const Part& p : parts) {
    zip_source_t* s = zip_source_buffer(zip, p.data.data(), p.data.size(), 0);
    zip_int64_t index = zip_file_add(zip, p.name.c_str(), s, ZIP_FL_ENC_UTF_8);
    if (index < 0) throw std::runtime_error("zip_file_add failed");
    zip_set_file_compression(zip, static_cast<zip_uint64_t>(index),
                             p.stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 9);
  }
  if (zip_close(zip) != 0) throw std::runtime_error("zip_close failed");
  std::vector<std::uint8_t> out;
  zip_source_open(buffer);
  zip_source_seek(buffer, 0, SEEK_END);
  out.resize(static_cast<std::size_t>(zip_source_tell(buffer)));
  zip_source_seek(buffer, 0, SEEK_SET);
  zip_source_read(buffer, out.data(), out.size());
  zip_source_close(buffer);
  zip_source_free(buffer);
  return out;
}

inline const std::string kSheetNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline const std::string kRelNs =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline const std::string kRelType = kRelNs + "/";

// The parts of an .xlsx workbook, filled in by a test and then packed.
struct XlsxBuilder {
  struct Sheet {
    std::string name;
    std::string data;  // the <sheetData> content
  };
  std::vector<Sheet> sheets;
  void Add(std::string name, std::string data) {
    sheets.push_back({std::move(name), std::move(data)});
  }
  std::vector<std::string> shared_strings;  // raw <si> contents
  std::string styles;                       // the whole styles part; none when empty
  std::string content_type =
      "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";

  std::vector<Part> Parts() const {
    std::vector<Part> parts;
    parts.push_back(
        {"[Content_Types].xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
         "<Default Extension=\"rels\" "
         "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
         "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
         "<Override PartName=\"/xl/workbook.xml\" ContentType=\"" +
             content_type + "\"/></Types>"});
    parts.push_back(
        {"_rels/.rels",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"" +
             kRelType +
             "officeDocument\" Target=\"xl/workbook.xml\"/>"
             "</Relationships>"});
    std::string workbook = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook xmlns=\"" +
                           kSheetNs + "\" xmlns:r=\"" + kRelNs + "\"><sheets>";
    std::string rels =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (std::size_t i = 0; i < sheets.size(); ++i) {
      std::string id = "rId" + std::to_string(i + 10);
      std::string target = "worksheets/sheet" + std::to_string(i + 1) + ".xml";
      workbook += "<sheet name=\"" + sheets[i].name + "\" sheetId=\"" + std::to_string(i + 1) +
                  "\" r:id=\"" + id + "\"/>";
      rels += "<Relationship Id=\"" + id + "\" Type=\"" + kRelType + "worksheet\" Target=\"" +
              target + "\"/>";
      parts.push_back({"xl/" + target,
                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet "
                       "xmlns=\"" +
                           kSheetNs + "\"><sheetData>" + sheets[i].data +
                           "</sheetData></worksheet>"});
    }
    workbook += "</sheets></workbook>";
    if (!shared_strings.empty()) {
      std::string sst =
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?><sst xmlns=\"" + kSheetNs + "\">";
      for (const std::string& si : shared_strings) sst += "<si>" + si + "</si>";
      parts.push_back({"xl/sharedStrings.xml", sst + "</sst>"});
      rels += "<Relationship Id=\"rId1\" Type=\"" + kRelType +
              "sharedStrings\" Target=\"sharedStrings.xml\"/>";
    }
    if (!styles.empty()) {
      parts.push_back({"xl/styles.xml", styles});
      rels +=
          "<Relationship Id=\"rId2\" Type=\"" + kRelType + "styles\" Target=\"/xl/styles.xml\"/>";
    }
    parts.push_back({"xl/workbook.xml", workbook});
    parts.push_back({"xl/_rels/workbook.xml.rels", rels + "</Relationships>"});
    return parts;
  }

  std::vector<std::uint8_t> Build() const { return MakeZip(Parts()); }
};

// The parts of an .ods spreadsheet: content.xml holds `body` inside <office:spreadsheet>.
struct OdsBuilder {
  std::string body;
  std::string automatic_styles;  // the content of <office:automatic-styles>
  std::string mimetype = "application/vnd.oasis.opendocument.spreadsheet";

  std::vector<Part> Parts() const {
    std::vector<Part> parts;
    parts.push_back({"mimetype", mimetype, true});
    parts.push_back(
        {"META-INF/manifest.xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
         "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\">"
         "<manifest:file-entry manifest:full-path=\"/\" manifest:media-type=\"" +
             mimetype +
             "\"/>"
             "<manifest:file-entry manifest:full-path=\"content.xml\" "
             "manifest:media-type=\"text/xml\"/></manifest:manifest>"});
    parts.push_back(
        {"content.xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
         "<office:document-content "
         "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
         " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
         " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\""
         " xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\""
         " xmlns:xlink=\"http://www.w3.org/1999/xlink\""
         " xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\""
         " xmlns:number=\"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0\""
         " xmlns:calcext=\"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0\">"
         "<office:automatic-styles>" +
             automatic_styles +
             "</office:automatic-styles>"
             "<office:body><office:spreadsheet>" +
             body + "</office:spreadsheet></office:body></office:document-content>"});
    return parts;
  }

  std::vector<std::uint8_t> Build() const { return MakeZip(Parts()); }
};

}  // namespace sheaver::xl::testing
