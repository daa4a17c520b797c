#include "support/simple_regexp.h"

#include <gtest/gtest.h>

#include "conversion/sources/export_reader.h"
#include "conversion/sources/value_decoder.h"
#include "host/run_time_error.h"
#include "tests/recording_messenger.h"

namespace quillfen {
namespace {

MatchCollection Matches(std::u16string_view text, std::u16string_view pattern) {
  auto result = RegExpExecute(text, pattern, true, true, true, false);
  EXPECT_TRUE(result.has_value());
  return result.value_or(MatchCollection({}));
}

TEST(RegExpExecuteTest, KeyHeadersWithPositions) {
  const auto headers = Matches(u"AB\r\n[HKEY_X]\r\n[HKEY_Y]", kKeyHeaderPattern);
  ASSERT_EQ(headers.Count(), 2);
  EXPECT_EQ(headers.Item(0).Value, u"[HKEY_X]");
  EXPECT_EQ(headers.Item(0).FirstIndex, 4);
  EXPECT_EQ(headers.Item(0).Length, 8);
  EXPECT_EQ(headers.Item(1).Value, u"[HKEY_Y]");
  EXPECT_EQ(headers.Item(1).FirstIndex, 14);
  EXPECT_EQ(headers.Item(1).Length, 8);
  EXPECT_TRUE(headers.Item(0).SubMatches.empty());
}

TEST(RegExpExecuteTest, KeyHeaderLines) {
  const struct {
    std::u16string line;
    int count;
  } cases[] = {
      {u"[HKEY_A]B]", 1}, {u"[hkey_current_user\\x]", 1},
      {u"[HKEY_A] ", 0},  {u"[-HKEY_A]", 0},
      {u"[HKEY_A", 0},    {u"x[HKEY_A]", 0},
      {u"[HKEY_]", 1},
  };
  for (const auto& c : cases) {
    const auto matches = Matches(c.line, kKeyHeaderPattern);
    EXPECT_EQ(matches.Count(), c.count) << testing::PrintToString(c.line);
    if (c.count == 1) {
      EXPECT_EQ(matches.Item(0).Value, c.line);
    }
  }
}

TEST(RegExpExecuteTest, EveryLineBreakEndsALine) {
  for (const std::u16string breaks : {u"\r\n", u"\n", u"\r"}) {
    const auto headers = Matches(u"[HKEY_A]" + breaks + u"[HKEY_B]" + breaks, kKeyHeaderPattern);
    ASSERT_EQ(headers.Count(), 2) << testing::PrintToString(breaks);
    EXPECT_EQ(headers.Item(1).Value, u"[HKEY_B]");
    EXPECT_EQ(headers.Item(1).FirstIndex, int32_t(8 + breaks.size()));
  }
}

TEST(RegExpExecuteTest, ContainerKeyHeaders) {
  const std::u16string users = u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Crypto Pro\\Settings\\Users\\";
  const struct {
    std::u16string header;
    int count;
    std::u16string wow;
    std::u16string name;
  } cases[] = {
      {users + u"S-1-5-21-1\\Keys\\Container 1]", 1, u"", u"Container 1"},
      {u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Crypto Pro\\Settings\\Users\\S-1\\Keys\\"
       u"Container 1]",
       1, u"Wow6432Node\\", u"Container 1"},
      {u"[hkey_local_machine\\software\\crypto pro\\settings\\users\\s-1\\keys\\k]", 1, u"", u"k"},
      {users + u"S-1\\Keys\\a\\Keys\\b]", 1, u"", u"a\\Keys\\b"},
      {users + u"S-1\\Keys\\]", 1, u"", u""},
      {u"[HKEY_CURRENT_USER\\SOFTWARE\\Crypto Pro\\Settings\\Users\\S-1\\Keys\\k]", 0, u"", u""},
      {users + u"Keys\\k]", 0, u"", u""},
  };
  for (const auto& c : cases) {
    const auto matches = Matches(c.header, kContainerKeyPattern);
    ASSERT_EQ(matches.Count(), c.count) << testing::PrintToString(c.header);
    if (c.count == 1) {
      ASSERT_EQ(matches.Item(0).SubMatches.size(), 2u);
      EXPECT_EQ(matches.Item(0).SubMatches[0], c.wow);
      EXPECT_EQ(matches.Item(0).SubMatches[1], c.name);
    }
  }
}

TEST(RegExpExecuteTest, ValueLines) {
  const struct {
    std::u16string line;
    int count;
    std::u16string name;
    std::u16string data;
  } cases[] = {
      {u"\"a.b\"=hex:00,ff", 1, u"a.b", u"00,ff"},
      {u"\"A.B\"=HEX:00,FF", 1, u"A.B", u"00,FF"},
      {u"\"a.b\"=hex:00,01,\\", 1, u"a.b", u"00,01,\\"},
      {u"\"ab\"=hex:00", 0, u"", u""},
      {u"\"a.b.c\"=hex:00", 0, u"", u""},
      {u"\"a_b.c\"=hex:00", 0, u"", u""},
      {u"\"a.b\"=hex:", 0, u"", u""},
      {u"\"a.b\"=hex:0g", 0, u"", u""},
      {u"\"a.b\"=hex: 00", 0, u"", u""},
      {u"\"a.b\"=hex(0):00", 0, u"", u""},
      {u"\"a.b\"=dword:00000001", 0, u"", u""},
      {u"@=hex:00", 0, u"", u""},
      {u"\"a.b\" = hex:00", 0, u"", u""},
  };
  for (const auto& c : cases) {
    const auto matches = Matches(c.line, kValueLinePattern);
    ASSERT_EQ(matches.Count(), c.count) << testing::PrintToString(c.line);
    if (c.count == 1) {
      EXPECT_EQ(matches.Item(0).SubMatches[0], c.name);
      EXPECT_EQ(matches.Item(0).SubMatches[1], c.data);
    }
  }
}

TEST(RegExpExecuteTest, CollectionOutlivesItsTextAndLaterCalls) {
  std::optional<MatchCollection> kept;
  {
    std::u16string text = u"x\r\n[HKEY_KEPT]\r\n";
    kept = RegExpExecute(text, kKeyHeaderPattern, true, true, true, false);
    text.assign(text.size(), u'#');
  }
  Matches(u"\"a.b\"=hex:00", kValueLinePattern);
  Matches(u"[HKEY_OTHER]\r\n[HKEY_THIRD]", kKeyHeaderPattern);
  ASSERT_TRUE(kept.has_value());
  ASSERT_EQ(kept->Count(), 1);
  EXPECT_EQ(kept->Item(0).Value, u"[HKEY_KEPT]");
  EXPECT_EQ(kept->Item(0).FirstIndex, 3);
}

TEST(RegExpExecuteTest, SettingsOfOneCallDoNotCarryOver) {
  EXPECT_EQ(RegExpExecute(u"AB", u"ab", true, true, true, false)->Count(), 1);
  EXPECT_EQ(RegExpExecute(u"AB", u"ab", true, false, true, false)->Count(), 0);
  EXPECT_EQ(RegExpExecute(u"a\na", u"^a$", true, true, true, false)->Count(), 2);
  EXPECT_EQ(RegExpExecute(u"a\na", u"^a$", true, true, false, false)->Count(), 0);
  EXPECT_EQ(RegExpExecute(u"a a a", u"a", false, true, true, false)->Count(), 1);
  EXPECT_EQ(RegExpExecute(u"a a a", u"a", true, true, true, false)->Count(), 3);
}

TEST(RegExpExecuteTest, UncompilablePattern) {
  EXPECT_FALSE(RegExpExecute(u"text", u"(unclosed", true, true, true, false).has_value());
  EXPECT_THROW(RegExpExecute(u"text", u"(unclosed", true, true, true, true), RunTimeError);
  // The failure leaves nothing behind for the next call.
  EXPECT_EQ(RegExpExecute(u"text", u"t", true, true, true, false)->Count(), 2);
}

TEST(RegExpExecuteTest, LoneSurrogatesAreCharacters) {
  const std::u16string text = u"[HKEY_\xD800x\xDC00]\r\n\xDFFF";
  const auto headers = Matches(text, kKeyHeaderPattern);
  ASSERT_EQ(headers.Count(), 1);
  EXPECT_EQ(headers.Item(0).Length, 10);
}

TEST(RegExpExecuteTest, LinesOfMegabytes) {
  std::u16string header = u"[HKEY_" + std::u16string(10'000'000, u'x');
  EXPECT_EQ(Matches(header, kKeyHeaderPattern).Count(), 0);
  header += u']';
  const auto headers = Matches(u"a\r\n" + header + u"\r\nb", kKeyHeaderPattern);
  ASSERT_EQ(headers.Count(), 1);
  EXPECT_EQ(headers.Item(0).Length, int32_t(header.size()));

  std::u16string line = u"\"a.b\"=hex:00";
  for (int i = 0; i < 1'000'000; ++i) line += u",ff";
  const auto value = Matches(line, kValueLinePattern);
  ASSERT_EQ(value.Count(), 1);
  EXPECT_EQ(value.Item(0).SubMatches[1].size(), line.size() - 10);
}

}  // namespace
}  // namespace quillfen
