#include "support/common.h"

namespace quillfen {

std::u16string NormalizeLineBreaks(std::u16string text) {
  const size_t size = text.size();
  size_t lone = 0;  // breaks that are not yet CR LF, each one unit short
  for (size_t i = 0; i < size; ++i) {
    if (text[i] == u'\r' && i + 1 < size && text[i + 1] == u'\n') {
      ++i;
    } else if (text[i] == u'\r' || text[i] == u'\n') {
      ++lone;
    }
  }
  if (lone == 0) return text;

  // Grow, then fill from the back so that nothing unread is overwritten.
  // A CR LF pair seen from its LF is the same pair seen from its CR: the two
  // characters differ, so pairs never overlap in either direction.
  text.resize(size + lone);
  size_t out = size + lone;
  for (size_t i = size; i > 0;) {
    --i;
    const char16_t c = text[i];
    if (c == u'\n' || c == u'\r') {
      if (c == u'\n' && i > 0 && text[i - 1] == u'\r') --i;
      text[--out] = u'\n';
      text[--out] = u'\r';
    } else {
      text[--out] = c;
    }
  }
  return text;
}

}  // namespace quillfen
