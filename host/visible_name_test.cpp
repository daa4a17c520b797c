#include "host/visible_name.h"

#include <gtest/gtest.h>

#include "tests/recording_messenger.h"

namespace quillfen {
namespace {

TEST(VisibleNameTest, ControlCharactersBecomeEscapes) {
  const struct {
    std::u16string name;
    std::u16string shown;
    std::u16string listed;  // with the backslash escaped too
  } cases[] = {
      {u"Ключ 2024", u"Ключ 2024", u"Ключ 2024"},
      {u"a\tb\nc\rd", u"a\\tb\\nc\\rd", u"a\\tb\\nc\\rd"},
      {u"\x1b]0;x\a\x1b[2J", u"\\x1b]0;x\\x07\\x1b[2J", u"\\x1b]0;x\\x07\\x1b[2J"},
      {std::u16string(u"\0z", 2), u"\\x00z", u"\\x00z"},
      {u"\x1f\x7f\x80\x9f\xa0", u"\\x1f\\x7f\\x80\\x9f\xa0", u"\\x1f\\x7f\\x80\\x9f\xa0"},
      {u"C:\\keys\\a", u"C:\\keys\\a", u"C:\\\\keys\\\\a"},
      {u"\\t", u"\\t", u"\\\\t"},
      {u"", u"", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VisibleName(c.name), c.shown) << testing::PrintToString(c.name);
    EXPECT_EQ(VisibleName(c.name, true), c.listed) << testing::PrintToString(c.name);
  }
}

}  // namespace
}  // namespace quillfen
