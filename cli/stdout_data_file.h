// The data file "-" of a run whose records go to standard output: a file system that serves
// that one name from a stream and hands every other path to the file system underneath.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "platform/filesystem.h"

namespace sheaver::cli {

// The name that stands for standard output as the data file.
inline constexpr const char* kStdoutDataFile = "-";

class StdoutDataFile : public FileSystem {
 public:
  StdoutDataFile(std::shared_ptr<FileSystem> under, std::FILE* out);

  // "-" exists once something was written to it, so that only the first workbook writes the
  // header; its first line is the one written first.
  bool RegularFileExists(const std::string& path) override;
  std::vector<std::string> ReadTextLines(const std::string& path, std::size_t maxLines) override;
  // Writes the line and CR LF to the stream and flushes it; Device I/O error (57) when the
  // stream refuses it (a closed pipe).
  void AppendTextLine(const std::string& path, std::string_view line) override;

  std::vector<std::string> FindFiles(const std::string& pattern, std::size_t limit) override;
  void WriteTextLines(const std::string& path, const std::vector<std::string>& lines) override;
  void MoveFile(const std::string& source, const std::string& target) override;
  void ReplaceFile(const std::string& source, const std::string& target) override;
  void DeleteFile(const std::string& path) override;
  std::string CurrentDirectory() override;
  std::string ProgramDirectory() override;

 private:
  std::shared_ptr<FileSystem> under_;
  std::FILE* out_;
  bool written_ = false;
  std::string firstLine_;
};

// Installs a StdoutDataFile over the current file system for one scope.
class ScopedStdoutDataFile {
 public:
  explicit ScopedStdoutDataFile(std::FILE* out);
  ~ScopedStdoutDataFile();
  ScopedStdoutDataFile(const ScopedStdoutDataFile&) = delete;
  ScopedStdoutDataFile& operator=(const ScopedStdoutDataFile&) = delete;

 private:
  std::shared_ptr<FileSystem> previous_;
};

}  // namespace sheaver::cli
