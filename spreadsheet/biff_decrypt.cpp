#include "spreadsheet/biff_decrypt.h"

#include "spreadsheet/biff_records.h"

#include <array>
#include <memory>
#include <span>

#include "runtime/error.h"
#include "spreadsheet/biff_records.h"
#include "spreadsheet/byte_cursor.h"
#include "spreadsheet/cipher.h"
#include "spreadsheet/password.h"

namespace sheaver::xl {
namespace {

constexpr std::uint16_t kBof = 0x0809;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kFilePass = 0x002F;
constexpr std::uint16_t kBoundSheet = 0x0085;
constexpr std::uint16_t kInterfaceHdr = 0x00E1;
constexpr std::uint16_t kRrdHead = 0x0138;
constexpr std::uint16_t kUsrExcl = 0x0194;
constexpr std::uint16_t kFileLock = 0x0195;
constexpr std::uint16_t kRrdInfo = 0x0196;

// RC4 is re-keyed every this many bytes of the stream.
constexpr std::uint64_t kRc4Block = 1024;

// The CryptoAPI algorithm identifiers an .xls uses.
constexpr std::uint32_t kAlgRc4 = 0x6801;
constexpr std::uint32_t kAlgSha1 = 0x8004;

// Records whose bodies are never encrypted: they are read before the password is known, or by
// programs that only look at who holds the file.
bool NeverEncrypted(std::uint16_t type) {
  switch (type) {
    case kBof:
    case kFilePass:
    case kUsrExcl:
    case kFileLock:
    case kInterfaceHdr:
    case kRrdInfo:
    case kRrdHead:
      return true;
    default:
      return false;
  }
}

// One kind of protection: checks a password and then turns stream bytes back into plain ones.
class StreamDecryptor {
 public:
  virtual ~StreamDecryptor() = default;
  // Whether the password opens the stream; when it does, the decryptor is ready for it.
  virtual bool TryPassword(std::string_view password) = 0;
  // Decrypts `data`, which lies at `offset` in the stream, within a record whose body starts at
  // `body_offset` and holds `body_size` bytes.
  virtual void Apply(std::span<std::uint8_t> data, std::uint64_t offset, std::uint64_t body_offset,
                     std::uint64_t body_size) = 0;
};

// ---- XOR obfuscation ------------------------------------------------------------------------

constexpr std::array<std::uint8_t, 15> kXorPad = {0xBB, 0xFF, 0xFF, 0xBA, 0xFF, 0xFF, 0xB9, 0x80,
                                                  0x00, 0xBE, 0x0F, 0x00, 0xBF, 0x0F, 0x00};
constexpr std::array<std::uint16_t, 15> kXorInitialCode = {0xE1F0, 0x1D0F, 0xCC9C, 0x84C0, 0x110C,
                                                           0x0E10, 0xF1CE, 0x313E, 0x1872, 0xE139,
                                                           0xD40F, 0x84F9, 0x280C, 0xA96A, 0x4EC3};
constexpr std::array<std::uint16_t, 105> kXorMatrix = {
    0xAEFC, 0x4DD9, 0x9BB2, 0x2745, 0x4E8A, 0x9D14, 0x2A09, 0x7B61, 0xF6C2, 0xFDA5, 0xEB6B, 0xC6F7,
    0x9DCF, 0x2BBF, 0x4563, 0x8AC6, 0x05AD, 0x0B5A, 0x16B4, 0x2D68, 0x5AD0, 0x0375, 0x06EA, 0x0DD4,
    0x1BA8, 0x3750, 0x6EA0, 0xDD40, 0xD849, 0xA0B3, 0x5147, 0xA28E, 0x553D, 0xAA7A, 0x44D5, 0x6F45,
    0xDE8A, 0xAD35, 0x4A4B, 0x9496, 0x390D, 0x721A, 0xEB23, 0xC667, 0x9CEF, 0x29FF, 0x53FE, 0xA7FC,
    0x5FD9, 0x47D3, 0x8FA6, 0x0F6D, 0x1EDA, 0x3DB4, 0x7B68, 0xF6D0, 0xB861, 0x60E3, 0xC1C6, 0x93AD,
    0x377B, 0x6EF6, 0xDDEC, 0x45A0, 0x8B40, 0x06A1, 0x0D42, 0x1A84, 0x3508, 0x6A10, 0xAA51, 0x4483,
    0x8906, 0x022D, 0x045A, 0x08B4, 0x1168, 0x76B4, 0xED68, 0xCAF1, 0x85C3, 0x1BA7, 0x374E, 0x6E9C,
    0x3730, 0x6E60, 0xDCC0, 0xA9A1, 0x4363, 0x86C6, 0x1DAD, 0x3331, 0x6662, 0xCCC4, 0x89A9, 0x0373,
    0x06E6, 0x0DCC, 0x1021, 0x2042, 0x4084, 0x8108, 0x1231, 0x2462, 0x48C4};

std::uint8_t RotateRight(std::uint8_t v, int n) {
  return static_cast<std::uint8_t>((v >> n) | (v << (8 - n)));
}

// The password as the single bytes XOR obfuscation works on: of each UTF-16 character its low
// byte, or its high byte when the low one is zero; at most 15 of them.
Bytes XorPasswordBytes(std::string_view password) {
  const Bytes wide = Utf16Le(password);
  Bytes out;
  for (std::size_t i = 0; i + 1 < wide.size() && out.size() < 15; i += 2)
    out.push_back(wide[i] ? wide[i] : wide[i + 1]);
  return out;
}

std::uint16_t XorKey(const Bytes& password) {
  std::uint16_t key = kXorInitialCode[password.size() - 1];
  std::size_t element = kXorMatrix.size() - 1;
  for (auto it = password.rbegin(); it != password.rend(); ++it) {
    std::uint8_t c = *it;
    for (int bit = 0; bit < 7; ++bit, --element) {
      if (c & 0x40) key ^= kXorMatrix[element];
      c = static_cast<std::uint8_t>(c << 1);
    }
  }
  return key;
}

std::uint16_t XorVerifier(const Bytes& password) {
  std::uint16_t verifier = 0;
  Bytes with_length{static_cast<std::uint8_t>(password.size())};
  with_length.insert(with_length.end(), password.begin(), password.end());
  for (auto it = with_length.rbegin(); it != with_length.rend(); ++it) {
    const std::uint16_t carry = (verifier & 0x4000) ? 1 : 0;
    verifier = static_cast<std::uint16_t>((((verifier << 1) & 0x7FFF) | carry) ^ *it);
  }
  return verifier ^ 0xCE4B;
}

class XorDecryptor : public StreamDecryptor {
 public:
  XorDecryptor(std::uint16_t key, std::uint16_t verifier) : key_(key), verifier_(verifier) {}

