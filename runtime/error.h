// The one error type of the system: a number and a description, as the run-time errors that
// users of this kind of program know them, enriched with context (workbook, field, cell) on its
// way up to the user.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

namespace sheaver {

// Error numbers. The run-time's own numbers where the kind of failure has one; the spreadsheet
// engine's errors use the 1000 range, as a spreadsheet application's automation errors do.
namespace err {
inline constexpr int kInvalidCall = 5;             // Invalid procedure call or argument
inline constexpr int kOverflow = 6;                // Overflow
inline constexpr int kOutOfMemory = 7;             // Out of memory
inline constexpr int kSubscript = 9;               // Subscript out of range
inline constexpr int kDivisionByZero = 11;         // Division by zero
inline constexpr int kTypeMismatch = 13;           // Type mismatch
inline constexpr int kBadFileName = 52;            // Bad file name or number
inline constexpr int kFileNotFound = 53;           // File not found
inline constexpr int kFileAlreadyExists = 58;      // File already exists
inline constexpr int kDeviceIO = 57;               // Device I/O error
inline constexpr int kDiskFull = 61;               // Disk full
inline constexpr int kInputPastEnd = 62;           // Input past end of file
inline constexpr int kPermissionDenied = 70;       // Permission denied
inline constexpr int kPathFileAccess = 75;         // Path/File access error
inline constexpr int kPathNotFound = 76;           // Path not found
inline constexpr int kInternal = 51;               // Internal error
inline constexpr int kInvalidPropertyValue = 380;  // Invalid property value
inline constexpr int kNoSuchProperty = 438;        // Object doesn't support this property or method
inline constexpr int kDialogCancelled = 32755;     // Cancel was selected.
inline constexpr int kIndexOutOfBounds = 35600;    // Index out of bounds
inline constexpr int kInvalidFileFormat = 321;     // Invalid file format
inline constexpr int kObjectNotSet = 91;           // Object variable or With block variable not set
inline constexpr int kCannotCreateObject = 429;    // ActiveX component can't create object
// Spreadsheet engine.
inline constexpr int kBadReference = 1004;         // a range reference the sheet does not accept
inline constexpr int kWorkbookUnreadable = 1005;   // not a workbook, or a damaged one
inline constexpr int kWorkbookEncrypted = 1006;    // password-protected workbook
inline constexpr int kWorkbookUnsupported = 1007;  // a workbook format the engine does not read
// Every number above, for the test that each has its description.
inline constexpr int kAll[] = {kInvalidCall,
                               kOverflow,
                               kOutOfMemory,
                               kSubscript,
                               kDivisionByZero,
                               kTypeMismatch,
                               kInternal,
                               kBadFileName,
                               kFileNotFound,
                               kDeviceIO,
                               kFileAlreadyExists,
                               kDiskFull,
                               kInputPastEnd,
                               kPermissionDenied,
                               kPathFileAccess,
                               kPathNotFound,
                               kObjectNotSet,
                               kInvalidFileFormat,
                               kInvalidPropertyValue,
                               kCannotCreateObject,
                               kNoSuchProperty,
                               kBadReference,
                               kWorkbookUnreadable,
                               kWorkbookEncrypted,
                               kWorkbookUnsupported,
                               kDialogCancelled,
                               kIndexOutOfBounds};
}  // namespace err

// The standard description of an error number ("Overflow" for 6), or "Application-defined or
// object-defined error" for a number without one.
std::string_view StandardDescription(int number);

// Where an error happened, as far as the code that raised it or passed it on knew: a field is
// empty (or absent) where nobody knew it. The description says the same in words; this is for
// callers and tests that ask "which workbook, which cell".
struct ErrorContext {
  std::string file = {};  // the file concerned: a workbook, form type, data file or settings file
  std::string part = {};  // in a workbook: its stream or package part ("Workbook", "xl/styles.xml")
  std::string sheet = {};                    // the sheet's name
  std::string field = {};                    // the form type field's name
  std::string cell = {};                     // the cell's address on its sheet ("B4")
  std::optional<std::int32_t> record = {};   // the record within its workbook, from 1
  std::optional<std::uint64_t> offset = {};  // the byte offset in the part or stream
};

class Error : public std::exception {
 public:
  // An error with the standard description of its number.
  explicit Error(int number);
  Error(int number, std::string description);

  int Number() const noexcept { return number_; }
  const std::string& Description() const noexcept { return description_; }
  // "Description (error N)", for logs and exceptions that escape.
  const char* what() const noexcept override { return what_.c_str(); }

  // Puts context in front of the description: "Week07.xls: field Hours (C6:C12): Type mismatch".
  // The number stays; returns *this so that a handler can `throw e.Within(...)` or rethrow.
  Error& Within(std::string_view context);
  // The same, also recording what the context text says: each field of `known` is kept where
  // the error has none yet, so the innermost code that knew a field has the say.
  Error& Within(std::string_view context, const ErrorContext& known);
  // Puts "FILE: " in front and records the file.
  Error& InFile(std::string_view file);
  // Records context without changing the description (which already says it).
  Error& Record(const ErrorContext& known);
  const ErrorContext& Context() const noexcept { return context_; }

 private:
  void UpdateWhat();
  int number_;
  std::string description_;
  std::string what_;
  ErrorContext context_;
};

// Throws Error(number) or Error(number, description): short forms for the common raises.
[[noreturn]] void Raise(int number);
[[noreturn]] void Raise(int number, std::string description);

// The text of the message for an error that leaves an event handler or start-up:
// "Run-time error '53':", a blank line, then the description.
std::string RuntimeErrorText(const Error& e);

// The Error for any exception: itself for an Error, Out of memory (7) for an allocation failure,
// and "Internal error" (51) with the exception's text for anything else.
Error AsError(const std::exception& e);

}  // namespace sheaver
