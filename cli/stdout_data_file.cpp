#include "cli/stdout_data_file.h"

#include <utility>

namespace sheaver::cli {

StdoutDataFile::StdoutDataFile(std::shared_ptr<FileSystem> under, std::FILE* out)
    : under_(std::move(under)), out_(out) {}

bool StdoutDataFile::RegularFileExists(const std::string& path) {
  if (path == kStdoutDataFile) return written_;
  return under_->RegularFileExists(path);
}

std::vector<std::string> StdoutDataFile::ReadTextLines(const std::string& path,
                                                       std::size_t maxLines) {
  if (path != kStdoutDataFile) return under_->ReadTextLines(path, maxLines);
  if (!written_ || maxLines == 0) return {};
  return {firstLine_};
}

void StdoutDataFile::AppendTextLine(const std::string& path, std::string_view line) {
  if (path != kStdoutDataFile) return under_->AppendTextLine(path, line);
  if (!written_) firstLine_ = std::string(line.substr(0, line.find_first_of("\r\n")));
  if (std::fwrite(line.data(), 1, line.size(), out_) != line.size() ||
      std::fputs("\r\n", out_) == EOF || std::fflush(out_) != 0)
    Raise(err::kDeviceIO, "Device I/O error: cannot write the records to standard output");
  written_ = true;
}

std::vector<std::string> StdoutDataFile::FindFiles(const std::string& pattern, std::size_t limit) {
  return under_->FindFiles(pattern, limit);
}
void StdoutDataFile::WriteTextLines(const std::string& path,
                                    const std::vector<std::string>& lines) {
  under_->WriteTextLines(path, lines);
}
void StdoutDataFile::MoveFile(const std::string& source, const std::string& target) {
  under_->MoveFile(source, target);
}
void StdoutDataFile::ReplaceFile(const std::string& source, const std::string& target) {
  under_->ReplaceFile(source, target);
}
void StdoutDataFile::DeleteFile(const std::string& path) {
  under_->DeleteFile(path);
}
std::string StdoutDataFile::CurrentDirectory() {
  return under_->CurrentDirectory();
}
std::string StdoutDataFile::ProgramDirectory() {
  return under_->ProgramDirectory();
}

ScopedStdoutDataFile::ScopedStdoutDataFile(std::FILE* out) : previous_(SetFileSystem(nullptr)) {
  SetFileSystem(std::make_shared<StdoutDataFile>(previous_, out));
}

ScopedStdoutDataFile::~ScopedStdoutDataFile() {
  SetFileSystem(std::move(previous_));
}

}  // namespace sheaver::cli
