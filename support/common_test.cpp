#include "support/common.h"

#include <gtest/gtest.h>

#include "tests/recording_messenger.h"

namespace quillfen {
namespace {

TEST(NormalizeLineBreaksTest, EveryBreakBecomesCrLf) {
  const struct {
    std::u16string input;
    std::u16string expected;
  } cases[] = {
      {u"", u""},
      {u"a\r\nb", u"a\r\nb"},
      {u"a\nb", u"a\r\nb"},
      {u"a\rb", u"a\r\nb"},
      {u"a\n\rb", u"a\r\n\r\nb"},
      {u"a\r\r\nb", u"a\r\n\r\nb"},
      {u"a\r\n\nb", u"a\r\n\r\nb"},
      {u"\n\n", u"\r\n\r\n"},
      {u"a\r", u"a\r\n"},
      {u"\ra", u"\r\na"},
      {u"a\tb\tc", u"a\tb\tc"},
      {u"\r\n\r\r\n\n\r", u"\r\n\r\n\r\n\r\n\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NormalizeLineBreaks(c.input), c.expected) << testing::PrintToString(c.input);
  }
}

TEST(NormalizeLineBreaksTest, TextAlreadyInCrLfKeepsItsBuffer) {
  std::u16string text(100000, u'x');
  for (size_t i = 50; i + 1 < text.size(); i += 50) text.replace(i, 2, u"\r\n");
  const char16_t* buffer = text.data();
  const std::u16string result = NormalizeLineBreaks(std::move(text));
  EXPECT_EQ(result.data(), buffer);
}

}  // namespace
}  // namespace quillfen
