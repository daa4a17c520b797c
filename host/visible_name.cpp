#include "host/visible_name.h"

namespace quillfen {

std::u16string VisibleName(std::u16string_view name, bool escapeBackslash) {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::u16string shown;
  shown.reserve(name.size());
  for (const char16_t c : name) {
    if (c == u'\t') {
      shown += u"\\t";
    } else if (c == u'\n') {
      shown += u"\\n";
    } else if (c == u'\r') {
      shown += u"\\r";
    } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      shown += u"\\x";
      shown += kDigits[c >> 4];
      shown += kDigits[c & 15];
    } else if (c == u'\\' && escapeBackslash) {
      shown += u"\\\\";
    } else {
      shown += c;
    }
  }
  return shown;
}

std::u16string QuotedName(std::u16string_view name) {
  std::u16string quoted = u"«";
  quoted += VisibleName(name);
  quoted += u"»";
  return quoted;
}

}  // namespace quillfen
