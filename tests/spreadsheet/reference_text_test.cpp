#include <gtest/gtest.h>

#include "spreadsheet/reference.h"

namespace sheaver::xl {
namespace {

TEST(ReferenceText, AreasAreWrittenInA1StyleAndReadBack) {
  struct Case {
    Area area;
    const char* relative;
    const char* absolute;
  };
  const Case cases[] = {
      {{0, 0, 0, 0}, "A1", "$A$1"},
      {{1, 1, 1, 1}, "B2", "$B$2"},
      {{5, 2, 11, 2}, "C6:C12", "$C$6:$C$12"},
      {{0, 25, 0, 26}, "Z1:AA1", "$Z$1:$AA$1"},
      {{9, 701, 9, 702}, "ZZ10:AAA10", "$ZZ$10:$AAA$10"},
      {{65535, 255, 65535, 255}, "IV65536", "$IV$65536"},
      {{1048575, 16383, 1048575, 16383}, "XFD1048576", "$XFD$1048576"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AreaText(c.area), c.relative);
    EXPECT_EQ(AreaText(c.area, true), c.absolute);
    for (const char* text : {c.relative, c.absolute}) {
      const std::optional<ParsedReference> back = ParseReference(text, 1048576, 16384);
      ASSERT_TRUE(back && back->area) << text;
      EXPECT_EQ(*back->area, c.area) << text;
    }
  }
}

}  // namespace
}  // namespace sheaver::xl
