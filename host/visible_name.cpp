#include "host/visible_name.h"

#include "host/ascii.h"

namespace quillfen {
namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The controls that reorder text on the screen: a name could show a file's
// extension where it is not, or turn the rest of a line around. The marks
// (U+200E, U+200F, U+061C) turn the text beside them, and the line and
// paragraph separators (U+2028, U+2029) break a line as a line break does.
bool IsBidirectionalControl(char16_t c) {
  return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E ||
         c == 0x200F || c == 0x061C || c == 0x2028 || c == 0x2029;
}

void AppendUnitEscape(std::u16string& shown, char16_t c) {
  constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  shown += u"\\u";
  for (int shift = 12; shift >= 0; shift -= 4) shown += kDigits[(c >> shift) & 15];
}

}  // namespace

std::u16string VisibleName(std::u16string_view name, bool escapeBackslash) {
  std::u16string shown;
  shown.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    const char16_t c = name[i];
    if (IsHighSurrogate(c) && i + 1 < name.size() && IsLowSurrogate(name[i + 1])) {
      shown += c;
      shown += name[++i];
    } else if (c == u'\t') {
      shown += u"\\t";
    } else if (c == u'\n') {
      shown += u"\\n";
    } else if (c == u'\r') {
      shown += u"\\r";
    } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0xDC80 && c <= 0xDCFF)) {
      // A byte that was no UTF-8 came in as U+DC80-U+DCFF and would go out
      // as that byte again: two of them, C2 9B, are the terminal's CSI.
      shown += u"\\x";
      AppendHexByte(shown, static_cast<uint8_t>(c));
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c) || IsBidirectionalControl(c)) {
      AppendUnitEscape(shown, c);
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
