#include "conversion/contents/info_text.h"

#include <gtest/gtest.h>

#include "tests/test_containers.h"

namespace quillfen {
namespace {

constexpr DateTime kNow{2026, 12, 8, 12, 0, 0};

ContainerContents KnownAnswer(const char* directory) {
  return ReadContainerContents(AsContainerValues(KnownAnswerValues(directory)));
}

TEST(InfoTextTest, EveryLineOfAKnownAnswerContainer) {
  EXPECT_EQ(
      InfoBlock({u"kat256", {}, false, u"/media/usb/kat256.000"}, KnownAnswer("kat256.000"), kNow),
      u"Контейнер «kat256»\r\n"
      u"Каталог: /media/usb/kat256.000\r\n"
      u"Имя в name.key: kat256\r\n"
      u"Алгоритм: ГОСТ Р 34.10-2012 256 бит, обмен (1.2.643.7.1.1.6.1)\r\n"
      u"Параметры кривой: CryptoPro XchA (1.2.643.2.2.36.0)\r\n"
      u"Хэш-функция: ГОСТ Р 34.11-2012 256 бит (1.2.643.7.1.1.2.2)\r\n"
      u"Атрибуты ключа: экспортируемый, ключ обмена (биты 101)\r\n"
      u"Атрибуты контейнера: биты 11\r\n"
      u"Пароль: установлен\r\n"
      u"Имитовставки: header.key в порядке, masks.key в порядке, masks2.key в порядке\r\n"
      u"Закрытый ключ действителен до: 2027-12-08 00:47:52 UTC\r\n"
      u"Сертификат:\r\n"
      u"  Субъект: O=Test Vectors, CN=kat256.example\r\n"
      u"  Издатель: O=Test Vectors, CN=kat256.example\r\n"
      u"  Серийный номер: 3fa183970eedf98d806aae1f56e693df85e11076\r\n"
      u"  Действителен: с 2026-12-08 00:47:52 UTC по 2036-12-05 00:47:52 UTC (действителен)\r\n"
      u"  Отпечаток SHA-1: 606011ce9d7a992377d8b782b9c0c724945b5a2b\r\n"
      u"Файлы: header.key, masks.key, masks2.key, name.key, primary.key, primary2.key");
}

TEST(InfoTextTest, PlaceTimeAndWhatIsMissing) {
  ValueList damaged = KnownAnswerValues("kat512.000");
  damaged.erase(damaged.begin() + 1);  // masks.key
  damaged[0].second.resize(100);       // header.key cut short
  damaged.back().second.clear();       // primary2.key
  TestHeader signature;
  signature.algorithm = "1.2.643.7.1.1.1.2";
  signature.curve = "1.2.643.7.1.2.1.2.1";
  signature.digest = "1.2.643.7.1.1.2.3";
  signature.key_bits = BitString{{0x00}, 3};
  const struct {
    const char* name;
    ContainerPlace place;
    ContainerContents contents;
    DateTime now;
    std::u16string block;
  } cases[] = {
      {"a registry key in the 32-bit view, certificate and key expired",
       {u"le-d3bb8023", u"S-1-5-21-1002", true, {}},
       KnownAnswer("kat2001.000"),
       {2037, 1, 1, 0, 0, 0},
       u"Контейнер «le-d3bb8023»\r\n"
       u"Пользователь: S-1-5-21-1002, Wow6432Node (32-битное хранилище)\r\n"
       u"Имя в name.key: kat2001\r\n"
       u"Алгоритм: ГОСТ Р 34.10-2001, обмен (1.2.643.2.2.98)\r\n"
       u"Параметры кривой: CryptoPro A (1.2.643.2.2.35.1)\r\n"
       u"Хэш-функция: ГОСТ Р 34.11-94, параметры CryptoPro (1.2.643.2.2.30.1)\r\n"
       u"Атрибуты ключа: экспортируемый, ключ обмена (биты 101)\r\n"
       u"Атрибуты контейнера: биты 11\r\n"
       u"Пароль: установлен\r\n"
       u"Имитовставки: header.key в порядке, masks.key в порядке, masks2.key в порядке\r\n"
       u"Закрытый ключ действителен до: 2027-12-08 00:47:53 UTC (истёк)\r\n"
       u"Сертификат:\r\n"
       u"  Субъект: CN=kat2001.example\r\n"
       u"  Издатель: CN=kat2001.example\r\n"
       u"  Серийный номер: 3493bdbc586e4315a12ad783f6762c361d927842\r\n"
       u"  Действителен: с 2026-12-08 00:47:53 UTC по 2036-12-05 00:47:53 UTC (истёк)\r\n"
       u"  Отпечаток SHA-1: 67e8fac02eeb2163ec60b944b1ee18feb28cf3f2\r\n"
       u"Файлы: header.key, masks.key, masks2.key, name.key, primary.key, primary2.key"},
      {"a signature key without a certificate",
       {u"Ключ ООО Ромашка 2024", u"S-1", false, {}},
       ReadContainerContents(AsContainerValues(TestContainerValues(signature, "romashka"))),
       kNow,
       u"Контейнер «Ключ ООО Ромашка 2024»\r\n"
       u"Пользователь: S-1\r\n"
       u"Имя в name.key: romashka\r\n"
       u"Алгоритм: ГОСТ Р 34.10-2012 512 бит, подпись (1.2.643.7.1.1.1.2)\r\n"
       u"Параметры кривой: TC26 512 A (1.2.643.7.1.2.1.2.1)\r\n"
       u"Хэш-функция: ГОСТ Р 34.11-2012 512 бит (1.2.643.7.1.1.2.3)\r\n"
       u"Атрибуты ключа: неэкспортируемый, ключ подписи (биты 000)\r\n"
       u"Атрибуты контейнера: биты 01\r\n"
       u"Пароль: не установлен\r\n"
       u"Имитовставки: header.key повреждён\r\n"
       u"Закрытый ключ действителен до: 2027-12-08 00:47:52 UTC\r\n"
       u"Сертификат: нет\r\n"
       u"Файлы: header.key, masks.key, masks2.key, name.key, primary.key, primary2.key"},
      {"damaged, missing and empty files",
       {u"kat512", u"S-1", false, {}},
       ReadContainerContents(AsContainerValues(damaged)),
       kNow,
       u"Контейнер «kat512»\r\n"
       u"Пользователь: S-1\r\n"
       u"Имя в name.key: kat512\r\n"
       u"Файлы: header.key, masks2.key, name.key, primary.key, primary2.key\r\n"
       u"Нет файлов: masks.key\r\n"
       u"Пустые файлы: primary2.key\r\n"
       u"Не удалось прочитать: header.key (неверная кодировка DER)"},
      {"nothing at all",
       {u"x", u"S-1", false, {}},
       ReadContainerContents({}),
       kNow,
       u"Контейнер «x»\r\n"
       u"Пользователь: S-1\r\n"
       u"Файлы: —\r\n"
       u"Нет файлов: header.key, masks.key, masks2.key, name.key, primary.key, primary2.key"},
  };
  for (const auto& c : cases) EXPECT_EQ(InfoBlock(c.place, c.contents, c.now), c.block) << c.name;
}

TEST(InfoTextTest, ACertificateNotValidYetSaysSo) {
  const std::u16string block =
      InfoBlock({u"k", u"S-1", false, {}}, KnownAnswer("kat512.000"), {2026, 12, 8, 0, 0, 0});
  EXPECT_NE(block.find(u"\r\n  Действителен: с 2026-12-08 00:47:52 UTC по 2036-12-05 00:47:52 UTC "
                       u"(ещё не действителен)\r\n"),
            std::u16string::npos);
}

// Whatever a file says reaches the terminal as text: halves of surrogate
// pairs (bytes that were no UTF-8, such as CSI) and the controls that turn
// text around are escaped, however they came in.
TEST(InfoTextTest, TextsFromTheFilesAreShownEscaped) {
  ContainerContents contents = KnownAnswer("kat256.000");
  contents.stored_name = u"kat\xdcc2\xdc9b[2J";
  contents.certificate->contents->subject = u"CN=\x202e\xd800\x9b";
  contents.certificate->contents->issuer = u"CN=\x2066\xdc9b";
  const std::u16string block = InfoBlock({u"k\xdcc2", u"S-1", false, {}}, contents, kNow);
  for (const std::u16string_view line :
       {u"Контейнер «k\\xc2»\r\n", u"\r\nИмя в name.key: kat\\xc2\\x9b[2J\r\n",
        u"\r\n  Субъект: CN=\\u202E\\uD800\\x9b\r\n", u"\r\n  Издатель: CN=\\u2066\\x9b\r\n"}) {
    EXPECT_NE(block.find(line), std::u16string::npos) << testing::PrintToString(line);
  }
}

// The provider's export as its files have it, and a PFX without MacData
// whose certificates are in the clear; its key without a certificate or
// friendlyName. PfxProgramTest pins the standard file's whole text.
TEST(InfoTextTest, APfxFileAndAKeyOfItWithoutACertificate) {
  PfxContents provider{PfxKind::kProviderExport,
                       PfxMac{"1.3.14.3.2.26", 2000},
                       PfxEncryption{"1.2.840.113549.1.12.1.3", {}, {}, 2000},
                       {}};
  EXPECT_EQ(PfxFileBlock(u"a\tb.pfx", provider),
            u"Файл PFX: a\\tb.pfx\r\nВид: экспорт КриптоПро (ключ под 1.2.840.113549.1.12.1.80)\r\n"
            u"Имитовставка: HMAC SHA-1 (1.3.14.3.2.26), итераций: 2000\r\n"
            u"Шифрование сертификатов: pbeWithSHAAnd3-KeyTripleDES-CBC "
            u"(1.2.840.113549.1.12.1.3), итераций: 2000");
  EXPECT_EQ(PfxFileBlock(u"c.pfx", PfxContents{}),
            u"Файл PFX: c.pfx\r\nВид: стандартный (Р 50.1.112-2016)\r\n"
            u"Имитовставка: нет (в файле нет MacData)\r\nШифрование сертификатов: нет");
  PfxKey key;
  key.algorithm = "1.2.643.2.2.98";
  key.curve = "1.2.643.2.2.36.0";
  key.encryption = {"1.2.840.113549.1.12.1.80", {}, {}, 1};
  EXPECT_EQ(PfxKeyBlock(u"c", key, kNow),
            u"Контейнер «c»\r\nШифрование ключа: КриптоПро, ГОСТ Р 34.11-94 и ГОСТ 28147-89 "
            u"(1.2.840.113549.1.12.1.80), итераций: 1\r\n"
            u"Алгоритм: ГОСТ Р 34.10-2001, обмен (1.2.643.2.2.98)\r\n"
            u"Параметры кривой: CryptoPro XchA (1.2.643.2.2.36.0)\r\nСертификат: нет");
}

TEST(InfoTextTest, ListColumnsAreTheCommonNameAndTheLastDay) {
  EXPECT_EQ(SummaryOfCertificate(KnownAnswer("kat256.000")),
            (CertificateSummary{u"kat256.example", u"2036-12-05"}));
  EXPECT_EQ(SummaryOfCertificate(ReadContainerContents({})), (CertificateSummary{u"—", u"—"}));
  TestHeader unreadable;
  unreadable.certificate = FromHex("3003020101");
  EXPECT_EQ(SummaryOfCertificate(
                ReadContainerContents(AsContainerValues(TestContainerValues(unreadable, "n")))),
            (CertificateSummary{u"—", u"—"}));
}

}  // namespace
}  // namespace quillfen
