#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace quillfen {

// A key header line: where it starts in the text and how long it is.
struct KeyHeader {
  size_t start = 0;
  size_t length = 0;
};

// Finds, one at a time and without a copy, the lines that the key-header
// pattern "^\[HKEY_.*?\]$" matches without regard to case in a text whose
// line breaks are CR LF: lines that begin with "[HKEY_" and end with "]". It
// makes one pass over a text of a gigabyte at the speed of memory, checking
// the breaks on the way; at the first break that is not CR LF it stops, for
// its positions would not be those of the text with its breaks mended.
class KeyHeaderScanner {
 public:
  explicit KeyHeaderScanner(std::u16string_view text) : text_(text) {}

  // The next header line, or nothing at the end of the text.
  std::optional<KeyHeader> Next();

  // False once a break other than CR LF was found; Next() then finds no more.
  bool OnlyCrLfSoFar() const { return only_crlf_; }

 private:
  struct Block {
    bool lone_break;
    bool line_start;
  };
  Block Look(size_t begin, size_t end) const;
  bool IsHeader(size_t start, size_t end) const;
  size_t LineEnd(size_t start) const;

  std::u16string_view text_;
  size_t position_ = 0;
  bool only_crlf_ = true;
};

}  // namespace quillfen
