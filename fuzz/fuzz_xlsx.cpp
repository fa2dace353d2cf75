// Opens fuzzed .xlsx packages (see package_fuzz.h for the input form) and reads them whole.
#include "fuzz/package_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<std::string> kParts = {"[Content_Types].xml",
                                                  "_rels/.rels",
                                                  "xl/workbook.xml",
                                                  "xl/_rels/workbook.xml.rels",
                                                  "xl/worksheets/sheet1.xml",
                                                  "xl/sharedStrings.xml",
                                                  "xl/styles.xml",
                                                  "xl/worksheets/sheet2.xml"};
  sheaver::xl::fuzzing::ReadEverything(sheaver::xl::fuzzing::PackageOf(data, size, kParts));
  return 0;
}
