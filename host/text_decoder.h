#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/text_buffer.h"

namespace quillfen {

// The longest text the program takes: match positions are 32-bit.
inline constexpr uint64_t kMaxTextUnits = 0x7FFFFFFF;

// The characters of bytes 0x80..0xFF in the ANSI code page: the system's on
// Windows, Windows-1251 elsewhere (the code page of Russian REGEDIT4 exports).
const std::array<char16_t, 128>& AnsiHighHalf();

// When `bytes` are UTF-16LE text that this host can use as they stand
// (little-endian, aligned, whole code units), the length of their mark, 0 or
// 2; otherwise nothing.
std::optional<size_t> InPlaceUtf16Mark(std::string_view bytes);

// Turns a file's bytes into UTF-16 text piece by piece, so that the pieces
// already decoded need not stay in memory. A byte-order mark (UTF-16LE,
// UTF-16BE, UTF-8) decides and is dropped; without one, a first byte of ASCII
// followed by a zero byte means UTF-16LE; other text is UTF-8 when it is
// valid UTF-8 and ANSI otherwise.
class TextDecoder {
 public:
  // With `allow_utf8` false, text without a mark is ANSI at once.
  explicit TextDecoder(bool allow_utf8 = true) : allow_utf8_(allow_utf8) {}

  // Called once, before the first piece, with the size of all the bytes.
  void Begin(uint64_t size);
  void Append(std::string_view bytes);

  // Ends the text. False when it was taken for UTF-8 but is not: the file
  // must then be read again by a decoder without `allow_utf8`.
  bool Finish();
  TextBuffer Take();

 private:
  enum class Encoding { kUndecided, kUtf16Le, kUtf16Be, kUtf8, kGuessedUtf8, kAnsi };

  void Decide();
  void Decode(std::string_view bytes);
  void Reserve(uint64_t units);
  void DecodeUtf16(std::string_view bytes, bool big_endian);
  void DecodeUtf8(std::string_view bytes);
  void DecodeAnsi(std::string_view bytes);
  void Push(char16_t unit);
  // Decodes the ASCII bytes at the start of `bytes`; how many there were.
  size_t PushAscii(std::string_view bytes);

  bool allow_utf8_;
  Encoding encoding_ = Encoding::kUndecided;
  bool invalid_utf8_ = false;
  uint64_t size_ = 0;
  std::string head_;     // the first bytes, until they decide the encoding
  std::string pending_;  // an unfinished sequence at the end of a piece
  TextBuffer text_;
  size_t length_ = 0;
};

}  // namespace quillfen
