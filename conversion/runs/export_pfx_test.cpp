#include "conversion/runs/export_pfx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "conversion/contents/private_key_pem.h"
#include "conversion/runs/certificate_files.h"
#include "conversion/runs/container_info.h"
#include "conversion/runs/export_keys.h"
#include "conversion/sources/pfx_reader.h"
#include "host/unicode.h"
#include "tests/conversion_fixture.h"
#include "tests/fake_console.h"
#include "tests/known_answers.h"
#include "tests/test_containers.h"

namespace quillfen {
namespace {

constexpr char16_t kOut[] = u"/work/out";
constexpr char16_t kPfx[] = u"/work/in/ivanov.pfx";

const KnownAnswer& Answer(std::string_view directory) {
  return *std::find_if(KnownAnswers().begin(), KnownAnswers().end(),
                       [&](const auto& answer) { return answer.directory == directory; });
}

// The known answer's key, little-endian, as the reader gives it.
std::string KeyOf(std::string_view directory) {
  auto d = FromHex(Answer(directory).private_key);
  std::reverse(d.begin(), d.end());
  return Hex(d);
}

// A PFX without MacData whose keys are in the clear, each with its
// certificate, and with a friendlyName unless it is empty: several keys in
// one file, which no writer here makes.
std::string SeveralKeysPfx(const std::vector<std::pair<const char*, std::u16string>>& keys) {
  DerStructure bags = DerStructure::Create("SafeContents");
  const auto bag = [&](const char* id, std::span<const uint8_t> value, uint8_t key_id,
                       const std::u16string& name) {
    bags.Write("", "NEW");
    const std::string at = ElementPath({}, bags.Count({}));
    bags.Write(at + ".bagId", id);
    bags.WriteBytes(at + ".bagValue", value);
    const auto add = [&](const char* type, const char* asn, std::span<const uint8_t> bytes) {
      bags.Write(at + ".bagAttributes", "NEW");
      const std::string attribute =
          ElementPath(at + ".bagAttributes", bags.Count(at + ".bagAttributes"));
      DerStructure value_der = DerStructure::Create(asn);
      value_der.WriteBytes("", bytes);
      bags.Write(attribute + ".attrId", type);
      bags.Write(attribute + ".attrValues", "NEW");
      bags.WriteBytes(attribute + ".attrValues.?1", value_der.Encode());
    };
    add("1.2.840.113549.1.9.21", "LocalKeyId", std::vector<uint8_t>{key_id});
    std::vector<uint8_t> bmp;
    for (const char16_t unit : name) bmp.insert(bmp.end(), {uint8_t(unit >> 8), uint8_t(unit)});
    if (!name.empty()) add("1.2.840.113549.1.9.20", "FriendlyName", bmp);
  };
  uint8_t key_id = 0;
  for (const auto& [directory, name] : keys) {
    const KnownAnswer& answer = Answer(directory);
    auto d = FromHex(answer.private_key);
    std::reverse(d.begin(), d.end());
    const SecureBytes info = PrivateKeyInfo(*KeyFamilyOf(answer.algorithm_oid), answer.curve_oid,
                                            SecureBytes(std::span<const uint8_t>(d)));
    bag("1.2.840.113549.1.12.10.1.1", info.Span(), ++key_id, name);
    DerStructure certificate = DerStructure::Create("CertBag");
    certificate.Write("certId", "1.2.840.113549.1.9.22.1");
    DerStructure octets = DerStructure::Create("Data");
    octets.WriteBytes("", KnownAnswerCertificate(directory));
    certificate.WriteBytes("certValue", octets.Encode());
    bag("1.2.840.113549.1.12.10.1.3", certificate.Encode(), key_id, {});
  }
  const auto octets = [](std::span<const uint8_t> bytes) {
    DerStructure data = DerStructure::Create("Data");
    data.WriteBytes("", bytes);
    return data.Encode();
  };
  DerStructure safe = DerStructure::Create("AuthenticatedSafe");
  safe.Write("", "NEW");
  safe.Write("?1.contentType", "1.2.840.113549.1.7.1");
  safe.WriteBytes("?1.content", octets(bags.Encode()));
  DerStructure pfx = DerStructure::Create("PFX");
  pfx.Write("version", "3");
  pfx.Write("authSafe.contentType", "1.2.840.113549.1.7.1");
  pfx.WriteBytes("authSafe.content", octets(safe.Encode()));
  pfx.Omit("macData");
  const auto der = pfx.Encode();
  return std::string(der.begin(), der.end());
}

class ExportPfxTest : public ConversionTest {
 protected:
  // The known-answer containers kat256 and kat512 in an export, and one of
  // the independent writer's PFX files as kPfx.
  void GivenSources(const std::string& pfxFile = "kat256.std.pfx") {
    GivenExport({{u"S-1", false, u"kat256", KnownAnswerValues("kat256.000")},
                 {u"S-1", false, u"kat512", KnownAnswerValues("kat512.000")}});
    const auto pfx = KnownAnswerFile("pfx/" + pfxFile);
    files.AddFile(kPfx, std::string(pfx.begin(), pfx.end()));
    console = FakeConsole();
  }

