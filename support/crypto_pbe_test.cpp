// The password-based encryption of PFX files in the crypto facade, against
// published examples and what OpenSSL computes (its GOST engine and
// provider where the algorithm is GOST).
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <string>
#include <vector>

#include "host/run_time_error.h"
#include "support/crypto.h"
#include "tests/hex.h"
#include "tests/stop_when.h"

namespace quillfen {
namespace {

const std::vector<uint8_t> kGostKey =
    FromHex("0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20");

// R 50.1.111-2016's examples for Stribog-512; the rest from `openssl kdf
// PBKDF2` (the gostprov provider for the Stribog digests).
TEST(CryptoPbeTest, Pbkdf2KnownAnswers) {
  const struct {
    Digest digest;
    std::string password;
    std::string salt;
    unsigned long iterations;
    size_t length;
    const char* key;
  } kCases[] = {
      {Digest::kStribog512, "password", "salt", 1, 64,
       "64770af7f748c3b1c9ac831dbcfd85c26111b30a8a657ddc3056b80ca73e040d"
       "2854fd36811f6d825cc4ab66ec0a68a490a9e5cf5156b3a2b7eecddbf9a16b47"},
      {Digest::kStribog512, "password", "salt", 2, 64,
       "5a585bafdfbb6e8830d6d68aa3b43ac00d2e4aebce01c9b31c2caed56f0236d4"
       "d34b2b8fbd2c4e89d54d46f50e47d45bbac301571743119e8d3c42ba66d348de"},
      // The length of a PFX's MAC key, a password beyond ASCII.
      {Digest::kStribog256, "Пароль", std::string("\x00\x01\x02\x03\x04\x05\x06\x07", 8), 2000, 96,
       "39b3f5ac44f830690fb3598eab1473d7683673081f0507257623a08a49abba98"
       "6044118daef84a0f396ee21a25a5867e92707d523c6502e61e808535397b266e"
       "bca5bf429dbe2149d81724c3e3a3b31ac2a2fe33ee93de43e554410403b101c7"},
      {Digest::kStribog512, "", "salt", 2, 32,
       "bce27c7264a081a7676bc0f796538aa21a8344fc3a2280ab272682245b17bcbf"},
      {Digest::kSha1, "password", "salt", 2, 20, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
      // RFC 6070's: four steps of rounds, and a key of two blocks.
      {Digest::kSha1, "password", "salt", 4096, 20, "4b007901b765489abead49d926f721d065a429c1"},
      {Digest::kSha1, "passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096, 25,
       "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(
        Hex(Pbkdf2(c.digest, Bytes(c.password), Bytes(c.salt), c.iterations, c.length).Span()),
        c.key);
  }
  EXPECT_THROW(Pbkdf2(Digest::kStribog512, Bytes("p"), Bytes("s"), 0, 32), RunTimeError);
}

// R 50.1.113-2016's examples for Stribog (the key 00…1f, the text KDF's
// input for label 26bdb878 and seed af21434145656378), RFC 2202's and
// RFC 4231's first case for SHA-1 and SHA-256.
TEST(CryptoPbeTest, HmacKnownAnswers) {
  const auto key = FromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
  const auto text = FromHex("0126bdb87800af21434145656378 0100");
  const std::vector<uint8_t> key0b(20, 0x0b);
  const struct {
    Digest digest;
    std::span<const uint8_t> key;
    std::span<const uint8_t> data;
    const char* mac;
  } kCases[] = {
      {Digest::kStribog256, key, text,
       "a1aa5f7de402d7b3d323f2991c8d4534013137010a83754fd0af6d7cd4922ed9"},
      {Digest::kStribog512, key, text,
       "a59bab22ecae19c65fbde6e5f4e9f5d8549d31f037f9df9b905500e171923a77"
       "3d5f1530f2ed7e964cb2eedc29e9ad2f3afe93b2814f79f5000ffc0366c251e6"},
      {Digest::kSha1, key0b, Bytes("Hi There"), "b617318655057264e28bc0b6fb378c8ef146be00"},
      {Digest::kSha256, key0b, Bytes("Hi There"),
       "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Hex(Hmac(c.digest, c.key, c.data).Span()), c.mac);
    EXPECT_EQ(DigestSize(c.digest), Hex(Hmac(c.digest, c.key, c.data).Span()).size() / 2);
  }
  // The KDF is that HMAC of its label and seed.
  EXPECT_EQ(
      Hex(KdfGostR3411_2012_256(key, FromHex("26bdb878"), FromHex("af21434145656378")).Span()),
      "a1aa5f7de402d7b3d323f2991c8d4534013137010a83754fd0af6d7cd4922ed9");
}

// The long-standing example of the PKCS #12 derivation (password "smeg"),
// and what `openssl kdf PKCS12KDF` gives for the rest.
TEST(CryptoPbeTest, Pkcs12KdfKnownAnswers) {
  const auto smeg = FromHex("0073006d006500670000");
  const auto queeg = FromHex("007100750065006500670000");
  const auto empty = FromHex("0000");
  const auto salt1 = FromHex("0a58cf64530d823f");
  const auto salt2 = FromHex("05dec959acff72f7");
  const struct {
    Pkcs12Purpose purpose;
    std::span<const uint8_t> password;
    std::span<const uint8_t> salt;
    unsigned long iterations;
    size_t length;
    const char* key;
  } kCases[] = {
      {Pkcs12Purpose::kKey, smeg, salt1, 1, 24, "8aaae6297b6cb04642ab5b077851284eb7128f1a2a7fbca3"},
      {Pkcs12Purpose::kIv, smeg, salt1, 1, 8, "79993dfe048d3b76"},
      {Pkcs12Purpose::kKey, queeg, salt2, 1000, 24,
       "ed2034e36328830ff09df1e1a07dd357185dac0d4f9eb3d4"},
      {Pkcs12Purpose::kMac, empty, salt2, 2000, 20, "6dd3813238f63244086599fbc1e703d805c8de20"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(
        Hex(Pkcs12Kdf(Digest::kSha1, c.purpose, c.password, c.salt, c.iterations, c.length).Span()),
        c.key);
  }
}

// OpenSSL's GOST engine over 2048 zero bytes, key 01…20, IV 0102030405060708:
// its gost89 cipher (CFB with key meshing, the S-box chosen by CRYPT_PARAMS),
// and without meshing its gost89-cbc, which over zeros makes the same blocks
// as CFB does. The meshing changes the key after 1024 bytes, so the two
// agree up to there.
TEST(CryptoPbeTest, Gost28147CfbGivesWhatOpenSslGives) {
  const auto iv = FromHex("0102030405060708");
  const std::vector<uint8_t> zeros(2048);
  const struct {
    GostSbox sbox;
    bool meshing;
    const char* first;
    const char* across_1024;
  } kCases[] = {
      {GostSbox::kCryptoProA, true, "68f243629b9f15d35b18245d3208da6f",
       "d79778ed1d0b35dc9db624bf09637b85"},
      {GostSbox::kCryptoProA, false, "68f243629b9f15d35b18245d3208da6f",
       "d79778ed1d0b35dc81f2afcd8639e218"},
      {GostSbox::kTc26Z, true, "9006341a6d413dc47b7f17cbec759cf8",
       "9634b98294133d93ee67b67bfd049f08"},
      {GostSbox::kCryptoProB, true, "8c564406850e8f73a316899183071336",
       "1d90d76fdcec2c1a97a29248da44f27e"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.first);
    const SecureBytes encrypted = Gost28147Cfb(c.sbox, c.meshing, kGostKey, iv, zeros, true);
    EXPECT_EQ(Hex(encrypted.Span().first(16)), c.first);
    EXPECT_EQ(Hex(encrypted.Span().subspan(1016, 16)), c.across_1024);
    const SecureBytes decrypted =
        Gost28147Cfb(c.sbox, c.meshing, kGostKey, iv, encrypted.Span(), false);
    EXPECT_EQ(Hex(decrypted.Span()), Hex(zeros));
  }
  EXPECT_THROW(Gost28147Cfb(GostSbox::kTc26Z, true, kGostKey, std::span(iv).first(4), zeros, true),
               RunTimeError);
}

TEST(CryptoPbeTest, SboxesByTheirIdentifiers) {
  const struct {
    const char* oid;
    std::optional<GostSbox> sbox;
  } kCases[] = {
      {"1.2.643.2.2.31.1", GostSbox::kCryptoProA}, {"1.2.643.2.2.31.2", GostSbox::kCryptoProB},
      {"1.2.643.2.2.31.3", GostSbox::kCryptoProC}, {"1.2.643.2.2.31.4", GostSbox::kCryptoProD},
      {"1.2.643.7.1.2.5.1.1", GostSbox::kTc26Z},   {"1.2.643.2.2.31.0", std::nullopt},
      {"1.2.643.7.1.1.5.1.1", std::nullopt},       {"", std::nullopt},
  };
  for (const auto& c : kCases) EXPECT_EQ(GostSboxOf(c.oid), c.sbox) << c.oid;
}

// A MAC whose state starts from an IV is the MAC of zeros' state over the
// text with the IV added to its first block: OpenSSL's gost-mac and
// gost-mac-12 over that text.
TEST(CryptoPbeTest, Gost28147MacWithAnIv) {
  const auto iv = FromHex("a1a2a3a4a5a6a7a8");
  const std::string text = "0123456789abcdef0123456789abcdef";
  EXPECT_EQ(Hex(Gost28147Mac(GostSbox::kCryptoProA, kGostKey, iv, Bytes(text))), "b90511d9");
  EXPECT_EQ(Hex(Gost28147Mac(GostSbox::kTc26Z, kGostKey, iv, Bytes(text))), "cd148178");
}

// OpenSSL's GOST engine wrapping the session key 40…5f for a GOST R
// 34.10-2001 key (pkeyutl -encrypt, UKM 1122334455667788): the key
// exchange key that `pkeyutl -derive` gives for the same UKM, diversified by
// the UKM, encrypts the session key and keys its MAC (IV: the UKM).
TEST(CryptoPbeTest, CryptoProKeyWrapOfOpenSsl) {
  const auto kek = FromHex("00e9a9058f58e258af0874dcfed3f8969dad47fa134f4ca0075548ab7793c63a");
  const auto ukm = FromHex("1122334455667788");
  std::vector<uint8_t> session_key;
  for (uint8_t b = 0x40; b < 0x60; ++b) session_key.push_back(b);
  const SecureBytes diversified = CryptoProDiversifiedKey(GostSbox::kCryptoProA, kek, ukm);
  EXPECT_EQ(Hex(Gost28147Ecb(GostSbox::kCryptoProA, diversified.Span(), session_key, true).Span()),
            "79ae3bcf560ee89b6d316802d10c444aeafeae8b15339df7b27d40d1a4374db1");
  EXPECT_EQ(Hex(Gost28147Mac(GostSbox::kCryptoProA, diversified.Span(), ukm, session_key)),
            "4ba094da");
  EXPECT_THROW(CryptoProDiversifiedKey(GostSbox::kCryptoProA, kek, std::span(ukm).first(4)),
               RunTimeError);
}

// 3DES and 40-bit RC2 in CBC mode as `openssl enc -des-ede3-cbc` and
// `-rc2-40-cbc` (the legacy provider) give them.
TEST(CryptoPbeTest, CbcCiphersGiveWhatOpenSslGives) {
  const auto iv = FromHex("0011223344556677");
  const std::string text = std::string("sixteen byte msg") + std::string(8, '\x08');
  const struct {
    CbcCipher cipher;
    const char* key;
    const char* encrypted;
  } kCases[] = {
      {CbcCipher::kTripleDes, "0123456789abcdeffedcba987654321089abcdef01234567",
       "2019d9f2dabdca4497929f05d4d88bd18869d650994286bf"},
      {CbcCipher::kRc2_40, "0102030405", "33ed3adc47ec5976830b19100c2cfdb5e0be4317b2adae34"},
  };
  for (const auto& c : kCases) {
    const auto key = FromHex(c.key);
    const SecureBytes encrypted = CbcCrypt(c.cipher, key, iv, Bytes(text), true);
    EXPECT_EQ(Hex(encrypted.Span()), c.encrypted);
    EXPECT_EQ(Hex(CbcCrypt(c.cipher, key, iv, encrypted.Span(), false).Span()), Hex(Bytes(text)));
    EXPECT_THROW(CbcCrypt(c.cipher, key, iv, Bytes(text).first(9), false), RunTimeError);
  }
  EXPECT_THROW(CbcCrypt(CbcCipher::kRc2_40, FromHex("01020304"), iv, Bytes(text), false),
               RunTimeError);
}

// The provider's key derivation, three rounds of `openssl dgst -md_gost94`
// over the last digest (the password "Пар" as UTF-16LE first), the salt
// 00…0f and the round's number.
TEST(CryptoPbeTest, CryptoProPfxKeyGivesWhatOpenSslGives) {
  const auto password = FromHex("1f0430044004");
  const auto salt = FromHex("000102030405060708090a0b0c0d0e0f");
  EXPECT_EQ(Hex(CryptoProPfxKey(password, salt, 3).Span()),
            "92dcdd2d6eda0042cd564707fb114b4ff823ee8b3969649cf45591fd8da350c9");
  EXPECT_THROW(CryptoProPfxKey(password, salt, 0), RunTimeError);
}

// Each derivation counts its rounds (PBKDF2's and PKCS #12's one an
// iteration for each block of the digest the key takes, the provider's one
// an iteration) and looks for a stop signal after every 1024 of them and
// after the last: a signal ends it there.
TEST(CryptoPbeTest, DerivationsCountTheirRoundsAndStopBetweenTwoSteps) {
  const auto password = Bytes("password"), salt = Bytes("saltsaltsaltsalt");
  const struct {
    const char* what;
    std::function<void()> derive;
    uint64_t rounds;
    size_t stop_at;  // the look the signal comes before
    uint64_t stopped_after;
  } kCases[] = {
      {"PBKDF2", [&] { Pbkdf2(Digest::kStribog512, password, salt, 3000, 64); }, 3000, 2, 2048},
      // Three looks for the first block, the fourth in the second.
      {"PBKDF2, two blocks", [&] { Pbkdf2(Digest::kSha1, password, salt, 3000, 40); }, 6000, 4,
       4024},
      {"PKCS #12, a 3DES key",
       [&] { Pkcs12Kdf(Digest::kSha1, Pkcs12Purpose::kKey, password, salt, 3000, 24); }, 6000, 1,
       1024},
      {"the provider's", [&] { CryptoProPfxKey(password, salt, 3000); }, 3000, 3, 3000},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    uint64_t before = KeyDerivationRounds();
    c.derive();
    EXPECT_EQ(KeyDerivationRounds() - before, c.rounds);
    StopWhen signals(c.stop_at);
    ScopedStopSignals scope(signals);
    before = KeyDerivationRounds();
    EXPECT_THROW(c.derive(), Stopped);
    EXPECT_EQ(KeyDerivationRounds() - before, c.stopped_after);
    EXPECT_EQ(StoppedBy(), SIGTERM);
  }
}

TEST(CryptoPbeTest, StrongRandomBytesDiffer) {
  std::vector<uint8_t> a(32), b(32);
  StrongRandom(a);
  StrongRandom(b);
  EXPECT_NE(Hex(a), Hex(b));
  EXPECT_NE(Hex(a), std::string(64, '0'));
}

}  // namespace
}  // namespace quillfen
