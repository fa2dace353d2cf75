// The SQLite data file sink: one table per form type, named after the form type file, with one
// column per field typed by its format code, plus the workbook's name, the time it was filed and
// the record's index; and a filed_workbooks table with one row per workbook filed. A workbook's
// records and its filed_workbooks row go in one transaction, so a workbook is in the database
// whole or not at all whatever stops the run; a workbook identical to one filed before (same
// size and SHA-256) is skipped unless the options ask to file it again. The database is in WAL
// mode, so that users can query it while a run goes on.
#include <openssl/evp.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>

#include "extract/data_sink.h"
#include "runtime/error.h"

namespace sheaver {
namespace {

// How long a write waits for another connection's transaction (a second run, a user's
// query that writes) before it is an error.
constexpr int kBusyTimeoutMs = 10000;

constexpr const char* kFiledWorkbooksTable =
    "CREATE TABLE IF NOT EXISTS filed_workbooks ("
    "id INTEGER PRIMARY KEY, name TEXT NOT NULL, size INTEGER NOT NULL, sha256 TEXT NOT NULL, "
    "filed_at TEXT NOT NULL, form_type TEXT NOT NULL, records INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS filed_workbooks_sha256 ON filed_workbooks (sha256, size);";

std::string FileNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The form type's table name: its file name without the extension.
std::string TableName(const std::string& formTypePath) {
  std::string name = FileNameOf(formTypePath);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name.empty() ? "records" : name;
}

// An SQL identifier in double quotes, inner ones doubled.
std::string Quoted(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

const char* ColumnType(CodeKind kind) {
  switch (kind) {
    case CodeKind::kInteger:
      return "INTEGER";
    case CodeKind::kDecimal:
      return "REAL";
    case CodeKind::kText:
    case CodeKind::kDate:
    case CodeKind::kPattern:
      break;
  }
  return "TEXT";
}

// The local time now as yyyy-mm-dd hh:mm:ss.
std::string Now() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

// The workbook's bytes: its size and SHA-256 in lower-case hex.
struct Fingerprint {
  std::int64_t size = 0;
  std::string sha256;
};

Fingerprint FingerprintOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Raise(err::kFileNotFound, path + ": File not found");
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  if (context == nullptr || EVP_DigestInit_ex(context, EVP_sha256(), nullptr) != 1) {
    EVP_MD_CTX_free(context);
    Raise(err::kOutOfMemory);
  }
  Fingerprint print;
  char buffer[1 << 16];
  while (in) {
    in.read(buffer, sizeof buffer);
    const std::streamsize got = in.gcount();
    if (got > 0) {
      EVP_DigestUpdate(context, buffer, static_cast<std::size_t>(got));
      print.size += got;
    }
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(context, digest, &length);
  EVP_MD_CTX_free(context);
  static const char kHex[] = "0123456789abcdef";
  for (unsigned int i = 0; i < length; ++i) {
    print.sha256 += kHex[digest[i] >> 4];
    print.sha256 += kHex[digest[i] & 15];
  }
  return print;
}

class Database {
 public:
  explicit Database(const std::string& path) : path_(path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK)
      Fail("cannot open the database");
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  }
  ~Database() { sqlite3_close_v2(db_); }
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  void Exec(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
      const std::string text = message ? message : sqlite3_errmsg(db_);
      sqlite3_free(message);
      Raise(err::kDeviceIO, path_ + ": Device I/O error: " + text);
    }
  }

  // A prepared statement, finalised when it goes.
  class Statement {
   public:
    Statement(Database& db, const std::string& sql) : db_(db) {
      if (sqlite3_prepare_v2(db.db_, sql.c_str(), -1, &statement_, nullptr) != SQLITE_OK)
        db.Fail("cannot prepare a statement");
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void Bind(int at, const std::string& text) {
      sqlite3_bind_text(statement_, at, text.data(), static_cast<int>(text.size()),
                        SQLITE_TRANSIENT);
    }
    void Bind(int at, std::int64_t number) { sqlite3_bind_int64(statement_, at, number); }
    // A value of a typed column: a number for INTEGER and REAL columns, the text otherwise.
    void BindValue(int at, const std::string& value, CodeKind kind) {
      try {
        if (kind == CodeKind::kInteger) {
          sqlite3_bind_int64(statement_, at, std::stoll(value));
          return;
        }
        if (kind == CodeKind::kDecimal) {
          sqlite3_bind_double(statement_, at, std::stod(value));
          return;
        }
      } catch (const std::logic_error&) {
        // Beyond 64 bits or a double: the digits are kept as text rather than lost.
      }
      Bind(at, value);
    }
    // Steps once: true while rows come.
    bool Step() {
      const int result = sqlite3_step(statement_);
      if (result == SQLITE_ROW) return true;
      if (result != SQLITE_DONE) db_.Fail("cannot write");
      return false;
    }
    void Reset() {
      sqlite3_reset(statement_);
      sqlite3_clear_bindings(statement_);
    }
    std::string Text(int column) {
      const auto* text = sqlite3_column_text(statement_, column);
      return text ? reinterpret_cast<const char*>(text) : "";
    }

   private:
    Database& db_;
    sqlite3_stmt* statement_ = nullptr;
  };

