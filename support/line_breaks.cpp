#include "support/line_breaks.h"

#include <algorithm>

namespace quillfen {

std::u16string NormalizeLineBreaks(std::u16string_view text) {
  size_t lone = 0;  // breaks that are not CR LF yet, each one unit short
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
      ++i;
    } else if (text[i] == u'\r' || text[i] == u'\n') {
      ++lone;
    }
  }
  std::u16string result;
  result.reserve(text.size() + lone);
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c != u'\r' && c != u'\n') {
      result += c;
      continue;
    }
    if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    result += u"\r\n";
  }
  return result;
}

bool HasOnlyCrLfLineBreaks(std::u16string_view text) {
  if (text.empty()) return true;
  if (text.front() == u'\n' || text.back() == u'\r') return false;
  // A CR at i exactly where an LF is at i + 1: written without branches, so
  // that the compiler can check many characters at once.
  constexpr size_t kBlock = 4096;
  for (size_t start = 0; start + 1 < text.size(); start += kBlock) {
    const size_t end = std::min(text.size() - 1, start + kBlock);
    unsigned mismatch = 0;
    for (size_t i = start; i < end; ++i) {
      mismatch |= unsigned(text[i] == u'\r') ^ unsigned(text[i + 1] == u'\n');
    }
    if (mismatch != 0) return false;
  }
  return true;
}

}  // namespace quillfen
