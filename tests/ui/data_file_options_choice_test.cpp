#include "ui/data_file_options_choice.h"

#include <gtest/gtest.h>

namespace sheaver {
namespace {

TEST(DataFileOptionsChoice, EachSeparatorHasItsPlaceAndStrayIndexesMeanComma) {
  const struct {
    char separator;
    int index;
  } cases[] = {{',', 0}, {';', 1}, {'\t', 2}};
  for (const auto& c : cases) {
    DataFileOptions options;
    options.separator = c.separator;
    options.neutraliseFormulas = true;
    const DataFileOptionsChoice choice = ChoiceFor(options);
    EXPECT_EQ(choice.separatorIndex, c.index);
    EXPECT_TRUE(choice.neutraliseFormulas);
    EXPECT_FALSE(choice.byteOrderMark);
    EXPECT_EQ(OptionsFor(choice).separator, c.separator);
  }
  for (int stray : {-1, 3}) {
    DataFileOptionsChoice choice;
    choice.separatorIndex = stray;
    choice.byteOrderMark = true;
    EXPECT_EQ(OptionsFor(choice).separator, ',');
    EXPECT_TRUE(OptionsFor(choice).byteOrderMark);
  }
}

}  // namespace
}  // namespace sheaver