  [[noreturn]] void Fail(const std::string& what) {
    const int code = db_ ? sqlite3_errcode(db_) : SQLITE_CANTOPEN;
    const std::string text = db_ ? sqlite3_errmsg(db_) : "out of memory";
    int number = err::kDeviceIO;
    if (code == SQLITE_CANTOPEN) number = err::kPathNotFound;
    if (code == SQLITE_READONLY || code == SQLITE_PERM) number = err::kPermissionDenied;
    if (code == SQLITE_FULL) number = err::kDiskFull;
    Raise(number,
          path_ + ": " + std::string(StandardDescription(number)) + ": " + what + ": " + text);
  }

 private:
  std::string path_;
  sqlite3* db_ = nullptr;
};

// The field columns of a table made by an earlier run, so that fields added to the form type
// since then get their columns.
std::set<std::string> ColumnsOf(Database& db, const std::string& table) {
  std::set<std::string> columns;
  Database::Statement info(db, "SELECT name FROM pragma_table_info(?1)");
  info.Bind(1, table);
  while (info.Step()) columns.insert(info.Text(0));
  return columns;
}

class SqliteSink : public DataFileSink {
 public:
  SqliteSink(std::string path, const DataFileOptions& options)
      : path_(std::move(path)), refile_(options.refile) {}

  ValueStyle Style() const override { return ValueStyle::kTyped; }

  std::uint64_t Write(const WorkbookRecords& workbook) override {
    const Fingerprint print = FingerprintOf(workbook.workbookPath);
    const std::string name = FileNameOf(workbook.workbookPath);
    const std::string table = TableName(workbook.formTypePath);

    Database db(path_);
    db.Exec("PRAGMA journal_mode=WAL");
    db.Exec("BEGIN IMMEDIATE");
    try {
      db.Exec(kFiledWorkbooksTable);
      if (!refile_) {
        Database::Statement seen(
            db, "SELECT name, filed_at FROM filed_workbooks WHERE sha256 = ?1 AND size = ?2");
        seen.Bind(1, print.sha256);
        seen.Bind(2, print.size);
        if (seen.Step()) {
          const std::string before = seen.Text(0) + ", filed " + seen.Text(1);
          seen.Reset();
          db.Exec("ROLLBACK");
          FilingNotice(name + ": skipped: a workbook with the same bytes is already filed in " +
                       path_ + " (" + before + "); --refile files it again");
          return 0;
        }
      }
      CreateTable(db, table, workbook);
      const std::string filedAt = Now();
      std::string insert = "INSERT INTO " + Quoted(table) + " (workbook, filed_at, record";
      std::string places = "?1, ?2, ?3";
      for (std::size_t i = 0; i < workbook.names.size(); ++i) {
        insert += ", " + Quoted(workbook.names[i]);
        places += ", ?" + std::to_string(i + 4);
      }
      Database::Statement row(db, insert + ") VALUES (" + places + ")");
      for (const RecordValues& record : workbook.records) {
        row.Bind(1, name);
        row.Bind(2, filedAt);
        row.Bind(3, static_cast<std::int64_t>(record.index) + 1);
        for (std::size_t i = 0; i < record.values.size(); ++i)
          row.BindValue(static_cast<int>(i + 4), record.values[i], workbook.kinds[i]);
        row.Step();
        row.Reset();
      }
      Database::Statement filed(db,
                                "INSERT INTO filed_workbooks (name, size, sha256, filed_at, "
                                "form_type, records) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
      filed.Bind(1, name);
      filed.Bind(2, print.size);
      filed.Bind(3, print.sha256);
      filed.Bind(4, filedAt);
      filed.Bind(5, table);
      filed.Bind(6, static_cast<std::int64_t>(workbook.records.size()));
      filed.Step();
      db.Exec("COMMIT");
    } catch (...) {
      try {
        db.Exec("ROLLBACK");
      } catch (const Error&) {
        // The transaction is gone already (SQLite rolled it back itself).
      }
      throw;
    }
    return workbook.records.size();
  }

 private:
  static void CreateTable(Database& db, const std::string& table, const WorkbookRecords& workbook) {
    std::string create =
        "CREATE TABLE IF NOT EXISTS " + Quoted(table) +
        " (workbook TEXT NOT NULL, filed_at TEXT NOT NULL, record INTEGER NOT NULL";
    for (std::size_t i = 0; i < workbook.names.size(); ++i)
      create += ", " + Quoted(workbook.names[i]) + " " + ColumnType(workbook.kinds[i]);
    db.Exec(create + ")");
    const std::set<std::string> columns = ColumnsOf(db, table);
    for (std::size_t i = 0; i < workbook.names.size(); ++i)
      if (!columns.contains(workbook.names[i]))
        db.Exec("ALTER TABLE " + Quoted(table) + " ADD COLUMN " + Quoted(workbook.names[i]) + " " +
                ColumnType(workbook.kinds[i]));
  }

  std::string path_;
  bool refile_;
};

}  // namespace

std::unique_ptr<DataFileSink> SqliteDataFileSink(const std::string& path,
                                                 const DataFileOptions& options) {
  return std::make_unique<SqliteSink>(path, options);
}

}  // namespace sheaver
