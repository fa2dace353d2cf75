#include "spreadsheet/zip_package.h"

#include <zip.h>

#include <array>

#include "runtime/ascii.h"
#include "runtime/error.h"

namespace sheaver::xl {
namespace {

constexpr std::size_t kChunk = 64 * 1024;

std::string MiB(std::uint64_t bytes) {
  return std::to_string(bytes >> 20) + " MiB";
}

[[noreturn]] void RaiseArchive(std::string why) {
  Raise(err::kWorkbookUnreadable, "the zip package is damaged: " + why);
}

// Why libzip could not open an archive, in the user's terms.
std::string OpenFailure(int code) {
  switch (code) {
    case ZIP_ER_NOZIP:
      return "it has no zip directory at its end (the file is truncated or is not a zip archive)";
    case ZIP_ER_INCONS:
      return "its zip directory does not agree with its contents (the file is truncated or "
             "corrupt)";
    case ZIP_ER_MULTIDISK:
      return "it is one part of a zip archive split over several files";
    case ZIP_ER_MEMORY:
      return "there is not enough memory to read its zip directory";
    default: {
      zip_error_t error;
      zip_error_init_with_code(&error, code);
      std::string text = zip_error_strerror(&error);
      zip_error_fini(&error);
      return "its zip directory cannot be read (" + text + ")";
    }
  }
}

}  // namespace

struct ZipPackage::Archive {
  zip_t* zip = nullptr;
  ~Archive() {
    if (zip) zip_discard(zip);
  }
};

std::string ZipPackage::NormalizeName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    out += c == '\\' ? '/' : LowerAscii(c);
  }
  std::size_t start = out.find_first_not_of('/');
  return start == std::string::npos ? std::string() : out.substr(start);
}

