#include "spreadsheet/encrypted_package.h"

#include <algorithm>
#include <charconv>
#include <memory>

#include "runtime/error.h"
#include "spreadsheet/byte_cursor.h"
#include "spreadsheet/cipher.h"
#include "spreadsheet/password.h"
#include "spreadsheet/xml_stream.h"

namespace sheaver::xl {
namespace {

constexpr std::string_view kInfo = "EncryptionInfo stream";
constexpr std::string_view kPackage = "EncryptedPackage stream";

// Standard encryption: the CryptoAPI algorithm identifiers of AES.
constexpr std::uint32_t kAlgAes128 = 0x660E;
constexpr std::uint32_t kAlgAes192 = 0x660F;
constexpr std::uint32_t kAlgAes256 = 0x6610;
constexpr std::uint32_t kFlagAes = 0x20;
// Standard encryption hashes the password this many times.
constexpr std::uint32_t kStandardSpinCount = 50000;
// Agile encryption: the package is encrypted in segments of this size, each with its own IV.
constexpr std::size_t kAgileSegment = 4096;
// Excel spins the password hash 100,000 times; ten times that still opens in about a second,
// and a file asking for more is damage or a trap.
constexpr std::uint32_t kMaxSpinCount = 1'000'000;

// The block keys that tell apart the three keys agile encryption makes from one password.
constexpr std::uint8_t kVerifierInputBlock[] = {0xfe, 0xa7, 0xd2, 0x76, 0x3b, 0x4b, 0x9e, 0x79};
constexpr std::uint8_t kVerifierValueBlock[] = {0xd7, 0xaa, 0x0f, 0x6d, 0x30, 0x61, 0x34, 0x4e};
constexpr std::uint8_t kKeyValueBlock[] = {0x14, 0x6e, 0x0b, 0xe7, 0xab, 0xac, 0xd0, 0xd6};

Bytes Le32Bytes(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
          static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

[[noreturn]] void RaiseUnsupported(const std::string& what) {
  Raise(err::kWorkbookEncrypted,
        "password-protected workbook: it is an encrypted .xlsx workbook whose " + what +
            ", which is not read here");
}

// The package's plain size, from the first 8 bytes of the EncryptedPackage stream.
std::uint64_t PackageSize(std::span<const std::uint8_t> package) {
  Cursor c(package, kPackage);
  const std::uint64_t size = c.U64();
  if (size > package.size() - 8)
    RaiseDamaged("the encrypted package is shorter than the size it gives", kPackage, 0);
  return size;
}

// H(salt + password), then `spins` times H(iteration + previous): the hash both kinds start from.
Bytes SpunHash(DigestKind kind, std::span<const std::uint8_t> salt, std::string_view password,
               std::uint32_t spins) {
  Bytes h = Digest(kind, {salt, Utf16Le(password)});
  for (std::uint32_t i = 0; i < spins; ++i) h = Digest(kind, {Le32Bytes(i), h});
  return h;
}

class PackageDecryptor {
 public:
  virtual ~PackageDecryptor() = default;
  virtual bool TryPassword(std::string_view password) = 0;
  virtual Bytes Decrypt(std::span<const std::uint8_t> package) = 0;
};

// ---- Standard encryption --------------------------------------------------------------------

class StandardDecryptor : public PackageDecryptor {
 public:
  explicit StandardDecryptor(Cursor& c) {
    const std::uint32_t flags = c.U32();
    const std::uint32_t header_size = c.U32();
    if (header_size < 32 || header_size > c.Left()) c.Fail("the encryption header is damaged");
    Cursor header(c.Bytes(header_size), kInfo, 12);
    header.U32();  // flags, repeated
    header.U32();  // size of extra data
    const std::uint32_t algorithm = header.U32();
    header.U32();  // hash algorithm: SHA-1 whatever it says
    key_bits_ = header.U32();
    if (!(flags & kFlagAes) && algorithm == 0x6801) RaiseUnsupported("encryption is RC4");
    switch (algorithm) {
      case kAlgAes128:
        cipher_ = CipherKind::kAes128Ecb;
        break;
      case kAlgAes192:
        cipher_ = CipherKind::kAes192Ecb;
        break;
      case kAlgAes256:
        cipher_ = CipherKind::kAes256Ecb;
        break;
      default:
        RaiseUnsupported("encryption algorithm is not AES");
    }
    if (key_bits_ == 0) key_bits_ = 128;
    const std::uint32_t expected = algorithm == kAlgAes128   ? 128
                                   : algorithm == kAlgAes192 ? 192
                                                             : 256;
    if (key_bits_ != expected)
      c.Fail("the encryption header's key size does not fit its algorithm");
    const std::uint32_t salt_size = c.U32();
    if (salt_size != 16) c.Fail("the encryption verifier's salt is not 16 bytes");
    auto salt = c.Bytes(16), verifier = c.Bytes(16);
    c.U32();  // size of the verifier's hash: 20, encrypted into 32 bytes
    auto hash = c.Bytes(32);
    salt_.assign(salt.begin(), salt.end());
    verifier_.assign(verifier.begin(), verifier.end());
    hash_.assign(hash.begin(), hash.end());
  }

  bool TryPassword(std::string_view password) override {
    const Bytes h = SpunHash(DigestKind::kSha1, salt_, password, kStandardSpinCount);
    const Bytes final_hash = Digest(DigestKind::kSha1, {h, Le32Bytes(0)});
    // The key: the hash XORed into 64 bytes of 0x36, hashed, then the same with 0x5C, joined.
    Bytes inner(64, 0x36), outer(64, 0x5C);
    for (std::size_t i = 0; i < final_hash.size(); ++i) {
      inner[i] ^= final_hash[i];
      outer[i] ^= final_hash[i];
    }
    Bytes key = Digest(DigestKind::kSha1, {inner});
    const Bytes x2 = Digest(DigestKind::kSha1, {outer});
    key.insert(key.end(), x2.begin(), x2.end());
    key.resize(key_bits_ / 8);
    const Bytes verifier = xl::Decrypt(cipher_, key, {}, verifier_);
    const Bytes hash = xl::Decrypt(cipher_, key, {}, hash_);
    const Bytes expected = Digest(DigestKind::kSha1, {verifier});
    if (!std::equal(expected.begin(), expected.end(), hash.begin())) return false;
    key_ = std::move(key);
    return true;
  }

  Bytes Decrypt(std::span<const std::uint8_t> package) override {
    const std::uint64_t size = PackageSize(package);
    auto data = package.subspan(8);
    // The last block may be cut short by the stream's end in some writers: decrypt whole blocks.
    const std::size_t whole = data.size() / 16 * 16;
    if (whole < size) RaiseDamaged("the encrypted package is cut short", kPackage, 8 + whole);
    Bytes plain = xl::Decrypt(cipher_, key_, {}, data.first(whole));
    plain.resize(static_cast<std::size_t>(size));
    return plain;
  }

 private:
  std::uint32_t key_bits_ = 128;
  CipherKind cipher_ = CipherKind::kAes128Ecb;
  Bytes salt_, verifier_, hash_, key_;
};

// ---- Agile encryption -----------------------------------------------------------------------

// The parameters of one cipher use in the agile XML (the package's keyData, the password's
// encryptedKey).
struct AgileParameters {
  std::size_t salt_size = 0, block_size = 0, key_bits = 0, hash_size = 0;
  std::string cipher, chaining, hash;
  Bytes salt;
  std::uint32_t spin_count = 0;
  Bytes verifier_input, verifier_value, key_value;
  bool seen = false;
};

class AgileHandler : public XmlHandler {
 public:
  void StartElement(const XmlName& name, const XmlAttributes& a) override {
    if (name.local == "keyData" && !key_data.seen) {
      Read(a, key_data);
    } else if (name.local == "encryptedKey" && !password_key.seen) {
      Read(a, password_key);
      password_key.spin_count = Number(a, "spinCount");
      password_key.verifier_input = Base64(a, "encryptedVerifierHashInput");
      password_key.verifier_value = Base64(a, "encryptedVerifierHashValue");
      password_key.key_value = Base64(a, "encryptedKeyValue");
    }
  }
  void EndElement(const XmlName&) override {}

  AgileParameters key_data, password_key;

 private:
  static std::uint32_t Number(const XmlAttributes& a, std::string_view name) {
    const std::string_view text = a.Get(Ns::kNone, name, "");
    std::uint32_t n = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size())
      RaiseDamaged("the encryption description's " + std::string(name) + " is not a number");
    return n;
  }
  static Bytes Base64(const XmlAttributes& a, std::string_view name) {
    Bytes out;
    if (!DecodeBase64(a.Get(Ns::kNone, name, ""), out))
      RaiseDamaged("the encryption description's " + std::string(name) + " is not Base64");
    return out;
  }
  static void Read(const XmlAttributes& a, AgileParameters& p) {
    p.seen = true;
    p.salt_size = Number(a, "saltSize");
    p.block_size = Number(a, "blockSize");
    p.key_bits = Number(a, "keyBits");
    p.hash_size = Number(a, "hashSize");
    p.cipher = a.Get(Ns::kNone, "cipherAlgorithm", "");
    p.chaining = a.Get(Ns::kNone, "cipherChaining", "");
    p.hash = a.Get(Ns::kNone, "hashAlgorithm", "");
    p.salt = Base64(a, "saltValue");
  }
};

DigestKind AgileDigest(const std::string& name) {
  if (name == "SHA1" || name == "SHA-1") return DigestKind::kSha1;
  if (name == "SHA256" || name == "SHA-256") return DigestKind::kSha256;
  if (name == "SHA384" || name == "SHA-384") return DigestKind::kSha384;
  if (name == "SHA512" || name == "SHA-512") return DigestKind::kSha512;
  if (name == "MD5") return DigestKind::kMd5;
  RaiseUnsupported("hash algorithm is " + name);
}

CipherKind AgileCipher(const AgileParameters& p) {
  if (p.cipher != "AES") RaiseUnsupported("cipher is " + p.cipher);
  if (p.chaining != "ChainingModeCBC") RaiseUnsupported("cipher chaining is " + p.chaining);
  if (p.block_size != 16) RaiseDamaged("the encryption description gives AES another block size");
  switch (p.key_bits) {
    case 128:
      return CipherKind::kAes128Cbc;
    case 192:
      return CipherKind::kAes192Cbc;
    case 256:
      return CipherKind::kAes256Cbc;
    default:
      RaiseDamaged("the encryption description gives AES a key of " + std::to_string(p.key_bits) +
                   " bits");
  }
}

// A hash cut to `length` bytes, or padded to it with 0x36 bytes.
Bytes Fit(Bytes h, std::size_t length) {
  h.resize(length, 0x36);
  return h;
}

class AgileDecryptor : public PackageDecryptor {
 public:
  explicit AgileDecryptor(std::span<const std::uint8_t> xml) {
    ParseXmlText(std::string_view(reinterpret_cast<const char*>(xml.data()), xml.size()),
                 "EncryptionInfo", handler_);
    if (!handler_.key_data.seen || !handler_.password_key.seen)
      RaiseUnsupported("keys are not encrypted with a password (a certificate, say)");
    data_cipher_ = AgileCipher(handler_.key_data);
    data_hash_ = AgileDigest(handler_.key_data.hash);
    key_cipher_ = AgileCipher(handler_.password_key);
    key_hash_ = AgileDigest(handler_.password_key.hash);
    if (handler_.password_key.spin_count > kMaxSpinCount)
      RaiseDamaged("the encryption description's spin count is beyond any real workbook's");
  }

