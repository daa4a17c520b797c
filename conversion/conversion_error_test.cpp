#include "conversion/conversion_error.h"

#include <gtest/gtest.h>

namespace quillfen {
namespace {

TEST(OneLineTest, ParagraphsAndLinesJoined) {
  const struct {
    std::u16string message;
    std::u16string paragraph_break;
    std::u16string expected;
  } cases[] = {
      {u"a\r\n\r\nb\r\nc", u": ", u"a: b c"},
      {u"a\r\n\r\nb\r\nc", u" ", u"a b c"},
      {u"a\r\n\r\nb\r\n\r\nc", u": ", u"a: b: c"},
      {u"a\nb\rc", u": ", u"a b c"},
      {u"a\r\n", u": ", u"a "},
      {u"no break", u": ", u"no break"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OneLine(c.message, c.paragraph_break), c.expected)
        << testing::PrintToString(c.message);
  }
}

}  // namespace
}  // namespace quillfen
