#include "spreadsheet/compound_file.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "runtime/ascii.h"
#include "runtime/error.h"
#include "spreadsheet/byte_cursor.h"

namespace sheaver::xl {
namespace {

constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::size_t kDirEntrySize = 128;
constexpr std::size_t kHeaderDifatEntries = 109;

// Structures that own sectors, for the overlap check.
enum Owner : std::uint8_t { kFree = 0, kFat, kDifat, kDirectory, kMiniFat, kMiniStream, kStream };

const char* OwnerName(std::uint8_t owner) {
  switch (owner) {
    case kFat:
      return "the allocation table";
    case kDifat:
      return "the allocation table index";
    case kDirectory:
      return "the directory";
    case kMiniFat:
      return "the small-sector table";
    case kMiniStream:
      return "the small-sector stream";
    default:
      return "a stream";
  }
}

std::string Utf16NameToUtf8(std::span<const std::uint8_t> raw, std::size_t byte_length) {
  std::string out;
  std::size_t units = std::min<std::size_t>(byte_length, 64) / 2;
  for (std::size_t i = 0; i < units; ++i) {
    char16_t c = static_cast<char16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
    if (c == 0) break;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

constexpr std::string_view kWhere = "compound file";

}  // namespace

void MemorySource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  if (offset > bytes_.size() || out.size() > bytes_.size() - offset)
    RaiseDamaged("read past the end of the file", kWhere, offset);
  std::memcpy(out.data(), bytes_.data() + offset, out.size());
}

bool CompoundFile::HasSignature(std::span<const std::uint8_t> head) {
  return head.size() >= 8 && std::memcmp(head.data(), kSignature, 8) == 0;
}

CompoundFile::CompoundFile(const ByteSource& source) : source_(source) {
  const Layout layout = ReadHeader(source.Size());
  ReadFat(FatSectors(layout));
  ReadDirectory(layout.first_dir);
}

void CompoundFile::FailAt(std::uint64_t offset, std::string_view what) {
  RaiseDamaged(what, kWhere, offset);
}

CompoundFile::Layout CompoundFile::ReadHeader(std::uint64_t file_size) {
  if (file_size < 512) RaiseDamaged("the compound file is shorter than its 512-byte header");
  std::uint8_t header[512];
  source_.ReadAt(0, header);
  Cursor h(header, kWhere);
  if (!HasSignature(header)) FailAt(0, "no compound file signature");
  h.Seek(24);
  h.U16();  // minor version
  const std::uint16_t major = h.U16();
  const std::uint16_t byte_order = h.U16();
  const std::uint16_t sector_shift = h.U16();
  const std::uint16_t mini_shift = h.U16();
  if (byte_order != 0xFFFE) FailAt(28, "the compound file's byte-order mark is wrong");
  // The sector size decides the layout; the version number beside it is not always kept right.
  if (sector_shift != 9 && sector_shift != 12)
    FailAt(30, "unsupported sector size 2^" + std::to_string(sector_shift));
  if (mini_shift != 6) FailAt(32, "unsupported small-sector size");
  version3_ = sector_shift == 9 || major == 3;
  sector_size_ = 1u << sector_shift;
  Layout layout;
  h.Seek(44);
  layout.fat_count = h.U32();
  layout.first_dir = h.U32();
  h.U32();  // transaction signature
  mini_cutoff_ = h.U32();
  first_mini_fat_ = h.U32();
  mini_fat_count_ = h.U32();
  layout.first_difat = h.U32();
  h.U32();  // index sector count: the chain itself is followed, each sector once
  if (mini_cutoff_ != 4096) FailAt(56, "unsupported small-stream cutoff");

  // Sectors actually present, counting a last sector that the file cuts short.
  std::uint64_t sectors = (file_size - sector_size_ + sector_size_ - 1) / sector_size_;
  if (file_size <= sector_size_) sectors = 0;
  if (sectors > kMaxRegularSector) RaiseDamaged("the compound file is too large");
  sector_count_ = static_cast<std::uint32_t>(sectors);
  owner_.assign(sector_count_, kFree);

  // A table cannot have more sectors than the file.
  if (layout.fat_count > sector_count_)
    FailAt(44, "the header counts " + std::to_string(layout.fat_count) +
                   " allocation table sectors, more than the file holds");
  for (std::size_t i = 0; i < kHeaderDifatEntries; ++i) {
    const std::uint32_t id = h.U32();
    if (id == kFreeSector || id == kEndOfChain) break;
    layout.header_fat_sectors.push_back(id);
  }
  return layout;
}

void CompoundFile::Claim(std::uint32_t id, std::uint8_t who, std::string_view what) {
  if (id >= sector_count_)
    FailAt(0,
           std::string(what) + " uses sector " + std::to_string(id) + ", past the end of the file");
  if (owner_[id] != kFree)
    FailAt((static_cast<std::uint64_t>(id) + 1) * sector_size_,
           "sector " + std::to_string(id) + " belongs to both " + OwnerName(owner_[id]) + " and " +
               std::string(what));
  owner_[id] = who;
}

std::vector<std::uint32_t> CompoundFile::FatSectors(const Layout& layout) {
  std::vector<std::uint32_t> fat_sectors;
  fat_sectors.reserve(layout.fat_count);
  for (std::uint32_t id : layout.header_fat_sectors) {
    if (fat_sectors.size() >= layout.fat_count) break;
    fat_sectors.push_back(id);
  }
  std::uint32_t difat = layout.first_difat;
  std::vector<std::uint8_t> buffer(sector_size_);
  while (fat_sectors.size() < layout.fat_count && difat != kEndOfChain && difat != kFreeSector) {
    Claim(difat, kDifat, "the allocation table index");  // a revisit fails here: no loops
    ReadSector(difat, buffer);
    Cursor d(buffer, kWhere, (static_cast<std::uint64_t>(difat) + 1) * sector_size_);
    for (std::uint32_t i = 0; i + 1 < sector_size_ / 4 && fat_sectors.size() < layout.fat_count;
         ++i) {
      const std::uint32_t id = d.U32();
      if (id == kFreeSector) continue;
      fat_sectors.push_back(id);
    }
    d.Seek(sector_size_ - 4);
    difat = d.U32();
  }
  if (fat_sectors.empty()) FailAt(44, "the compound file has no allocation table");
  return fat_sectors;
}

void CompoundFile::ReadFat(const std::vector<std::uint32_t>& fat_sectors) {
  std::vector<std::uint8_t> buffer(sector_size_);
  fat_.resize(fat_sectors.size() * (sector_size_ / 4));
  for (std::size_t i = 0; i < fat_sectors.size(); ++i) {
    Claim(fat_sectors[i], kFat, "the allocation table");
    ReadSector(fat_sectors[i], buffer);
    Cursor sector(buffer, kWhere, (static_cast<std::uint64_t>(fat_sectors[i]) + 1) * sector_size_);
    for (std::uint32_t k = 0; k < sector_size_ / 4; ++k)
      fat_[i * (sector_size_ / 4) + k] = sector.U32();
  }
}

void CompoundFile::ReadDirectory(std::uint32_t first_dir) {
  // 128-byte entries in a chain of sectors.
  const std::vector<std::uint32_t> dir_chain =
      Chain(first_dir, sector_count_, "the directory", false);
  for (std::uint32_t id : dir_chain) Claim(id, kDirectory, "the directory");
  std::vector<std::uint8_t> dir(dir_chain.size() * static_cast<std::size_t>(sector_size_));
  for (std::size_t i = 0; i < dir_chain.size(); ++i)
    ReadSector(dir_chain[i], std::span(dir).subspan(i * sector_size_, sector_size_));
  const std::size_t entry_count = dir.size() / kDirEntrySize;
  if (entry_count == 0) FailAt(48, "the compound file's directory is empty");

  struct Raw {
    Entry entry;
    std::uint32_t left, right, child;
  };
  auto read_entry = [&](std::size_t index) {
    Cursor e{std::span<const std::uint8_t>(dir).subspan(index * kDirEntrySize, kDirEntrySize),
             "compound file directory", index * kDirEntrySize};
    Raw raw;
    auto name_bytes = e.Bytes(64);
    const std::uint16_t name_length = e.U16();
    raw.entry.name = Utf16NameToUtf8(name_bytes, name_length);
    raw.entry.type = e.U8();
    e.U8();  // colour
    raw.left = e.U32();
    raw.right = e.U32();
    raw.child = e.U32();
    e.Skip(16 + 4 + 8 + 8);  // class id, state bits, times
    raw.entry.start = e.U32();
    const std::uint64_t size = e.U64();
    // Version 3 files keep a 32-bit size; the high half may hold leftovers.
    raw.entry.size = version3_ ? (size & 0xFFFFFFFFu) : size;
    return raw;
  };

  const Raw root = read_entry(0);
  if (root.entry.type != 5) FailAt(0, "the compound file's first directory entry is not the root");
  root_ = root.entry;

  // Walk the root's children (a binary tree through left/right links), each entry once.
  std::vector<bool> visited(entry_count, false);
  visited[0] = true;
  std::vector<std::uint32_t> stack;
  if (root.child != kNoStream) stack.push_back(root.child);
  std::vector<std::pair<std::uint32_t, Entry>> found;
  found.reserve(std::min<std::size_t>(entry_count, 16));
  while (!stack.empty()) {
    const std::uint32_t index = stack.back();
    stack.pop_back();
    if (index >= entry_count)
      RaiseDamaged("a directory entry links to entry " + std::to_string(index) +
                   ", past the end of the directory");
    if (visited[index]) RaiseDamaged("the compound file's directory links in a loop");
    visited[index] = true;
    Raw raw = read_entry(index);
    if (raw.entry.type == 1 || raw.entry.type == 2) found.emplace_back(index, raw.entry);
    if (raw.left != kNoStream) stack.push_back(raw.left);
    if (raw.right != kNoStream) stack.push_back(raw.right);
  }
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  top_.reserve(found.size());
  for (auto& f : found) top_.push_back(std::move(f.second));
}

void CompoundFile::ReadSector(std::uint32_t id, std::span<std::uint8_t> out) const {
  std::uint64_t offset = (static_cast<std::uint64_t>(id) + 1) * sector_size_;
  std::uint64_t size = source_.Size();
  std::size_t present =
      offset >= size ? 0
                     : static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), size - offset));
  if (present) source_.ReadAt(offset, out.first(present));
  // The last sector of some files is cut short; what is missing reads as zeros.
  std::fill(out.begin() + static_cast<std::ptrdiff_t>(present), out.end(), 0);
}

