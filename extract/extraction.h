// Filing one workbook: a form type names the fields to read (name, cell reference, format code);
// the workbook's cells become records appended to the export data file, one line per record.
//
// The export data file is separated text with CR LF line ends, written by the data file options
// in force (extract/data_file_options.h: separator, byte-order mark, neutralised formulas): a
// header line of the field names when the extraction finds no data file, then one line per
// record. A name or value holding the separator, a double quote, CR or LF is quoted, inner
// quotes doubled; everything else goes in as it stands. A workbook gives as many records as its
// longest field strip has cells; a single-cell field repeats its value in every record. When
// the form type marks fields as keys (fourth column "key"), a record whose key fields are all
// blank is left out.
//
// Every error raised here keeps its number and says which workbook it concerns and, where it
// helps, which field (name, reference, format code) and which record (counted from 1 within the
// workbook): "Week07.xls: field Day (B3, +dmy), record 4: Type mismatch: ...".
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "extract/data_sink.h"
#include "runtime/error.h"
#include "runtime/int16.h"
#include "spreadsheet/workbook.h"

namespace sheaver {

// Reads the workbook at workbookPath by the form type at formTypePath (a "dat" table file: one
// row per field with its name, reference and format code; further columns ignored, missing ones
// empty; a fourth column "key" marks a key field) and files its records into dataFilePath: the
// CSV data file, or an SQLite database when IsSqliteDataFile (extract/data_sink.h). Every record
// is formatted first and all of them go out at once (one append, one transaction), so a workbook
// adds all its records or none: a conversion error, an unreadable workbook or a failed write (cut
// back to the file's length before it) leaves the data file as it was. The CSV header line comes
// first when no regular file is found at dataFilePath (an existing empty file gets none); an
// existing file whose first line uses another separator than the chosen one raises Invalid
// procedure call (5) naming it, before anything is written. The workbook is open only for this
// call. A form type without field rows raises
// Subscript out of range (9); a range of more than 32767 rows or columns raises Overflow (6).
void ExtractWorkbookData(const std::string& workbookPath, const std::string& formTypePath,
                         const std::string& dataFilePath);

// ExtractWorkbookData with a CSV data file's text going to append (RecordAppend) instead of
// straight into the data file; the
// header is still due by whether a regular file stands at dataFilePath. The form type is read
// once and kept until its file changes (path, inode, size, modification time) or
// ForgetFormTypes is called: a run calls that when it starts.
void ExtractWorkbookData(const std::string& workbookPath, const std::string& formTypePath,
                         const std::string& dataFilePath, const RecordAppend& append);
// The mark of a key field in a form type's fourth column.
inline constexpr const char* kKeyMark = "key";

// Whether a form type's fourth column marks its field as a key: kKeyMark in any letter case,
// spaces around it ignored.
bool IsKeyMark(std::string_view text);

// Appends text and CR LF to the file at path, creating it; the file is open only for this call.
// Raises the file's error (missing directory 76, refused access 70, ...), naming the file.
void AppendLine(const std::string& path, std::string_view text);

// The range a form type reference stands for in a workbook: the first defined name whose full
// name ("Total", "Sheet2!Total") equals the reference ignoring letter case; else the reference on
// the active sheet; else, when the active sheet rejects it (a misspelt name, a malformed or empty
// reference), cell A1 of the active sheet. A matching name that is not a range raises 1004.
xl::Range ResolveFieldReference(const xl::Workbook& book, std::string_view reference);

// The text the range gives to record `index` (from 0): on a one-row strip the cell at that
// column, on a one-column strip the cell at that row, on a single cell that cell whatever the
// index; "" past the strip's end and for a block of several rows and columns. A cell holding an
// error value raises Type mismatch (13).
std::string GetCellText(const xl::Range& range, Int16 index);

// The error as a message about the workbook: its file name in front, once (an error that already
// starts with the workbook's path or name keeps just the name).
Error WithinWorkbook(const Error& e, const std::string& workbookPath);

// Drops the form type kept by the journaled ExtractWorkbookData, and the data file separator
// it found checked.
void ForgetFormTypes();

// Record lines (header lines not counted) appended by ExtractWorkbookData in this process so
// far; for summaries such as the command-line tool's.
std::uint64_t RecordLinesAppended();

}  // namespace sheaver
