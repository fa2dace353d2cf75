#include "ui/path_chooser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/dialog_doubles.h"
#include "support/raised.h"

namespace sheaver {
namespace {

using test::RaisedBy;
using Texts = std::vector<std::string>;

TEST(PathChooser, RelativePathRemovesTheInitialDirectoryAsAPlainPrefix) {
  struct Case {
    const char* init_dir;
    const char* path;
    const char* relative;
  };
  const Case cases[] = {
      {"/opt/sheaver/Settings", "/opt/sheaver/Settings/week.set", "/week.set"},
      {"/opt/sheaver/settings/", "/opt/sheaver/Settings/week.set", "week.set"},
      {"/data", "/database/x.dat", "base/x.dat"},
      {"/home/user/settings", "/home", "/home"},  // shorter than the directory
      {"/A/É", "/a/é/x", "/a/é/x"},               // only ASCII letters fold
  };
  for (const Case& c : cases) {
    PathChooser p;
    p.InitDir(c.init_dir);
    p.Path(c.path);
    EXPECT_EQ(p.RelativePath(), c.relative) << c.init_dir << " + " << c.path;
  }
}

// What the dialogs are set up with is checked through the main window; here, that a cancelled or
// failing choice keeps the path.
TEST(PathChooser, ChoicesKeepThePathWhenCancelledOrFailing) {
  for (bool must_exist : {true, false}) {
    test::ScriptedFileDialog dlg;
    dlg.answers = {"/data/new.csv", std::nullopt};
    PathChooser p;
    p.CommonDialogControl(&dlg);
    p.Path("/data/old.csv");
    auto choose = [&] { return must_exist ? p.ChooseExistingFile() : p.ChooseFile(); };
    EXPECT_TRUE(choose());
    EXPECT_FALSE(choose());
    dlg.broken = true;
    EXPECT_FALSE(choose());
    EXPECT_EQ(p.Path(), "/data/new.csv");
  }
  test::ScriptedFolderBrowser bff;
  PathChooser p;
  EXPECT_EQ(RaisedBy([&] { p.ChooseDir(); }).number, err::kObjectNotSet);
  p.BrowseFFControl(&bff);
  p.Path("/forms/in");
  bff.answers = {"/forms/week 7", std::nullopt};
  EXPECT_TRUE(p.ChooseDir());
  EXPECT_FALSE(p.ChooseDir());
  bff.broken = true;
  EXPECT_EQ(RaisedBy([&] { p.ChooseDir(); }).number, err::kInvalidCall);
  EXPECT_EQ(p.Path(), "/forms/week 7");
  EXPECT_EQ(bff.shown.at(1), "|/forms/week 7");  // the next choice starts at the last one
}

TEST(QtNameFilters, TurnsDialogFiltersIntoNameFilters) {
  struct Case {
    const char* filter;
    Texts name_filters;
  };
  const Case cases[] = {
      {"Settings Files (*.set) | *.set", {"Settings Files (*.set)"}},
      {"Comma Separated Value Files (*.csv)|*.csv|Data Files (*.dat)|*.dat|All Files (*.*)|*.*",
       {"Comma Separated Value Files (*.csv)", "Data Files (*.dat)", "All Files (*)"}},
      {"Workbooks (*.xls; *.xlsx)|*.xls;*.xlsx", {"Workbooks (*.xls *.xlsx)"}},
      {"Anything|", {"Anything (*)"}},
  };
  for (const Case& c : cases) EXPECT_EQ(QtNameFilters(c.filter), c.name_filters) << c.filter;
}

}  // namespace
}  // namespace sheaver
