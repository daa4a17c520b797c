#include "conversion/contents/certificate.h"

#include <gtest/gtest.h>

#include "host/unicode.h"
#include "support/der.h"
#include "tests/hex.h"
#include "tests/test_containers.h"

namespace quillfen {
namespace {

// Every field, one per line, for exact comparison.
std::u16string Fields(const CertificateContents& c) {
  return c.subject + u"\n" + c.issuer + u"\n" + c.common_name + u"\n" + c.serial + u"\n" +
         FormatDateTime(c.not_before) + u"\n" + FormatDateTime(c.not_after) + u"\n" + c.thumbprint;
}

// The certificates stored in the known-answer containers, as OpenSSL reads
// them (openssl x509 -subject -issuer -serial -fingerprint -sha1 -dates).
TEST(CertificateTest, ReadsTheKnownAnswerCertificates) {
  const struct {
    const char* container;
    std::u16string fields;
  } cases[] = {
      {"kat2001.000",
       u"CN=kat2001.example\nCN=kat2001.example\nkat2001.example\n"
       u"3493bdbc586e4315a12ad783f6762c361d927842\n2026-12-08 00:47:53 UTC\n"
       u"2036-12-05 00:47:53 UTC\n67e8fac02eeb2163ec60b944b1ee18feb28cf3f2"},
      {"kat256.000",
       u"O=Test Vectors, CN=kat256.example\nO=Test Vectors, CN=kat256.example\nkat256.example\n"
       u"3fa183970eedf98d806aae1f56e693df85e11076\n2026-12-08 00:47:52 UTC\n"
       u"2036-12-05 00:47:52 UTC\n606011ce9d7a992377d8b782b9c0c724945b5a2b"},
      {"kat512.000",
       u"CN=kat512.example\nCN=kat512.example\nkat512.example\n"
       u"3f101e1851bd9aa2cbbd5158a9be3e5f117171\n2026-12-08 00:47:52 UTC\n"
       u"2036-12-05 00:47:52 UTC\n445061f170ea82a86a67553399a391c570badf6e"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Fields(ReadCertificate(KnownAnswerCertificate(c.container))), c.fields)
        << c.container;
  }
}

// Names as Windows shows them whatever string type holds them, the common
// name of the last RDN (the one Windows shows first) when there are two,
// and the serial without the zero DER puts before a high bit.
TEST(CertificateTest, NamesOfEveryStringTypeTheLastCommonNameAndTheSerial) {
  const auto string_of = [](const char* kind, const std::vector<uint8_t>& bytes) {
    DerStructure value = DerStructure::Create("DirectoryString");
    value.Write("", kind);
    value.WriteBytes(kind, bytes);
    return value.Encode();
  };
  // "Ёж" in UTF-16BE and UTF-32BE, "ж" in UTF-8.
  const auto bmp = string_of("bmpString", FromHex("04010436"));
  const auto universal = string_of("universalString", FromHex("0000040100000436"));
  const auto utf8 = string_of("utf8String", FromHex("d0b6"));
  const struct {
    const char* what;
    std::vector<uint8_t> first, last;  // the values of the subject's two RDNs
    std::vector<uint8_t> serial;
    std::u16string fields;  // subject, common name, serial
  } cases[] = {
      {"BMPString after UniversalString", universal, bmp, FromHex("0080ff"),
       u"CN=Ёж, CN=Ёж\nЁж\n80ff"},
      {"UTF8String after BMPString", bmp, utf8, FromHex("017f"), u"CN=ж, CN=Ёж\nж\n017f"},
      {"UniversalString after UTF8String", utf8, universal, FromHex("00"), u"CN=Ёж, CN=ж\nЁж\n00"},
  };
  for (const auto& c : cases) {
    DerStructure certificate =
        DerStructure::Decode("Certificate", KnownAnswerCertificate("kat256.000"));
    // kat256's subject: CN=kat256.example, then O=Test Vectors.
    const std::string rdns = "tbsCertificate.subject.rdnSequence.";
    certificate.WriteBytes(rdns + "?1.?1.value", c.first);
    certificate.Write(rdns + "?2.?1.type", "2.5.4.3");
    certificate.WriteBytes(rdns + "?2.?1.value", c.last);
    certificate.WriteBytes("tbsCertificate.serialNumber", c.serial);
    const CertificateContents read = ReadCertificate(certificate.Encode());
    EXPECT_EQ(read.subject + u"\n" + read.common_name + u"\n" + read.serial, c.fields) << c.what;
  }
}

TEST(CertificateTest, ValidFromTheFirstSecondToTheLast) {
  CertificateContents certificate;
  certificate.not_before = {2026, 12, 8, 0, 47, 52};
  certificate.not_after = {2036, 12, 5, 0, 47, 52};
  const struct {
    DateTime now;
    Validity validity;
  } cases[] = {
      {{2026, 12, 8, 0, 47, 51}, Validity::kNotYetValid},
      {{2026, 12, 8, 0, 47, 52}, Validity::kValid},
      {{2030, 1, 1, 0, 0, 0}, Validity::kValid},
      {{2036, 12, 5, 0, 47, 52}, Validity::kValid},
      {{2036, 12, 5, 0, 47, 53}, Validity::kExpired},
      {{2037, 1, 1, 0, 0, 0}, Validity::kExpired},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ValidityAt(certificate, c.now), c.validity) << ToUtf8(FormatDateTime(c.now));
  }
}

TEST(CertificateTest, WhatIsNoCertificateIsADerError) {
  const std::vector<uint8_t> certificate = KnownAnswerCertificate("kat256.000");
  std::vector<uint8_t> bad_time = certificate;
  // The thirteenth month in notBefore ("261208…" becomes "261308…").
  for (size_t i = 0; i + 6 < bad_time.size(); ++i) {
    if (std::string(bad_time.begin() + i, bad_time.begin() + i + 6) == "261208") {
      bad_time[i + 3] = '3';
      break;
    }
  }
  const struct {
    const char* name;
    std::vector<uint8_t> der;
    std::u16string error;
  } cases[] = {
      {"cut short",
       {certificate.begin(), certificate.end() - 1},
       u"«Certificate»: неверная кодировка DER"},
      {"thirteenth month", bad_time,
       u"«Certificate.tbsCertificate.validity.notBefore.utcTime»: неверная запись времени"},
      {"past a megabyte", std::vector<uint8_t>((1 << 20) + 1, 0x30), u"«Certificate»: больше 1 МБ"},
  };
  for (const auto& c : cases) {
    try {
      ReadCertificate(c.der);
      ADD_FAILURE() << c.name << " was read";
    } catch (const DerError& error) {
      EXPECT_EQ(error.Text(), c.error) << c.name;
    }
  }
}

TEST(DateTimeTest, FromUnixSecondsAndAsText) {
  const struct {
    int64_t seconds;
    std::u16string text;
  } cases[] = {
      {0, u"1970-01-01 00:00:00 UTC"},
      {951782400, u"2000-02-29 00:00:00 UTC"},
      {1796690872, u"2026-12-08 00:47:52 UTC"},
      {4102444799, u"2099-12-31 23:59:59 UTC"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatDateTime(DateTimeFromUnixSeconds(c.seconds)), c.text) << c.seconds;
  }
  EXPECT_EQ(FormatDay({2036, 12, 5, 0, 47, 52}), u"2036-12-05");
}

}  // namespace
}  // namespace quillfen
