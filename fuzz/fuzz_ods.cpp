// Opens fuzzed .ods packages (see package_fuzz.h for the input form) and reads them whole.
#include "fuzz/package_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<std::string> kParts = {"mimetype", "META-INF/manifest.xml",
                                                  "content.xml", "settings.xml"};
  sheaver::xl::fuzzing::ReadEverything(sheaver::xl::fuzzing::PackageOf(data, size, kParts));
  return 0;
}
