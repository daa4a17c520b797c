#include "conversion/sources/value_decoder.h"

#include <gtest/gtest.h>

#include "tests/failing_allocation.h"
#include "tests/recording_messenger.h"

namespace quillfen {
namespace {

TEST(JoinContinuationLinesTest, Table) {
  const struct {
    std::u16string body;
    std::u16string joined;
  } cases[] = {
      {u"", u""},
      {u"\"a.b\"=hex:01,\\\r\n  02", u"\"a.b\"=hex:01,02"},
      {u"\"a.b\"=hex:01,\\\r\n       02,\\\r\n 03", u"\"a.b\"=hex:01,02,03"},
      // A tab is no indentation.
      {u"\"a.b\"=hex:01,\\\r\n\t02", u"\"a.b\"=hex:01,\t02"},
      // Blanks after the backslash keep the lines apart.
      {u"\"a.b\"=hex:01,\\ \r\n  02", u"\"a.b\"=hex:01,\\ \r\n02"},
      // One pass: a backslash that the joining brings to a line's end stays.
      {u"x\\\\\r\ny", u"x\\y"},
      {u"x\\\r\n\\\r\ny", u"xy"},
      {u"  first\r\n   second\r\n\r\n  third", u"  first\r\nsecond\r\n\r\nthird"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(JoinContinuationLines(c.body), c.joined) << testing::PrintToString(c.body);
  }
}

TEST(DecodeHexItemsTest, Table) {
  using Bytes = std::vector<uint8_t>;
  const struct {
    std::u16string data;
    std::optional<Bytes> bytes;
  } cases[] = {
      {u"00", Bytes{0}},         {u"0A,ff,Fe,10", Bytes{10, 255, 254, 16}},
      {u"0", std::nullopt},      {u"000", std::nullopt},
      {u"00,,01", std::nullopt}, {u",00", std::nullopt},
      {u"00,", std::nullopt},    {u"00,\\", std::nullopt},
      {u"0g", std::nullopt},     {u"", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodeHexItems(c.data), c.bytes) << testing::PrintToString(c.data);
  }
}

// Four times the bytes in a value cost four times the memory asked for, not
// sixteen: a step that copied what it had built at every item would show
// here, on any machine however busy.
TEST(DecodeHexItemsTest, WorkGrowsLinearlyWithTheValue) {
  const auto bytes_for = [](size_t bytes) {
    std::u16string body = u"\"a.b\"=hex:";
    for (size_t i = 0; i < bytes; ++i) body += (i % 25 == 24) ? u"ab,\\\r\n  " : u"ab,";
    body += u"ab";
    CountAllocations();
    const auto joined = JoinContinuationLines(body);
    const auto decoded = DecodeHexItems(std::u16string_view(joined).substr(10));
    const size_t allocated = CountedBytes();
    StopCountingAllocations();
    EXPECT_EQ(decoded.value_or(std::vector<uint8_t>{}).size(), bytes + 1);
    return allocated;
  };
  const size_t small = bytes_for(1 << 18);
  const size_t large = bytes_for(1 << 20);  // a 1 MiB value: a 3 MiB line
  EXPECT_GT(small, size_t{1} << 18);
  EXPECT_LT(large, 5 * small);
}

}  // namespace
}  // namespace quillfen
