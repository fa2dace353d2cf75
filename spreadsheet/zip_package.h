// A zip package, the container of .xlsx and .ods workbooks, read from memory: its part names,
// and each part's bytes handed out chunk by chunk as they inflate, so that a large part is never
// held whole. Inflating is capped per part, per package and by compression ratio, so that a
// zip bomb ends in a clear error rather than exhausting memory or time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sheaver::xl {

// Caps on inflating, with why they are where they are.
struct ZipLimits {
  // One part: the sheet XML of a million rows of ten cells is about 400 MB, so 1 GiB leaves
  // room for every real workbook and stops a bomb after a few seconds of inflating.
  std::uint64_t max_part_bytes = std::uint64_t{1} << 30;
  // All parts read from one package together.
  std::uint64_t max_total_bytes = std::uint64_t{4} << 30;
  // Inflated size over compressed size, checked once a part has inflated past ratio_floor.
  // Sheet XML compresses 5 to 30 times, and the most repetitive styles or empty rows about
  // 150 times; deflate cannot exceed about 1030, bzip2 and others go far beyond.
  std::uint64_t max_ratio = 250;
  std::uint64_t ratio_floor = std::uint64_t{16} << 20;
  // A part read whole with Read().
  std::size_t max_read_bytes = std::size_t{64} << 20;
};

class ZipPackage {
 public:
  // Opens the package held in `bytes`, which it keeps. Raises 1005 when the bytes are not a
  // readable zip archive (truncated, no central directory, inconsistent), giving the reason.
  explicit ZipPackage(std::vector<std::uint8_t> bytes, ZipLimits limits = {});
  ~ZipPackage();
  ZipPackage(const ZipPackage&) = delete;
  ZipPackage& operator=(const ZipPackage&) = delete;

  // Whether the package holds a part of that name. Names are compared without regard to
  // letter case, with "\" taken for "/" and without a leading "/".
  bool Has(std::string_view part) const;
  // The part names as the archive stores them, in archive order (directories left out).
  std::vector<std::string> PartNames() const;
  // The inflated size the archive claims for a part (not trusted by the readers: Stream counts
  // what really comes out); nullopt when there is no such part.
  std::optional<std::uint64_t> ClaimedSize(std::string_view part) const;

  // Hands the part's inflated bytes to `sink` in chunks of up to 64 KiB, in order, until the
  // end or until `sink` returns false. Raises 1005 naming the part when it is missing, damaged
  // (bad checksum, bad compressed data), compressed by an unsupported method, or inflates past
  // a cap ("likely a zip bomb"); 1006 when it is encrypted with a zip password.
  void Stream(std::string_view part, const std::function<bool(std::span<const char>)>& sink);
  // The whole part as text, for small parts; raises as Stream, and 1005 past max_read_bytes.
  std::string Read(std::string_view part);

  // From now on, Stream and Read hand out `contents` for the part (which must exist) instead of
  // what the archive holds: the plain text of a part the reader decrypted.
  void ReplacePart(std::string_view part, std::string contents);

  // Bytes inflated so far from all parts.
  std::uint64_t TotalInflated() const { return total_inflated_; }
  const ZipLimits& Limits() const { return limits_; }

  // The canonical form of a part name used for lookups: "/" separators, no leading "/", lower
  // case ASCII.
  static std::string NormalizeName(std::string_view name);

 private:
  std::int64_t Find(std::string_view part) const;

  struct Archive;
  std::vector<std::uint8_t> bytes_;
  ZipLimits limits_;
  std::unique_ptr<Archive> archive_;
  std::unordered_map<std::string, std::uint64_t> index_;   // normalized name -> entry index
  std::unordered_map<std::string, std::string> replaced_;  // normalized name -> plain text
  std::uint64_t total_inflated_ = 0;
};

}  // namespace sheaver::xl
