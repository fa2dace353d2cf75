// Fuzz target: the compound file container alone. Any exception other than the engine's Error,
// and any sanitizer report, is a bug.
#include <cstdint>
#include <span>

#include "runtime/error.h"
#include "spreadsheet/compound_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sheaver;
  try {
    xl::MemorySource source(std::span(data, size));
    xl::CompoundFile cf(source);
    for (const auto& entry : cf.TopLevel()) {
      if (entry.type != 2) continue;
      try {
        auto bytes = cf.Read(entry);
        (void)bytes;
      } catch (const Error&) {
      }
    }
  } catch (const Error&) {
  }
  return 0;
}