std::vector<std::uint32_t> CompoundFile::Chain(std::uint32_t start, std::uint64_t max_sectors,
                                               std::string_view what, bool) {
  std::vector<std::uint32_t> chain;
  std::vector<bool> seen(sector_count_, false);
  std::uint32_t id = start;
  while (id != kEndOfChain) {
    if (chain.size() >= max_sectors) break;
    if (id >= sector_count_ || id >= fat_.size())
      RaiseDamaged(
          std::string(what) + " runs to sector " + std::to_string(id) +
              ", past the end of the file",
          kWhere,
          chain.empty() ? 0 : (static_cast<std::uint64_t>(chain.back()) + 1) * sector_size_);
    if (seen[id])
      RaiseDamaged(std::string(what) + " loops back to sector " + std::to_string(id), kWhere,
                   (static_cast<std::uint64_t>(id) + 1) * sector_size_);
    seen[id] = true;
    chain.push_back(id);
    id = fat_[id];
  }
  return chain;
}

void CompoundFile::ReadMiniStream() {
  if (mini_read_) return;
  mini_read_ = true;
  // The small-sector table and the stream that holds the small sectors (the root's data).
  std::vector<std::uint32_t> chain =
      Chain(first_mini_fat_, std::min<std::uint64_t>(mini_fat_count_, sector_count_),
            "the small-sector table", false);
  std::vector<std::uint8_t> buffer(sector_size_);
  mini_fat_.reserve(chain.size() * (sector_size_ / 4));
  for (std::uint32_t id : chain) {
    if (owner_[id] != kFree)
      RaiseDamaged("sector " + std::to_string(id) + " belongs to both " + OwnerName(owner_[id]) +
                       " and the small-sector table",
                   kWhere, (static_cast<std::uint64_t>(id) + 1) * sector_size_);
    owner_[id] = kMiniFat;
    ReadSector(id, buffer);
    Cursor sector(buffer, kWhere, (static_cast<std::uint64_t>(id) + 1) * sector_size_);
    for (std::uint32_t k = 0; k < sector_size_ / 4; ++k) mini_fat_.push_back(sector.U32());
  }
  std::uint64_t needed = (root_.size + sector_size_ - 1) / sector_size_;
  if (needed > sector_count_)
    RaiseDamaged("the small-sector stream claims more bytes than the file holds", kWhere, 0);
  std::vector<std::uint32_t> data_chain =
      Chain(root_.start, needed, "the small-sector stream", false);
  if (data_chain.size() < needed)
    RaiseDamaged("the small-sector stream is shorter than its size", kWhere, 0);
  mini_stream_.resize(static_cast<std::size_t>(needed) * sector_size_);
  for (std::size_t i = 0; i < data_chain.size(); ++i) {
    std::uint32_t id = data_chain[i];
    if (owner_[id] != kFree)
      RaiseDamaged("sector " + std::to_string(id) + " belongs to both " + OwnerName(owner_[id]) +
                       " and the small-sector stream",
                   kWhere, (static_cast<std::uint64_t>(id) + 1) * sector_size_);
    owner_[id] = kMiniStream;
    ReadSector(id, std::span(mini_stream_).subspan(i * sector_size_, sector_size_));
  }
  mini_stream_.resize(static_cast<std::size_t>(root_.size));
}

