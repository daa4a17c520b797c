#include "conversion/sources/key_header_scanner.h"

#include <algorithm>

#include "host/ascii.h"

namespace quillfen {
namespace {

// Units looked at per branch: a block without a line that starts with "["
// and without a lone CR or LF costs no branch per unit.
constexpr size_t kBlock = 64;

}  // namespace

KeyHeaderScanner::Block KeyHeaderScanner::Look(size_t begin, size_t end) const {
  const char16_t* text = text_.data();
  unsigned lone_break = 0;
  unsigned line_start = 0;
  if (begin > 0 && end < text_.size()) {
    // Each pair (i, i + 1) from begin - 1 on: a CR without its LF or an LF
    // without its CR is a mismatch, and a "[" right after an LF starts a
    // line to look at. Written without branches, so that the compiler
    // checks many units at once.
    for (size_t i = begin - 1; i < end; ++i) {
      lone_break |= unsigned(text[i] == u'\r') ^ unsigned(text[i + 1] == u'\n');
      line_start |= unsigned(text[i] == u'\n') & unsigned(text[i + 1] == u'[');
    }
  } else {
    for (size_t i = begin; i < end; ++i) {
      const bool after_lf = i > 0 && text[i - 1] == u'\n';
      lone_break |= unsigned(text[i] == u'\r' && (i + 1 == text_.size() || text[i + 1] != u'\n'));
      lone_break |= unsigned(text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'));
      line_start |= unsigned(text[i] == u'[' && (i == 0 || after_lf));
    }
  }
  return {lone_break != 0, line_start != 0};
}

size_t KeyHeaderScanner::LineEnd(size_t start) const {
  // Header lines are long: sixteen units per branch until one ends.
  constexpr size_t kStride = 16;
  const char16_t* text = text_.data();
  size_t i = start;
  for (; i + kStride <= text_.size(); i += kStride) {
    unsigned line_break = 0;
    for (size_t k = 0; k < kStride; ++k) {
      line_break |= unsigned(text[i + k] == u'\r') | unsigned(text[i + k] == u'\n');
    }
    if (line_break != 0) break;
  }
  while (i < text_.size() && text[i] != u'\r' && text[i] != u'\n') ++i;
  return i;
}

bool KeyHeaderScanner::IsHeader(size_t start, size_t end) const {
  static constexpr std::u16string_view kOpening = u"[HKEY_";
  if (end - start < kOpening.size() + 1 || text_[end - 1] != u']') return false;
  for (size_t i = 0; i < kOpening.size(); ++i) {
    if (AsciiUpper(text_[start + i]) != kOpening[i]) return false;
  }
  return true;
}

std::optional<KeyHeader> KeyHeaderScanner::Next() {
  const size_t size = text_.size();
  while (only_crlf_ && position_ < size) {
    const size_t block_end = std::min(size, position_ + kBlock);
    const Block block = Look(position_, block_end);
    if (block.lone_break) {
      only_crlf_ = false;
      break;
    }
    size_t start = block_end;
    if (block.line_start) {
      for (size_t i = position_; i < block_end; ++i) {
        if (text_[i] == u'[' && (i == 0 || text_[i - 1] == u'\n')) {
          start = i;
          break;
        }
      }
    }
    if (start == block_end) {
      position_ = block_end;
      continue;
    }
    // A line's own units hold no break and start no line: go past it.
    position_ = LineEnd(start);
    if (IsHeader(start, position_)) return KeyHeader{start, position_ - start};
  }
  return std::nullopt;
}

}  // namespace quillfen
