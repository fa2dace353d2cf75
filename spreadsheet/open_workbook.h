// Opening a workbook by its content: the one dispatch point from a file's bytes to the reader
// for its format, with a clear error for everything that is not a workbook read here.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/model.h"

namespace sheaver::xl {

// What a file's first bytes say it is.
enum class ContentKind {
  kEmpty,           // no bytes at all
  kCompoundFile,    // an OLE2 compound file (Excel 5 to 2003 .xls, Word .doc, ...)
  kBareBiff,        // a BIFF5/8 workbook stream without a compound file around it
  kOldBiff,         // an Excel 2.x/3.x/4.x worksheet (bare BIFF2/3/4 stream)
  kZip,             // a zip package (.xlsx, .ods and relatives)
  kHtml,            // a web page
  kSpreadsheetXml,  // an Excel 2003 XML spreadsheet
  kXml,             // some other XML document
  kSylk,            // a symbolic link (SYLK) file
  kDelimitedText,   // comma/semicolon/tab-separated text
  kText,            // other plain text
  kUnknown,         // none of these
};

// Classifies content by its leading bytes (the first few kilobytes are enough).
ContentKind SniffContent(std::span<const std::uint8_t> head);

// How to open a workbook.
struct OpenOptions {
  // The password an encrypted workbook is opened with. Without one, only the workbooks Excel
  // encrypts with its default password (those saved with a protected structure) open. The
  // password never appears in an error text.
  std::optional<std::string> password;
};

// Opens the workbook at a path. Raises 53 (naming the file) when it does not exist, 75 when it
// cannot be read; otherwise as OpenWorkbookBytes. Errors carry the path in front.
std::shared_ptr<WorkbookModel> OpenWorkbookFile(const std::string& path,
                                                const OpenOptions& options = {});

// Opens a workbook held in memory; `name` stands for it in error texts. Reads Excel 97-2003 and
// 5.0/95 workbooks, .xlsx/.xlsm and .ods, by their content whatever the file is called, and
// encrypted ones with the password of `options`. Raises 1005 when the bytes are not a workbook
// or a damaged one, 1006 when it is password-protected and the password (given or not) does not
// open it, 1007 for a workbook format not read here (Excel 2.x-4.x, .xlsb, OpenOffice.org 1.x).
std::shared_ptr<WorkbookModel> OpenWorkbookBytes(std::vector<std::uint8_t> bytes,
                                                 std::string_view name,
                                                 const OpenOptions& options = {});

}  // namespace sheaver::xl
