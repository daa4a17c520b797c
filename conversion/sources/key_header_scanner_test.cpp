#include "conversion/sources/key_header_scanner.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "conversion/sources/export_reader.h"
#include "support/line_breaks.h"
#include "support/simple_regexp.h"
#include "tests/recording_messenger.h"

namespace quillfen {
namespace {

using Lines = std::vector<std::pair<size_t, size_t>>;

// The pattern's answer, as the engine gives it.
Lines PatternHeaders(std::u16string_view text) {
  Lines lines;
  const auto matches = RegExpExecute(text, kKeyHeaderPattern, true, true, true, false);
  EXPECT_TRUE(matches.has_value());
  for (int32_t i = 0; matches && i < matches->Count(); ++i) {
    lines.emplace_back(matches->Item(i).FirstIndex, matches->Item(i).Length);
  }
  return lines;
}

TEST(KeyHeaderScannerTest, FindsWhatThePatternFindsOrSeesALoneBreak) {
  // Texts long enough to cross the scanner's blocks, made of the pieces its
  // shortcuts depend on; every other text has CR LF breaks only.
  const std::u16string pieces[] = {
      u"x",         u"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx",
      u"\r\n",      u"[",
      u"]",         u"[HKEY_LOCAL_MACHINE\\a]",
      u"[hkey_]",   u"[HKEY_",
      u"[HKEY_x]y", u"\"v.k\"=hex:01,02",
      u" ",         u"[hKeY_\x0130]",
      u"\r",        u"\n",
  };
  std::mt19937 random(20261207);
  for (int round = 0; round < 4000; ++round) {
    const size_t kinds = std::size(pieces) - (round % 2 == 0 ? 2 : 0);
    std::u16string text;
    const size_t count = random() % 80;
    for (size_t i = 0; i < count; ++i) text += pieces[random() % kinds];
    SCOPED_TRACE(testing::PrintToString(text));

    KeyHeaderScanner scanner(text);
    Lines found;
    while (const auto header = scanner.Next()) found.emplace_back(header->start, header->length);
    EXPECT_EQ(scanner.OnlyCrLfSoFar(), HasOnlyCrLfLineBreaks(text));
    if (scanner.OnlyCrLfSoFar()) {
      EXPECT_EQ(found, PatternHeaders(text));
    }
  }
}

}  // namespace
}  // namespace quillfen
