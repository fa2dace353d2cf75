#include "spreadsheet/open_workbook.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <string>

#include "runtime/ascii.h"
#include "runtime/error.h"
#include "spreadsheet/biff_reader.h"
#include "spreadsheet/byte_cursor.h"
#include "spreadsheet/compound_file.h"
#include "spreadsheet/encrypted_package.h"
#include "spreadsheet/package_workbook.h"

namespace sheaver::xl {
namespace {

// Files up to this size are read whole; larger ones are read sector run by sector run, so that
// opening a large workbook holds its workbook stream in memory once rather than twice.
constexpr std::uint64_t kReadWholeLimit = 1u << 20;
constexpr std::size_t kSniffBytes = 8192;
// Files up to this size are read into a buffer kept for the next one.
constexpr std::uint64_t kKeptBufferLimit = 64u << 10;

class FileSource : public ByteSource {
 public:
  FileSource(std::FILE* f, std::uint64_t size) : f_(f), size_(size) {}
  std::uint64_t Size() const override { return size_; }
  void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const override {
    if (offset > size_ || out.size() > size_ - offset)
      RaiseDamaged("read past the end of the file", "file", offset);
    if (std::fseek(f_, static_cast<long>(offset), SEEK_SET) != 0 ||
        std::fread(out.data(), 1, out.size(), f_) != out.size())
      Raise(err::kDeviceIO, "the file could not be read");
  }

