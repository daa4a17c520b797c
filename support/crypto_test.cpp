#include "support/crypto.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace quillfen {
namespace {

std::string Hex(std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const uint8_t byte : bytes) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
  }
  return hex;
}

std::span<const uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

TEST(CryptoTest, Sha1KnownAnswers) {
  // FIPS 180's examples.
  EXPECT_EQ(Hex(Sha1(Bytes(""))), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
  EXPECT_EQ(Hex(Sha1(Bytes("abc"))), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

}  // namespace
}  // namespace quillfen
