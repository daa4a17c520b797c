// Any UTF-16 text as a container key's body, through the steps that turn its
// lines into values: joining, matching, decoding.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "conversion/sources/value_decoder.h"
#include "fuzz/fuzz_check.h"
#include "host/path_functions.h"
#include "support/simple_regexp.h"

namespace quillfen {
namespace {

// A second opinion on the hex items, from the regular-expression engine
// instead of DecodeHexItems' own loop.
constexpr char16_t kHexItemsPattern[] = u"^[0-9a-f]{2}(?:,[0-9a-f]{2})*$";

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; }

void CheckHexItems(std::u16string_view data) {
  const auto bytes = DecodeHexItems(data);
  const auto items = RegExpExecute(data, kHexItemsPattern, false, true, false, false);
  FUZZ_CHECK(items.has_value());
  FUZZ_CHECK(bytes.has_value() == (items->Count() == 1));
  if (!bytes) return;
  // Decoding loses nothing but letter case.
  static constexpr char kDigits[] = "0123456789abcdef";
  std::u16string again;
  for (const uint8_t byte : *bytes) {
    if (!again.empty()) again += u',';
    again += char16_t(kDigits[byte >> 4]);
    again += char16_t(kDigits[byte & 15]);
  }
  FUZZ_CHECK(again.size() == data.size());
  for (size_t i = 0; i < data.size(); ++i) FUZZ_CHECK(Lower(data[i]) == again[i]);
}

void CheckValueLine(const std::u16string& line) {
  const auto match = RegExpExecute(line, kValueLinePattern, true, true, true, false);
  FUZZ_CHECK(match.has_value());
  for (int32_t i = 0; i < match->Count(); ++i) {
    const Match& found = match->Item(i);
    FUZZ_CHECK(found.FirstIndex >= 0 && found.Length > 0);
    FUZZ_CHECK(size_t(found.FirstIndex) + size_t(found.Length) <= line.size());
    FUZZ_CHECK(found.Value == line.substr(size_t(found.FirstIndex), size_t(found.Length)));
    FUZZ_CHECK(found.SubMatches.size() == 2);
    const std::u16string& name = found.SubMatches[0];
    const std::u16string& data = found.SubMatches[1];
    // The name becomes a file name: it must never carry a separator or a
    // line break, and it has exactly one full stop.
    FUZZ_CHECK(!name.empty() &&
               name.find_first_of(std::u16string_view(u"/\\\r\n\0", 5)) == std::u16string::npos);
    FUZZ_CHECK(std::count(name.begin(), name.end(), u'.') == 1);
    FUZZ_CHECK(found.Value.size() == name.size() + data.size() + 7);
    FUZZ_CHECK(found.Value.starts_with(u"\"" + name + u"\"="));
    FUZZ_CHECK(found.Value.ends_with(data));
    CheckHexItems(data);
  }
}

}  // namespace
}  // namespace quillfen

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillfen;
  std::u16string body(size / 2, u'\0');
  std::memcpy(body.data(), data, body.size() * 2);

  const std::u16string lines = JoinContinuationLines(body);
  FUZZ_CHECK(lines.size() <= body.size());
  for (size_t start = 0; start < lines.size();) {
    size_t end = lines.find(u"\r\n", start);
    if (end == std::u16string::npos) end = lines.size();
    CheckValueLine(TrimEx(std::u16string_view(lines).substr(start, end - start)));
    start = end + 2;
  }
  CheckHexItems(body);
  return 0;
}
