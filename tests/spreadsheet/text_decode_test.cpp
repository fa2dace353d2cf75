#include "spreadsheet/text_decode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sheaver::xl {
namespace {

// Compressed texts: ASCII runs are copied as they are, every other byte becomes its two-byte
// UTF-8 form, wherever it stands in the text.
TEST(AppendLatin1, EveryByteAloneAndAmongAsciiRuns) {
  for (int b = 0; b < 256; ++b) {
    const std::string expected = b < 0x80 ? std::string(1, static_cast<char>(b))
                                          : std::string{static_cast<char>(0xC0 | (b >> 6)),
                                                        static_cast<char>(0x80 | (b & 0x3F))};
    const std::vector<std::uint8_t> alone = {static_cast<std::uint8_t>(b)};
    std::string out = "x";
    AppendLatin1(out, alone);
    EXPECT_EQ(out, "x" + expected) << b;
    const std::vector<std::uint8_t> among = {'a', 'b', static_cast<std::uint8_t>(b), 'c',
                                             static_cast<std::uint8_t>(b)};
    out.clear();
    AppendLatin1(out, among);
    EXPECT_EQ(out, "ab" + expected + "c" + expected) << b;
  }
  std::string out;
  AppendLatin1(out, {});
  EXPECT_EQ(out, "");
  const std::vector<std::uint8_t> gruesse = {'G', 'r', 0xFC, 0xDF, 'e'};
  AppendLatin1(out, gruesse);
  EXPECT_EQ(out,
            "Gr\xC3\xBC\xC3\x9F"
            "e");
}

}  // namespace
}  // namespace sheaver::xl