  bool TryPassword(std::string_view password) override {
    const Bytes p = XorPasswordBytes(password);
    if (p.empty() || XorVerifier(p) != verifier_ || XorKey(p) != key_) return false;
    // The 16-byte obfuscation array: the password's bytes, then the pad, each XORed with a byte
    // of the key (high and low in turn, from the end) and rotated.
    const std::uint8_t high = static_cast<std::uint8_t>(key_ >> 8);
    const std::uint8_t low = static_cast<std::uint8_t>(key_ & 0xFF);
    std::array<std::uint8_t, 16> a{};
    std::size_t index = p.size();
    auto put = [&](std::size_t at, std::uint8_t byte, std::uint8_t with) {
      a[at] = RotateRight(static_cast<std::uint8_t>(byte ^ with), 1);
    };
    if (index % 2 == 1) {
      put(index, kXorPad[0], high);
      --index;
      put(index, p.back(), low);
    }
    while (index > 0) {
      --index;
      put(index, p[index], high);
      --index;
      put(index, p[index], low);
    }
    // The pad fills the rest from the end, two bytes at a time (the last pair ends at pad[0]).
    int at = 15;
    for (int pad = 15 - static_cast<int>(p.size()); pad > 0; pad -= 2, at -= 2) {
      put(static_cast<std::size_t>(at), kXorPad[static_cast<std::size_t>(pad)], high);
      put(static_cast<std::size_t>(at - 1), kXorPad[static_cast<std::size_t>(pad - 1)], low);
    }
    array_ = a;
    return true;
  }

  void Apply(std::span<std::uint8_t> data, std::uint64_t offset, std::uint64_t body_offset,
             std::uint64_t body_size) override {
    // The array's index starts from the record's end position, counted on through the body.
    std::uint64_t index = (body_offset + body_size + (offset - body_offset)) % 16;
    for (std::uint8_t& b : data) {
      b = RotateRight(static_cast<std::uint8_t>(b ^ array_[index]), 5);
      index = (index + 1) % 16;
    }
  }

 private:
  std::uint16_t key_, verifier_;
  std::array<std::uint8_t, 16> array_{};
};

// ---- RC4, plain and CryptoAPI ---------------------------------------------------------------

// RC4 over the stream, re-keyed at every 1024-byte block of the stream; the key stream runs on
// through the bytes that are not encrypted (record headers and the records above).
class Rc4Decryptor : public StreamDecryptor {
 public:
  void Apply(std::span<std::uint8_t> data, std::uint64_t offset, std::uint64_t,
             std::uint64_t) override {
    while (!data.empty()) {
      const std::uint64_t block = offset / kRc4Block;
      if (!rc4_ || block != block_ || offset < position_) {
        rc4_ = std::make_unique<Rc4>(BlockKey(static_cast<std::uint32_t>(block)));
        block_ = block;
        position_ = block * kRc4Block;
      }
      Skip(offset - position_);
      const std::size_t take = static_cast<std::size_t>(
          std::min<std::uint64_t>(data.size(), (block + 1) * kRc4Block - offset));
      rc4_->Apply(data.first(take));
      position_ += take;
      offset += take;
      data = data.subspan(take);
    }
  }

