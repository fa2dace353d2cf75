// A file system for tests: the machine's own, except that chosen operations fail with a chosen
// error (the n-th append, every move, ...) and that the current directory can be set. Install it
// for one test with ScopedFileSystem.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/filesystem.h"

namespace sheaver::test {

enum class FileOp { kRead, kWrite, kAppend, kMove };

class FailingFileSystem : public LocalFileSystem {
 public:
  // After `succeed` more successful calls of op, that call and every later one raise error
  // `number` naming the file, without touching the disk.
  void Fail(FileOp op, int number, int succeed = 0) { failures_[op] = {number, succeed}; }
  void SetCurrentDirectory(std::string dir) { currentDirectory_ = std::move(dir); }

  std::vector<std::string> ReadTextLines(const std::string& path, std::size_t maxLines) override {
    Check(FileOp::kRead, path);
    return LocalFileSystem::ReadTextLines(path, maxLines);
  }
  void WriteTextLines(const std::string& path, const std::vector<std::string>& lines) override {
    Check(FileOp::kWrite, path);
    LocalFileSystem::WriteTextLines(path, lines);
  }
  void AppendTextLine(const std::string& path, std::string_view line) override {
    Check(FileOp::kAppend, path);
    LocalFileSystem::AppendTextLine(path, line);
  }
  void MoveFile(const std::string& source, const std::string& target) override {
    Check(FileOp::kMove, "Cannot move " + source + " to " + target);
    LocalFileSystem::MoveFile(source, target);
  }
  void ReplaceFile(const std::string& source, const std::string& target) override {
    Check(FileOp::kMove, "Cannot move " + source + " to " + target);
    LocalFileSystem::ReplaceFile(source, target);
  }
  std::string CurrentDirectory() override {
    return currentDirectory_ ? *currentDirectory_ : LocalFileSystem::CurrentDirectory();
  }

 private:
  struct Failure {
    int number;
    int succeed;
  };
  void Check(FileOp op, const std::string& what) {
    auto it = failures_.find(op);
    if (it == failures_.end()) return;
    if (it->second.succeed > 0) {
      --it->second.succeed;
      return;
    }
    throw Error(it->second.number).Within(what);
  }
  std::map<FileOp, Failure> failures_;
  std::optional<std::string> currentDirectory_;
};

// Installs a file system for the lifetime of this object, then puts the previous one back.
class ScopedFileSystem {
 public:
  explicit ScopedFileSystem(std::shared_ptr<FileSystem> fileSystem)
      : previous_(SetFileSystem(std::move(fileSystem))) {}
  ~ScopedFileSystem() { SetFileSystem(std::move(previous_)); }
  ScopedFileSystem(const ScopedFileSystem&) = delete;
  ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

 private:
  std::shared_ptr<FileSystem> previous_;
};

}  // namespace sheaver::test