 private:
  std::FILE* f_;
  std::uint64_t size_;
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

[[noreturn]] void RaiseNotAWorkbook(std::string_view what) {
  Raise(err::kWorkbookUnreadable, "not a workbook: " + std::string(what));
}

// Explains a compound file without a workbook stream by what it holds instead.
[[noreturn]] void RaiseNoWorkbookStream(const CompoundFile& cf) {
  if (cf.Find("WordDocument")) RaiseNotAWorkbook("the file is a Word document");
  if (cf.Find("PowerPoint Document")) RaiseNotAWorkbook("the file is a PowerPoint presentation");
  if (cf.Find("VisioDocument")) RaiseNotAWorkbook("the file is a Visio drawing");
  if (cf.Find("Quill")) RaiseNotAWorkbook("the file is a Publisher document");
  if (cf.Find("__properties_version1.0")) RaiseNotAWorkbook("the file is an Outlook message");
  std::string names;
  for (const auto& e : cf.TopLevel()) {
    if (names.size() > 200) break;
    std::string printable;
    for (char c : e.name) printable += (static_cast<unsigned char>(c) < 0x20) ? '?' : c;
    names += (names.empty() ? "" : ", ") + printable;
  }
  RaiseNotAWorkbook("the compound file has no Workbook or Book stream (it holds: " +
                    (names.empty() ? std::string("nothing") : names) + ")");
}

// The text kinds: what to tell the user a non-binary file is.
[[noreturn]] void RaiseForKind(ContentKind kind) {
  switch (kind) {
    case ContentKind::kEmpty:
      RaiseNotAWorkbook("the file is empty");
    case ContentKind::kHtml:
      RaiseNotAWorkbook("the file is HTML (a web page) saved with an .xls extension");
    case ContentKind::kSpreadsheetXml:
      RaiseNotAWorkbook(
          "the file is an XML spreadsheet (Excel 2003 XML) saved with an .xls extension");
    case ContentKind::kXml:
      RaiseNotAWorkbook("the file is an XML document saved with an .xls extension");
    case ContentKind::kSylk:
      RaiseNotAWorkbook("the file is a SYLK file saved with an .xls extension");
    case ContentKind::kDelimitedText:
      RaiseNotAWorkbook("the file is comma-separated text (CSV) saved with an .xls extension");
    case ContentKind::kText:
      RaiseNotAWorkbook("the file is plain text");
    default:
      RaiseNotAWorkbook("the file's content is not a spreadsheet format known here");
  }
}

std::shared_ptr<WorkbookModel> OpenCompound(const ByteSource& source, const std::string& name,
                                            const OpenOptions& options) {
  CompoundFile cf(source);
  const CompoundFile::Entry* stream = cf.Find("Workbook");
  if (!stream || stream->type != 2) stream = cf.Find("Book");
  if (!stream || stream->type != 2) {
    // An encrypted .xlsx: the zip package, encrypted, in a compound file.
    const CompoundFile::Entry* info = cf.Find("EncryptionInfo");
    const CompoundFile::Entry* package = cf.Find("EncryptedPackage");
    if (info && package && info->type == 2 && package->type == 2)
      return OpenPackageWorkbook(
          DecryptPackage(cf.Read(*info), cf.Read(*package), options.password), name);
    if (package)
      Raise(err::kWorkbookEncrypted,
            "password-protected workbook (an encrypted .xlsx workbook): its EncryptionInfo stream "
            "is missing");
    RaiseNoWorkbookStream(cf);
  }
  std::vector<std::uint8_t> bytes = cf.Read(*stream);
  std::string stream_name = LowerAscii(stream->name) == "book" ? "Book" : "Workbook";
  return ReadBiffWorkbook(std::move(bytes), stream_name, name, options.password);
}

// Dispatch by content over bytes in memory.
std::shared_ptr<WorkbookModel> OpenInMemory(std::vector<std::uint8_t> bytes,
                                            const std::string& name, const OpenOptions& options) {
  ContentKind kind = SniffContent(std::span(bytes).first(std::min(bytes.size(), kSniffBytes)));
  switch (kind) {
    case ContentKind::kCompoundFile: {
      MemorySource source(bytes);
      return OpenCompound(source, name, options);
    }
    case ContentKind::kBareBiff:
      return ReadBiffWorkbook(std::move(bytes), "Workbook", name, options.password);
    case ContentKind::kOldBiff:
      return ReadOldBiffWorksheet(std::move(bytes), name);
    case ContentKind::kZip:
      // A zip package: an .xlsx or .ods workbook, or a zip archive that is not a workbook,
      // told apart by the package's parts.
      return OpenPackageWorkbook(std::move(bytes), name, options.password);
    default:
      RaiseForKind(kind);
  }
}

}  // namespace

ContentKind SniffContent(std::span<const std::uint8_t> head) {
  if (head.empty()) return ContentKind::kEmpty;
  if (CompoundFile::HasSignature(head)) return ContentKind::kCompoundFile;
  if (head.size() >= 4 && head[0] == 'P' && head[1] == 'K' &&
      ((head[2] == 3 && head[3] == 4) || (head[2] == 5 && head[3] == 6)))
    return ContentKind::kZip;
  if (head.size() >= 8) {
    const std::uint16_t type = PeekU16(head, 0), length = PeekU16(head, 2);
    const std::uint16_t version = PeekU16(head, 4);
    if (type == 0x0809 && length >= 4 && length <= 20 && (version == 0x0500 || version == 0x0600))
      return ContentKind::kBareBiff;
    if ((type == 0x0009 || type == 0x0209 || type == 0x0409) && length >= 4 && length <= 20)
      return ContentKind::kOldBiff;
  }
  // Text: skip a byte-order mark and leading blanks, then look at how it begins.
  std::size_t i = 0;
  if (head.size() >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) i = 3;
  bool binary = false;
  for (std::uint8_t b : head)
    if (b == 0 || (b < 0x20 && b != '\t' && b != '\r' && b != '\n' && b != '\f')) binary = true;
  if (binary) return ContentKind::kUnknown;
  while (i < head.size() &&
         (head[i] == ' ' || head[i] == '\t' || head[i] == '\r' || head[i] == '\n'))
    ++i;
  std::string start = LowerAscii(std::string_view(reinterpret_cast<const char*>(head.data()) + i,
                                                  std::min<std::size_t>(head.size() - i, 512)));
  std::string all =
      LowerAscii(std::string_view(reinterpret_cast<const char*>(head.data()), head.size()));
  if (start.starts_with("<?xml") || start.starts_with("<workbook")) {
    if (all.find("urn:schemas-microsoft-com:office:spreadsheet") != std::string::npos)
      return ContentKind::kSpreadsheetXml;
    if (all.find("<html") != std::string::npos) return ContentKind::kHtml;
    return ContentKind::kXml;
  }
  if (start.starts_with("<!doctype html") || start.starts_with("<html") ||
      start.starts_with("<head") || start.starts_with("<body") || start.starts_with("<table") ||
      start.starts_with("<meta") || start.starts_with("<!--"))
    return all.find("<html") != std::string::npos || start.starts_with("<table")
               ? ContentKind::kHtml
               : ContentKind::kXml;
  if (start.starts_with("id;")) return ContentKind::kSylk;
  std::string_view first_line(start);
  first_line = first_line.substr(0, first_line.find('\n'));
  if (first_line.find(',') != std::string_view::npos ||
      first_line.find(';') != std::string_view::npos ||
      first_line.find('\t') != std::string_view::npos)
    return ContentKind::kDelimitedText;
  return ContentKind::kText;
}

std::shared_ptr<WorkbookModel> OpenWorkbookBytes(std::vector<std::uint8_t> bytes,
                                                 std::string_view name,
                                                 const OpenOptions& options) {
  std::string n(name);
  try {
    return OpenInMemory(std::move(bytes), n, options);
  } catch (Error& e) {
    e.InFile(n);
    throw;
  }
}

namespace {

// The workbook read from the file, with the file's size and modification time from the status
// taken of its open descriptor.
std::shared_ptr<WorkbookModel> Stamped(std::shared_ptr<WorkbookModel> model,
                                       const struct stat& st) {
  model->file_size = static_cast<std::uint64_t>(st.st_size);
  model->file_modified_ns =
      static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
  return model;
}

}  // namespace

std::shared_ptr<WorkbookModel> OpenWorkbookFile(const std::string& path,
                                                const OpenOptions& options) {
  try {
    // One open, one status and one read for a file of form size. Non-blocking, so that a fifo
    // named like a workbook is refused below instead of waiting for a writer. Reading a form
    // leaves its access time as it was (as on systems that keep no access times, and saving an
    // inode update per form) where the system allows it, which is for the user's own files;
    // once refused, the program stops asking.
    static bool keepAccessTime = true;
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
    int fd = ::open(path.c_str(), keepAccessTime ? flags | O_NOATIME : flags);
    if (fd < 0 && errno == EPERM && keepAccessTime) {
      keepAccessTime = false;
      fd = ::open(path.c_str(), flags);
    }
    if (fd < 0) {
      if (errno == ENOENT || errno == ENOTDIR) Raise(err::kFileNotFound);
      Raise(errno == EACCES ? err::kPermissionDenied : err::kPathFileAccess);
    }
    struct FdCloser {
      int fd;
      ~FdCloser() {
        if (fd >= 0) ::close(fd);
      }
    } closer{fd};
    struct stat st;
    if (::fstat(fd, &st) != 0) Raise(err::kDeviceIO);
    if (!S_ISREG(st.st_mode)) Raise(err::kPathFileAccess, "not a file");
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    if (size > kReadWholeLimit) {
      std::unique_ptr<std::FILE, FileCloser> f(::fdopen(fd, "rb"));
      if (!f) Raise(err::kDeviceIO);
      closer.fd = -1;
      FileSource source(f.get(), size);
      std::vector<std::uint8_t> head(kSniffBytes);
      source.ReadAt(0, head);
      if (SniffContent(head) == ContentKind::kCompoundFile)
        return Stamped(OpenCompound(source, path, options), st);
      std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
      source.ReadAt(0, bytes);
      f.reset();
      return Stamped(OpenInMemory(std::move(bytes), path, options), st);
    }
    // A form-sized file is read into one buffer kept from file to file (a run opens thousands
    // of forms of a few kilobytes); a compound file is read from there, as its workbook stream
    // is copied out of it. Other kinds keep their bytes, so they get a copy.
    thread_local std::vector<std::uint8_t> kept;
    std::vector<std::uint8_t> own;
    std::vector<std::uint8_t>& buffer = size <= kKeptBufferLimit ? kept : own;
    if (buffer.size() < size) buffer.resize(static_cast<std::size_t>(size));
    const std::span<std::uint8_t> bytes(buffer.data(), static_cast<std::size_t>(size));
    std::size_t got = 0;
    while (got < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) Raise(err::kDeviceIO, "the file could not be read");
      got += static_cast<std::size_t>(n);
    }
    ::close(closer.fd);
    closer.fd = -1;
    if (SniffContent(bytes.first(std::min(bytes.size(), kSniffBytes))) ==
        ContentKind::kCompoundFile) {
      MemorySource source(bytes);
      return Stamped(OpenCompound(source, path, options), st);
    }
    if (&buffer == &own) {
      own.resize(bytes.size());
      return Stamped(OpenInMemory(std::move(own), path, options), st);
    }
    return Stamped(
        OpenInMemory(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), path, options), st);
  } catch (Error& e) {
    e.InFile(path);
    throw;
  }
}

}  // namespace sheaver::xl
