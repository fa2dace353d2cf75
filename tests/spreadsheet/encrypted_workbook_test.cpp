// Encrypted workbooks: what a missing or wrong password gives (error 1006 naming the workbook,
// saying which, never holding the password), Excel's default password, and damaged encryption
// records. That each kind decrypts to the right cells is held by the fixture test (LibreOffice's
// encrypted copies of fixtures) and the corpus comparison (tools/compare_with_xlrd.py).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "checks.h"
#include "spreadsheet/encrypted_package.h"
#include "spreadsheet/open_workbook.h"
#include "xls_builder.h"

namespace sheaver::xl {
namespace {

using testing::Bytes;
using testing::ErrorOf;

const std::filesystem::path kData = SHEAVER_TEST_DATA;
constexpr const char* kPassword = "Fixture-Secret-42";

TEST(EncryptedWorkbook, WithoutItsPasswordOrWithAWrongOneIsError1006SayingWhich) {
  struct Case {
    const char* file;
    const char* protection;
  } cases[] = {
      {"corpus/odd/poi_password.xls", "(RC4 encryption)"},
      {"corpus/odd/poi_35897-type4.xls", "(RC4 CryptoAPI encryption)"},
      {"corpus/odd/sheetjs_biff5_password_2002_40_xor.xls", "(XOR obfuscation)"},
      {"corpus/odd/calamine_pass_protected.xlsx",
       "(an encrypted .xlsx workbook, agile encryption)"},
      {"encrypted/cells.lo.aes.ods", "(an encrypted OpenDocument spreadsheet)"},
      {"encrypted/cells.lo.blowfish.ods", "(an encrypted OpenDocument spreadsheet)"},
  };
  for (const Case& c : cases) {
    const std::string path = (kData / c.file).string();
    const auto none = ErrorOf([&] { OpenWorkbookFile(path); });
    EXPECT_EQ(none.first, err::kWorkbookEncrypted) << c.file;
    EXPECT_TRUE(none.second.starts_with(path + ": password-protected workbook " + c.protection))
        << none.second;
    EXPECT_TRUE(
        none.second.ends_with(": it cannot be read without its password, and none was given"))
        << none.second;

    OpenOptions wrong;
    wrong.password = std::string(kPassword) + "!";
    const auto refused = ErrorOf([&] { OpenWorkbookFile(path, wrong); });
    EXPECT_EQ(refused.first, err::kWorkbookEncrypted) << c.file;
    EXPECT_TRUE(refused.second.starts_with(path + ": password-protected workbook " + c.protection))
        << refused.second;
    EXPECT_TRUE(refused.second.ends_with(": the password given does not open it"))
        << refused.second;
    EXPECT_EQ(refused.second.find(kPassword), std::string::npos) << refused.second;
  }
}

TEST(EncryptedWorkbook, BlowfishEncryptedOdsReadsAsItsPlainTwin) {
  OpenOptions options;
  options.password = kPassword;
  auto encrypted = OpenWorkbookFile((kData / "encrypted/cells.lo.blowfish.ods").string(), options);
  auto plain = OpenWorkbookFile((kData / "encrypted/cells.lo.odf11.ods").string());
  ASSERT_EQ(encrypted->sheets.size(), plain->sheets.size());
  std::size_t cells = 0;
  for (std::size_t i = 0; i < plain->sheets.size(); ++i) {
    EXPECT_EQ(encrypted->sheets[i].name, plain->sheets[i].name);
    plain->Cells(i).ForEach(plain->strings, [&](std::uint32_t row, std::uint32_t col,
                                                const Value& v) {
      EXPECT_EQ(encrypted->CellValue(i, row, col), v) << "sheet " << i << " " << row << "," << col;
      ++cells;
    });
  }
  EXPECT_GT(cells, 20u);
}

TEST(EncryptedWorkbook, ExcelsDefaultPasswordOpensWithOrWithoutAPasswordGiven) {
  const std::string path = (kData / "corpus/odd/phpss_pwtest_velvetsweatshop.xls").string();
  EXPECT_EQ(OpenWorkbookFile(path)->CellValue(0, 0, 0), Value::Text("x"));
  OpenOptions other;
  other.password = "a password for other workbooks";
  EXPECT_EQ(OpenWorkbookFile(path, other)->CellValue(0, 0, 0), Value::Text("x"));
}

// A FILEPASS record as the globals' first record after BOF, then one sheet.
Bytes WithFilePass(const Bytes& body) {
  return testing::BuildStream(testing::Rec(0x002F, body),
                              {{"Sheet1", 0, {testing::NumberRec(0, 0, 1)}}});
}

TEST(EncryptedWorkbook, DamagedOrUnknownEncryptionRecordsAreClearErrors) {
  struct Case {
    Bytes filepass;
    int error;
    const char* phrase;
  } cases[] = {
      // RC4 whose salt and verifier are cut off.
      {{1, 0, 1, 0, 1, 0, 0x11, 0x22}, err::kWorkbookUnreadable, "data ends early"},
      // An encryption type that does not exist.
      {{7, 0}, err::kWorkbookUnreadable, "unknown kind of encryption"},
      // An RC4 version that does not exist.
      {{1, 0, 9, 0, 2, 0}, err::kWorkbookEncrypted, "(version 9) is not one read here"},
      // XOR obfuscation whose key and verifier no password gives.
      {{0, 0, 0x34, 0x12, 0x78, 0x56}, err::kWorkbookEncrypted, "(XOR obfuscation): it cannot"},
  };
  for (const Case& c : cases) {
    const auto got = ErrorOf([&] { OpenWorkbookBytes(WithFilePass(c.filepass), "p.xls"); });
    EXPECT_EQ(got.first, c.error) << got.second;
    EXPECT_NE(got.second.find(c.phrase), std::string::npos) << got.second;
  }
}

Bytes ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The streams of an encrypted .xlsx, standard and agile, made for a fixture and checked with
// msoffcrypto-tool (tools/make_encrypted_package.py): they decrypt to the fixture byte for byte.
TEST(EncryptedWorkbook, StandardAndAgileXlsxDecryptToTheirPackage) {
  const Bytes fixture = ReadBytes(kData / "fixtures/cells.lo.xlsx");
  ASSERT_FALSE(fixture.empty());
  for (const char* kind : {"standard", "agile"}) {
    const std::string base = (kData / "encrypted/cells.lo.").string() + kind;
    const Bytes info = ReadBytes(base + ".EncryptionInfo");
    const Bytes package = ReadBytes(base + ".EncryptedPackage");
    EXPECT_EQ(DecryptPackage(info, package, std::string(kPassword)), fixture) << kind;
    const auto wrong = ErrorOf([&] { DecryptPackage(info, package, std::string("Fixture")); });
    EXPECT_EQ(wrong.second, std::string("password-protected workbook (an encrypted .xlsx "
                                        "workbook, ") +
                                kind + " encryption): the password given does not open it");
    // Cut short: damage, not a wrong password.
    const Bytes cut(package.begin(), package.begin() + 4000);
    EXPECT_EQ(ErrorOf([&] { DecryptPackage(info, cut, std::string(kPassword)); }).first,
              err::kWorkbookUnreadable)
        << kind;
  }
}

TEST(EncryptedWorkbook, AnEncryptedXlsxOfAKindNotReadSaysWhatItIs) {
  struct Case {
    Bytes info;
    int error;
    const char* phrase;
  } cases[] = {
      {{4, 0, 3, 0, 0, 0, 0, 0}, err::kWorkbookEncrypted, "encryption is extensible"},
      {{9, 0, 9, 0}, err::kWorkbookUnreadable, "unknown version 9.9"},
      // Standard encryption whose header names RC4 (0x6801) rather than AES.
      {{3, 0, 2,    0,    0x04, 0, 0,    0, 32, 0, 0, 0, 0x04, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x68,
        0, 0, 0x04, 0x80, 0,    0, 0x80, 0, 0,  0, 0, 0, 0,    0, 0, 0, 0, 0, 0, 0, 0,    0},
       err::kWorkbookEncrypted,
       "encryption is RC4"},
      // Agile encryption whose XML has no password key (a certificate's only).
      {[] {
         Bytes b = {4, 0, 4, 0, 0x40, 0, 0, 0};
         const std::string xml =
             "<?xml version=\"1.0\"?><encryption xmlns=\"http://schemas.microsoft.com/office/"
             "2006/encryption\"><keyData saltSize=\"16\" blockSize=\"16\" keyBits=\"256\" "
             "hashSize=\"64\" cipherAlgorithm=\"AES\" cipherChaining=\"ChainingModeCBC\" "
             "hashAlgorithm=\"SHA512\" saltValue=\"AAAAAAAAAAAAAAAAAAAAAA==\"/></encryption>";
         b.insert(b.end(), xml.begin(), xml.end());
         return b;
       }(),
       err::kWorkbookEncrypted, "not encrypted with a password"},
  };
  const Bytes package(4104, 0);
  for (const Case& c : cases) {
    const auto got = ErrorOf([&] { DecryptPackage(c.info, package, std::string("x")); });
    EXPECT_EQ(got.first, c.error) << got.second;
    EXPECT_NE(got.second.find(c.phrase), std::string::npos) << got.second;
  }
}

}  // namespace
}  // namespace sheaver::xl