  bool TryPassword(std::string_view password) override {
    const AgileParameters& k = handler_.password_key;
    const Bytes h = SpunHash(key_hash_, k.salt, password, k.spin_count);
    auto key_for = [&](std::span<const std::uint8_t> block) {
      return Fit(Digest(key_hash_, {h, block}), k.key_bits / 8);
    };
    const std::span<const std::uint8_t> iv = k.salt;
    Bytes input = xl::Decrypt(key_cipher_, key_for(kVerifierInputBlock), iv, k.verifier_input);
    input.resize(std::min(input.size(), k.salt_size));
    const Bytes value =
        xl::Decrypt(key_cipher_, key_for(kVerifierValueBlock), iv, k.verifier_value);
    const Bytes expected = Digest(key_hash_, {input});
    if (value.size() < expected.size() ||
        !std::equal(expected.begin(), expected.end(), value.begin()))
      return false;
    Bytes secret = xl::Decrypt(key_cipher_, key_for(kKeyValueBlock), iv, k.key_value);
    if (secret.size() < handler_.key_data.key_bits / 8)
      RaiseDamaged("the encrypted key is shorter than its key size");
    secret.resize(handler_.key_data.key_bits / 8);
    secret_ = std::move(secret);
    return true;
  }

  Bytes Decrypt(std::span<const std::uint8_t> package) override {
    const std::uint64_t size = PackageSize(package);
    auto data = package.subspan(8);
    Bytes plain;
    plain.reserve(static_cast<std::size_t>(size) + kAgileSegment);
    const AgileParameters& d = handler_.key_data;
    for (std::uint32_t segment = 0; plain.size() < size; ++segment) {
      const std::size_t from = static_cast<std::size_t>(segment) * kAgileSegment;
      if (from >= data.size())
        RaiseDamaged("the encrypted package is cut short", kPackage, 8 + from);
      auto chunk = data.subspan(from, std::min(kAgileSegment, data.size() - from));
      chunk = chunk.first(chunk.size() / 16 * 16);
      const Bytes iv = Fit(Digest(data_hash_, {d.salt, Le32Bytes(segment)}), d.block_size);
      const Bytes part = xl::Decrypt(data_cipher_, secret_, iv, chunk);
      if (part.empty()) RaiseDamaged("the encrypted package is cut short", kPackage, 8 + from);
      plain.insert(plain.end(), part.begin(), part.end());
    }
    plain.resize(static_cast<std::size_t>(size));
    return plain;
  }

