#include "host/unicode.h"

#include <cstdint>

namespace quillfen {
namespace {

void AppendUtf8(std::string& out, char32_t c) {
  uint8_t bytes[4];
  out.append(reinterpret_cast<const char*>(bytes), EncodeUtf8(c, bytes));
}

}  // namespace

size_t Utf8SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 0;
}

size_t DecodeUtf8Sequence(std::string_view bytes, size_t i, char32_t* code_point) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(bytes[k]); };
  const size_t length = Utf8SequenceLength(byte(i));
  if (length == 0 || i + length > bytes.size()) return 0;
  static constexpr uint8_t kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  char32_t value = byte(i) & kLeadMask[length];
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(i + k) & 0x3F);
  }
  if (value < kMinimum[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return 0;
  }
  *code_point = value;
  return length;
}

bool IsValidUtf8(std::string_view bytes) {
  char32_t c;
  for (size_t i = 0; i < bytes.size();) {
    const size_t length = DecodeUtf8Sequence(bytes, i, &c);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

size_t EncodeUtf16(char32_t c, char16_t units[2]) {
  if (c < 0x10000) {
    units[0] = static_cast<char16_t>(c);
    return 1;
  }
  units[0] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
  units[1] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  return 2;
}

bool IsValidUtf16(std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] < 0xD800 || text[i] > 0xDFFF) continue;
    if (text[i] > 0xDBFF || i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) {
      return false;
    }
    ++i;
  }
  return true;
}

std::u16string FromUtf8(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    char32_t c;
    const size_t length = DecodeUtf8Sequence(bytes, i, &c);
    if (length == 0) {
      text += static_cast<char16_t>(0xDC00 | static_cast<uint8_t>(bytes[i]));
      ++i;
      continue;
    }
    char16_t units[2];
    text.append(units, EncodeUtf16(c, units));
    i += length;
  }
  return text;
}

size_t EncodeUtf8(char32_t c, uint8_t bytes[4]) {
  if (c < 0x80) {
    bytes[0] = static_cast<uint8_t>(c);
    return 1;
  }
  const size_t count = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
  static constexpr uint8_t kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
  for (size_t i = count - 1; i > 0; --i, c >>= 6)
    bytes[i] = static_cast<uint8_t>(0x80 | (c & 0x3F));
  bytes[0] = static_cast<uint8_t>(kLead[count] | c);
  return count;
}

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (unit >= 0xDC80 && unit <= 0xDCFF) {
      out += static_cast<char>(unit & 0xFF);  // an escaped byte, see FromUtf8
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

}  // namespace quillfen