const CompoundFile::Entry* CompoundFile::Find(std::string_view name) const {
  for (const Entry& e : top_)
    if (EqualsIgnoringAsciiCase(e.name, name)) return &e;
  return nullptr;
}

std::vector<std::uint8_t> CompoundFile::Read(const Entry& entry) {
  const std::string what = "the " + entry.name + " stream";
  if (entry.size > source_.Size())
    RaiseDamaged(what + " claims " + std::to_string(entry.size) + " bytes, more than the file's " +
                 std::to_string(source_.Size()));
  std::vector<std::uint8_t> out;
  if (entry.size < mini_cutoff_) {
    ReadMiniStream();
    constexpr std::uint32_t kMini = 64;
    std::size_t needed = static_cast<std::size_t>((entry.size + kMini - 1) / kMini);
    out.resize(needed * kMini);
    std::vector<bool> seen(mini_fat_.size(), false);
    std::uint32_t id = entry.start;
    for (std::size_t i = 0; i < needed; ++i) {
      if (id >= mini_fat_.size() ||
          static_cast<std::uint64_t>(id + 1) * kMini > mini_stream_.size())
        RaiseDamaged(what + " runs past the end of the small-sector stream", kWhere, 0);
      if (seen[id]) RaiseDamaged(what + " loops back to small sector " + std::to_string(id));
      seen[id] = true;
      std::memcpy(out.data() + i * kMini,
                  mini_stream_.data() + static_cast<std::size_t>(id) * kMini, kMini);
      id = mini_fat_[id];
    }
    out.resize(static_cast<std::size_t>(entry.size));
    return out;
  }
  std::uint64_t needed = (entry.size + sector_size_ - 1) / sector_size_;
  std::vector<std::uint32_t> chain = Chain(entry.start, needed, what, true);
  if (chain.size() < needed)
    RaiseDamaged(what + " ends after " +
                 std::to_string(chain.size() * std::uint64_t{sector_size_}) + " of its " +
                 std::to_string(entry.size) + " bytes");
  out.resize(static_cast<std::size_t>(entry.size));
  // Claim every sector, then copy runs of consecutive sectors with one read each.
  for (std::uint32_t id : chain) {
    if (owner_[id] != kFree && owner_[id] < kStream)
      RaiseDamaged("sector " + std::to_string(id) + " belongs to both " + OwnerName(owner_[id]) +
                       " and " + what,
                   kWhere, (static_cast<std::uint64_t>(id) + 1) * sector_size_);
    owner_[id] = kStream;
  }
  std::size_t i = 0;
  while (i < chain.size()) {
    std::size_t j = i + 1;
    while (j < chain.size() && chain[j] == chain[j - 1] + 1) ++j;
    std::size_t begin = i * sector_size_;
    std::size_t length = std::min<std::size_t>((j - i) * sector_size_, out.size() - begin);
    std::uint64_t offset = (static_cast<std::uint64_t>(chain[i]) + 1) * sector_size_;
    std::uint64_t available = offset >= source_.Size() ? 0 : source_.Size() - offset;
    if (length > available)
      RaiseDamaged(what + " runs past the end of the file", kWhere, offset + available);
    source_.ReadAt(offset, std::span(out).subspan(begin, length));
    i = j;
  }
  return out;
}

}  // namespace sheaver::xl
