#include "conversion/contents/private_key_pem.h"

#include <gtest/gtest.h>

#include <cstring>

#include "host/unicode.h"
#include "support/der.h"
#include "support/gost_curves.h"
#include "tests/hex.h"
#include "tests/known_answers.h"
#include "tests/openssl_gost.h"
#include "tests/test_containers.h"
#include "tests/test_keys.h"

namespace quillfen {
namespace {

// The number inside a PEM key, as OpenSSL's own reader finds it.
std::vector<uint8_t> PrivateKeyOf(const std::string& pem) {
  const std::string der = OpenSslKey(pem, {"-outform", "DER"});
  return DerStructure::Decode("PrivateKeyInfo", Bytes(der)).Bytes("privateKey");
}

const struct {
  const char* algorithm;
  const char* paramset;
  KeyFamily family;
  const char* curve;
} kOpenSslKeys[] = {
    {"gost2001", "A", KeyFamily::k2001, "1.2.643.2.2.35.1"},
    {"gost2001", "B", KeyFamily::k2001, "1.2.643.2.2.35.2"},
    {"gost2001", "C", KeyFamily::k2001, "1.2.643.2.2.35.3"},
    {"gost2001", "XA", KeyFamily::k2001, "1.2.643.2.2.36.0"},
    {"gost2001", "XB", KeyFamily::k2001, "1.2.643.2.2.36.1"},
    {"gost2012_256", "A", KeyFamily::k2012_256, "1.2.643.2.2.35.1"},
    {"gost2012_256", "B", KeyFamily::k2012_256, "1.2.643.2.2.35.2"},
    {"gost2012_256", "C", KeyFamily::k2012_256, "1.2.643.2.2.35.3"},
    {"gost2012_256", "XA", KeyFamily::k2012_256, "1.2.643.2.2.36.0"},
    {"gost2012_256", "XB", KeyFamily::k2012_256, "1.2.643.2.2.36.1"},
    {"gost2012_256", "TCA", KeyFamily::k2012_256, "1.2.643.7.1.2.1.1.1"},
    {"gost2012_256", "TCB", KeyFamily::k2012_256, "1.2.643.7.1.2.1.1.2"},
    {"gost2012_256", "TCC", KeyFamily::k2012_256, "1.2.643.7.1.2.1.1.3"},
    {"gost2012_256", "TCD", KeyFamily::k2012_256, "1.2.643.7.1.2.1.1.4"},
    {"gost2012_512", "A", KeyFamily::k2012_512, "1.2.643.7.1.2.1.2.1"},
    {"gost2012_512", "B", KeyFamily::k2012_512, "1.2.643.7.1.2.1.2.2"},
    {"gost2012_512", "C", KeyFamily::k2012_512, "1.2.643.7.1.2.1.2.3"},
};

// The public key OpenSSL gives a PEM key: X ‖ Y, little-endian.
std::vector<uint8_t> OpenSslPublicKey(const std::string& pem) {
  const std::string der = OpenSslKey(pem, {"-pubout", "-outform", "DER"});
  const auto info = DerStructure::Decode("SubjectPublicKeyInfo", Bytes(der));
  return DerStructure::Decode("GostPublicKey", info.Bits("subjectPublicKey").bytes).Bytes("");
}

// A key OpenSSL generated, given to the writer as its number and curve,
// comes out as the very bytes OpenSSL wrote; and the program's curve of
// that identifier is OpenSSL's, of the size OpenSSL's number has: the same
// number gives the same public key.
TEST(PrivateKeyPemTest, OpenSslsOwnKeysByteForByte) {
  for (const auto& key : kOpenSslKeys) {
    SCOPED_TRACE(std::string(key.algorithm) + " " + key.paramset);
    const std::string pem = GenerateGostKey(key.algorithm, key.paramset);
    const SecureBytes d(std::span<const uint8_t>(PrivateKeyOf(pem)));
    const SecureBytes info = PrivateKeyInfo(key.family, key.curve, d);
    EXPECT_EQ(Text(Pem("PRIVATE KEY", info.Span())), pem);
    EXPECT_EQ(Hex(PublicKeyOf(key.curve, d.Span()).value_or(std::vector<uint8_t>{})),
              Hex(OpenSslPublicKey(pem)));
    EXPECT_EQ(GostCurveBits(key.curve), 8 * d.size());
  }
}

// Numbers OpenSSL would rarely draw: its reader writes them back unchanged,
// and its public key of each is the one the curve arithmetic gives.
TEST(PrivateKeyPemTest, OpenSslReadsEveryNumberBack) {
  for (const auto& key : {kOpenSslKeys[0], kOpenSslKeys[8], kOpenSslKeys[10], kOpenSslKeys[16]}) {
    const size_t size = key.family == KeyFamily::k2012_512 ? 64 : 32;
    std::vector<uint8_t> small(size), high_zero(size, 0x5A);
    small[0] = 1;
    high_zero.back() = 0;
    for (const auto& number : {small, high_zero}) {
      SCOPED_TRACE(std::string(key.curve) + " " + Hex(number));
      const SecureBytes d{std::span<const uint8_t>(number)};
      const std::string pem =
          Text(Pem("PRIVATE KEY", PrivateKeyInfo(key.family, key.curve, d).Span()));
      EXPECT_EQ(OpenSslKey(pem, {}), pem);
      EXPECT_EQ(Hex(OpenSslPublicKey(pem)), Hex(*PublicKeyOf(key.curve, number)));
    }
  }
}

TEST(PrivateKeyPemTest, Base64InLinesOfSixtyFour) {
  const std::string line(64, 'A');
  const struct {
    std::string der;
    std::string body;
  } kCases[] = {
      {"", ""},
      {"f", "Zg==\n"},
      {"fo", "Zm8=\n"},
      {"foo", "Zm9v\n"},
      {"\xff\xfe\xfd\xfc", "//79/A==\n"},
      {std::string(48, '\0'), line + "\n"},
      {std::string(49, '\0'), line + "\nAA==\n"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Text(Pem("X", Bytes(c.der))), "-----BEGIN X-----\n" + c.body + "-----END X-----\n");
  }
}

// The known answers' certificates as OpenSSL wrote them.
TEST(PrivateKeyPemTest, CertificatesAsOpenSslWritesThem) {
  for (const auto& answer : KnownAnswers()) {
    const std::string name(answer.directory, std::strlen(answer.directory) - 4);  // no ".000"
    const std::string pem = KnownAnswerText(name + ".cert.pem");
    const std::string der = CertificateDer(pem);
    EXPECT_EQ(Text(Pem("CERTIFICATE", Bytes(der))), pem) << name;
    // Public, it is written the same from plain memory.
    const std::vector<uint8_t> plain = PublicPem("CERTIFICATE", Bytes(der));
    EXPECT_EQ(std::string(plain.begin(), plain.end()), pem) << name;
  }
}

}  // namespace
}  // namespace quillfen
