#include "datafiles/clsPath.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "datafiles/dialog_doubles.h"

namespace sheaver {
namespace {

int ErrorNumberOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.Number();
  }
  return 0;
}

using Texts = std::vector<std::string>;

TEST(ClsPath, PathIsPresentOnlyForANonEmptyPath) {
  clsPath p;
  EXPECT_FALSE(p.PathIsPresent());
  p.Path("week.set");
  EXPECT_TRUE(p.PathIsPresent());
  p.Path(" ");
  EXPECT_TRUE(p.PathIsPresent());
  p.Path("");
  EXPECT_FALSE(p.PathIsPresent());
}

TEST(ClsPath, RelativePathRemovesTheInitialDirectoryAsAPlainPrefix) {
  struct Case {
    const char* init_dir;
    const char* path;
    const char* relative;
  };
  const Case cases[] = {
      {R"(C:\App\Settings)", R"(C:\App\Settings\week.set)", R"(\week.set)"},
      {R"(c:\app\settings\)", R"(C:\App\Settings\week.set)", "week.set"},
      {R"(C:\Data)", R"(C:\Database\x.dat)", R"(base\x.dat)"},
      {"/opt/sheaver/Settings", "/opt/sheaver/Settings/week.set", "/week.set"},
      {"/opt/sheaver/settings/", "/opt/sheaver/Settings/week.set", "week.set"},
      {"", "/any/path.set", "/any/path.set"},
      {"/home/user/settings", "/home", "/home"},  // shorter than the directory
      {"/a/b", "/a/c/x.set", "/a/c/x.set"},
      {"/a/b", "/a/b", ""},
      {"/A/É", "/a/é/x", "/a/é/x"},  // only ASCII letters fold
  };
  for (const Case& c : cases) {
    clsPath p;
    p.InitDir(c.init_dir);
    p.Path(c.path);
    EXPECT_EQ(p.RelativePath(), c.relative) << c.init_dir << " + " << c.path;
  }
}

TEST(ClsPath, FileChoicesSetUpTheDialogInOrderAndTakeTheChosenFile) {
  struct Case {
    bool must_exist;
    const char* flags;
  };
  for (const Case& c : {Case{true, "Flags=4100"}, Case{false, "Flags=4"}}) {
    FakeCommonDialog dlg;
    dlg.answer = "/data/new.csv";
    clsPath p;
    p.CommonDialogControl(&dlg);
    p.Title("Pick or Enter a File for the Data");
    p.InitDir("/data");
    p.Filter("Comma Separated Value Files (*.csv)|*.csv");
    p.Path("/data/old.csv");
    EXPECT_TRUE(c.must_exist ? p.ChooseExistingFile() : p.ChooseFile());
    EXPECT_EQ(p.Path(), "/data/new.csv");
    EXPECT_EQ(dlg.log, (Texts{"CancelError=true", "DialogTitle=Pick or Enter a File for the Data",
                              "Filter=Comma Separated Value Files (*.csv)|*.csv", "InitDir=/data",
                              c.flags, "FileName=/data/old.csv", "ShowOpen"}));
  }
}

TEST(ClsPath, ACancelledOrFailedFileDialogKeepsThePreviousChoice) {
  struct Case {
    const char* what;
    bool broken;
    bool must_exist;
  };
  const Case cases[] = {
      {"cancel existing", false, true}, {"cancel any", false, false}, {"failure", true, true}};
  for (const Case& c : cases) {
    FakeCommonDialog dlg;
    clsPath p;
    p.CommonDialogControl(&dlg);
    dlg.answer = "/settings/first.set";
    ASSERT_TRUE(p.ChooseExistingFile());
    dlg.answer.reset();
    dlg.broken = c.broken;
    EXPECT_FALSE(c.must_exist ? p.ChooseExistingFile() : p.ChooseFile()) << c.what;
    EXPECT_EQ(p.Path(), "/settings/first.set") << c.what;
    EXPECT_EQ(dlg.log.back(), "ShowOpen") << c.what;
  }
}

TEST(ClsPath, ChooseDirStartsAtThePathAndIgnoresTheDialogSettings) {
  FakeFolderBrowser bff;
  clsPath p;
  p.BrowseFFControl(&bff);
  p.Title("Choose Input Directory");
  p.InitDir("/ignored");
  p.Path("/forms/in");
  bff.answer = "/forms/week 7";
  EXPECT_TRUE(p.ChooseDir());
  EXPECT_EQ(p.Path(), "/forms/week 7");
  bff.answer.reset();
  EXPECT_FALSE(p.ChooseDir());
  EXPECT_EQ(p.Path(), "/forms/week 7");
  EXPECT_EQ(bff.log,
            (Texts{"Title=Choose Input Directory", "StartingFolder=/forms/in", "Browse",
                   "Title=Choose Input Directory", "StartingFolder=/forms/week 7", "Browse"}));
}

TEST(ClsPath, MissingControlsAndBrowserErrorsReachTheCaller) {
  clsPath p;
  EXPECT_EQ(ErrorNumberOf([&] { p.ChooseExistingFile(); }), err::kObjectNotSet);
  EXPECT_EQ(ErrorNumberOf([&] { p.ChooseFile(); }), err::kObjectNotSet);
  EXPECT_EQ(ErrorNumberOf([&] { p.ChooseDir(); }), err::kObjectNotSet);
  FakeFolderBrowser bff;
  bff.broken = true;
  p.BrowseFFControl(&bff);
  p.Path("/kept");
  EXPECT_EQ(ErrorNumberOf([&] { p.ChooseDir(); }), err::kInvalidCall);
  EXPECT_EQ(p.Path(), "/kept");
}

TEST(QtNameFilters, TurnsDialogFiltersIntoNameFilters) {
  struct Case {
    const char* filter;
    Texts name_filters;
  };
  const Case cases[] = {
      {"Settings Files (*.set) | *.set", {"Settings Files (*.set)"}},
      {"Form Definition Files (*.dat)|*.dat", {"Form Definition Files (*.dat)"}},
      {"Comma Separated Value Files (*.csv)|*.csv|Data Files (*.dat)|*.dat|All Files (*.*)|*.*",
       {"Comma Separated Value Files (*.csv)", "Data Files (*.dat)", "All Files (*)"}},
      {"", {}},
      {"   ", {}},
      {"Workbooks|*.xls;*.xlsx", {"Workbooks (*.xls *.xlsx)"}},
      {"Workbooks (*.xls; *.xlsx)|*.xls;*.xlsx", {"Workbooks (*.xls *.xlsx)"}},
      {"Text (plain)|*.txt", {"Text (plain) (*.txt)"}},
      {"Lonely description", {}},
      {"A|*.a|B", {"A (*.a)"}},
      {"|*.x", {"*.x"}},
      {"Anything|", {"Anything (*)"}},
  };
  for (const Case& c : cases) EXPECT_EQ(QtNameFilters(c.filter), c.name_filters) << c.filter;
}

}  // namespace
}  // namespace sheaver