  bool Export(const std::u16string& source, ContainerChoice choice,
              std::optional<std::u16string> password_file,
              std::optional<std::u16string> pfx_password_file) {
    Host host{files, messenger, nullptr, &console};
    return ExportPfx({source, choice, kOut, password_file, pfx_password_file}, host, &exported);
  }

  // The key and the certificate's presence of the PFX written as `name`,
  // read with `password`.
  std::string Written(const std::u16string& name, const std::string& password) {
    const auto bytes = files.FileContents(std::u16string(kOut) + u"/" + name);
    if (!bytes) return "(none)";
    const PfxContents read = ReadPfx(Bytes(*bytes), SecureBytes(Bytes(password)), kOut);
    std::string keys;
    for (const auto& key : read.keys) {
      keys += Hex(key.d.Span()) + (key.certificate ? " with its certificate" : " alone");
    }
    return keys;
  }

  FakeConsole console;
  ExportedPfx exported;
};

// Where each password comes from, and what ends the run before anything is
// written.
TEST_F(ExportPfxTest, PasswordsOfTheSourceAndOfTheNewFiles) {
  const std::u16string first = std::u16string(kSource) + u"\r\n\r\n";
  const std::u16string pfx_first = std::u16string(kPfx) + u"\r\n\r\n";
  const struct {
    const char* what;
    std::u16string source = kSource;
    std::optional<std::u16string> password_file;
    std::optional<std::u16string> pfx_password_file;
    std::string input = {};                    // standard input
    std::optional<std::string> terminal = {};  // what is typed there, a line an ask
    std::u16string message = {};               // empty: the file is written
    std::string new_password = "Новый";        // of the file written
    int asks = 0;
    std::string pfx = "kat256.std.pfx";
  } kCases[] = {
      {"from files", kSource, u"/work/kat256.pass", u"/work/new.pass"},
      {"both from standard input", kSource, u"-", u"-", "Kat-256\nНовый\n", {}, {}, "Kat-256"},
      {"both from one file",
       kSource,
       u"/work/kat256.pass",
       u"/work/kat256.pass",
       {},
       {},
       {},
       "Kat-256"},
      {"asked twice", kSource, u"/work/kat256.pass", {}, {}, "Новый\nНовый", {}, "Новый", 2},
      {"empty", kSource, u"/work/kat256.pass", u"/work/empty.pass", {}, {}, {}, ""},
      {"two answers",
       kSource,
       u"/work/kat256.pass",
       {},
       {},
       "Новый\nНовая",
       first + u"Введённые пароли для файлов PFX не совпадают.",
       {},
       2},
      {"no terminal",
       kSource,
       u"/work/kat256.pass",
       {},
       {},
       {},
       first + u"Пароль для файлов PFX спросить негде: укажите файл с паролем параметром "
               u"«--pfx-password-file=FILE» (или «-» для стандартного ввода).",
       {},
       1},
      {"the container's asked first",
       kSource,
       {},
       u"/work/new.pass",
       {},
       "Kat-256",
       {},
       "Новый",
       1},
      {"the container's wrong",
       kSource,
       u"/work/new.pass",
       {},
       {},
       "Новый",
       first + u"Неверный пароль контейнера «kat256».",
       {},
       0},
      {"a PFX's", kPfx, u"/work/std.pass", u"/work/new.pass"},
      {"a PFX's asked", kPfx, {}, u"/work/new.pass", {}, "Пароль-256", {}, "Новый", 1},
      {"a PFX's wrong",
       kPfx,
       u"/work/kat256.pass",
       u"/work/new.pass",
       {},
       {},
       pfx_first + u"Неверный пароль файла PFX «ivanov.pfx».",
       {},
       0},
      {"a PFX's without a terminal",
       kPfx,
       {},
       u"/work/new.pass",
       {},
       {},
       pfx_first + u"Файл PFX «ivanov.pfx» защищён паролем, а спросить его негде: укажите файл "
                   u"с паролем параметром «--password-file=FILE» (или «-» для стандартного "
                   u"ввода).",
       {},
       1},
      {"the provider's empty one",
       kPfx,
       {},
       u"/work/new.pass",
       {},
       {},
       {},
       "Новый",
       0,
       "kat512.cp80-des3.pfx"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    GivenSources(c.pfx);
    files.AddFile(u"/work/kat256.pass", "Kat-256\n");
    files.AddFile(u"/work/std.pass", "Пароль-256\n");
    files.AddFile(u"/work/new.pass", "Новый\r\n");
    files.AddFile(u"/work/empty.pass", "\n");
    before = files.Snapshot();
    console.input = c.input;
    console.terminal = c.terminal;
    const bool written = Export(c.source, {}, c.password_file, c.pfx_password_file);
    EXPECT_EQ(console.terminal_asks, c.asks);
    if (!c.message.empty()) {
      EXPECT_FALSE(written);
      EXPECT_EQ(OnlyError(), c.message);
      EXPECT_EQ(files.Snapshot(), before);
      continue;
    }
    ASSERT_TRUE(written) << testing::PrintToString(messenger.shown);
    const std::u16string name = c.source == kPfx ? u"ivanov.000.pfx" : u"kat256.000.pfx";
    EXPECT_EQ(
        Written(name, c.new_password),
        KeyOf(c.pfx.starts_with("kat512") ? "kat512.000" : "kat256.000") + " with its certificate");
    EXPECT_EQ(files.AccessOf(std::u16string(kOut) + u"/" + name), FileAccess::kOwnerOnly);
    EXPECT_EQ(files.AccessOf(kOut), FileAccess::kOwnerOnly);
    EXPECT_EQ(exported.unprotected, c.new_password.empty());
    EXPECT_LE(console.input_reads, 1);
  }
}

// A PFX of several keys: each a container named by its friendlyName, else by
// the file's name and its number, for every run that reads a PFX.
TEST_F(ExportPfxTest, SeveralKeysNamedByTheirFriendlyNames) {
  GivenSources();
  files.AddFile(
      kPfx,
      SeveralKeysPfx({{"kat256.000", u"Иванов"}, {"kat512.000", u"petrov"}, {"kat2001.000", u""}}));
  files.AddFile(u"/work/new.pass", "Новый\n");
  const ContainerChoice all{ContainerChoice::Kind::kAll, {}};
  ASSERT_TRUE(Export(kPfx, all, std::nullopt, u"/work/new.pass"))
      << testing::PrintToString(messenger.shown);
  EXPECT_EQ(console.terminal_asks, 0);
  EXPECT_EQ(Written(u"key.000.pfx", "Новый"), KeyOf("kat256.000") + " with its certificate");
  EXPECT_EQ(Written(u"petrov.000.pfx", "Новый"), KeyOf("kat512.000") + " with its certificate");
  EXPECT_EQ(Written(u"ivanov3.000.pfx", "Новый"), KeyOf("kat2001.000") + " with its certificate");
  std::vector<std::u16string> lines;
  for (const auto& key : exported.keys) lines.push_back(key.name + u" → " + key.files.at(0));
  EXPECT_EQ(lines, (std::vector<std::u16string>{u"Иванов → key.000.pfx", u"petrov → petrov.000.pfx",
                                                u"ivanov 3 → ivanov3.000.pfx"}));

  Host host{files, messenger, nullptr, &console};
  std::u16string info;
  ASSERT_TRUE(ShowContainerInfo(kPfx, {ContainerChoice::Kind::kNamed, u"PETROV"}, host,
                                {2026, 12, 8, 12, 0, 0}, &info));
  EXPECT_EQ(info.substr(0, info.find(u"\r\n")), std::u16string(u"Файл PFX: ") + kPfx);
  const size_t block = info.find(u"\r\n\r\n") + 4;
  EXPECT_EQ(info.substr(block, info.find(u"Шифрование ключа") - block),
            u"Контейнер «petrov»\r\nИмя в файле PFX (friendlyName): petrov\r\n");
  SavedCertificates saved;
  ASSERT_TRUE(
      SaveCertificates({kPfx, {ContainerChoice::Kind::kNamed, u"ivanov 3"}, kOut}, host, &saved));
  const auto certificate = KnownAnswerCertificate("kat2001.000");
  EXPECT_EQ(files.FileContents(u"/work/out/ivanov3.000.cer"),
            std::string(certificate.begin(), certificate.end()));
  EXPECT_FALSE(ShowContainerInfo(kPfx, {ContainerChoice::Kind::kNamed, u"sidorov"}, host,
                                 {2026, 12, 8, 12, 0, 0}, &info));
  EXPECT_EQ(messenger.shown.back().text,
            std::u16string(kPfx) + u"\r\n\r\nВ файле PFX не найден ключ «sidorov».");
}

// A key without a certificate goes alone, and the message says so; an empty
// password is warned of as the PEM's missing one is.
TEST(ExportedPfxTextTest, EachKeyItsFileAndWhatItLacks) {
  ExportedPfx exported{{{u"srv", {u"srv.000.pfx"}, false, false},
                        {u"a\tb", {u"ab.000.pfx"}, true, true},
                        {u"web", {u"web.000.pfx"}, false, false}},
                       true};
  EXPECT_EQ(ExportedPfxText(exported, u"keys", 2),
            u"keys\r\n\r\n«srv» → srv.000.pfx\r\n«a\\tb» → ab.000.pfx (только ключ: сертификата "
            u"нет)\r\n… и ещё 1\r\n\r\nФайлы PFX созданы успешно! ^_^v\r\nПароль файлов .pfx "
            u"пуст: храните их так же бережно, как сам контейнер.\r\nКлюч контейнера «a\\tb» "
            u"взят из резервной копии (masks2.key, primary2.key): основная повреждена.");
  exported.keys.resize(1);
  exported.unprotected = false;
  EXPECT_EQ(ExportedPfxText(exported, u"keys", 2),
            u"keys\r\n\r\n«srv» → srv.000.pfx\r\n\r\nФайл PFX создан успешно! ^_^v");
}

}  // namespace
}  // namespace quillfen
