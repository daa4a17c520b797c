#include "conversion/key_header_scanner.h"

#include <algorithm>

namespace quillfen {
namespace {

// Units looked at per branch: a block without a line that starts with "["
// and without a lone CR or LF costs no branch per unit.
constexpr size_t kBlock = 64;

char16_t UpperAscii(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; }

}  // namespace

bool KeyHeaderScanner::BlockIsPlain(size_t begin, size_t end) const {
  // Each pair (i, i + 1) from begin - 1 on: a CR without its LF or an LF
  // without its CR shows as a mismatch, and a "[" right after an LF starts a
  // line to look at.
  const char16_t* text = text_.data();
  unsigned lone_break = 0;
  unsigned line_start = 0;
  for (size_t i = begin - 1; i < end; ++i) {
    lone_break |= unsigned(text[i] == u'\r') ^ unsigned(text[i + 1] == u'\n');
    line_start |= unsigned(text[i] == u'\n') & unsigned(text[i + 1] == u'[');
  }
  return (lone_break | line_start) == 0;
}

size_t KeyHeaderScanner::LineEnd(size_t start) const {
  const size_t end = text_.find_first_of(u"\r\n", start);
  return end == std::u16string_view::npos ? text_.size() : end;
}

bool KeyHeaderScanner::IsHeader(size_t start, size_t end) const {
  static constexpr std::u16string_view kOpening = u"[HKEY_";
  if (end - start < kOpening.size() + 1 || text_[end - 1] != u']') return false;
  for (size_t i = 0; i < kOpening.size(); ++i) {
    if (UpperAscii(text_[start + i]) != kOpening[i]) return false;
  }
  return true;
}

std::optional<KeyHeader> KeyHeaderScanner::Next() {
  const size_t size = text_.size();
  while (position_ < size) {
    const size_t block_end = std::min(size, position_ + kBlock);
    // The branch-free check needs a unit on either side of the block.
    if (position_ > 0 && block_end < size && BlockIsPlain(position_, block_end)) {
      position_ = block_end;
      continue;
    }
    size_t i = position_;
    for (; i < block_end; ++i) {
      const char16_t c = text_[i];
      if (c == u'\r') {
        if (i + 1 >= size || text_[i + 1] != u'\n') only_crlf_ = false;
      } else if (c == u'\n') {
        if (i == 0 || text_[i - 1] != u'\r') only_crlf_ = false;
      } else if (c == u'[' && (i == 0 || text_[i - 1] == u'\n' || text_[i - 1] == u'\r')) {
        const size_t end = LineEnd(i);
        position_ = end;
        if (IsHeader(i, end)) return KeyHeader{i, end - i};
        break;
      }
    }
    if (i == block_end) position_ = block_end;
  }
  return std::nullopt;
}

}  // namespace quillfen
