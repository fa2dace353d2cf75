#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "extract/data_sink.h"
#include "extract/extraction.h"
#include "runtime/locale.h"
#include "support/form_files.h"
#include "support/raised.h"
#include "support/temp_dir.h"

namespace sheaver {
namespace {

using test::TempDir;

// The rows of a query, columns joined by "|", rows by "\n"; "" for none.
std::string Query(const std::string& database, const std::string& sql) {
  sqlite3* db = nullptr;
  std::string result;
  if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_busy_timeout(db, 5000);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
      result = std::string("error: ") + sqlite3_errmsg(db);
    while (statement && sqlite3_step(statement) == SQLITE_ROW) {
      if (!result.empty()) result += "\n";
      for (int c = 0; c < sqlite3_column_count(statement); ++c) {
        const auto* text = sqlite3_column_text(statement, c);
        result += (c ? "|" : "") + std::string(text ? reinterpret_cast<const char*>(text) : "");
      }
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return result;
}

// Notices go into a list for the time of a test.
class Notices {
 public:
  Notices()
      : previous_(SetFilingNoticeHandler([this](const std::string& t) { shown.push_back(t); })) {}
  ~Notices() { SetFilingNoticeHandler(previous_); }
  std::vector<std::string> shown;

 private:
  FilingNoticeHandler previous_;
};

TEST(SqliteDataFile, TypedColumnsOneRowPerRecordAndIdenticalWorkbooksSkipped) {
  const Locale previous = CurrentLocale();
  SetCurrentLocale(Locale::German());  // a decimal comma still gives REAL values
  TempDir dir;
  Notices notices;
  test::WriteFormType(dir.File("Week.dat"), {{"Staff", "B2", "0"},
                                             {"Day", "B3", "+dmy"},
                                             {"Hours", "C6:C12", "0.00"},
                                             {"Note", "B4", "text"},
                                             {"Name", "B14:H14", "@"}});
  const std::string db = dir.File("forms.db");
  ExtractWorkbookData(test::WeekWorkbook(), dir.File("Week.dat"), db);
  SetCurrentLocale(previous);
  EXPECT_EQ(Query(db,
                  "SELECT typeof(Staff), typeof(Day), typeof(Hours), typeof(Note), "
                  "typeof(record) FROM Week LIMIT 1"),
            "integer|text|real|text|integer");
  EXPECT_EQ(Query(db,
                  "SELECT workbook, record, Staff, Day, Hours, Name FROM Week WHERE "
                  "record IN (2, 7) ORDER BY record"),
            "week.xls|2|42|2024-01-02|7.5|Tue\nweek.xls|7|42|2024-01-07|0.0|Sun");
  EXPECT_EQ(Query(db, "SELECT Note FROM Week LIMIT 1"), "He said \"hi\", then\nleft");
  EXPECT_EQ(
      Query(db, "SELECT name, size, length(sha256), records FROM filed_workbooks"),
      "week.xls|" + std::to_string(std::filesystem::file_size(test::WeekWorkbook())) + "|64|7");
  EXPECT_EQ(Query(db, "PRAGMA journal_mode"), "wal");

  // The same bytes again, under another name: reported and skipped; with refile, filed again.
  std::filesystem::copy_file(test::WeekWorkbook(), dir.File("copy.xls"));
  ExtractWorkbookData(dir.File("copy.xls"), dir.File("Week.dat"), db);
  ASSERT_EQ(notices.shown.size(), 1u);
  EXPECT_EQ(notices.shown[0].substr(0, 60),
            "copy.xls: skipped: a workbook with the same bytes is already");
  EXPECT_EQ(Query(db, "SELECT count(*) FROM Week"), "7");
  DataFileOptions options;
  options.refile = true;
  {
    const ScopedDataFileOptions scoped(options);
    ExtractWorkbookData(dir.File("copy.xls"), dir.File("Week.dat"), db);
  }
  EXPECT_EQ(Query(db, "SELECT count(*), count(DISTINCT workbook) FROM Week"), "14|2");

  // A field added to the form type gets its column; a workbook that fails adds nothing.
  test::WriteFormType(dir.File("Week.dat"), {{"Staff", "B2", "0"}, {"Rate", "C7", "0.0"}});
  std::filesystem::copy_file(SHEAVER_SOURCE_DIR "/examples/forms/Timesheet 2024-01-01 017.xls",
                             dir.File("other.xls"),
                             std::filesystem::copy_options::overwrite_existing);
  ExtractWorkbookData(dir.File("other.xls"), dir.File("Week.dat"), db);
  EXPECT_EQ(Query(db, "SELECT Staff, Rate FROM Week WHERE workbook = 'other.xls'"), "17|7.5");
  test::WriteFormType(dir.File("Week.dat"), {{"Staff", "B2", "0"}, {"Bad", "B5", "0"}});
  EXPECT_EQ(test::RaisedBy([&] {
              ExtractWorkbookData(test::WeekWorkbook(), dir.File("Week.dat"), db);
            }).number,
            13);
  EXPECT_EQ(Query(db, "SELECT count(*) FROM filed_workbooks"), "3");
}

// A run killed at any moment, then run again over the same workbooks: every workbook's records
// are in the database once.
TEST(SqliteDataFile, AKilledRunAndARerunFileEachRecordOnce) {
  TempDir dir;
  const std::string forms = SHEAVER_SOURCE_DIR "/examples/forms";
  std::vector<std::string> workbooks;
  for (const auto& entry : std::filesystem::directory_iterator(forms))
    workbooks.push_back(entry.path().string());
  std::sort(workbooks.begin(), workbooks.end());
  const std::string formType = SHEAVER_SOURCE_DIR "/examples/FormTypes/Timesheet.dat";
  const std::string db = dir.File("forms.sqlite");
  Notices notices;
  auto fileAll = [&](bool slowly) {
    for (const std::string& workbook : workbooks) {
      ExtractWorkbookData(workbook, formType, db);
      if (slowly) std::this_thread::sleep_for(std::chrono::milliseconds(15));
    }
  };
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    try {
      fileAll(true);
    } catch (...) {
    }
    ::_exit(0);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (Query(db, "SELECT count(*) >= 4 FROM filed_workbooks") != "1" &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  const std::string before = Query(db, "SELECT count(*) FROM filed_workbooks");
  EXPECT_LT(std::stoi(before), static_cast<int>(workbooks.size())) << "killed too late";

  fileAll(false);
  EXPECT_EQ(Query(db, "SELECT count(*), count(DISTINCT workbook) FROM Timesheet"), "84|12");
  EXPECT_EQ(Query(db, "SELECT count(*), sum(records) FROM filed_workbooks"), "12|84");
  EXPECT_EQ(notices.shown.size(), std::stoul(before));
}

}  // namespace
}  // namespace sheaver
