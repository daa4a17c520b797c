#include "conversion/sources/value_decoder.h"

#include "support/simple_regexp.h"

namespace quillfen {
namespace {

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

bool IsContainerValueName(std::u16string_view name) {
  // Not multi-line: a name must not end at a line break inside it.
  const auto match = RegExpExecute(name, kValueNamePattern, false, true, false, false);
  return match && match->Count() == 1;
}

std::u16string JoinContinuationLines(std::u16string_view body) {
  std::u16string unindented;
  unindented.reserve(body.size());
  for (size_t i = 0; i < body.size();) {
    unindented += body[i];
    if (body[i] == u'\n' && i > 0 && body[i - 1] == u'\r') {
      ++i;
      while (i < body.size() && body[i] == u' ') ++i;
    } else {
      ++i;
    }
  }

  std::u16string joined;
  joined.reserve(unindented.size());
  for (size_t i = 0; i < unindented.size(); ++i) {
    if (unindented.compare(i, 3, u"\\\r\n") == 0) {
      i += 2;
      continue;
    }
    joined += unindented[i];
  }
  return joined;
}

std::optional<std::vector<uint8_t>> DecodeHexItems(std::u16string_view data) {
  std::vector<uint8_t> bytes;
  bytes.reserve(data.size() / 3 + 1);
  for (size_t start = 0; start <= data.size();) {
    size_t end = data.find(u',', start);
    if (end == std::u16string_view::npos) end = data.size();
    if (end - start != 2) return std::nullopt;
    const int high = HexDigit(data[start]);
    const int low = HexDigit(data[start + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    start = end + 1;
  }
  return bytes;
}

}  // namespace quillfen