 protected:
  virtual Bytes BlockKey(std::uint32_t block) const = 0;

  // Whether the verifier and its hash, decrypted with block 0's key, agree.
  bool Verifies(std::span<const std::uint8_t> verifier, std::span<const std::uint8_t> hash,
                DigestKind kind) {
    Rc4 rc4(BlockKey(0));
    Bytes v(verifier.begin(), verifier.end()), h(hash.begin(), hash.end());
    rc4.Apply(v);
    rc4.Apply(h);
    const Bytes expected = Digest(kind, {v});
    return std::equal(expected.begin(), expected.end(), h.begin(), h.end());
  }

 private:
  void Skip(std::uint64_t n) {
    std::array<std::uint8_t, 256> scratch{};
    while (n > 0) {
      const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(n, scratch.size()));
      rc4_->Apply(std::span(scratch).first(take));
      n -= take;
      position_ += take;
    }
  }

  std::unique_ptr<Rc4> rc4_;
  std::uint64_t block_ = 0, position_ = 0;
};

// RC4 encryption (version 1.1): MD5 of the password, mixed with the salt, 40 bits of it kept.
class PlainRc4Decryptor : public Rc4Decryptor {
 public:
  explicit PlainRc4Decryptor(Cursor& c) {
    auto salt = c.Bytes(16), verifier = c.Bytes(16), hash = c.Bytes(16);
    salt_.assign(salt.begin(), salt.end());
    verifier_.assign(verifier.begin(), verifier.end());
    hash_.assign(hash.begin(), hash.end());
  }

  bool TryPassword(std::string_view password) override {
    const Bytes h0 = Digest(DigestKind::kMd5, {Utf16Le(password)});
    Bytes buffer;
    for (int i = 0; i < 16; ++i) {
      buffer.insert(buffer.end(), h0.begin(), h0.begin() + 5);
      buffer.insert(buffer.end(), salt_.begin(), salt_.end());
    }
    const Bytes h1 = Digest(DigestKind::kMd5, {buffer});
    key_.assign(h1.begin(), h1.begin() + 5);
    return Verifies(verifier_, hash_, DigestKind::kMd5);
  }

 protected:
  Bytes BlockKey(std::uint32_t block) const override {
    const std::uint8_t b[4] = {
        static_cast<std::uint8_t>(block), static_cast<std::uint8_t>(block >> 8),
        static_cast<std::uint8_t>(block >> 16), static_cast<std::uint8_t>(block >> 24)};
    return Digest(DigestKind::kMd5, {key_, b});
  }

 private:
  Bytes salt_, verifier_, hash_, key_;
};

// RC4 CryptoAPI encryption (versions 2.2, 3.2, 4.2): SHA-1 of the salt and the password, a key
// of 40 to 128 bits.
class CryptoApiRc4Decryptor : public Rc4Decryptor {
 public:
  CryptoApiRc4Decryptor(Cursor& c, std::string_view where) {
    c.U32();  // flags
    const std::uint32_t header_size = c.U32();
    if (header_size < 32 || header_size > c.Left()) c.Fail("the encryption header is damaged");
    Cursor header(c.Bytes(header_size), where);
    header.U32();  // flags
    header.U32();  // size of extra data
    const std::uint32_t algorithm = header.U32(), hash = header.U32();
    key_bits_ = header.U32();
    if (key_bits_ == 0) key_bits_ = 40;
    if ((algorithm != kAlgRc4 && algorithm != 0) || (hash != kAlgSha1 && hash != 0))
      Raise(err::kWorkbookEncrypted,
            "password-protected workbook: it is encrypted with an algorithm other than RC4 "
            "CryptoAPI (0x" +
                Hex(algorithm) + "), which is not read here");
    if (key_bits_ < 40 || key_bits_ > 128 || key_bits_ % 8 != 0)
      c.Fail("the encryption header gives a key size of " + std::to_string(key_bits_) + " bits");
    const std::uint32_t salt_size = c.U32();
    if (salt_size != 16) c.Fail("the encryption verifier's salt is not 16 bytes");
    auto salt = c.Bytes(16), verifier = c.Bytes(16);
    const std::uint32_t hash_size = c.U32();
    if (hash_size != 20) c.Fail("the encryption verifier's hash is not 20 bytes");
    auto verifier_hash = c.Bytes(20);
    salt_.assign(salt.begin(), salt.end());
    verifier_.assign(verifier.begin(), verifier.end());
    hash_.assign(verifier_hash.begin(), verifier_hash.end());
  }

