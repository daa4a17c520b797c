#include "conversion/contents/stored_key_reader.h"

#include <gtest/gtest.h>

#include "conversion/contents/container_contents.h"
#include "host/unicode.h"
#include "tests/hex.h"
#include "tests/known_answers.h"
#include "tests/test_containers.h"

namespace quillfen {
namespace {

std::vector<uint8_t> KnownFile(const KnownAnswer& answer, const std::string& name) {
  return KnownAnswerFile(std::string(answer.directory) + "/" + name);
}

TEST(StoredKeyReaderTest, BothCopiesOfTheKnownAnswers) {
  for (const auto& answer : KnownAnswers()) {
    SCOPED_TRACE(answer.directory);
    const auto primary =
        ReadStoredKey(KnownFile(answer, "masks.key"), KnownFile(answer, "primary.key"));
    ASSERT_TRUE(primary.has_value());
    EXPECT_EQ(Hex(primary->mask) + Hex(primary->salt) + Hex(primary->mac) + Hex(primary->encrypted),
              std::string(answer.mask) + answer.salt + answer.masks_mac + answer.encrypted);
    const auto backup =
        ReadStoredKey(KnownFile(answer, "masks2.key"), KnownFile(answer, "primary2.key"));
    ASSERT_TRUE(backup.has_value());
    EXPECT_EQ(Hex(backup->mask) + Hex(backup->salt) + Hex(backup->mac) + Hex(backup->encrypted),
              std::string(answer.mask2) + answer.salt2 + answer.masks2_mac + answer.encrypted2);
  }
}

TEST(StoredKeyReaderTest, WhatIsNotTheirDerIsNoKey) {
  const std::string masks = "300c 04020102 04020304 04020506";
  const struct {
    const char* what;
    std::string masks;
    std::string primary;
    const char* read;  // mask, salt, MAC and key in hex, or "none"
  } kCases[] = {
      {"both", masks, "3004 04020a0b", "0102030405060a0b"},
      {"more after the key", masks, "3008 04020a0b 02020001", "0102030405060a0b"},
      {"no key", masks, "3000", "none"},
      {"key no OCTET STRING", masks, "3004 02020a0b", "none"},
      {"cut short", masks, "3004 04020a", "none"},
      {"masks cut short", "300c 04020102 04020304 040205", "3004 04020a0b", "none"},
      {"masks with more", "3010 04020102 04020304 04020506 04020708", "3004 04020a0b", "none"},
      {"masks no SEQUENCE", "040c 04020102 04020304 04020506", "3004 04020a0b", "none"},
      {"empty files", "", "", "none"},
  };
  for (const auto& c : kCases) {
    const auto read = ReadStoredKey(FromHex(c.masks), FromHex(c.primary));
    EXPECT_EQ(
        read ? Hex(read->mask) + Hex(read->salt) + Hex(read->mac) + Hex(read->encrypted) : "none",
        c.read)
        << c.what;
  }
}

// What --info shows of a container's MACs: each file's own, which the
// password does not hide.
TEST(StoredKeyReaderTest, TheContainersOwnMacs) {
  const KnownAnswer& answer = KnownAnswers()[1];
  const struct {
    const char* damaged;  // the file whose last byte is flipped
    const char* intact;   // header.key, masks.key and masks2.key
  } kCases[] = {{"", "111"}, {"header.key", "011"}, {"masks.key", "101"}, {"masks2.key", "110"}};
  for (const auto& c : kCases) {
    std::vector<ContainerValue> values;
    for (const char* name : {"header.key", "masks.key", "masks2.key"}) {
      values.push_back({FromUtf8(name), KnownFile(answer, name)});
      if (std::string(name) == c.damaged) values.back().bytes.back() ^= 1;
    }
    const ContainerContents contents = ReadContainerContents(values);
    std::string intact;
    for (const auto& flag :
         {contents.header_intact, contents.masks_intact, contents.masks2_intact}) {
      intact += flag ? (*flag ? "1" : "0") : "-";
    }
    EXPECT_EQ(intact, c.intact) << c.damaged;
  }
  EXPECT_EQ(MasksFileIntact(KeyFamily::k2012_256, FromHex("3000")), std::nullopt);
}

}  // namespace
}  // namespace quillfen
