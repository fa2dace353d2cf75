#include "spreadsheet/ods_decrypt.h"

#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <vector>

#include "runtime/error.h"
#include "spreadsheet/byte_cursor.h"
#include "spreadsheet/cipher.h"
#include "spreadsheet/password.h"
#include "spreadsheet/xml_stream.h"
#include "spreadsheet/zip_package.h"

namespace sheaver::xl {
namespace {

constexpr std::string_view kWhat = "an encrypted OpenDocument spreadsheet";
// LibreOffice derives each part's key with 100,000 iterations; ten times that still opens in
// about a second a part, and a file asking for more is damage or a trap.
constexpr std::uint32_t kMaxIterations = 1'000'000;
// The largest key a cipher here takes (AES-256).
constexpr std::size_t kMaxKeySize = 32;

// What the manifest says about one encrypted part.
struct EncryptedPart {
  std::string path;
  std::uint64_t size = 0;  // plain, inflated
  std::string checksum_type, algorithm, key_derivation, start_key;
  Bytes checksum, iv, salt;
  std::uint32_t iterations = 0;
  std::size_t key_size = 16;
};

class ManifestHandler : public XmlHandler {
 public:
  void StartElement(const XmlName& name, const XmlAttributes& a) override {
    if (name.ns != Ns::kManifest) return;
    auto get = [&](std::string_view n) { return std::string(a.Get(Ns::kManifest, n, "")); };
    if (name.local == "file-entry") {
      entry_ = {};
      entry_.path = get("full-path");
      entry_.size = Number(get("size"), "size");
    } else if (name.local == "encryption-data") {
      in_encryption_ = true;
      entry_.checksum_type = get("checksum-type");
      entry_.checksum = Base64(get("checksum"), "checksum");
    } else if (in_encryption_ && name.local == "algorithm") {
      entry_.algorithm = get("algorithm-name");
      entry_.iv = Base64(get("initialisation-vector"), "initialisation vector");
    } else if (in_encryption_ && name.local == "key-derivation") {
      entry_.key_derivation = get("key-derivation-name");
      entry_.salt = Base64(get("salt"), "salt");
      entry_.iterations =
          static_cast<std::uint32_t>(Number(get("iteration-count"), "iteration count"));
      const std::string size = get("key-size");
      if (!size.empty()) entry_.key_size = static_cast<std::size_t>(Number(size, "key size"));
    } else if (in_encryption_ && name.local == "start-key-generation") {
      entry_.start_key = get("start-key-generation-name");
    }
  }
  void EndElement(const XmlName& name) override {
    if (name.ns != Ns::kManifest) return;
    if (name.local == "encryption-data") in_encryption_ = false;
    if (name.local == "file-entry" && !entry_.algorithm.empty()) parts.push_back(entry_);
  }

  std::vector<EncryptedPart> parts;

 private:
  static std::uint64_t Number(const std::string& text, std::string_view what) {
    if (text.empty()) return 0;
    std::uint64_t n = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size())
      RaiseDamaged("the manifest's " + std::string(what) + " '" + text.substr(0, 40) +
                   "' is not a number");
    return n;
  }
  static Bytes Base64(const std::string& text, std::string_view what) {
    Bytes out;
    if (!DecodeBase64(text, out))
      RaiseDamaged("the manifest's " + std::string(what) + " is not Base64");
    return out;
  }

  EncryptedPart entry_;
  bool in_encryption_ = false;
};

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.ends_with(tail);
}

[[noreturn]] void RaiseUnsupported(const std::string& what) {
  Raise(err::kWorkbookEncrypted, "password-protected workbook (" + std::string(kWhat) + "): its " +
                                     what + ", which is not read here");
}

// The cipher, the digest of the checksum, and the start key's digest a part asks for.
struct Method {
  CipherKind cipher;
  DigestKind checksum;
  DigestKind start_key;
};

Method MethodOf(const EncryptedPart& p) {
  Method m{};
  if (EndsWith(p.algorithm, "#aes256-cbc"))
    m.cipher = CipherKind::kAes256Cbc;
  else if (EndsWith(p.algorithm, "#aes192-cbc"))
    m.cipher = CipherKind::kAes192Cbc;
  else if (EndsWith(p.algorithm, "#aes128-cbc"))
    m.cipher = CipherKind::kAes128Cbc;
  else if (p.algorithm == "Blowfish CFB")
    m.cipher = CipherKind::kBlowfishCfb;
  else
    RaiseUnsupported("cipher is " + p.algorithm.substr(0, 80));
  if (p.key_derivation != "PBKDF2")
    RaiseUnsupported("key derivation is " + p.key_derivation.substr(0, 80));
  if (p.key_size == 0 || p.key_size > kMaxKeySize)
    RaiseDamaged("the manifest gives a key of " + std::to_string(p.key_size) + " bytes");
  if (p.iterations == 0 || p.iterations > kMaxIterations)
    RaiseDamaged("the manifest gives a key derivation of " + std::to_string(p.iterations) +
                 " iterations");
  if (p.start_key.empty() || EndsWith(p.start_key, "#sha1") || p.start_key == "SHA1")
    m.start_key = DigestKind::kSha1;
  else if (EndsWith(p.start_key, "#sha256") || p.start_key == "SHA256")
    m.start_key = DigestKind::kSha256;
  else
    RaiseUnsupported("start key is made by " + p.start_key.substr(0, 80));
  if (p.checksum_type.empty() || p.checksum_type == "SHA1/1K" ||
      EndsWith(p.checksum_type, "#sha1-1k"))
    m.checksum = DigestKind::kSha1;
  else if (EndsWith(p.checksum_type, "#sha256-1k"))
    m.checksum = DigestKind::kSha256;
  else
    RaiseUnsupported("checksum is " + p.checksum_type.substr(0, 80));
  return m;
}

