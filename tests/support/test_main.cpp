// Test entry point: the tests never depend on the machine's locale or on a person answering
// message boxes.
#include <gtest/gtest.h>

#include "runtime/locale.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  sheaver::SetCurrentLocale(sheaver::Locale::EnglishDayFirst());
  return RUN_ALL_TESTS();
}
