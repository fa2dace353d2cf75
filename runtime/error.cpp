#include "runtime/error.h"

#include <new>
#include <utility>

namespace sheaver {

std::string_view StandardDescription(int number) {
  switch (number) {
    case err::kInvalidCall:
      return "Invalid procedure call or argument";
    case err::kOverflow:
      return "Overflow";
    case err::kOutOfMemory:
      return "Out of memory";
    case err::kSubscript:
      return "Subscript out of range";
    case err::kDivisionByZero:
      return "Division by zero";
    case err::kTypeMismatch:
      return "Type mismatch";
    case err::kBadFileName:
      return "Bad file name or number";
    case err::kFileNotFound:
      return "File not found";
    case err::kDeviceIO:
      return "Device I/O error";
    case err::kFileAlreadyExists:
      return "File already exists";
    case err::kDiskFull:
      return "Disk full";
    case err::kInputPastEnd:
      return "Input past end of file";
    case err::kPermissionDenied:
      return "Permission denied";
    case err::kPathFileAccess:
      return "Path/File access error";
    case err::kPathNotFound:
      return "Path not found";
    case err::kInternal:
      return "Internal error";
    case err::kInvalidPropertyValue:
      return "Invalid property value";
    case err::kNoSuchProperty:
      return "Object doesn't support this property or method";
    case err::kDialogCancelled:
      return "Cancel was selected.";
    case err::kIndexOutOfBounds:
      return "Index out of bounds";
    case err::kInvalidFileFormat:
      return "Invalid file format";
    case err::kObjectNotSet:
      return "Object variable or With block variable not set";
    case err::kCannotCreateObject:
      return "ActiveX component can't create object";
    case err::kBadReference:
      return "Method 'Range' of object 'Worksheet' failed";
    case err::kWorkbookUnreadable:
      return "The workbook cannot be read";
    case err::kWorkbookEncrypted:
      return "The workbook is password-protected";
    case err::kWorkbookUnsupported:
      return "The workbook format is not supported";
    default:
      return "Application-defined or object-defined error";
  }
}

std::string RuntimeErrorText(const Error& e) {
  return "Run-time error '" + std::to_string(e.Number()) + "':\n\n" + e.Description();
}

Error AsError(const std::exception& e) {
  if (const auto* error = dynamic_cast<const Error*>(&e)) return *error;
  if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr) return Error(err::kOutOfMemory);
  return Error(err::kInternal, std::string("Internal error: ") + e.what());
}

Error::Error(int number) : number_(number), description_(StandardDescription(number)) {
  UpdateWhat();
}

Error::Error(int number, std::string description)
    : number_(number), description_(std::move(description)) {
  UpdateWhat();
}

Error& Error::Within(std::string_view context) {
  if (!context.empty()) {
    description_ = std::string(context) + ": " + description_;
    UpdateWhat();
  }
  return *this;
}

Error& Error::Within(std::string_view context, const ErrorContext& known) {
  Within(context);
  return Record(known);
}

Error& Error::InFile(std::string_view file) {
  return Within(file, {.file = std::string(file)});
}

Error& Error::Record(const ErrorContext& known) {
  auto keep = [](auto& mine, const auto& theirs) {
    if (!mine.empty() || theirs.empty()) return;
    mine = theirs;
  };
  keep(context_.file, known.file);
  keep(context_.part, known.part);
  keep(context_.sheet, known.sheet);
  keep(context_.field, known.field);
  keep(context_.cell, known.cell);
  if (!context_.record) context_.record = known.record;
  if (!context_.offset) context_.offset = known.offset;
  return *this;
}

void Error::UpdateWhat() {
  what_ = description_ + " (error " + std::to_string(number_) + ")";
}

void Raise(int number) {
  throw Error(number);
}
void Raise(int number, std::string description) {
  throw Error(number, std::move(description));
}

}  // namespace sheaver