// The part's stored bytes: encrypted parts are kept in the zip without compression.
Bytes StoredBytes(ZipPackage& package, const std::string& path) {
  Bytes out;
  package.Stream(path, [&](std::span<const char> chunk) {
    if (out.size() + chunk.size() > package.Limits().max_part_bytes)
      Raise(err::kWorkbookUnreadable, "the part " + path + " is larger than any spreadsheet's");
    out.insert(out.end(), chunk.begin(), chunk.end());
    return true;
  });
  return out;
}

// Raw deflate data inflated, to at most `limit` bytes.
std::string Inflate(std::span<const std::uint8_t> data, const std::string& path,
                    std::uint64_t limit) {
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) Raise(err::kOutOfMemory);
  std::string out;
  std::vector<char> buffer(64 * 1024);
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  int rc = Z_OK;
  while (rc != Z_STREAM_END) {
    z.next_out = reinterpret_cast<Bytef*>(buffer.data());
    z.avail_out = static_cast<uInt>(buffer.size());
    rc = inflate(&z, Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END) {
      inflateEnd(&z);
      Raise(err::kWorkbookUnreadable,
            "the part " + path + " is damaged: its compressed data is corrupt or cut short");
    }
    out.append(buffer.data(), buffer.size() - z.avail_out);
    if (out.size() > limit) {
      inflateEnd(&z);
      Raise(err::kWorkbookUnreadable,
            "the part " + path + " inflates past its limit; refused as likely a zip bomb");
    }
    if (rc == Z_OK && z.avail_in == 0 && z.avail_out != 0) break;  // no end marker: take it
  }
  inflateEnd(&z);
  return out;
}

// The part decrypted (still deflated), or nothing when the checksum says the key is wrong.
std::optional<Bytes> DecryptPart(const EncryptedPart& p, const Method& m, const Bytes& start_key,
                                 std::span<const std::uint8_t> stored) {
  const Bytes key = Pbkdf2(start_key, p.salt, p.iterations, DigestKind::kSha1, p.key_size);
  const bool aes = m.cipher != CipherKind::kBlowfishCfb;
  // AES needs whole blocks; a part that has none is damage.
  Bytes plain =
      Decrypt(m.cipher, key, p.iv, stored.first(aes ? stored.size() / 16 * 16 : stored.size()));
  // AES parts end in padding whose last byte gives its length.
  if (aes && !plain.empty()) {
    const std::size_t pad = plain.back();
    if (pad >= 1 && pad <= 16 && pad <= plain.size()) plain.resize(plain.size() - pad);
  }
  const Bytes sum =
      Digest(m.checksum, {std::span(plain).first(std::min<std::size_t>(plain.size(), 1024))});
  if (sum != p.checksum) return std::nullopt;
  return plain;
}

}  // namespace

void DecryptOdsPackage(ZipPackage& package, std::string_view manifest,
                       const std::optional<std::string>& password) {
  ManifestHandler handler;
  ParseXmlText(manifest, "META-INF/manifest.xml", handler);
  if (handler.parts.empty()) return;
  if (!password) RaisePasswordRefused(kWhat, false);
  // Only XML parts are ever read (pictures and thumbnails are not), so only they are decrypted.
  for (const EncryptedPart& p : handler.parts) {
    if (!package.Has(p.path) || !p.path.ends_with(".xml")) continue;
    const Method m = MethodOf(p);
    const Bytes start_key = Digest(m.start_key, {AsBytes(*password)});
    const Bytes stored = StoredBytes(package, p.path);
    std::optional<Bytes> deflated = DecryptPart(p, m, start_key, stored);
    if (!deflated) RaisePasswordRefused(kWhat, true);
    const std::uint64_t limit =
        std::min<std::uint64_t>(package.Limits().max_part_bytes, p.size ? p.size : UINT64_MAX);
    package.ReplacePart(p.path, Inflate(*deflated, p.path, limit));
  }
}

}  // namespace sheaver::xl
