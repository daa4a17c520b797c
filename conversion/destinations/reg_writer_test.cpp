#include "conversion/destinations/reg_writer.h"

#include <gtest/gtest.h>

namespace quillfen {
namespace {

TEST(RegEditorHexValueTest, WrapsAsTheRegistryEditorDoes) {
  std::vector<uint8_t> bytes(48);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i);
  // 22 bytes bring the first line to 78 characters, then 25 to a line.
  EXPECT_EQ(
      RegEditorHexValue(u"a.key", bytes),
      u"\"a.key\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
      u"  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\\r\n"
      u"  2f\r\n");
  EXPECT_EQ(RegEditorHexValue(u"a.key", {0xAB}), u"\"a.key\"=hex:ab\r\n");
  // No break after the last byte, however long the name.
  EXPECT_EQ(RegEditorHexValue(std::u16string(70, u'n') + u".k", {1}),
            u"\"" + std::u16string(70, u'n') + u".k\"=hex:01\r\n");
}

}  // namespace
}  // namespace quillfen
