// Builds small BIFF workbook streams and compound files byte by byte, so that the tests can put
// exactly the records (and the damage) they need into a workbook.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace sheaver::xl::testing {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
inline void PutF64(Bytes& b, double d) {
  std::uint64_t bits;
  std::memcpy(&bits, &d, 8);
  Put32(b, static_cast<std::uint32_t>(bits));
  Put32(b, static_cast<std::uint32_t>(bits >> 32));
}
inline void PutBytes(Bytes& b, const Bytes& more) {
  b.insert(b.end(), more.begin(), more.end());
}
inline void PutText(Bytes& b, const std::string& s) {
  b.insert(b.end(), s.begin(), s.end());
}

// One record: type, length, body.
inline Bytes Rec(std::uint16_t type, const Bytes& body) {
  Bytes r;
  Put16(r, type);
  Put16(r, static_cast<std::uint32_t>(body.size()));
  PutBytes(r, body);
  return r;
}

// BIFF8 text with a 16-bit count and an 8-bit option byte, 8-bit characters.
inline Bytes Str8(const std::string& s) {
  Bytes b;
  Put16(b, static_cast<std::uint32_t>(s.size()));
  b.push_back(0);
  PutText(b, s);
  return b;
}

inline Bytes Cell(std::uint16_t row, std::uint16_t col, std::uint16_t xf) {
  Bytes b;
  Put16(b, row);
  Put16(b, col);
  Put16(b, xf);
  return b;
}
inline Bytes NumberRec(std::uint16_t row, std::uint16_t col, double v, std::uint16_t xf = 0) {
  Bytes b = Cell(row, col, xf);
  PutF64(b, v);
  return Rec(0x0203, b);
}
inline Bytes LabelSstRec(std::uint16_t row, std::uint16_t col, std::uint32_t index) {
  Bytes b = Cell(row, col, 0);
  Put32(b, index);
  return Rec(0x00FD, b);
}
struct SheetSpec {
  std::string name;
  std::uint8_t type = 0;  // 0 worksheet, 2 chart
  Bytes records;          // between the sheet's BOF and EOF
};

// A workbook stream: BOF, `globals` (any global records), one BOUNDSHEET per sheet, EOF, then
// each sheet's BOF, records and EOF. BIFF8 (version 0x0600) or BIFF5 (0x0500, sheet names as
// bytes without an option byte).
inline Bytes BuildStream(const Bytes& globals, const std::vector<SheetSpec>& sheets,
                         std::uint16_t version = 0x0600) {
  auto bof = [version](std::uint16_t type) {
    Bytes b;
    Put16(b, version);
    Put16(b, type);
    b.resize(version == 0x0600 ? 16 : 8, 0);
    return Rec(0x0809, b);
  };
  auto boundsheet = [version](const SheetSpec& s, std::uint32_t offset) {
    Bytes b;
    Put32(b, offset);
    b.push_back(0);
    b.push_back(s.type);
    b.push_back(static_cast<std::uint8_t>(s.name.size()));
    if (version == 0x0600) b.push_back(0);
    PutText(b, s.name);
    return Rec(0x0085, b);
  };
  std::size_t globals_size = bof(5).size() + globals.size() + 4;
  for (const SheetSpec& s : sheets) globals_size += boundsheet(s, 0).size();
  Bytes out = bof(5);
  PutBytes(out, globals);
  std::size_t offset = globals_size;
  for (const SheetSpec& s : sheets) {
    PutBytes(out, boundsheet(s, static_cast<std::uint32_t>(offset)));
    offset += bof(0x10).size() + s.records.size() + 4;
  }
  PutBytes(out, Rec(0x000A, {}));
  for (const SheetSpec& s : sheets) {
    PutBytes(out, bof(s.type == 2 ? 0x20 : 0x10));
    PutBytes(out, s.records);
    PutBytes(out, Rec(0x000A, {}));
  }
  return out;
}

// A version 3 compound file (512-byte sectors) holding one stream: sector 0 the allocation
// table, sector 1 the directory, the stream from sector 2 on. Streams are padded with zeros to
// 4096 bytes so that they live in regular sectors.
inline Bytes BuildCompoundFile(Bytes stream, const std::string& name = "Workbook") {
  if (stream.size() < 4096) stream.resize(4096, 0);
  std::size_t sectors = (stream.size() + 511) / 512;
  Bytes file(512 * (3 + sectors), 0);
  const std::uint8_t sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::memcpy(file.data(), sig, 8);
  auto at16 = [&](std::size_t off, std::uint16_t v) {
    file[off] = static_cast<std::uint8_t>(v);
    file[off + 1] = static_cast<std::uint8_t>(v >> 8);
  };
  auto at32 = [&](std::size_t off, std::uint32_t v) {
    at16(off, v & 0xFFFF);
    at16(off + 2, v >> 16);
  };
  at16(24, 0x3E);
  at16(26, 3);
  at16(28, 0xFFFE);
  at16(30, 9);
  at16(32, 6);
  at32(44, 1);           // one allocation table sector
  at32(48, 1);           // directory at sector 1
  at32(56, 4096);        // small-stream cutoff
  at32(60, 0xFFFFFFFE);  // no small-sector table
  at32(68, 0xFFFFFFFE);  // no index sectors
  for (int i = 0; i < 109; ++i) at32(76 + 4 * i, 0xFFFFFFFF);
  at32(76, 0);  // the table is sector 0
  // Allocation table (sector 0 at file offset 512).
  for (int i = 0; i < 128; ++i) at32(512 + 4 * i, 0xFFFFFFFF);
  at32(512, 0xFFFFFFFD);
  at32(516, 0xFFFFFFFE);
  for (std::size_t i = 0; i < sectors; ++i)
    at32(512 + 4 * (2 + i), i + 1 < sectors ? static_cast<std::uint32_t>(3 + i) : 0xFFFFFFFE);
  // Directory (sector 1 at file offset 1024): root, then the stream.
  auto entry = [&](std::size_t index, const std::string& n, std::uint8_t type, std::uint32_t child,
                   std::uint32_t start, std::uint32_t size) {
    std::size_t base = 1024 + 128 * index;
    for (std::size_t i = 0; i < n.size(); ++i) at16(base + 2 * i, static_cast<std::uint8_t>(n[i]));
    at16(base + 64, static_cast<std::uint16_t>(2 * (n.size() + 1)));
    file[base + 66] = type;
    at32(base + 68, 0xFFFFFFFF);
    at32(base + 72, 0xFFFFFFFF);
    at32(base + 76, child);
    at32(base + 116, start);
    at32(base + 120, size);
  };
  entry(0, "Root Entry", 5, 1, 0xFFFFFFFE, 0);
  entry(1, name, 2, 0xFFFFFFFF, 2, static_cast<std::uint32_t>(stream.size()));
  std::memcpy(file.data() + 1536, stream.data(), stream.size());
  return file;
}

// Writes a little-endian 32-bit value into bytes at an offset.
inline void Poke32(Bytes& b, std::size_t off, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[off + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace sheaver::xl::testing
