// Bounds-checked reading of untrusted bytes. Every read of a workbook goes through a Cursor,
// whose error names the stream and the byte offset where the data ran out or went wrong.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace sheaver::xl {

// Raises 1005 "damaged workbook: <what> (<where>, offset <offset>)".
[[noreturn]] void RaiseDamaged(std::string_view what, std::string_view where, std::uint64_t offset);
// Raises 1005 "damaged workbook: <what>".
[[noreturn]] void RaiseDamaged(std::string_view what);

// Little-endian reads from a span, each checked against the bytes left.
class Cursor {
 public:
  // `where` names the data for errors ("Workbook stream"); `base` is the offset of data[0]
  // within it.
  Cursor(std::span<const std::uint8_t> data, std::string_view where, std::uint64_t base = 0)
      : data_(data), where_(where), base_(base) {}

  std::uint8_t U8() {
    Need(1);
    return data_[pos_++];
  }
  std::uint16_t U16() {
    Need(2);
    std::uint16_t v = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  std::uint32_t U32() {
    Need(4);
    std::uint32_t v = static_cast<std::uint32_t>(data_[pos_]) |
                      (static_cast<std::uint32_t>(data_[pos_ + 1]) << 8) |
                      (static_cast<std::uint32_t>(data_[pos_ + 2]) << 16) |
                      (static_cast<std::uint32_t>(data_[pos_ + 3]) << 24);
    pos_ += 4;
    return v;
  }
  std::uint64_t U64() {
    std::uint64_t lo = U32();
    return lo | (static_cast<std::uint64_t>(U32()) << 32);
  }
  double F64() {
    std::uint64_t bits = U64();
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
  }
  std::span<const std::uint8_t> Bytes(std::size_t n) {
    Need(n);
    auto s = data_.subspan(pos_, n);
    pos_ += n;
    return s;
  }
  void Skip(std::size_t n) {
    Need(n);
    pos_ += n;
  }
  void Seek(std::size_t pos) {
    if (pos > data_.size()) Fail("position past the end of the data");
    pos_ = pos;
  }

  std::size_t Pos() const { return pos_; }
  std::size_t Left() const { return data_.size() - pos_; }
  bool AtEnd() const { return pos_ == data_.size(); }
  std::uint64_t Offset() const { return base_ + pos_; }
  std::string_view Where() const { return where_; }

  // Raises 1005 naming this cursor's data and current offset.
  [[noreturn]] void Fail(std::string_view what) const { RaiseDamaged(what, where_, Offset()); }

 private:
  void Need(std::size_t n) const {
    if (n > data_.size() - pos_) Fail("data ends early");
  }

  std::span<const std::uint8_t> data_;
  std::string_view where_;
  std::uint64_t base_;
  std::size_t pos_ = 0;
};

// The little-endian 16-bit value at `at` of `data`, or `otherwise` where the data ends before
// it: for looking ahead at a record number without reading it.
inline std::uint16_t PeekU16(std::span<const std::uint8_t> data, std::size_t at,
                             std::uint16_t otherwise = 0) {
  if (at > data.size() || data.size() - at < 2) return otherwise;
  return static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8));
}

}  // namespace sheaver::xl
