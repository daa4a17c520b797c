#include "support/crypto.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "host/run_time_error.h"
#include "tests/hex.h"
#include "tests/known_answers.h"

namespace quillfen {
namespace {

std::vector<uint8_t> Reversed(std::vector<uint8_t> bytes) {
  std::reverse(bytes.begin(), bytes.end());
  return bytes;
}

TEST(CryptoTest, Sha1KnownAnswers) {
  // FIPS 180's examples.
  EXPECT_EQ(Hex(Sha1(Bytes(""))), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
  EXPECT_EQ(Hex(Sha1(Bytes("abc"))), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

// The answers of OpenSSL's GOST engine (openssl dgst -md_gost94,
// -md_gost12_256, -md_gost12_512); M1 is the hash standard's first example.
TEST(CryptoTest, GostHashesGiveWhatOpenSslGives) {
  const std::string m1 = "012345678901234567890123456789012345678901234567890123456789012";
  const struct {
    GostHash hash;
    std::string text;
    const char* digest;
  } kCases[] = {
      {GostHash::kR3411_94CryptoPro, "abc",
       "b285056dbf18d7392d7677369524dd14747459ed8143997e163b2986f92fd42c"},
      {GostHash::kStribog256, m1,
       "9d151eefd8590b89daa6ba6cb74af9275dd051026bb149a452fd84e5e57b5500"},
      {GostHash::kStribog512, m1,
       "1b54d01a4af5b9d5cc3d86d68d285462b19abc2475222f35c085122be4ba1ffa"
       "00ad30f8767b3a82384c6574f024c311e2a481332b08ef7f41797891c1646f48"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.digest);
    GostDigest digest(c.hash);
    std::vector<uint8_t> out(digest.Size());
    // Twice, in pieces: Finish starts the digest over.
    for (int round = 0; round < 2; ++round) {
      digest.Write(Bytes(c.text).first(1));
      digest.Write(Bytes(c.text).subspan(1));
      digest.Finish(out);
      EXPECT_EQ(Hex(out), c.digest);
    }
  }
}

// The MACs of OpenSSL's GOST engine (openssl dgst -mac gost-mac and
// gost-mac-12, the S-boxes CryptoPro-A and TC26-Z), and a block the
// engine's gost89 cipher encrypts (its CFB mode over zeros, the S-box chosen
// by CRYPT_PARAMS).
TEST(CryptoTest, Gost28147GivesWhatOpenSslGives) {
  const auto key = FromHex("0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20");
  const std::vector<uint8_t> zeros(16);
  const std::string text = "message digest of 40 bytes, not a block";
  const struct {
    GostSbox sbox;
    std::span<const uint8_t> data;
    const char* mac;
  } kMacs[] = {
      {GostSbox::kCryptoProA, zeros, "2a009fb5"},
      {GostSbox::kCryptoProA, Bytes(text), "9fd76375"},
      {GostSbox::kTc26Z, zeros, "4dadf6df"},
      {GostSbox::kTc26Z, Bytes(text), "4c2b09ef"},
  };
  for (const auto& c : kMacs) {
    EXPECT_EQ(Hex(Gost28147Mac(c.sbox, key, c.data)), c.mac);
  }

  const auto block = FromHex("0011223344556677");
  for (const auto& [sbox, expected] : {std::pair{GostSbox::kCryptoProA, "e60117915d8f2f61"},
                                       std::pair{GostSbox::kTc26Z, "debdc8daf0562960"}}) {
    const SecureBytes encrypted = Gost28147Ecb(sbox, key, block, true);
    EXPECT_EQ(Hex(encrypted.Span()), expected);
    EXPECT_EQ(Hex(Gost28147Ecb(sbox, key, encrypted.Span(), false).Span()), "0011223344556677");
  }
  EXPECT_THROW(Gost28147Mac(GostSbox::kTc26Z, std::span(key).first(16), zeros), RunTimeError);
}

// d·G of the known answers' private keys is the public key OpenSSL wrote.
TEST(CryptoTest, PublicKeysOfTheKnownAnswers) {
  for (const auto& answer : KnownAnswers()) {
    SCOPED_TRACE(answer.directory);
    ASSERT_TRUE(IsKnownCurve(answer.curve_oid));
    const auto d = Reversed(FromHex(answer.private_key));
    const auto public_key = PublicKeyOf(answer.curve_oid, d);
    ASSERT_TRUE(public_key.has_value());
    EXPECT_EQ(Hex(*public_key), answer.public_key);
  }
}

TEST(CryptoTest, ArithmeticModuloTheOrder) {
  const std::string curve = "1.2.643.2.2.35.1";
  // The order of CryptoPro A, little-endian, and one less.
  const auto q =
      Reversed(FromHex("ffffffffffffffffffffffffffffffff6c611070995ad10045841b09b761b893"));
  auto q_minus_1 = q;
  q_minus_1[0] -= 1;
  const std::vector<uint8_t> one = {1}, zero = {0};
  const std::string one32 = "01" + std::string(62, '0');

  EXPECT_EQ(Hex(MultiplyModOrder(curve, q_minus_1, q_minus_1).Span()), one32);
  EXPECT_EQ(Hex(InvertModOrder(curve, q_minus_1)->Span()), Hex(q_minus_1));
  EXPECT_EQ(Hex(InvertModOrder(curve, one)->Span()), one32);
  EXPECT_FALSE(InvertModOrder(curve, zero).has_value());
  EXPECT_FALSE(InvertModOrder(curve, q).has_value());
  EXPECT_FALSE(PublicKeyOf(curve, zero).has_value());
  EXPECT_FALSE(PublicKeyOf(curve, q).has_value());
  EXPECT_TRUE(PublicKeyOf(curve, q_minus_1).has_value());
  // The test curves, and one that is no GOST curve; KeyRecoveryTest takes
  // every known curve through the key's steps.
  EXPECT_FALSE(IsKnownCurve("1.2.643.2.2.35.0"));
  EXPECT_FALSE(IsKnownCurve("1.2.643.7.1.2.1.2.0"));
  EXPECT_FALSE(IsKnownCurve("1.2.840.10045.3.1.7"));
  EXPECT_FALSE(IsKnownCurve(""));
}

TEST(CryptoTest, SecureBytesMoveAndStartAsZeros) {
  SecureBytes a(std::span<const uint8_t>(FromHex("0a0b0c")));
  SecureBytes b = std::move(a);
  EXPECT_TRUE(a.empty());
  EXPECT_EQ(Hex(b.Span()), "0a0b0c");
  a = SecureBytes(2);
  EXPECT_EQ(Hex(a.Span()), "0000");
  std::vector<uint8_t> plain = {1, 2};
  Wipe(plain);
  EXPECT_EQ(Hex(plain), "0000");
}

}  // namespace
}  // namespace quillfen
