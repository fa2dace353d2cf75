// Splits arbitrary bytes as one line, then checks that the words survive being written back as
// quoted cells and split again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "datafiles/line_splitter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const sheaver::WordList words = sheaver::GetWords(line);
  if (words.empty() || !words[0].empty()) std::abort();
  if (words.size() == 1) return 0;

  std::string written;
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (i > 1) written += ',';
    written += sheaver::QuoteWord(words[i]);
  }
  if (sheaver::GetWords(written) != words) std::abort();
  return 0;
}
