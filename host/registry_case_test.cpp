#include "host/registry_case.h"

#include <gtest/gtest.h>

#include "tests/recording_messenger.h"

namespace quillfen {
namespace {

// The same table holds on Linux and on Windows (under Wine too).
TEST(SameTextIgnoringCaseTest, AsTheRegistryComparesNames) {
  const struct {
    std::u16string a, b;
    bool same;
  } cases[] = {
      {u"Container 1", u"CONTAINER 1", true},
      {u"ключ ёлка", u"КЛЮЧ ЁЛКА", true},
      {u"ключ", u"ключи", false},
      {u"a", u"", false},
      {u"", u"", true},
      // The Kelvin sign is a capital of its own, never a K.
      {u"KEY", u"\u212AEY", false},
      {u"key", u"\u212AEY", false},
      {u"\u212Aey", u"\u212AEY", true},
      // No expansion: ß has no capital of one unit, and ẞ is not its capital.
      {u"ßx", u"ẞX", false},
      {u"ß", u"SS", false},
      {u"ßx", u"ßX", true},
      // Turkish: i and I are a pair; the dotless ı and the dotted İ are not.
      {u"i", u"I", true},
      {u"ı", u"I", false},
      {u"ı", u"i", false},
      {u"İ", u"i", false},
      {u"İ", u"I", false},
      {u"ıİ", u"ıİ", true},
      // A small letter whose capital is another's: none of them is mapped.
      {u"ς", u"Σ", false},
      {u"σ", u"Σ", true},
      {u"µ", u"Μ", false},
      {u"ſ", u"S", false},
      {u"ǅ", u"Ǆ", false},
      {u"ǆ", u"Ǆ", true},
      // Units, not characters: a surrogate stays, pairs are not upper-cased.
      {u"A\xD800", u"a\xD800", true},
      {u"a\xD800", u"a\xDC00", false},
      {u"\U00010428", u"\U00010400", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SameTextIgnoringCase(c.a, c.b), c.same)
        << testing::PrintToString(c.a) << " " << testing::PrintToString(c.b);
    EXPECT_EQ(SameTextIgnoringCase(c.b, c.a), c.same)
        << testing::PrintToString(c.b) << " " << testing::PrintToString(c.a);
  }
}

}  // namespace
}  // namespace quillfen
