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
      // Bytes that were no UTF-8, C2 9B among them (CSI), as the bytes they were.
      {u"a\xdcc2\xdc9b[2J\xdcff", u"a\\xc2\\x9b[2J\\xff", u"a\\xc2\\x9b[2J\\xff"},
      // Other halves without their pair; a pair is a character.
      {u"\xd800z\xdc00\xdfff", u"\\uD800z\\uDC00\\uDFFF", u"\\uD800z\\uDC00\\uDFFF"},
      {u"\xd83d\xde00\xdbff\xdfff", u"\xd83d\xde00\xdbff\xdfff", u"\xd83d\xde00\xdbff\xdfff"},
      {u"\xd83d\xd83d\xde00", u"\\uD83D\xd83d\xde00", u"\\uD83D\xd83d\xde00"},
      // What turns text around on the screen, and what breaks its line.
      {u"cod\x202egpj.exe", u"cod\\u202Egpj.exe", u"cod\\u202Egpj.exe"},
      {u"\x2027\x202a\x2066\x2069\x206a", u"\x2027\\u202A\\u2066\\u2069\x206a",
       u"\x2027\\u202A\\u2066\\u2069\x206a"},
      {u"a\u200Eb\u200Fc\u061Cd", u"a\\u200Eb\\u200Fc\\u061Cd", u"a\\u200Eb\\u200Fc\\u061Cd"},
      {u"\x200d\x2028\x2029\x2010\x061b\x061d", u"\x200d\\u2028\\u2029\x2010\x061b\x061d",
       u"\x200d\\u2028\\u2029\x2010\x061b\x061d"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VisibleName(c.name), c.shown) << testing::PrintToString(c.name);
    EXPECT_EQ(VisibleName(c.name, true), c.listed) << testing::PrintToString(c.name);
  }
}

}  // namespace
}  // namespace quillfen
