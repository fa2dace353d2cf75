#include "extract/preview.h"

#include <memory>
#include <utility>

#include "extract/data_file_options.h"
#include "extract/extraction.h"
#include "platform/filesystem.h"

namespace sheaver {
namespace {

// The name of the data file a preview appends to: no file system has a file of this name, and
// the preview's file system never looks for one.
constexpr const char* kPreviewDataFile = "\x01sheaver-preview";

// The file system of a preview: the data file is never found and the lines appended to it are
// kept; an in-memory form type is served under its name; everything else is read from the file
// system underneath. Nothing is ever written, moved or deleted on disk: a write that is not the
// form type's or the data file's is refused.
class PreviewFileSystem : public FileSystem {
 public:
  PreviewFileSystem(std::shared_ptr<FileSystem> under, std::string formTypeName)
      : under_(std::move(under)), formTypeName_(std::move(formTypeName)) {}

  std::vector<std::string> FindFiles(const std::string& pattern, std::size_t limit) override {
    if (pattern == kPreviewDataFile) return {};
    return under_->FindFiles(pattern, limit);
  }
  bool RegularFileExists(const std::string& path) override {
    return path != kPreviewDataFile && under_->RegularFileExists(path);
  }
  std::vector<std::string> ReadTextLines(const std::string& path, std::size_t maxLines) override {
    if (InMemoryFormType(path)) {
      std::vector<std::string> lines = formTypeLines_;
      if (lines.size() > maxLines) lines.resize(maxLines);
      return lines;
    }
    return under_->ReadTextLines(path, maxLines);
  }
  void WriteTextLines(const std::string& path, const std::vector<std::string>& lines) override {
    if (!InMemoryFormType(path)) Refuse(path);
    formTypeLines_ = lines;
  }
  void AppendTextLine(const std::string& path, std::string_view line) override {
    if (path != kPreviewDataFile) Refuse(path);
    // A workbook's lines arrive in one append, joined by CR LF; a byte-order mark belongs to
    // the file, not to its first line.
    if (appended_.empty() && line.starts_with(kByteOrderMark))
      line.remove_prefix(kByteOrderMark.size());
    for (;;) {
      const std::size_t end = line.find("\r\n");
      appended_.emplace_back(line.substr(0, end));
      if (end == std::string_view::npos) break;
      line.remove_prefix(end + 2);
    }
  }
  void MoveFile(const std::string& source, const std::string&) override { Refuse(source); }
  void ReplaceFile(const std::string& source, const std::string&) override { Refuse(source); }
  void DeleteFile(const std::string& path) override { Refuse(path); }
  std::string CurrentDirectory() override { return under_->CurrentDirectory(); }
  std::string ProgramDirectory() override { return under_->ProgramDirectory(); }

  std::vector<std::string> TakeLines() { return std::move(appended_); }

 private:
  bool InMemoryFormType(const std::string& path) const {
    return !formTypeName_.empty() && path == formTypeName_;
  }
  [[noreturn]] static void Refuse(const std::string& path) {
    Raise(err::kPermissionDenied, path + ": Permission denied (a preview changes no file)");
  }

  std::shared_ptr<FileSystem> under_;
  std::string formTypeName_;  // "" when the form type is read from disk
  std::vector<std::string> formTypeLines_;
  std::vector<std::string> appended_;
};

// Runs `extract` with the preview's file system installed, the previous one put back however it
// ends.
template <class F>
PreviewResult WithPreviewFiles(std::string formTypeName, F&& extract) {
  struct Restore {
    std::shared_ptr<FileSystem> previous;
    ~Restore() { SetFileSystem(std::move(previous)); }
  } restore{SetFileSystem(nullptr)};
  auto files = std::make_shared<PreviewFileSystem>(restore.previous, std::move(formTypeName));
  SetFileSystem(files);

  PreviewResult result;
  try {
    extract();
  } catch (const Error& e) {
    result.error = e;
  }
  result.lines = files->TakeLines();
  return result;
}

}  // namespace

PreviewResult PreviewWorkbookData(const std::string& workbookPath,
                                  const std::string& formTypePath) {
  return WithPreviewFiles(
      {}, [&] { ExtractWorkbookData(workbookPath, formTypePath, kPreviewDataFile); });
}

PreviewResult PreviewWorkbookData(const std::string& workbookPath, const DataTable& formType) {
  const std::string name = formType.FileName().empty() ? "Untitled.dat" : formType.FileName();
  return WithPreviewFiles(name, [&] {
    // The form type goes through the table file format exactly as a saved one would: written in
    // the layout the extraction reads, then loaded by the extraction.
    DataTable copy = formType;
    copy.FileName(name);
    copy.Fmt(0);
    copy.Save();
    ExtractWorkbookData(workbookPath, name, kPreviewDataFile);
  });
}

}  // namespace sheaver