  bool TryPassword(std::string_view password) override {
    h0_ = Digest(DigestKind::kSha1, {salt_, Utf16Le(password)});
    return Verifies(verifier_, hash_, DigestKind::kSha1);
  }

 protected:
  Bytes BlockKey(std::uint32_t block) const override {
    const std::uint8_t b[4] = {
        static_cast<std::uint8_t>(block), static_cast<std::uint8_t>(block >> 8),
        static_cast<std::uint8_t>(block >> 16), static_cast<std::uint8_t>(block >> 24)};
    Bytes key = Digest(DigestKind::kSha1, {h0_, b});
    key.resize(key_bits_ / 8);
    // A 40-bit key is used as a 128-bit one whose other bytes are zero.
    if (key_bits_ == 40) key.resize(16, 0);
    return key;
  }

 private:
  static std::string Hex(std::uint32_t v) {
    static const char* digits = "0123456789ABCDEF";
    std::string s(4, '0');
    for (int i = 3; i >= 0; --i, v >>= 4) s[static_cast<std::size_t>(i)] = digits[v & 15];
    return s;
  }
  std::uint32_t key_bits_ = 40;
  Bytes salt_, verifier_, hash_, h0_;
};

// The decryptor the FILEPASS record asks for, with the name of its protection.
std::unique_ptr<StreamDecryptor> MakeDecryptor(std::span<const std::uint8_t> body, bool biff5,
                                               std::uint64_t offset, std::string_view where,
                                               std::string& how) {
  Cursor c(body, where, offset);
  if (biff5) {
    how = "XOR obfuscation";
    const std::uint16_t key = c.U16(), verifier = c.U16();
    return std::make_unique<XorDecryptor>(key, verifier);
  }
  const std::uint16_t type = c.U16();
  if (type == 0) {
    how = "XOR obfuscation";
    const std::uint16_t key = c.U16(), verifier = c.U16();
    return std::make_unique<XorDecryptor>(key, verifier);
  }
  if (type != 1) c.Fail("the FILEPASS record names an unknown kind of encryption");
  const std::uint16_t major = c.U16();
  c.U16();  // minor version
  if (major == 1) {
    how = "RC4 encryption";
    return std::make_unique<PlainRc4Decryptor>(c);
  }
  if (major >= 2 && major <= 4) {
    how = "RC4 CryptoAPI encryption";
    return std::make_unique<CryptoApiRc4Decryptor>(c, where);
  }
  Raise(err::kWorkbookEncrypted, "password-protected workbook: its encryption (version " +
                                     std::to_string(major) + ") is not one read here");
}

}  // namespace

std::string DecryptBiffStream(std::vector<std::uint8_t>& stream, bool biff5,
                              const std::optional<std::string>& password, std::string_view where) {
  // The FILEPASS record, if any, is among the globals, before their EOF. Record headers are
  // never encrypted, so the records can be walked before anything is decrypted.
  std::optional<std::size_t> filepass;
  std::uint16_t filepass_length = 0;
  ScanRecordHeaders(stream, 0, [&](std::uint16_t type, std::size_t pos, auto body) {
    if (type == kFilePass) {
      filepass = pos;
      filepass_length = static_cast<std::uint16_t>(body.size());
      return false;
    }
    return type != kEof;
  });
  if (!filepass) return {};
  std::string how;
  auto decryptor = MakeDecryptor(std::span(stream).subspan(*filepass + 4, filepass_length), biff5,
                                 *filepass + 4, where, how);
  const bool opened = (password && decryptor->TryPassword(*password)) ||
                      decryptor->TryPassword(kExcelDefaultPassword);
  if (!opened) RaisePasswordRefused(how, password.has_value());

  // Every record after FILEPASS, to the end of the stream, has its body encrypted, but for the
  // few records above and the sheet offset at the start of each BOUNDSHEET.
  // Record headers are never encrypted, so the walk reads them as it decrypts the bodies.
  ScanRecordHeaders(stream, *filepass + 4 + filepass_length,
                    [&](std::uint16_t type, std::size_t pos, auto record) {
                      const std::size_t body = pos + 4, length = record.size();
                      if (!NeverEncrypted(type)) {
                        const std::size_t skip =
                            type == kBoundSheet ? std::min<std::size_t>(4, length) : 0;
                        decryptor->Apply(std::span(stream).subspan(body + skip, length - skip),
                                         body + skip, body, static_cast<std::uint16_t>(length));
                      }
                      return true;
                    });
  return how;
}

}  // namespace sheaver::xl
