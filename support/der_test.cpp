#include "support/der.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/unicode.h"
#include "support/crypto.h"
#include "tests/test_containers.h"

namespace quillfen {
namespace {

// The text of the DerError that `run` throws, or "done".
template <typename Run>
std::string ErrorOf(Run run) {
  try {
    run();
  } catch (const DerError& error) {
    return ToUtf8(error.Text());
  }
  return "done";
}

TEST(DerTest, WrittenStructuresEncodeAsDerAndReadBack) {
  DerStructure name = DerStructure::Create("NameKey");
  name.Write("name", "kat256");
  EXPECT_EQ(Hex(name.Encode()), "300816066b6174323536");

  DerStructure parameters = DerStructure::Create("GostKeyParameters");
  parameters.Write("curve", "1.2.643.7.1.2.1.1.1");
  parameters.Omit("digest");
  const auto curve_only = parameters.Encode();
  EXPECT_EQ(Hex(curve_only), "300b06092a8503070102010101");
  EXPECT_FALSE(DerStructure::Decode("GostKeyParameters", curve_only).Has("digest"));
  DerStructure with_digest = DerStructure::Create("GostKeyParameters");
  with_digest.Write("curve", "1.2.643.7.1.2.1.1.1");
  with_digest.Write("digest", "1.2.643.7.1.1.2.2");
  const auto both = DerStructure::Decode("GostKeyParameters", with_digest.Encode());
  EXPECT_TRUE(both.Has("digest"));
  EXPECT_EQ(both.Oid("curve"), "1.2.643.7.1.2.1.1.1");
  EXPECT_EQ(both.Oid("digest"), "1.2.643.7.1.1.2.2");

  // As header.key holds it inside its extension.
  DerStructure period = DerStructure::Create("PrivateKeyUsagePeriod");
  period.Omit("notBefore");
  period.Write("notAfter", "20271208004752Z");
  EXPECT_EQ(Hex(period.Encode()), "3011810f32303237313230383030343735325a");

  // As openssl asn1parse reads it: version 0, the algorithm and its
  // parameters, the key in an OCTET STRING. The Windows tests have no
  // OpenSSL to hold the key files to.
  DerStructure info = DerStructure::Create("PrivateKeyInfo");
  info.Write("version", "0");
  info.Write("privateKeyAlgorithm.algorithm", "1.2.643.7.1.1.1.1");
  info.WriteBytes("privateKeyAlgorithm.parameters", curve_only);
  info.WriteBytes("privateKey", FromHex("04020102"));
  info.Omit("attributes");
  EXPECT_EQ(Hex(info.Encode()),
            "3022020100301706082a85030701010101300b06092a8503070102010101040404020102");

  DerStructure masks = DerStructure::Create("MasksKey");
  masks.WriteBytes("mask", FromHex("0102"));
  masks.WriteBytes("salt", {});
  masks.WriteBytes("mac", FromHex("ff"));
  EXPECT_EQ(Hex(masks.Encode()), "30090402010204000401ff");
}

TEST(DerTest, TimesAsStrictDerWritesThem) {
  const struct {
    const char* text;
    std::vector<int> time;  // empty: no time
  } cases[] = {
      {"261208004752Z", {2026, 12, 8, 0, 47, 52}},
      {"491231235959Z", {2049, 12, 31, 23, 59, 59}},
      {"500101000000Z", {1950, 1, 1, 0, 0, 0}},
      {"20271208004752Z", {2027, 12, 8, 0, 47, 52}},
      {"2611080047Z", {}},        // no seconds
      {"261208004752", {}},       // no Z
      {"261208004752+0300", {}},  // an offset
      {"20271208004752.5Z", {}},  // a fraction
      {"261308004752Z", {}},      // month 13
      {"261200004752Z", {}},      // day 0
      {"261208244752Z", {}},      // hour 24
      {"26120800476aZ", {}},      // a letter
      {"", {}},
  };
  for (const auto& c : cases) {
    const auto time = ParseDerTime(c.text);
    const std::vector<int> got = time ? std::vector<int>{time->year, time->month,  time->day,
                                                         time->hour, time->minute, time->second}
                                      : std::vector<int>{};
    EXPECT_EQ(got, c.time) << c.text;
  }
}

TEST(DerTest, BitsKeepTheirCount) {
  for (const size_t count : {0u, 1u, 3u, 8u, 11u}) {
    DerStructure key = DerStructure::Create("KeyParameters");
    key.WriteBits("attributes", BitString{{0xa0, 0xe0}, count});
    key.Write("algorithm.algorithm", "1.2.643.2.2.19");
    key.Write("algorithm.parameters.curve", "1.2.643.2.2.35.1");
    key.Omit("algorithm.parameters.digest");
    const BitString bits = DerStructure::Decode("KeyParameters", key.Encode()).Bits("attributes");
    EXPECT_EQ(bits.bits, count);
    std::string pattern;
    for (size_t i = 0; i < 12; ++i) pattern += bits.Bit(i) ? '1' : '0';
    EXPECT_EQ(pattern,
              (std::string("101000001110").substr(0, count) + std::string(12, '0')).substr(0, 12))
        << count;
  }
}

TEST(DerTest, ReadsTheKnownAnswerHeader) {
  const auto der = KnownAnswerFile("kat256.000/header.key");
  const DerStructure header = DerStructure::Decode("HeaderKey", der);
  EXPECT_EQ(header.Oid("content.kind"), "1.2.643.2.2.37.2.1");
  EXPECT_EQ(header.Bits("content.attributes").bits, 2u);
  EXPECT_EQ(header.Oid("content.primaryKey.algorithm.algorithm"), "1.2.643.7.1.1.6.1");
  EXPECT_EQ(header.Oid("content.primaryKey.algorithm.parameters.curve"), "1.2.643.2.2.36.0");
  EXPECT_EQ(header.Oid("content.primaryKey.algorithm.parameters.digest"), "1.2.643.7.1.1.2.2");
  EXPECT_EQ(Hex(header.Bytes("content.passwordCheck")), "0a9b5fe8");
  EXPECT_EQ(Hex(header.Bytes("content.primaryFP")), "e3d7cbbad706f241");
  EXPECT_FALSE(header.Has("content.secondaryCertificate"));
  EXPECT_TRUE(header.Has("content.primaryCertificate"));
  // The certificate's thumbprint as openssl x509 -fingerprint -sha1 prints it.
  EXPECT_EQ(Hex(Sha1(header.Bytes("content.primaryCertificate"))),
            "606011ce9d7a992377d8b782b9c0c724945b5a2b");
  EXPECT_EQ(header.Count("content.extensions"), 1u);
  EXPECT_EQ(header.Oid("content.extensions.?1.extnID"), "1.2.643.2.2.37.3.10");
  EXPECT_EQ(Hex(header.Bytes("mac")), "a57f63e1");
  EXPECT_EQ(header.ElementDer("content"),
            std::vector<uint8_t>(der.begin() + 4, der.begin() + 4 + 4 + 561));

  const DerStructure certificate =
      DerStructure::Decode("Certificate", header.Bytes("content.primaryCertificate"));
  EXPECT_EQ(Hex(certificate.Bytes("tbsCertificate.serialNumber")),
            "3fa183970eedf98d806aae1f56e693df85e11076");
  EXPECT_EQ(certificate.Choice("tbsCertificate.validity.notBefore"), "utcTime");
  EXPECT_EQ(certificate.Count("tbsCertificate.subject.rdnSequence"), 2u);
  EXPECT_EQ(certificate.Oid("tbsCertificate.subject.rdnSequence.?1.?1.type"), "2.5.4.3");
  EXPECT_EQ(certificate.Oid("tbsCertificate.subject.rdnSequence.?2.?1.type"), "2.5.4.10");
  const DerStructure value = DerStructure::Decode(
      "DirectoryString", certificate.Bytes("tbsCertificate.subject.rdnSequence.?1.?1.value"));
  EXPECT_EQ(value.Choice(""), "utf8String");
  const auto cn = value.Bytes("utf8String");
  EXPECT_EQ(std::string(cn.begin(), cn.end()), "kat256.example");
}

// `count` NULLs, as hex.
std::string Nulls(size_t count) {
  std::string hex;
  for (size_t i = 0; i < count; ++i) hex += "0500";
  return hex;
}

TEST(DerTest, ElementsAreTheSequencesOwnDer) {
  const auto der = KnownAnswerFile("kat256.000/header.key");
  const DerStructure header = DerStructure::Decode("HeaderKeyElements", der);
  const auto content = DerElements(header.ElementDer("content"));
  std::vector<std::string> kinds;
  for (const auto& element : content) {
    kinds.push_back(DerStructure::Decode("HeaderElementTag", element).Choice(""));
  }
  EXPECT_EQ(kinds, (std::vector<std::string>{"kind", "attributes", "primaryKey", "passwordCheck",
                                             "primaryCertificate", "primaryFP", "extensions"}));
  EXPECT_EQ(Hex(content[1]), "030206c0");
  // Each then reads as what its tag says it is.
  const DerStructure key = DerStructure::Decode("HeaderElement", content[2]);
  EXPECT_EQ(key.Choice(""), "primaryKey");
  EXPECT_EQ(key.Oid("primaryKey.algorithm.parameters.curve"), "1.2.643.2.2.36.0");
  const auto parameters = DerElements(content[2]);
  ASSERT_EQ(parameters.size(), 2u);
  EXPECT_EQ(DerStructure::Decode("KeyParameterTag", parameters[1]).Choice(""), "algorithm");
  EXPECT_EQ(DerStructure::Decode("KeyParameter", parameters[0]).Bits("attributes").bits, 3u);
  EXPECT_EQ(Hex(content.back()),
            "ac21301f06082a8503020225030a04133011810f32303237313230383030343735325a");
  // As long a list as any is read.
  EXPECT_EQ(DerElements(FromHex("30820200" + Nulls(256))).size(), 256u);
  // An element of no known kind is none of the alternatives.
  EXPECT_EQ(ErrorOf([] { DerStructure::Decode("HeaderElementTag", FromHex("a3020500")); }),
            "«HeaderElementTag»: неверная кодировка DER");
}

struct Damaged {
  const char* name;
  const char* type;
  std::string hex;
  const char* error;
};

TEST(DerTest, DamagedInputsSayWhatIsWrong) {
  const std::string name = "300816066b6174323536";
  const std::vector<Damaged> cases = {
      {"empty", "NameKey", "", "«NameKey»: нет данных"},
      {"cut short", "NameKey", name.substr(0, name.size() - 2),
       "«NameKey»: неверная кодировка DER"},
      {"only a tag", "NameKey", "30", "«NameKey»: неверный тег"},
      {"wrong outer tag", "NameKey", "3108" + name.substr(4), "«NameKey»: неверный тег"},
      {"wrong inner tag", "NameKey", "30080c06" + name.substr(8), "«NameKey»: неверный тег"},
      {"absurd length", "NameKey", "30847fffffff1606" + name.substr(8),
       "«NameKey»: неверная кодировка DER"},
      {"length beyond int", "NameKey", "3088ffffffffffffffff", "«NameKey»: неверная кодировка DER"},
      {"indefinite length", "NameKey", "3080" + name.substr(4) + "0000",
       "«NameKey»: неверная кодировка DER"},
      {"bytes after it", "NameKey", name + "00", "«NameKey»: неверная кодировка DER"},
      {"inner longer than outer", "NameKey", "30081607" + name.substr(8),
       "«NameKey»: неверная кодировка DER"},
      {"no sequence for elements", "Elements", "0400", "«Elements»: неверный тег"},
      {"a list of 257 elements", "Elements", "30820202" + Nulls(257),
       "«Elements»: больше 256 элементов в одном списке"},
      {"such a list inside another", "Elements", "30820206" + ("30820202" + Nulls(257)),
       "«Elements»: больше 256 элементов в одном списке"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ErrorOf([&] { DerStructure::Decode(c.type, FromHex(c.hex)); }), c.error) << c.name;
  }
}

TEST(DerTest, ReadingAndWritingWhatIsNotThereSaysSo) {
  const DerStructure name = DerStructure::Decode("NameKey", FromHex("300816066b6174323536"));
  EXPECT_EQ(ErrorOf([&] { name.Oid("nothing"); }), "«NameKey.nothing»: нет такого элемента");
  EXPECT_EQ(ErrorOf([&] { name.Count("nothing"); }), "«NameKey.nothing»: нет такого элемента");
  EXPECT_EQ(ErrorOf([&] { name.Time("name"); }), "«NameKey.name»: неверная запись времени");
  // Thirteenth month: DER as libtasn1 sees it, no time as the program reads it.
  const DerStructure period = DerStructure::Decode(
      "PrivateKeyUsagePeriod", FromHex("3011810f32303237313332383030343735325a"));
  EXPECT_EQ(ErrorOf([&] { period.Time("notAfter"); }),
            "«PrivateKeyUsagePeriod.notAfter»: неверная запись времени");
  EXPECT_EQ(ErrorOf([&] { DerStructure::Create("NoSuchType"); }),
            "«NoSuchType»: нет такого элемента");
  DerStructure empty = DerStructure::Create("MasksKey");
  EXPECT_EQ(ErrorOf([&] { empty.Encode(); }), "«MasksKey»: нет значения");
  EXPECT_EQ(ErrorOf([&] { empty.Write("salt.x", "1"); }), "«MasksKey.salt.x»: нет такого элемента");
  EXPECT_EQ(ErrorOf([&] { empty.ElementDer("mask"); }),
            "«MasksKey.mask»: структура не прочитана из DER");
}

}  // namespace
}  // namespace quillfen