 private:
  AgileHandler handler_;
  CipherKind data_cipher_ = CipherKind::kAes256Cbc, key_cipher_ = CipherKind::kAes256Cbc;
  DigestKind data_hash_ = DigestKind::kSha512, key_hash_ = DigestKind::kSha512;
  Bytes secret_;
};

}  // namespace

std::vector<std::uint8_t> DecryptPackage(std::span<const std::uint8_t> encryption_info,
                                         std::span<const std::uint8_t> encrypted_package,
                                         const std::optional<std::string>& password) {
  Cursor c(encryption_info, kInfo);
  const std::uint16_t major = c.U16(), minor = c.U16();
  std::unique_ptr<PackageDecryptor> decryptor;
  std::string how;
  if (major == 4 && minor == 4) {
    c.U32();  // reserved
    how = "agile encryption";
    decryptor = std::make_unique<AgileDecryptor>(encryption_info.subspan(8));
  } else if ((major == 2 || major == 3 || major == 4) && minor == 2) {
    how = "standard encryption";
    decryptor = std::make_unique<StandardDecryptor>(c);
  } else if ((major == 3 || major == 4) && minor == 3) {
    RaiseUnsupported("encryption is extensible (a third-party module)");
  } else {
    RaiseDamaged("the EncryptionInfo stream has an unknown version " + std::to_string(major) + "." +
                 std::to_string(minor));
  }
  const bool opened = (password && decryptor->TryPassword(*password)) ||
                      decryptor->TryPassword(kExcelDefaultPassword);
  if (!opened) RaisePasswordRefused("an encrypted .xlsx workbook, " + how, password.has_value());
  return decryptor->Decrypt(encrypted_package);
}

}  // namespace sheaver::xl
