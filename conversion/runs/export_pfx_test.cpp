#include "conversion/runs/export_pfx.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "conversion/contents/private_key_pem.h"
#include "conversion/runs/container_info.h"
#include "conversion/sources/pfx_reader.h"
#include "tests/conversion_fixture.h"
#include "tests/fake_console.h"
#include "tests/known_answers.h"
#include "tests/test_containers.h"

namespace quillfen {
namespace {

constexpr char16_t kOut[] = u"/work/out";
constexpr char16_t kPfx[] = u"/work/in/ivanov.pfx";

// The known answer's key, little-endian, as the reader gives it.
SecureBytes KeyOf(std::string_view directory) {
  const auto& answer = *std::find_if(KnownAnswers().begin(), KnownAnswers().end(),
                                     [&](const auto& a) { return a.directory == directory; });
  auto d = FromHex(answer.private_key);
  std::reverse(d.begin(), d.end());
  return SecureBytes(std::span<const uint8_t>(d));
}

// A PFX without MacData of the known answers' keys (kat256 or kat512) in
// the clear, each with the friendlyName beside it unless that is empty, and
// a certificate no key goes with that cannot be read, as another authority's
// in a chain may be: several keys in one file, which no writer here makes.
std::string SeveralKeysPfx(const std::vector<std::pair<const char*, std::u16string>>& keys) {
  const auto der = [](const char* type, std::span<const uint8_t> bytes) {
    DerStructure value = DerStructure::Create(type);
    value.WriteBytes("", bytes);
    return value.Encode();
  };
  DerStructure bags = DerStructure::Create("SafeContents");
  for (const auto& [directory, name] : keys) {
    bags.Write("", "NEW");
    const std::string at = "?LAST";
    bags.Write(at + ".bagId", "1.2.840.113549.1.12.10.1.1");
    const bool big = directory == std::string_view("kat512.000");
    bags.WriteBytes(
        at + ".bagValue",
        PrivateKeyInfo(big ? KeyFamily::k2012_512 : KeyFamily::k2012_256,
                       big ? "1.2.643.7.1.2.1.2.2" : "1.2.643.2.2.36.0", KeyOf(directory))
            .Span());
    std::vector<uint8_t> bmp;
    for (const char16_t unit : name) bmp.insert(bmp.end(), {uint8_t(unit >> 8), uint8_t(unit)});
    if (name.empty()) continue;
    bags.Write(at + ".bagAttributes", "NEW");
    bags.Write(at + ".bagAttributes.?1.attrId", "1.2.840.113549.1.9.20");
    bags.Write(at + ".bagAttributes.?1.attrValues", "NEW");
    bags.WriteBytes(at + ".bagAttributes.?1.attrValues.?1", der("FriendlyName", bmp));
  }
  DerStructure unreadable = DerStructure::Create("CertBag");
  unreadable.Write("certId", "1.2.840.113549.1.9.22.1");
  unreadable.WriteBytes("certValue", der("Data", Bytes("no certificate")));
  bags.Write("", "NEW");
  bags.Write("?LAST.bagId", "1.2.840.113549.1.12.10.1.3");
  bags.WriteBytes("?LAST.bagValue", unreadable.Encode());
  bags.Omit("?LAST.bagAttributes");
  DerStructure safe = DerStructure::Create("AuthenticatedSafe");
  safe.Write("", "NEW");
  safe.Write("?1.contentType", "1.2.840.113549.1.7.1");
  safe.WriteBytes("?1.content", der("Data", bags.Encode()));
  DerStructure pfx = DerStructure::Create("PFX");
  pfx.Write("version", "3");
  pfx.Write("authSafe.contentType", "1.2.840.113549.1.7.1");
  pfx.WriteBytes("authSafe.content", der("Data", safe.Encode()));
  pfx.Omit("macData");
  const auto bytes = pfx.Encode();
  return std::string(bytes.begin(), bytes.end());
}

class ExportPfxTest : public ConversionTest {
 protected:
  // The known-answer container kat256 in an export, a PFX file as kPfx
  // and the password files.
  void GivenSources(const std::string& pfx) {
    GivenExport({{u"S-1", false, u"kat256", KnownAnswerValues("kat256.000")}});
    files.AddFile(kPfx, pfx);
    for (const auto& [file, line] : {std::pair{u"kat256", "Kat-256\n"},
                                     {u"std", "Пароль-256\n"},
                                     {u"new", "Новый\r\n"},
                                     {u"empty", "\n"},
                                     {u"nothing", ""}}) {
      files.AddFile(u"/work/" + std::u16string(file) + u".pass", line);
    }
    before = files.Snapshot();
    console = FakeConsole();
  }

