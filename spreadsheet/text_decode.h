// Turning the byte texts of binary workbooks into UTF-8: 16-bit Unicode, the "compressed" form
// (the low bytes of Latin-1 characters) and the single- and double-byte Windows code pages of
// older workbooks.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace sheaver::xl {

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);

// Appends UTF-16LE code units as UTF-8; an unpaired surrogate becomes U+FFFD.
void AppendUtf16Le(std::string& out, std::span<const std::uint8_t> bytes);

// Appends bytes that each hold a character U+0000..U+00FF.
void AppendLatin1(std::string& out, std::span<const std::uint8_t> bytes);

// A code page's bytes to UTF-8. Windows-1252 (the default of workbooks that name none) is
// built in; other code pages go through the system's iconv, and a code page iconv does not
// know falls back to Windows-1252.
class CodePage {
 public:
  explicit CodePage(std::uint16_t code_page = 1252);
  ~CodePage();
  CodePage(const CodePage&) = delete;
  CodePage& operator=(const CodePage&) = delete;

  std::uint16_t Number() const { return number_; }
  void Append(std::string& out, std::span<const std::uint8_t> bytes) const;

 private:
  std::uint16_t number_;
  // Single-byte code pages: the UTF-8 text of each byte 0x80..0xFF.
  std::unique_ptr<std::string[]> high_;
  // Double-byte code pages: an iconv descriptor (void* to keep iconv.h out of the header).
  void* iconv_ = nullptr;
};

}  // namespace sheaver::xl
