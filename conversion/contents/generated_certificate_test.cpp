// Certificates that OpenSSL's GOST engine makes, read as OpenSSL reads them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "conversion/contents/certificate.h"
#include "host/unicode.h"
#include "tests/test_certificates.h"

namespace quillfen {
namespace {

// "Dec  8 01:50:46 2026 GMT", as openssl x509 -startdate prints it.
std::u16string OpenSslDate(const std::string& text) {
  static const std::string kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
  char month[4] = {};
  int day = 0, hour = 0, minute = 0, second = 0, year = 0;
  std::sscanf(text.c_str(), "%3s %d %d:%d:%d %d", month, &day, &hour, &minute, &second, &year);
  const int number = static_cast<int>(kMonths.find(month) / 3 + 1);
  return FormatDateTime({year, number, day, hour, minute, second});
}

std::u16string LowerHex(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), ':'), text.end());
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return FromUtf8(text);
}

TEST(GeneratedCertificateTest, NamesAsWindowsWritesThemAndTheRestAsOpenSslReadsIt) {
  const struct {
    const char* algorithm;
    const char* paramset;
    std::string subject;
    std::u16string windows;
    std::u16string common_name;
  } cases[] = {
      {"gost2012_256", "A",
       "/C=RU/O=ООО \"Ромашка\"/CN=Иванов Иван Иванович/1.2.643.3.131.1.1=007730699137"
       "/1.2.643.100.1=1027700132195/1.2.643.100.3=12345678901/emailAddress=ivanov@example.ru",
       u"E=ivanov@example.ru, СНИЛС=12345678901, ОГРН=1027700132195, ИНН=007730699137, "
       u"CN=Иванов Иван Иванович, O=\"ООО \"\"Ромашка\"\"\", C=RU",
       u"Иванов Иван Иванович"},
      {"gost2012_512", "B", "/L=г. Москва/O=ИП Петров/CN=Петров+1.2.643.100.5=304500116000157",
       u"CN=Петров + ОГРНИП=304500116000157, O=ИП Петров, L=г. Москва", u"Петров"},
      {"gost2001", "XA", "/OU=Бухгалтерия, склад/pseudonym=x/CN= пробел ",
       u"CN=\" пробел \", OID.2.5.4.65=x, OU=\"Бухгалтерия, склад\"", u" пробел "},
      {"gost2012_256", "XB", "/O=Без имени", u"O=Без имени", u""},
  };
  for (const auto& c : cases) {
    const std::vector<uint8_t> der = GenerateCertificate(c.subject, c.algorithm, c.paramset);
    const CertificateContents certificate = ReadCertificate(der);
    EXPECT_EQ(certificate.subject, c.windows) << c.subject;
    EXPECT_EQ(certificate.issuer, c.windows) << c.subject;
    EXPECT_EQ(certificate.common_name, c.common_name) << c.subject;
    EXPECT_EQ(certificate.serial, LowerHex(OpenSslPrints(der, {"-serial"}))) << c.subject;
    EXPECT_EQ(certificate.thumbprint, LowerHex(OpenSslPrints(der, {"-fingerprint", "-sha1"})))
        << c.subject;
    EXPECT_EQ(FormatDateTime(certificate.not_before),
              OpenSslDate(OpenSslPrints(der, {"-startdate"})))
        << c.subject;
    EXPECT_EQ(FormatDateTime(certificate.not_after), OpenSslDate(OpenSslPrints(der, {"-enddate"})))
        << c.subject;
  }
}

}  // namespace
}  // namespace quillfen