  bool Export(const std::u16string& source, std::optional<std::u16string> password_file,
              std::optional<std::u16string> pfx_password_file, const ContainerChoice& choice = {}) {
    Host host{files, messenger, nullptr, &console};
    return ExportPfx({source, choice, kOut, password_file, pfx_password_file}, host, &exported);
  }

  // The keys of the PFX written as `name`, read with `password`.
  std::string Written(const std::u16string& name, const std::string& password) {
    const auto bytes = files.FileContents(std::u16string(kOut) + u"/" + name);
    if (!bytes) return "(none)";
    std::string keys;
    for (const auto& key : ReadPfx(Bytes(*bytes), SecureBytes(Bytes(password)), kOut).keys) {
      keys += Hex(key.d.Span()) + (key.certificate ? " with its certificate" : " alone");
    }
    return keys;
  }

  FakeConsole console;
  ExportedPfx exported;
};

// Where each password comes from, and what ends the run before anything is
// written: a row is a source, its password file, the new files', standard
// input, the terminal's lines, the message, and the new password.
TEST_F(ExportPfxTest, PasswordsOfTheSourceAndOfTheNewFiles) {
  const std::u16string reg = std::u16string(kSource) + u"\r\n\r\n";
  const std::u16string pfx = std::u16string(kPfx) + u"\r\n\r\n";
  const std::u16string kat256 = u"/work/kat256.pass", fresh = u"/work/new.pass";
  const auto kStd = KnownAnswerFile("pfx/kat256.std.pfx");
  const auto kEmpty = KnownAnswerFile("pfx/kat512.cp80-des3.pfx");
  const std::u16string no_line =
      u"\r\n\r\nПароль для файлов PFX не прочитан: здесь нет ни одной строки, а пустой пароль "
      u"файлов PFX задаётся пустой строкой.";
  const struct {
    const char* what;
    std::u16string source;
    std::optional<std::u16string> password_file, pfx_password_file;
    std::string input;
    std::optional<std::string> terminal;
    std::u16string message;  // empty: written
    std::string new_password = "Новый";
    int asks = 0;
    const std::vector<uint8_t>* pfx = nullptr;
  } kCases[] = {
      {"from files", kSource, kat256, fresh, {}, {}, {}},
      {"standard input", kSource, u"-", u"-", "Kat-256\nНовый\n", {}, {}, "Kat-256"},
      {"asked twice", kSource, kat256, {}, {}, "Новый\nНовый", {}, "Новый", 2},
      {"empty", kSource, kat256, u"/work/empty.pass", {}, {}, {}, ""},
      {"empty on standard input", kSource, kat256, u"-", "\n", {}, {}, ""},
      // An empty password is chosen, never had from an input without a line.
      {"standard input closed", kSource, kat256, u"-", "", {}, u"-" + no_line},
      {"an empty file",
       kSource,
       kat256,
       u"/work/nothing.pass",
       {},
       {},
       u"/work/nothing.pass" + no_line},
      {"one standard input closed for both",
       kPfx,
       u"-",
       u"-",
       "",
       {},
       u"-" + no_line,
       {},
       0,
       &kEmpty},
      {"two answers",
       kSource,
       kat256,
       {},
       {},
       "Новый\nНовая",
       reg + u"Введённые пароли для файлов PFX не совпадают.",
       {},
       2},
      {"no terminal",
       kSource,
       kat256,
       {},
       {},
       {},
       reg + u"Пароль для файлов PFX спросить негде: укажите файл с паролем параметром "
             u"«--pfx-password-file=FILE» (или «-» для стандартного ввода).",
       {},
       1},
      {"the container's wrong",
       kSource,
       fresh,
       {},
       {},
       "Новый",
       reg + u"Неверный пароль контейнера «kat256».",
       {},
       0},
      {"a PFX's", kPfx, u"/work/std.pass", fresh, {}, {}, {}, "Новый", 0, &kStd},
      {"a PFX's asked", kPfx, {}, fresh, {}, "Пароль-256", {}, "Новый", 1, &kStd},
      {"a PFX's wrong",
       kPfx,
       kat256,
       fresh,
       {},
       {},
       pfx + u"Неверный пароль файла PFX «ivanov.pfx».",
       {},
       0,
       &kStd},
      {"a PFX's not to be had",
       kPfx,
       {},
       fresh,
       {},
       {},
       pfx + u"Файл PFX «ivanov.pfx» защищён паролем, а спросить его негде: укажите файл с "
             u"паролем параметром «--password-file=FILE» (или «-» для стандартного ввода).",
       {},
       1,
       &kStd},
      {"the provider's empty one", kPfx, {}, fresh, {}, {}, {}, "Новый", 0, &kEmpty},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    GivenSources(c.pfx ? std::string(c.pfx->begin(), c.pfx->end()) : "");
    console.input = c.input;
    console.terminal = c.terminal;
    const bool written = Export(c.source, c.password_file, c.pfx_password_file);
    EXPECT_EQ(console.terminal_asks, c.asks);
    if (!c.message.empty()) {
      EXPECT_FALSE(written);
      EXPECT_EQ(OnlyError(), c.message);
      EXPECT_EQ(files.Snapshot(), before);
      continue;
    }
    ASSERT_TRUE(written) << testing::PrintToString(messenger.shown);
    const std::u16string name = c.source == kPfx ? u"ivanov.000.pfx" : u"kat256.000.pfx";
    EXPECT_EQ(Written(name, c.new_password),
              Hex(KeyOf(c.pfx == &kEmpty ? "kat512.000" : "kat256.000").Span()) +
                  " with its certificate");
    EXPECT_EQ(files.AccessOf(std::u16string(kOut) + u"/" + name), FileAccess::kOwnerOnly);
    EXPECT_EQ(files.AccessOf(kOut), FileAccess::kOwnerOnly);
    EXPECT_EQ(exported.unprotected, c.new_password.empty());
    EXPECT_LE(console.input_reads, 1);
  }
}

// A name taken ends the run before the new password is typed twice.
TEST_F(ExportPfxTest, ATakenNameIsToldBeforeThePasswordIsAsked) {
  GivenSources("");
  files.AddFile(u"/work/out/kat256.000.pfx", "");
  before = files.Snapshot();
  console.terminal = "Новый\nНовый";
  EXPECT_FALSE(Export(kSource, u"/work/kat256.pass", {}));
  EXPECT_EQ(console.terminal_asks, 0);
  EXPECT_EQ(OnlyError(), u"/work/out/kat256.000.pfx\r\n\r\nФайл или каталог уже существует.");
  EXPECT_EQ(files.Snapshot(), before);
}

// A PFX of several keys: each a container named by its friendlyName, else by
// the file's name and its number.
TEST_F(ExportPfxTest, SeveralKeysNamedByTheirFriendlyNames) {
  GivenSources(
      SeveralKeysPfx({{"kat256.000", u"Иванов"}, {"kat512.000", u"petrov"}, {"kat256.000", u""}}));
  ASSERT_TRUE(Export(kPfx, std::nullopt, u"/work/new.pass", {ContainerChoice::Kind::kAll, {}}))
      << testing::PrintToString(messenger.shown);
  std::vector<std::u16string> lines;
  for (const auto& key : exported.keys) lines.push_back(key.name + u" → " + key.files.at(0));
  EXPECT_EQ(lines, (std::vector<std::u16string>{u"Иванов → key.000.pfx", u"petrov → petrov.000.pfx",
                                                u"ivanov 3 → ivanov3.000.pfx"}));
  EXPECT_EQ(Written(u"petrov.000.pfx", "Новый"), Hex(KeyOf("kat512.000").Span()) + " alone");
  EXPECT_EQ(ExportedPfxText(exported, kOut, 1),
            u"/work/out\r\n\r\n«Иванов» → key.000.pfx (только ключ: сертификата нет)\r\n… и "
            u"ещё 2\r\n\r\nФайлы PFX созданы успешно! ^_^v");

  Host host{files, messenger, nullptr, &console};
  std::u16string info;
  ASSERT_TRUE(ShowContainerInfo(kPfx, {ContainerChoice::Kind::kNamed, u"PETROV"}, host,
                                {2026, 12, 8, 12, 0, 0}, &info));
  const size_t block = info.find(u"\r\n\r\n") + 4;
  EXPECT_EQ(info.substr(block, info.find(u"Шифрование ключа") - block),
            u"Контейнер «petrov»\r\nИмя в файле PFX (friendlyName): petrov\r\n");
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