ZipPackage::ZipPackage(std::vector<std::uint8_t> bytes, ZipLimits limits)
    : bytes_(std::move(bytes)), limits_(limits), archive_(std::make_unique<Archive>()) {
  // The smallest zip archive is its 22-byte end-of-directory record.
  if (bytes_.size() < 22) RaiseArchive("it is too short to be a zip archive");
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(bytes_.data(), bytes_.size(), 0, &error);
  if (!source) {
    zip_error_fini(&error);
    Raise(err::kOutOfMemory);
  }
  archive_->zip = zip_open_from_source(source, ZIP_RDONLY, &error);
  if (!archive_->zip) {
    zip_source_free(source);
    int code = zip_error_code_zip(&error);
    zip_error_fini(&error);
    RaiseArchive(OpenFailure(code));
  }
  zip_error_fini(&error);
  zip_int64_t count = zip_get_num_entries(archive_->zip, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* name = zip_get_name(archive_->zip, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
    if (!name) continue;
    std::string key = NormalizeName(name);
    if (key.empty() || key.back() == '/') continue;
    index_.emplace(std::move(key), static_cast<std::uint64_t>(i));  // the first of duplicates
  }
}

ZipPackage::~ZipPackage() = default;

std::int64_t ZipPackage::Find(std::string_view part) const {
  auto it = index_.find(NormalizeName(part));
  return it == index_.end() ? -1 : static_cast<std::int64_t>(it->second);
}

bool ZipPackage::Has(std::string_view part) const {
  return Find(part) >= 0;
}

std::vector<std::string> ZipPackage::PartNames() const {
  std::vector<std::string> names;
  zip_int64_t count = zip_get_num_entries(archive_->zip, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* name = zip_get_name(archive_->zip, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
    if (name && *name && std::string_view(name).back() != '/') names.emplace_back(name);
  }
  return names;
}

std::optional<std::uint64_t> ZipPackage::ClaimedSize(std::string_view part) const {
  std::int64_t index = Find(part);
  if (index < 0) return std::nullopt;
  zip_stat_t st;
  if (zip_stat_index(archive_->zip, static_cast<zip_uint64_t>(index), 0, &st) != 0 ||
      !(st.valid & ZIP_STAT_SIZE))
    return std::nullopt;
  return st.size;
}

void ZipPackage::Stream(std::string_view part,
                        const std::function<bool(std::span<const char>)>& sink) {
  std::string name(part);
  std::int64_t index = Find(part);
  if (index < 0) Raise(err::kWorkbookUnreadable, "the part " + name + " is missing");
  if (auto it = replaced_.find(NormalizeName(part)); it != replaced_.end()) {
    const std::string& text = it->second;
    for (std::size_t at = 0; at < text.size(); at += kChunk)
      if (!sink(std::span<const char>(text).subspan(at, std::min(kChunk, text.size() - at))))
        return;
    return;
  }
  auto fail = [&](std::string why) -> void {
    Raise(err::kWorkbookUnreadable, "the part " + name + " " + why);
  };

  zip_stat_t st;
  zip_stat_init(&st);
  zip_stat_index(archive_->zip, static_cast<zip_uint64_t>(index), 0, &st);
  if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
    Raise(err::kWorkbookEncrypted,
          "password-protected: the part " + name +
              " is encrypted with a zip password and cannot be read without it");
  if ((st.valid & ZIP_STAT_COMP_METHOD) && !zip_compression_method_supported(st.comp_method, 0))
    fail("is compressed by a method this reader does not support (method " +
         std::to_string(st.comp_method) + ")");
  std::uint64_t compressed = (st.valid & ZIP_STAT_COMP_SIZE) ? st.comp_size : 0;

  zip_file_t* file = zip_fopen_index(archive_->zip, static_cast<zip_uint64_t>(index), 0);
  if (!file) {
    zip_error_t* error = zip_get_error(archive_->zip);
    std::string why = zip_error_strerror(error);
    int code = zip_error_code_zip(error);
    zip_error_clear(archive_->zip);
    if (code == ZIP_ER_NOPASSWD || code == ZIP_ER_WRONGPASSWD || code == ZIP_ER_ENCRNOTSUPP)
      Raise(err::kWorkbookEncrypted, "password-protected: the part " + name +
                                         " is encrypted with a zip password and cannot be read");
    fail("cannot be opened (" + why + ")");
  }
  struct Closer {
    zip_file_t* f;
    ~Closer() { zip_fclose(f); }
  } closer{file};

  std::array<char, kChunk> buffer;
  std::uint64_t inflated = 0;
  for (;;) {
    zip_int64_t n = zip_fread(file, buffer.data(), buffer.size());
    if (n < 0) {
      zip_error_t* error = zip_file_get_error(file);
      int code = zip_error_code_zip(error);
      if (code == ZIP_ER_CRC) fail("is damaged: its checksum does not match its contents");
      if (code == ZIP_ER_ZLIB || code == ZIP_ER_COMPRESSED_DATA)
        fail("is damaged: its compressed data is corrupt or cut short");
      fail(std::string("cannot be read (") + zip_error_strerror(error) + ")");
    }
    if (n == 0) break;
    inflated += static_cast<std::uint64_t>(n);
    total_inflated_ += static_cast<std::uint64_t>(n);
    if (inflated > limits_.max_part_bytes)
      fail("inflates to more than " + MiB(limits_.max_part_bytes) +
           "; refused as likely a zip bomb");
    if (total_inflated_ > limits_.max_total_bytes)
      fail("takes the package past " + MiB(limits_.max_total_bytes) +
           " inflated in all; refused as likely a zip bomb");
    if (inflated > limits_.ratio_floor && inflated / (compressed + 1) >= limits_.max_ratio)
      fail("inflates to more than " + std::to_string(limits_.max_ratio) +
           " times its compressed size; refused as likely a zip bomb");
    if (!sink(std::span<const char>(buffer.data(), static_cast<std::size_t>(n)))) return;
  }
}

void ZipPackage::ReplacePart(std::string_view part, std::string contents) {
  replaced_[NormalizeName(part)] = std::move(contents);
}

std::string ZipPackage::Read(std::string_view part) {
  std::string out;
  Stream(part, [&](std::span<const char> chunk) {
    if (out.size() + chunk.size() > limits_.max_read_bytes)
      Raise(err::kWorkbookUnreadable, "the part " + std::string(part) + " is larger than " +
                                          MiB(limits_.max_read_bytes) + ", more than it can hold");
    out.append(chunk.data(), chunk.size());
    return true;
  });
  return out;
}

}  // namespace sheaver::xl
