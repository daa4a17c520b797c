#include "host/unicode.h"

#include <gtest/gtest.h>

#include "tests/recording_messenger.h"

namespace quillfen {
namespace {

TEST(UnicodeTest, RoundTrips) {
  const struct {
    std::string utf8;
    std::u16string utf16;
  } cases[] = {
      {"", u""},
      {"key.reg", u"key.reg"},
      {"\xD0\x9A\xD0\xBB\xD1\x8E\xD1\x87", u"Ключ"},
      {"\xF0\x9F\x94\x91", u"\xD83D\xDD11"},
      // Bytes that are no UTF-8 survive as lone surrogates.
      {"a\xFF"
       "b",
       u"a\xDCFF"
       "b"},
      {"\xC0\xAF", u"\xDCC0\xDCAF"},            // overlong "/"
      {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},  // an encoded surrogate
      {"\xE2\x82", u"\xDCE2\xDC82"},            // cut short
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FromUtf8(c.utf8), c.utf16) << c.utf8;
    EXPECT_EQ(ToUtf8(c.utf16), c.utf8) << c.utf8;
  }
  // A lone surrogate that stands for no byte has no UTF-8 form.
  EXPECT_EQ(ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");
}

TEST(UnicodeTest, EveryByteOfAnIllFormedSequenceIsKept) {
  EXPECT_EQ(FromUtf8("plain \xD0\x9A \xF4\x8F\xBF\xBF"), u"plain К \xDBFF\xDFFF");
  for (const std::string bad : {"\x80", "\xC1\xBF", "\xE0\x80\x80", "\xF4\x90\x80\x80",
                                "\xED\xBF\xBF", "\xF8\x88\x80\x80\x80", "\xE2\x82"}) {
    std::u16string escaped;
    for (const char byte : bad) escaped += static_cast<char16_t>(0xDC00 | uint8_t(byte));
    EXPECT_EQ(FromUtf8(bad), escaped) << testing::PrintToString(bad);
  }
}

}  // namespace
}  // namespace quillfen
