// The OLE2 compound file container: a small file system of sectors in which Excel 5 to 2003
// keep their workbook stream. Every sector id is checked against the file, every chain has a
// visited set, and no sector may belong to two structures.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sheaver::xl {

// Random access to a file's bytes: in memory, or read from an open file as needed.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Copies out.size() bytes from `offset`; the range must lie within Size().
  virtual void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const = 0;
};

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;

 private:
  std::span<const std::uint8_t> bytes_;
};

class CompoundFile {
 public:
  struct Entry {
    std::string name;       // UTF-8
    std::uint8_t type = 0;  // 1 storage, 2 stream, 5 root
    std::uint32_t start = 0;
    std::uint64_t size = 0;
  };

  // Whether bytes start with the compound file signature.
  static bool HasSignature(std::span<const std::uint8_t> head);

  // Reads the header, the sector allocation table and the directory. Raises 1005 (with the
  // reason and offset) when the container is damaged.
  explicit CompoundFile(const ByteSource& source);

  // The streams and storages directly under the root, in directory order.
  const std::vector<Entry>& TopLevel() const { return top_; }
  // The top-level entry with this name, compared without regard to ASCII case; null if none.
  const Entry* Find(std::string_view name) const;
  // The whole content of a stream. Raises 1005 when its sectors run past the file, loop, or
  // belong to another structure.
  std::vector<std::uint8_t> Read(const Entry& entry);

 private:
  std::vector<std::uint32_t> Chain(std::uint32_t start, std::uint64_t max_sectors,
                                   std::string_view what, bool mark);
  void ReadSector(std::uint32_t id, std::span<std::uint8_t> out) const;
  void ReadMiniStream();
  // What the header says beyond the members it sets: where the tables and the directory are.
  struct Layout {
    std::uint32_t fat_count = 0;
    std::uint32_t first_dir = 0;
    std::uint32_t first_difat = 0;
    std::vector<std::uint32_t> header_fat_sectors;  // the first 109, listed in the header
  };
  // Checks the 512-byte header and sets the sector sizes and counts from it.
  Layout ReadHeader(std::uint64_t file_size);
  // The allocation table's sectors: the header's list, then the chain of index sectors.
  std::vector<std::uint32_t> FatSectors(const Layout& layout);
  void ReadFat(const std::vector<std::uint32_t>& fat_sectors);
  // The directory's top-level entries, each once (the entries form a tree through links).
  void ReadDirectory(std::uint32_t first_dir);
  // Marks a sector as used by `who`; raises 1005 for a sector past the file or used twice.
  void Claim(std::uint32_t id, std::uint8_t who, std::string_view what);
  // Raises 1005 for damage at a byte offset of the file.
  [[noreturn]] static void FailAt(std::uint64_t offset, std::string_view what);

  const ByteSource& source_;
  std::uint32_t sector_size_ = 512;
  std::uint32_t sector_count_ = 0;  // sectors present in the file (the last may be partial)
  std::uint32_t mini_cutoff_ = 4096;
  std::uint32_t first_mini_fat_ = 0;
  std::uint32_t mini_fat_count_ = 0;
  bool version3_ = true;
  std::vector<std::uint32_t> fat_;
  std::vector<std::uint8_t> owner_;  // per sector: 0 free, else the structure that uses it
  std::vector<std::uint32_t> mini_fat_;
  std::vector<std::uint8_t> mini_stream_;
  bool mini_read_ = false;
  Entry root_;
  std::vector<Entry> top_;
};

}  // namespace sheaver::xl
