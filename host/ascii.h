#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace quillfen {

// Letter case of the ASCII letters alone: the registry's fixed names, the
// patterns' "HKEY_" and the value names compare so.
constexpr char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; }
constexpr char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; }

inline bool StartsWithIgnoringAsciiCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(),
                    [](char16_t a, char16_t b) { return AsciiUpper(a) == AsciiUpper(b); });
}

inline bool EqualIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && StartsWithIgnoringAsciiCase(a, b);
}

// `byte` as two lower-case hex digits onto `text`, as the registry editor
// and the certificate tools write bytes.
template <typename Text>
void AppendHexByte(Text& text, uint8_t byte) {
  constexpr char16_t kDigits[] = u"0123456789abcdef";
  text += kDigits[byte >> 4];
  text += kDigits[byte & 15];
}

}  // namespace quillfen
