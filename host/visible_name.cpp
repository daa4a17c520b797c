#include "host/visible_name.h"

#include "host/ascii.h"

namespace quillfen {

std::u16string VisibleName(std::u16string_view name, bool escapeBackslash) {
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
      AppendHexByte(shown, static_cast<uint8_t>(c));
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
