// The compound file container: a stream comes out whole, and every kind of damage to the
// sector structures gives error 1005 with its reason, never a crash, a hang or a huge allocation.
#include <gtest/gtest.h>

#include <functional>

#include "checks.h"
#include "runtime/error.h"
#include "spreadsheet/compound_file.h"
#include "xls_builder.h"

namespace sheaver::xl {
namespace {

using testing::Bytes;
using testing::Poke32;

Bytes Pattern(std::size_t n) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  return b;
}

TEST(CompoundFile, ReadsTheStreamAcrossItsSectorsEvenWhenTheFileIsCutInItsLastSector) {
  Bytes stream = Pattern(4096 + 100);  // the last sector holds 100 bytes of data
  Bytes file = testing::BuildCompoundFile(stream);
  file.resize(file.size() - 300);  // cut into the last sector's padding only
  MemorySource source(file);
  CompoundFile cf(source);
  ASSERT_EQ(cf.TopLevel().size(), 1u);
  const auto* entry = cf.Find("WORKBOOK");  // any letter case
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->name, "Workbook");
  EXPECT_EQ(cf.Read(*entry), stream);
  EXPECT_EQ(cf.Find("Book"), nullptr);
}

struct Damage {
  const char* what;
  std::function<void(Bytes&)> apply;
  const char* phrase;
};

class DamagedContainer : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedContainer, RaisesWorkbookUnreadableWithTheReason) {
  Bytes file = testing::BuildCompoundFile(Pattern(6000));
  GetParam().apply(file);
  const auto [number, text] = testing::ErrorOf([&] {
    MemorySource source(file);
    CompoundFile cf(source);
    cf.Read(*cf.Find("Workbook"));
  });
  EXPECT_EQ(number, err::kWorkbookUnreadable) << text;
  EXPECT_NE(text.find(GetParam().phrase), std::string::npos) << text;
}

// Sector n of the allocation table is at file offset 512 + 4n; directory entry 1 at 1024 + 128.
// Chains and directory links past the end, a byte-order mark, a stream size past the file and a
// stream sharing the allocation table's sector are damage the corpus holds.
INSTANTIATE_TEST_SUITE_P(
    Container, DamagedContainer,
    ::testing::Values(
        Damage{"sector size", [](Bytes& f) { f[30] = 20; }, "sector size"},
        Damage{"header shorter than 512 bytes", [](Bytes& f) { f.resize(300); }, "shorter than"},
        Damage{"cyclic stream chain", [](Bytes& f) { Poke32(f, 512 + 4 * 5, 3); }, "loops back"},
        Damage{"chain ends early", [](Bytes& f) { Poke32(f, 512 + 4 * 4, 0xFFFFFFFE); },
               "ends after"},
        Damage{"absurd table count", [](Bytes& f) { Poke32(f, 44, 0x7FFFFFFF); },
               "more than the file holds"},
        Damage{"directory links to itself", [](Bytes& f) { Poke32(f, 1024 + 128 + 68, 1); },
               "loop"},
        Damage{"root entry missing", [](Bytes& f) { f[1024 + 66] = 1; }, "not the root"}),
    [](const auto& info) { return testing::TestName(info.param.what); });

}  // namespace
}  // namespace sheaver::xl
