#include "support/line_breaks.h"

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

TEST(NormalizeLineBreaksTest, KnowsWhenNothingWouldChange) {
  for (const std::u16string& text : std::vector<std::u16string>{
           u"", u"a\r\nb", u"a\nb", u"a\rb", u"\r\n\n", u"\n\r", u"a\r", u"\na", u"x\r\r\n",
           u"\r\n\r\n", std::u16string(5000, u'x') + u"\r" + std::u16string(5000, u'y')}) {
    EXPECT_EQ(HasOnlyCrLfLineBreaks(text), NormalizeLineBreaks(text) == text)
        << testing::PrintToString(text);
  }
}

}  // namespace
}  // namespace quillfen
