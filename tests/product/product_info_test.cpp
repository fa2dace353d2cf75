#include "product/product_info.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "product/browse_to.h"
#include "support/raised.h"
#include "support/temp_dir.h"

namespace sheaver {
namespace {

using Texts = std::vector<std::string>;

// The fields a Load of this App.def changes from the defaults of version 1.00.0034, as
// "key=value" texts (the program directory shown as "<dir>").
Texts Changes(const std::string& app_def) {
  test::TempDir dir;
  dir.Write("App.def", app_def);
  ProductInfo defaults(dir.Path());
  defaults.major = 1;
  defaults.minor = 0;
  defaults.build = 34;
  ProductInfo info = defaults;
  info.Load();
  Texts changes;
  auto check = [&](const char* key, const std::string& got, const std::string& before) {
    const bool in_dir = got.starts_with(dir.Path());
    if (got != before)
      changes.push_back(key + ("=" + (in_dir ? "<dir>" + got.substr(dir.Path().size()) : got)));
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
  check("separator", SeparatorName(info.dataFile.separator),
        SeparatorName(defaults.dataFile.separator));
  check("bom", info.dataFile.byteOrderMark ? "yes" : "no",
        defaults.dataFile.byteOrderMark ? "yes" : "no");
  check("neutraliseformulas", info.dataFile.neutraliseFormulas ? "yes" : "no",
        defaults.dataFile.neutraliseFormulas ? "yes" : "no");
  return changes;
}

TEST(ProductInfo, LoadAppliesTheEntriesOfAppDefOverTheVersionInformation) {
  struct Case {
    const char* app_def;
    Texts changes;
  };
  const Case cases[] = {
      {"# product definition\r\n\r\n#title,=,Commented\r\ntitle = A\r\ntitle,==,A\r\n", {}},
      {"  TITLE , = , Payroll  \n", {"title=Payroll"}},
      {"title,=,\"unterminated\r\nname,=,Still read\r\n", {"name=Still read"}},
      {"minor,=,12\r\nmajor,=,3.5\r\nbuild,=,abc\r\n", {"version=4.12.0000"}},
      {"build,=,2.5\r\nminor,=,3.5\r\n", {"version=1.04.0002"}},
      {"site,=,s\r\nfaqurl,=,f\r\nsupporturl,=,u\r\nhelp,=,h\r\ndescription,=,d\r\n"
       "copyright,=,c\r\nicon,=,sheaver.png\r\n",
       {"description=d", "copyright=c", "site=s", "help=h", "faqurl=f", "supporturl=u",
        "icon=<dir>/sheaver.png"}},
      {"separator,=,tab\r\nBOM,=,Yes\r\nneutraliseformulas,=,1\r\n",
       {"separator=tab", "bom=yes", "neutraliseformulas=yes"}},
      {"separator,=,\";\"\r\nbom,=,no\r\n", {"separator=;"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Changes(c.app_def), c.changes) << c.app_def;
}

TEST(ProductInfo, WithoutAnAppDefFileTheDefaultsStayAndAVersionBeyond16BitsNamesTheLine) {
  test::TempDir dir;
  std::filesystem::create_directory(dir.File("App.def"));
  ProductInfo info(dir.Path());
  info.Load();  // a directory is no App.def
  EXPECT_EQ(info.title, "Sheaver");
  EXPECT_EQ(info.help, dir.File("Help/index.html"));
  std::filesystem::remove(dir.File("App.def"));
  dir.Write("App.def", "# numbers\r\nbuild,=,40000\r\n");
  const test::Raised raised = test::RaisedBy([&] { info.Load(); });
  EXPECT_EQ(raised.number, err::kOverflow);
  EXPECT_EQ(raised.description, dir.File("App.def") + " line 2, build: Overflow");
  dir.Write("App.def", "separator,=,|\r\n");
  EXPECT_EQ(test::RaisedBy([&] { info.Load(); }).description,
            dir.File("App.def") +
                " line 1, separator: Invalid procedure call or argument: the "
                "separator is , ; or tab, not '|'");
}

TEST(AboutBox, TheCopyrightOpensTheSiteWhenThereIsOne) {
  ProductInfo info("/opt/sheaver");
  info.site = "https://example.com";
  Texts opened;
  BrowseLauncher previous = SetBrowseLauncher([&](const std::string& t) { opened.push_back(t); });
  CopyrightClicked(MakeAboutBox(info));
  info.site = "";
  CopyrightClicked(MakeAboutBox(info));
  SetBrowseLauncher(previous);
  EXPECT_EQ(opened, Texts{"https://example.com"});
}

}  // namespace
}  // namespace sheaver
