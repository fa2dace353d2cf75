#include "product/product_info.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/version_info.h"
#include "product/modBrowseTo.h"
#include "runtime/error.h"
#include "support/temp_dir.h"

namespace sheaver {
namespace {

namespace fs = std::filesystem;

// A program directory of its own for one test, with App.def written into it.
class ProgramDir : public test::TempDir {
 public:
  std::string str() const { return Path(); }
  void WriteAppDef(const std::string& bytes) const { Write("App.def", bytes); }
};

TEST(ProductInfo, StartsFromTheVersionInformation) {
  ProgramDir dir;
  ProductInfo info(dir.str());
  info.Load();  // no App.def: nothing changes, nothing is reported
  const VersionInfo& v = ProgramVersionInfo();
  EXPECT_EQ(info.name, "Sheaver");
  EXPECT_EQ(info.title, "Sheaver");
  EXPECT_EQ(info.description, v.comments);
  EXPECT_EQ(info.copyright, v.legal_copyright);
  EXPECT_EQ(info.major, v.major);
  EXPECT_EQ(info.minor, v.minor);
  EXPECT_EQ(info.build, v.build);
  EXPECT_EQ(info.help, dir.str() + "/Help/index.html");
  EXPECT_EQ(info.site, "");
  EXPECT_EQ(info.faqurl, "");
  EXPECT_EQ(info.supporturl, "");
  EXPECT_EQ(info.icon, "");
}

TEST(ProductInfo, VersionTextPadsMinorAndBuild) {
  struct Case {
    Int16 major, minor, build;
    const char* text;
  };
  const Case cases[] = {{1, 0, 34, "1.00.0034"},
                        {2, 12, 7, "2.12.0007"},
                        {10, 5, 12345, "10.05.12345"},
                        {0, 0, 0, "0.00.0000"},
                        {-1, -5, -34, "-1.-05.-0034"}};
  for (const Case& c : cases) {
    ProductInfo info("/opt/sheaver");
    info.major = c.major;
    info.minor = c.minor;
    info.build = c.build;
    EXPECT_EQ(info.Version(), c.text);
  }
}

// What a Load of the given App.def leaves in the record, as "key=value" texts for the keys that
// differ from the defaults.
std::vector<std::string> Changes(const std::string& app_def) {
  ProgramDir dir;
  dir.WriteAppDef(app_def);
  ProductInfo defaults(dir.str());
  ProductInfo info(dir.str());
  info.major = defaults.major = 1;
  info.minor = defaults.minor = 0;
  info.build = defaults.build = 34;
  info.Load();
  std::vector<std::string> changes;
  auto check = [&](const char* key, const std::string& got, const std::string& before) {
    std::string shown = got;
    if (shown.rfind(dir.str(), 0) == 0) shown = "<dir>" + shown.substr(dir.str().size());
    if (got != before) changes.push_back(std::string(key) + "=" + shown);
  };
  check("name", info.name, defaults.name);
  check("version", info.Version(), defaults.Version());
  check("title", info.title, defaults.title);
  check("description", info.description, defaults.description);
  check("copyright", info.copyright, defaults.copyright);
  check("site", info.site, defaults.site);
  check("help", info.help, defaults.help);
  check("faqurl", info.faqurl, defaults.faqurl);
  check("supporturl", info.supporturl, defaults.supporturl);
  check("icon", info.icon, defaults.icon);
  return changes;
}

using Texts = std::vector<std::string>;

TEST(ProductInfo, LoadAppliesTheEntriesOfAppDef) {
  struct Case {
    const char* app_def;
    Texts changes;
  };
  const Case cases[] = {
      {"# product definition\r\n\r\n   \r\n#title,=,Commented\r\n", {}},
      {"title,=,Payroll\r\n", {"title=Payroll"}},
      {"  TITLE , = , Payroll  \n", {"title=Payroll"}},
      {"Title,=,Payroll", {"title=Payroll"}},  // no line end on the last line
      {"title = Payroll\r\ntitle,Payroll\r\ntitle,==,Payroll\r\n", {}},
      {"title,=,\"Pay, roll\",ignored\r\n", {"title=Pay, roll"}},
      {"title,=,\"unterminated\r\nname,=,Still read\r\n", {"name=Still read"}},
      {"build,=,7\r\n", {"version=1.00.0007"}},
      {"minor,=,12\r\nmajor,=,2\r\n", {"version=2.12.0034"}},
      {"build,=,abc\r\n", {"version=1.00.0000"}},
      {"build,=,2.5\r\nminor,=,3.5\r\n", {"version=1.04.0002"}},
      {"build,=,&H10\r\n", {"version=1.00.0016"}},
      {"colour,=,blue\r\n", {}},
      {"title,=,A\r\ntitle,=,B\r\n", {"title=B"}},
      {"title,=,\r\n", {"title="}},
      {"site,=,https://example.com\r\nfaqurl,=,https://example.com/faq\r\n"
       "supporturl,=,https://example.com/support\r\nhelp,=,https://example.com/help\r\n",
       {"site=https://example.com", "help=https://example.com/help",
        "faqurl=https://example.com/faq", "supporturl=https://example.com/support"}},
      {"icon,=,sheaver.png\r\ndescription,=,Files forms.\r\ncopyright,=,(C) Us\r\n",
       {"description=Files forms.", "copyright=(C) Us", "icon=<dir>/sheaver.png"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Changes(c.app_def), c.changes) << c.app_def;
}

TEST(ProductInfo, AnAppDefDirectoryIsNoAppDef) {
  ProgramDir dir;
  fs::create_directory(fs::path(dir.str()) / "App.def");
  ProductInfo info(dir.str());
  EXPECT_NO_THROW(info.Load());
  EXPECT_EQ(info.title, "Sheaver");
}

TEST(ProductInfo, AVersionNumberBeyond16BitsNamesTheLine) {
  ProgramDir dir;
  dir.WriteAppDef("# numbers\r\nbuild,=,40000\r\n");
  ProductInfo info(dir.str());
  try {
    info.Load();
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), err::kOverflow);
    EXPECT_EQ(e.Description(), dir.str() + "/App.def line 2, build: Overflow");
  }
}

TEST(AboutBox, ShowsTheRecordAndOpensTheSiteFromTheCopyright) {
  ProductInfo info("/opt/sheaver");
  info.Properties("title", "Payroll");
  info.Properties("Major", "1");
  info.Properties("MINOR", "0");
  info.Properties("build", "34");
  info.Properties("description", "Files timesheets.");
  info.Properties("copyright", "Copyright (C) 2026 Us");
  info.Properties("site", "https://example.com");
  info.Properties("icon", "app.png");
  AboutBoxContent about = MakeAboutBox(info);
  EXPECT_EQ(about.caption, "About Payroll");
  EXPECT_EQ(about.title, "Payroll");
  EXPECT_EQ(about.version, "1.00.0034");
  EXPECT_EQ(about.description, "Files timesheets.");
  EXPECT_EQ(about.copyright_label, "Copyright (C) 2026 Us\nhttps://example.com");
  EXPECT_EQ(about.icon, "/opt/sheaver/app.png");

  std::vector<std::string> opened;
  BrowseLauncher previous =
      SetBrowseLauncher([&](const std::string& target) { opened.push_back(target); });
  CopyrightClicked(about);
  info.site = "";
  AboutBoxContent no_site = MakeAboutBox(info);
  CopyrightClicked(no_site);
  SetBrowseLauncher(previous);
  EXPECT_EQ(opened, (std::vector<std::string>{"https://example.com"}));
  EXPECT_EQ(no_site.copyright_label, "Copyright (C) 2026 Us");
}

}  // namespace
}  // namespace sheaver
