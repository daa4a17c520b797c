#include "conversion/destinations/pfx_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "conversion/conversion_error.h"
#include "conversion/sources/pfx_reader.h"
#include "support/crypto.h"
#include "support/der.h"
#include "tests/hex.h"
#include "tests/known_answers.h"
#include "tests/test_containers.h"

namespace quillfen {
namespace {

// The known-answer container's key as the PrivateKeyInfo that --export-key
// writes: the signature algorithm, the curve and the digest beside it, the
// number little-endian.
std::vector<uint8_t> KnownAnswerKeyInfo(const KnownAnswer& answer) {
  const std::string algorithm = answer.algorithm_oid;
  const bool k2001 = algorithm == "1.2.643.2.2.98";
  const bool k512 = algorithm == "1.2.643.7.1.1.6.2";
  DerStructure parameters = DerStructure::Create("GostKeyParameters");
  parameters.Write("curve", answer.curve_oid);
  parameters.Write("digest", k2001  ? "1.2.643.2.2.30.1"
                             : k512 ? "1.2.643.7.1.1.2.3"
                                    : "1.2.643.7.1.1.2.2");
  DerStructure info = DerStructure::Create("PrivateKeyInfo");
  info.Write("version", "0");
  info.Write("privateKeyAlgorithm.algorithm", k2001  ? "1.2.643.2.2.19"
                                              : k512 ? "1.2.643.7.1.1.1.2"
                                                     : "1.2.643.7.1.1.1.1");
  info.WriteBytes("privateKeyAlgorithm.parameters", parameters.Encode());
  std::vector<uint8_t> d = FromHex(answer.private_key);
  std::reverse(d.begin(), d.end());
  info.WriteBytes("privateKey", d);
  info.Omit("attributes");
  return info.Encode();
}

// Random bytes that count up from 0 across the calls: each salt and IV of a
// file is known, and none equals another.
struct CountingRandom {
  uint8_t next = 0;
  std::vector<uint8_t> all;
  void operator()(std::span<uint8_t> out) {
    for (uint8_t& b : out) all.push_back(b = next++);
  }
};

std::vector<uint8_t> Bmp(std::u16string_view text) {
  std::vector<uint8_t> bytes;
  for (const char16_t c : text) bytes.insert(bytes.end(), {uint8_t(c >> 8), uint8_t(c)});
  return bytes;
}

// What a bag's attribute holds, decoded as `type`.
std::vector<uint8_t> AttributeValue(const DerStructure& bags, const char* id, const char* type) {
  for (const auto& der : bags.ElementsDer("?1.bagAttributes")) {
    const DerStructure attribute = DerStructure::Decode("PKCS12Attribute", der);
    if (attribute.Oid("attrId") != id) continue;
    EXPECT_EQ(attribute.Count("attrValues"), 1u);
    return DerStructure::Decode(type, attribute.Bytes("attrValues.?1")).Bytes("");
  }
  ADD_FAILURE() << "no attribute " << id;
  return {};
}

// Checks one PBES2 AlgorithmIdentifier's parameters (PBKDF2 with
// HMAC-Stribog-512, 2000 iterations, GOST 28147-89 with the TC26-Z S-box)
// and decrypts `encrypted` by them under `password`.
SecureBytes CheckedPbes2(std::span<const uint8_t> parameters, std::span<const uint8_t> encrypted,
                         std::string_view password, std::span<const uint8_t> salt,
                         std::span<const uint8_t> iv) {
  const DerStructure pbes2 = DerStructure::Decode("PBES2-params", parameters);
  EXPECT_EQ(pbes2.Oid("keyDerivationFunc.algorithm"), "1.2.840.113549.1.5.12");
  EXPECT_EQ(pbes2.Oid("encryptionScheme.algorithm"), "1.2.643.2.2.21");
  const DerStructure pbkdf2 =
      DerStructure::Decode("PBKDF2-params", pbes2.Bytes("keyDerivationFunc.parameters"));
  EXPECT_EQ(Hex(pbkdf2.Bytes("salt")), Hex(salt));
  EXPECT_EQ(Hex(pbkdf2.Bytes("iterationCount")), "07d0");
  EXPECT_FALSE(pbkdf2.Has("keyLength"));
  EXPECT_EQ(pbkdf2.Oid("prf.algorithm"), "1.2.643.7.1.1.4.2");
  const DerStructure gost =
      DerStructure::Decode("Gost28147-89-Parameters", pbes2.Bytes("encryptionScheme.parameters"));
  EXPECT_EQ(Hex(gost.Bytes("iv")), Hex(iv));
  EXPECT_EQ(gost.Oid("encryptionParamSet"), "1.2.643.7.1.2.5.1.1");
  const SecureBytes key = Pbkdf2(Digest::kStribog512, Bytes(password), salt, 2000, 32);
  return Gost28147Cfb(GostSbox::kTc26Z, true, key.Span(), iv, encrypted, false);
}

// The file's structure, read with the project's decoder: what goes where,
// the salts and IVs taken in order from the random bytes, the MAC and both
// encryptions made again from them.
TEST(PfxWriterTest, TheStandardProfile) {
  const KnownAnswer& answer = KnownAnswers()[1];  // kat256
  const auto key_info = KnownAnswerKeyInfo(answer);
  const auto certificate = KnownAnswerCertificate(answer.directory);
  const std::string password = "Пароль-256";
  CountingRandom random;
  const auto bytes =
      WritePfx({key_info, certificate, u"Иванов И. И.", Bytes(password)}, std::ref(random));
  ASSERT_EQ(random.all.size(), 3 * 32 + 2 * 8u);
  const std::span<const uint8_t> drawn = random.all;

  const DerStructure pfx = DerStructure::Decode("PFX", bytes);
  EXPECT_EQ(Hex(pfx.Bytes("version")), "03");
  EXPECT_EQ(pfx.Oid("authSafe.contentType"), "1.2.840.113549.1.7.1");
  const auto content = DerStructure::Decode("Data", pfx.Bytes("authSafe.content")).Bytes("");
  EXPECT_EQ(pfx.Oid("macData.mac.digestAlgorithm.algorithm"), "1.2.643.7.1.1.2.3");
  EXPECT_FALSE(pfx.Has("macData.mac.digestAlgorithm.parameters"));
  EXPECT_EQ(Hex(pfx.Bytes("macData.macSalt")), Hex(drawn.subspan(80, 32)));
  EXPECT_EQ(Hex(pfx.Bytes("macData.iterations")), "07d0");
  const SecureBytes mac_key =
      Pbkdf2(Digest::kStribog512, Bytes(password), drawn.subspan(80, 32), 2000, 96);
  EXPECT_EQ(Hex(pfx.Bytes("macData.mac.digest")),
            Hex(Hmac(Digest::kStribog512, mac_key.Span().last(32), content).Span()));

  const DerStructure safe = DerStructure::Decode("AuthenticatedSafe", content);
  ASSERT_EQ(safe.Count({}), 2u);
  EXPECT_EQ(safe.Oid("?1.contentType"), "1.2.840.113549.1.7.1");
  EXPECT_EQ(safe.Oid("?2.contentType"), "1.2.840.113549.1.7.6");
  const auto thumbprint = Sha1(certificate);

  const DerStructure key_bags = DerStructure::Decode(
      "SafeContents", DerStructure::Decode("Data", safe.Bytes("?1.content")).Bytes(""));
  ASSERT_EQ(key_bags.Count({}), 1u);
  EXPECT_EQ(key_bags.Oid("?1.bagId"), "1.2.840.113549.1.12.10.1.2");
  EXPECT_EQ(key_bags.Count("?1.bagAttributes"), 2u);
  EXPECT_EQ(Hex(AttributeValue(key_bags, "1.2.840.113549.1.9.21", "LocalKeyId")), Hex(thumbprint));
  EXPECT_EQ(Hex(AttributeValue(key_bags, "1.2.840.113549.1.9.20", "FriendlyName")),
            Hex(Bmp(u"Иванов И. И.")));
  const DerStructure shrouded =
      DerStructure::Decode("EncryptedPrivateKeyInfo", key_bags.Bytes("?1.bagValue"));
  EXPECT_EQ(shrouded.Oid("encryptionAlgorithm.algorithm"), "1.2.840.113549.1.5.13");
  const SecureBytes key_plain = CheckedPbes2(shrouded.Bytes("encryptionAlgorithm.parameters"),
                                             shrouded.Bytes("encryptedData"), password,
                                             drawn.first(32), drawn.subspan(32, 8));
  EXPECT_EQ(Hex(key_plain.Span()), Hex(key_info));

  const DerStructure data = DerStructure::Decode("EncryptedData", safe.Bytes("?2.content"));
  EXPECT_EQ(Hex(data.Bytes("version")), "00");
  EXPECT_EQ(data.Oid("encryptedContentInfo.contentType"), "1.2.840.113549.1.7.1");
  EXPECT_EQ(data.Oid("encryptedContentInfo.contentEncryptionAlgorithm.algorithm"),
            "1.2.840.113549.1.5.13");
  const SecureBytes certificate_plain =
      CheckedPbes2(data.Bytes("encryptedContentInfo.contentEncryptionAlgorithm.parameters"),
                   data.Bytes("encryptedContentInfo.encryptedContent"), password,
                   drawn.subspan(40, 32), drawn.subspan(72, 8));
  const DerStructure certificate_bags =
      DerStructure::Decode("SafeContents", certificate_plain.Span());
  ASSERT_EQ(certificate_bags.Count({}), 1u);
  EXPECT_EQ(certificate_bags.Oid("?1.bagId"), "1.2.840.113549.1.12.10.1.3");
  EXPECT_EQ(Hex(AttributeValue(certificate_bags, "1.2.840.113549.1.9.21", "LocalKeyId")),
            Hex(thumbprint));
  const DerStructure bag = DerStructure::Decode("CertBag", certificate_bags.Bytes("?1.bagValue"));
  EXPECT_EQ(bag.Oid("certId"), "1.2.840.113549.1.9.22.1");
  EXPECT_EQ(DerStructure::Decode("Data", bag.Bytes("certValue")).Bytes(""), certificate);
}

// What the writer writes, the reader reads: each known-answer key, with
// and without its certificate, under passwords empty, ASCII and beyond.
TEST(PfxWriterTest, TheReaderReadsWhatItWrites) {
  const struct {
    const char* password;
    bool certificate;
    std::u16string name;
  } kCases[] = {
      {"Пароль", true, u"Иванов"},
      {"", true, u""},
      {"secret", false, u"kat"},
  };
  for (size_t i = 0; i < std::size(kCases); ++i) {
    const auto& c = kCases[i];
    const KnownAnswer& answer = KnownAnswers()[i];
    SCOPED_TRACE(std::string(answer.directory) + " «" + c.password + "»");
    const auto key_info = KnownAnswerKeyInfo(answer);
    const auto certificate = KnownAnswerCertificate(answer.directory);
    PfxInput input{key_info, std::nullopt, c.name, Bytes(c.password)};
    if (c.certificate) input.certificate = certificate;
    const PfxContents contents =
        ReadPfx(WritePfx(input), SecureBytes(Bytes(c.password)), u"/work/out/kat.pfx");
    EXPECT_EQ(contents.kind, PfxKind::kStandard);
    ASSERT_EQ(contents.keys.size(), 1u);
    const PfxKey& key = contents.keys[0];
    std::vector<uint8_t> d(key.d.data(), key.d.data() + key.d.size());
    std::reverse(d.begin(), d.end());
    EXPECT_EQ(Hex(d), answer.private_key);
    EXPECT_EQ(key.curve, answer.curve_oid);
    EXPECT_EQ(key.certificate.has_value(), c.certificate);
    EXPECT_EQ(contents.certificate_encryption.has_value(), c.certificate);
    EXPECT_EQ(Hex(key.local_key_id), c.certificate ? Hex(Sha1(certificate)) : "01000000");
    EXPECT_EQ(key.friendly_name, c.name.empty() ? std::nullopt : std::optional(c.name));
  }
}

// Fresh salts and IVs each time: two files of the same key differ.
TEST(PfxWriterTest, EachFileHasItsOwnSaltsAndIvs) {
  const auto key_info = KnownAnswerKeyInfo(KnownAnswers()[0]);
  const PfxInput input{key_info, std::nullopt, u"k", Bytes("p")};
  EXPECT_NE(Hex(WritePfx(input)), Hex(WritePfx(input)));
}

// A certificate that is not the key's is written as given; reading the
// file refuses it.
TEST(PfxWriterTest, AKeyBesideAnotherKeysCertificateIsRefused) {
  const auto key_info = KnownAnswerKeyInfo(KnownAnswers()[1]);
  const auto certificate = KnownAnswerCertificate(KnownAnswers()[2].directory);
  const auto bytes = WritePfx({key_info, certificate, u"", Bytes("p")});
  try {
    ReadPfx(bytes, SecureBytes(Bytes("p")), u"/work/in/ivanov.pfx");
    ADD_FAILURE() << "read";
  } catch (const ConversionError& error) {
    EXPECT_EQ(error.Message(),
              PathError(u"/work/in/ivanov.pfx",
                        u"Ключ файла PFX «ivanov.pfx» не сходится с его сертификатом.")
                  .Message());
  }
}

}  // namespace
}  // namespace quillfen
