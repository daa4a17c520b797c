#include "conversion/runs/export_keys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>

#include "conversion/contents/private_key_pem.h"
#include "conversion/contents/stored_key_reader.h"
#include "conversion/destinations/pfx_writer.h"
#include "conversion/runs/certificate_files.h"
#include "conversion/runs/container_info.h"
#include "conversion/runs/export_pfx.h"
#include "host/unicode.h"
#include "support/der.h"
#include "tests/conversion_fixture.h"
#include "tests/failing_allocation.h"
#include "tests/fake_console.h"
#include "tests/hex.h"
#include "tests/known_answers.h"
#include "tests/openssl_gost.h"
#include "tests/run_program.h"
#include "tests/test_containers.h"
#include "tests/test_key_containers.h"

namespace quillfen {
namespace {

constexpr char16_t kPasswordFile[] = u"/work/password.txt";
constexpr char16_t kOut[] = u"/work/out";

class ExportKeysTest : public ConversionTest {
 protected:
  void GivenContainers(const std::vector<TestContainer>& containers, const std::string& password) {
    GivenExport(containers);
    files.AddFile(kPasswordFile, password + "\n");
    before = files.Snapshot();
  }
  // One container, "srv".
  void GivenKey(const ValueList& values, const std::string& password) {
    GivenContainers({{u"S-1-5-21-1", false, u"srv", values}}, password);
  }

  bool Export(ContainerChoice choice = {}, std::optional<std::u16string> password = kPasswordFile) {
    Host host{files, messenger, nullptr, &console};
    exported.clear();
    return ExportKeys({kSource, choice, kOut, password}, host, &exported, &note);
  }

  std::string File(const std::u16string& name) {
    return files.FileContents(std::u16string(kOut) + u"/" + name).value_or("(none)");
  }

  FakeConsole console;
  std::vector<ExportedKey> exported;
  std::u16string note;
};

// What OpenSSL makes of each key written: the public key of the known
// answer's own files, or of the test container's certificate.
TEST_F(ExportKeysTest, EveryKindOfKeyAsOpenSslReadsIt) {
  for (const auto& answer : KnownAnswers()) {
    SCOPED_TRACE(answer.directory);
    const std::string name(answer.directory, std::strlen(answer.directory) - 4);  // no ".000"
    GivenKey(KnownAnswerValues(answer.directory), answer.password);
    ASSERT_TRUE(Export());
    EXPECT_EQ(OpenSslKey(File(u"srv.000.key.pem"), {"-pubout"}),
              KnownAnswerText(name + ".pub.pem"));
    EXPECT_EQ(File(u"srv.000.cert.pem"), KnownAnswerText(name + ".cert.pem"));
  }
  for (const TestKey& key : {Test2001Key(), Test2012Key256(), Test2012Key512()}) {
    SCOPED_TRACE(key.curve);
    const ValueList values = KeyContainerValues(key, "srv");
    GivenKey(values, ToUtf8(key.password));
    ASSERT_TRUE(Export());
    EXPECT_EQ(File(u"srv.000.key.pem"), ExpectedKeyPem(key));
    EXPECT_EQ(File(u"srv.000.cert.pem"), ExpectedCertificatePem(values));
    EXPECT_EQ(OpenSslKey(File(u"srv.000.key.pem"), {"-pubout"}),
              OpenSslCertificatePublicKey(File(u"srv.000.cert.pem")));
    EXPECT_EQ(exported.size(), 1u);
    EXPECT_FALSE(exported.at(0).from_backup);
  }
}

// Each fault, on its own, in a container of a 256-bit key with a password:
// the message that ends the run, with nothing written, or the key from the
// copy that passed its checks.
TEST_F(ExportKeysTest, EachFaultEndsInItsMessageOrTheBackup) {
  const auto flip_last = [](std::vector<std::u16string> names) {
    return [names](ValueList& values) {
      for (const auto& name : names) ValueOf(values, name).back() ^= 1;
    };
  };
  const auto remove = [](std::vector<std::u16string> names) {
    return [names](ValueList& values) {
      std::erase_if(values, [&](const auto& value) {
        return std::find(names.begin(), names.end(), value.first) != names.end();
      });
    };
  };
  const auto keep = [](ValueList&) {};
  const auto same = [](TestKey&) {};
  const auto cyrillic = [](bool stored_in_windows1251) {
    return [=](TestKey& k) {
      k.password = u"Пароль";
      k.windows1251 = stored_in_windows1251;
    };
  };
  const std::u16string damaged = u"Ключ контейнера «srv» не сходится с его сертификатом.";
  const std::string cyrillic_1251 = "\xcf\xe0\xf0\xee\xeb\xfc";  // "Пароль"
  const struct {
    const char* what;
    std::function<void(TestKey&)> make;
    std::function<void(ValueList&)> damage;
    std::string password;    // the first line of the password file
    std::u16string message;  // empty: the key is written
    bool from_backup = false;
  } kCases[] = {
      {"nothing wrong", same, keep, "secret", u""},
      {"wrong password", same, keep, "Secret", u"Неверный пароль контейнера «srv»."},
      {"empty password", same, keep, "", u"Неверный пароль контейнера «srv»."},
      {"primary.key damaged", same, flip_last({u"primary.key"}), "secret", u"", true},
      {"masks.key's MAC damaged", same, flip_last({u"masks.key"}), "secret", u"", true},
      {"masks.key missing", same, remove({u"masks.key"}), "secret", u"", true},
      {"both copies damaged", same, flip_last({u"primary.key", u"primary2.key"}), "secret",
       damaged},
      {"backup's MAC damaged too", same, flip_last({u"primary.key", u"masks2.key"}), "secret",
       damaged},
      {"no masks", same, remove({u"masks.key", u"masks2.key"}), "secret",
       u"В контейнере «srv» нет файлов masks.key и primary.key."},
      {"header.key's MAC damaged", same, flip_last({u"header.key"}), "secret",
       u"Файл header.key контейнера «srv» повреждён: его имитовставка не сходится."},
      {"header.key missing", same, remove({u"header.key"}), "secret",
       u"В контейнере «srv» нет файла header.key."},
      {"header.key no DER", same,
       [](ValueList& v) {
         ValueOf(v, u"header.key") = {0x30, 0x05, 0x01};
       },
       "secret",
       u"Не удалось прочитать header.key контейнера «srv»: header.key (неверная кодировка DER)."},
      {"unknown algorithm", [](TestKey& k) { k.algorithm = "1.2.643.2.2.20"; }, keep, "secret",
       u"Алгоритм ключа контейнера «srv» (1.2.643.2.2.20) программа не знает."},
      {"test curve", [](TestKey& k) { k.header_curve = "1.2.643.2.2.35.0"; }, keep, "secret",
       u"Параметры ключа контейнера «srv» (1.2.643.2.2.35.0) программа не знает."},
      {"a 512-bit algorithm on a 256-bit curve",
       [](TestKey& k) {
         k.family = KeyFamily::k2012_512;
         k.algorithm = "1.2.643.7.1.1.1.2";
         k.certificate = false;
       },
       keep, "secret",
       u"Параметры ключа контейнера «srv» (1.2.643.7.1.2.1.1.1) программа не знает."},
      {"a 256-bit algorithm on a 512-bit curve",
       [](TestKey& k) {
         k.curve = "1.2.643.7.1.2.1.2.1";
         k.certificate = false;
       },
       keep, "secret",
       u"Параметры ключа контейнера «srv» (1.2.643.7.1.2.1.2.1) программа не знает."},
      {"a 2001 algorithm on a 512-bit curve",
       [](TestKey& k) {
         k.family = KeyFamily::k2001;
         k.algorithm = "1.2.643.2.2.19";
         k.curve = "1.2.643.7.1.2.1.2.2";
         k.certificate = false;
       },
       keep, "secret",
       u"Параметры ключа контейнера «srv» (1.2.643.7.1.2.1.2.2) программа не знает."},
      {"password stored in its Windows-1251 form", cyrillic(true), keep, "Пароль", u""},
      {"password file in Windows-1251", cyrillic(false), keep, cyrillic_1251, u""},
      {"Windows-1251 form, wrong password", cyrillic(true), keep, "Пароли",
       u"Неверный пароль контейнера «srv»."},
      // 4096 bytes in UTF-8: the longest a run takes, tried in both forms.
      {"the longest password, stored in its Windows-1251 form",
       [](TestKey& k) {
         k.password = u"Пароль";
         k.password.append(4084, u'a');
         k.windows1251 = true;
       },
       keep, "Пароль" + std::string(4084, 'a'), u""},
      // The registry compares value names without regard to case.
      {"values spelled in capitals", same,
       [](ValueList& values) {
         for (auto& [name, bytes] : values) {
           for (auto& c : name) c = c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
         }
       },
       "secret", u""},
      {"no certificate", [](TestKey& k) { k.certificate = false; }, keep, "secret", u""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TestKey key = Test2012Key256();
    c.make(key);
    ValueList values = KeyContainerValues(key, "srv");
    c.damage(values);
    GivenKey(values, c.password);
    const bool exported_key = Export();
    if (!c.message.empty()) {
      EXPECT_FALSE(exported_key);
      EXPECT_EQ(OnlyError(), u"/work/key.reg\r\n\r\n" + c.message);
      EXPECT_EQ(files.Snapshot(), before);
      continue;
    }
    ASSERT_TRUE(exported_key) << testing::PrintToString(messenger.shown);
    EXPECT_EQ(File(u"srv.000.key.pem"), ExpectedKeyPem(key));
    ASSERT_EQ(exported.size(), 1u);
    EXPECT_EQ(exported[0].from_backup, c.from_backup);
    EXPECT_EQ(exported[0].files.size(), key.certificate ? 2u : 1u);
    EXPECT_EQ(File(u"srv.000.cert.pem") != "(none)", key.certificate);
  }
}

// The disk may refuse any step; what the run wrote goes, and what was there
// stays.
TEST_F(ExportKeysTest, TheDiskRefusingAnyStepLeavesNothing) {
  const ValueList values = KeyContainerValues(Test2012Key256(), "srv");
  const std::u16string key = u"/work/out/srv.000.key.pem";
  const std::u16string cert = u"/work/out/srv.000.cert.pem";
  const struct {
    const char* what;
    std::function<void(FakeFileSystem&)> given;
    std::u16string message;
  } kCases[] = {
      {"certificate file there", [&](auto& f) { f.AddFile(cert, "old"); },
       cert + u"\r\n\r\nФайл или каталог уже существует."},
      {"key file there", [&](auto& f) { f.AddFile(key, "old"); },
       key + u"\r\n\r\nФайл или каталог уже существует."},
      {"certificate not written",
       [&](auto& f) { f.FailOn(FakeFileSystem::Op::kWriteNewFile, cert, 28); },
       cert + u"\r\n\r\nНе удалось записать файл ключа.\r\n\r\nОшибка 28: No space left on device"},
      {"directory not flushed",
       [&](auto& f) { f.FailOn(FakeFileSystem::Op::kSyncDirectory, kOut, 5); },
       std::u16string(kOut) +
           u"\r\n\r\nНе удалось записать файл в каталог контейнера.\r\n\r\nОшибка 5: "
           u"Input/output error"},
      {"directory not made",
       [&](auto& f) { f.FailOn(FakeFileSystem::Op::kMakeDirectory, kOut, 13); },
       std::u16string(kOut) +
           u"\r\n\r\nНе удалось создать каталог.\r\n\r\nОшибка 13: Permission denied"},
      {"a file in the directory's place", [&](auto& f) { f.AddFile(kOut, "mine"); },
       std::u16string(kOut) + u"\r\n\r\nНе удалось создать каталог.\r\n\r\nОшибка 17: File exists"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    GivenKey(values, "secret");
    c.given(files);
    before = files.Snapshot();
    EXPECT_FALSE(Export());
    EXPECT_EQ(OnlyError(), c.message);
    EXPECT_EQ(files.Snapshot(), before);
  }
}

// --all tries one password on every container that has one; a container
// without needs none. One that fails keeps every other from being written.
TEST_F(ExportKeysTest, AllContainersWithOnePassword) {
  TestKey shared_2012 = Test2012Key256();
  shared_2012.password = Test2001Key().password;
  const std::vector<TestContainer> containers = {
      {u"S-1-5-21-1", false, u"srv", KeyContainerValues(Test2001Key(), "srv")},
      {u"S-1-5-21-2", true, u"srv", KeyContainerValues(shared_2012, "srv")},
      {u"S-1-5-21-2", false, u"web", KeyContainerValues(Test2012Key512(), "web")},
  };
  GivenContainers(containers, "Пароль-2001");
  ASSERT_TRUE(Export({ContainerChoice::Kind::kAll, {}}));
  std::vector<std::u16string> names;
  for (const auto& key : exported) {
    names.push_back(key.name + u": " + key.files.at(0) + u" " + key.files.at(1));
  }
  EXPECT_EQ(names, (std::vector<std::u16string>{u"srv: srv.000.key.pem srv.000.cert.pem",
                                                u"srv: srv.001.key.pem srv.001.cert.pem",
                                                u"web: web.000.key.pem web.000.cert.pem"}));
  EXPECT_EQ(File(u"srv.000.key.pem"), ExpectedKeyPem(Test2001Key()));
  EXPECT_EQ(File(u"srv.001.key.pem"), ExpectedKeyPem(shared_2012));
  EXPECT_EQ(File(u"web.000.key.pem"), ExpectedKeyPem(Test2012Key512()));
  size_t reads = 0;
  for (const auto& call : files.calls()) reads += call.path == kPasswordFile;
  EXPECT_EQ(reads, 1u);

  GivenContainers(containers, "secret");
  EXPECT_FALSE(Export({ContainerChoice::Kind::kAll, {}}));
  EXPECT_EQ(OnlyError(), u"/work/key.reg\r\n\r\nНеверный пароль контейнера «srv».");
  EXPECT_EQ(files.Snapshot(), before);

  // Named, the container without a password asks for none.
  GivenContainers(containers, "secret");
  ASSERT_TRUE(Export({ContainerChoice::Kind::kNamed, u"WEB"}, std::nullopt));
  EXPECT_EQ(File(u"web.000.key.pem"), ExpectedKeyPem(Test2012Key512()));
  EXPECT_EQ(console.terminal_asks, 0);
}

// Keys wait in secure memory until every one is proved.
TEST_F(ExportKeysTest, AHundredAndTwentyContainersInOneRun) {
  std::vector<TestContainer> containers;
  for (int i = 1000; i < 1120; ++i) {
    std::u16string name = u"k";
    name += FromUtf8(std::to_string(i));
    containers.push_back({u"S-1-5-21-1", false, name, KnownAnswerValues("kat512.000")});
  }
  GivenContainers(containers, "");
  ASSERT_TRUE(Export({ContainerChoice::Kind::kAll, {}})) << testing::PrintToString(messenger.shown);
  EXPECT_EQ(exported.size(), 120u);
  EXPECT_EQ(File(u"k1119.000.key.pem"), File(u"k1000.000.key.pem"));
}

// The ciphertext of the key bag of the PFX file `pfx`.
std::vector<uint8_t> KeyBagCiphertext(const std::string& pfx) {
  const auto inside = [](const DerStructure& outer, const char* path) {
    return DerStructure::Decode("Data", outer.Bytes(path)).Bytes("");
  };
  const DerStructure file = DerStructure::Decode("PFX", Bytes(pfx));
  const DerStructure safe =
      DerStructure::Decode("AuthenticatedSafe", inside(file, "authSafe.content"));
  const DerStructure bags = DerStructure::Decode("SafeContents", inside(safe, "?1.content"));
  return DerStructure::Decode("EncryptedPrivateKeyInfo", bags.Bytes("?1.bagValue"))
      .Bytes("encryptedData");
}

// Key material leaves nothing behind in memory given back: the masks and
// the masked keys --export-key and --info read, primary.key's elements and
// libtasn1's nodes decoded from them, the plain key's DER in the PEM encoder;
// under an empty password, the key bag's ciphertext, which is as good as the
// key, in every encoding that held it and in the file written, but for the
// copies libtasn1's encoder makes itself.
TEST_F(ExportKeysTest, NoSecretStaysInMemoryGivenBack) {
  if (!CanWatchFreedMemory()) GTEST_SKIP() << "the allocator cannot be watched here";
  const KnownAnswer& answer = KnownAnswers()[1];
  ASSERT_EQ(std::string(answer.directory), "kat256.000");
  std::vector<uint8_t> d = FromHex(answer.private_key);
  std::reverse(d.begin(), d.end());
  const std::vector<std::vector<uint8_t>> secrets = {
      d, FromHex(answer.mask), FromHex(answer.encrypted), FromHex(answer.mask2),
      FromHex(answer.encrypted2)};
  const ValueList values = KnownAnswerValues("kat256.000");
  const std::vector<uint8_t>& masks = values[1].second;
  const std::vector<uint8_t>& primary = values[4].second;
  // The salts and IVs of the files written are known, and so is their
  // ciphertext: that of a first run.
  const ScopedPfxRandom fixed([](std::span<uint8_t> out) { std::fill(out.begin(), out.end(), 7); });
  const auto export_pfx = [&](const std::u16string& password) {
    files.AddFile(u"/work/empty.txt", "\n");
    Host host{files, messenger, nullptr, &console};
    ExportedPfx pfx;
    return ExportPfx({kSource, {}, kOut, kPasswordFile, password}, host, &pfx);
  };
  GivenKey(values, answer.password);
  ASSERT_TRUE(export_pfx(u"/work/empty.txt"));
  const std::vector<std::vector<uint8_t>> ciphertext = {KeyBagCiphertext(File(u"srv.000.pfx"))};
  const struct {
    const char* what;
    std::function<void()> run;
  } cases[] = {
      {"the PEM encoder",
       [&] {
         const SecureBytes key{std::span<const uint8_t>(d)};
         const SecureBytes info = PrivateKeyInfo(KeyFamily::k2012_256, answer.curve_oid, key);
         EXPECT_FALSE(Pem("PRIVATE KEY", info.Span()).empty());
       }},
      {"primary.key's elements", [&] { EXPECT_TRUE(ReadStoredKey(masks, primary)); }},
      {"libtasn1's nodes",
       [&] {
         EXPECT_TRUE(DerStructure::Decode("MasksKey", masks).Has("mask"));
         EXPECT_TRUE(DerStructure::Decode("PrimaryKey", primary).Has("key"));
       }},
      {"--export-key", [&] { EXPECT_TRUE(Export()); }},
      {"--export-pfx", [&] { EXPECT_TRUE(export_pfx(kPasswordFile)); }},
      {"--export-pfx under an empty password",
       [&] { EXPECT_TRUE(export_pfx(u"/work/empty.txt")); }},
      {"a PFX read",
       [&] {
         const auto pfx = KnownAnswerFile("pfx/kat256.std.pfx");
         files.AddFile(u"/work/kat256.pfx", std::string(pfx.begin(), pfx.end()));
         files.AddFile(u"/work/std.txt", "Пароль-256\n");
         Host host{files, messenger, nullptr, &console};
         std::vector<ExportedKey> exported;
         EXPECT_TRUE(
             ExportKeys({u"/work/kat256.pfx", {}, kOut, u"/work/std.txt"}, host, &exported));
       }},
      {"--info",
       [&] {
         Host host{files, messenger};
         std::u16string text;
         EXPECT_TRUE(ShowContainerInfo(kSource, {}, host, {2026, 12, 8, 0, 0, 0}, &text));
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    GivenKey(values, answer.password);
    WatchFreedMemory(secrets, ciphertext);
    c.run();
    EXPECT_EQ(FreedBlocksWithASecret(), 0u);
  }
}

// A thousand and one containers whose names give no letters or digits: the
// last one chosen has no name left, whatever run names its files.
TEST_F(ExportKeysTest, EveryRunThatNamesFilesSaysWhenTheThousandNamesAreTaken) {
  std::vector<TestContainer> containers;
  for (char16_t a = u'а'; a < u'а' + 32; ++a) {
    for (char16_t b = u'а'; b < u'а' + 32; ++b) {
      if (containers.size() == 1001) break;
      containers.push_back({u"S-1", false, std::u16string{a, b}, KnownAnswerValues("kat512.000")});
    }
  }
  const std::u16string last = containers.back().name;
  const ContainerChoice named{ContainerChoice::Kind::kNamed, last};
  const ContainerChoice all{ContainerChoice::Kind::kAll, {}};
  const struct {
    const char* run;
    std::function<bool(const ContainerChoice&)> run_it;
  } kRuns[] = {
      {"--export-key", [&](const ContainerChoice& choice) { return Export(choice); }},
      {"--export-pfx",
       [&](const ContainerChoice& choice) {
         Host host{files, messenger, nullptr, &console};
         ExportedPfx pfx;
         return ExportPfx({kSource, choice, kOut, kPasswordFile, kPasswordFile}, host, &pfx);
       }},
      {"--cert",
       [&](const ContainerChoice& choice) {
         Host host{files, messenger};
         SavedCertificates saved;
         return SaveCertificates({kSource, choice, kOut}, host, &saved);
       }},
  };
  for (const auto& run : kRuns) {
    for (const ContainerChoice& choice : {named, all}) {
      SCOPED_TRACE(std::string(run.run) +
                   (choice.kind == ContainerChoice::Kind::kAll ? " --all" : ""));
      GivenContainers(containers, "");
      EXPECT_FALSE(run.run_it(choice));
      EXPECT_EQ(OnlyError(), std::u16string(kOut) +
                                 u"\r\n\r\nНе удалось создать каталог контейнера: имена "
                                 u"key.000–key.999 уже заняты.\r\n\r\nКонтейнер «" +
                                 last + u"».");
      EXPECT_EQ(files.Snapshot(), before);
    }
  }
}

TEST(ExportedKeysTextTest, EachContainerItsFilesAndTheBackupsNamed) {
  const std::vector<ExportedKey> exported = {
      {u"srv", {u"srv.000.key.pem", u"srv.000.cert.pem"}, false},
      {u"a\tb", {u"ab.000.key.pem"}, true},
      {u"web", {u"web.000.key.pem"}, false},
  };
  const std::u16string tail =
      u"\r\n\r\nКлючи выгружены успешно! ^_^v\r\nФайлы .key.pem не зашифрованы: храните их "
      u"так же бережно, как сам контейнер.\r\nКлюч контейнера «a\\tb» взят из резервной копии "
      u"(masks2.key, primary2.key): основная повреждена.";
  EXPECT_EQ(ExportedKeysText(exported, u"keys", SIZE_MAX),
            u"keys\r\n\r\n«srv» → srv.000.key.pem, srv.000.cert.pem\r\n«a\\tb» → "
            u"ab.000.key.pem\r\n«web» → web.000.key.pem" +
                tail);
  EXPECT_EQ(ExportedKeysText(exported, u"keys", 2),
            u"keys\r\n\r\n«srv» → srv.000.key.pem, srv.000.cert.pem\r\n«a\\tb» → "
            u"ab.000.key.pem\r\n… и ещё 1" +
                tail);
}

// The program itself: the password piped in, the message, files only the
// user can read, and never a second time over the first.
TEST(ExportKeyProgramTest, KnownAnswerThroughTheProgram) {
  namespace fs = std::filesystem;
  TempDir dir;
  WriteBinaryFile(dir / "in.reg",
                  EncodeUtf16Le(RegeditExport(KnownAnswerValues("kat256.000")), true));
  const auto run = [&](const std::string& password) {
    return RunProgram("/bin/sh",
                      {"-c",
                       "printf '" + password +
                           "' | \"$0\" --export-key "
                           "--password-file=- in.reg out",
                       QUILLFEN_EXE},
                      dir.path());
  };
  const ProgramResult done = run("Kat-256\\n");
  EXPECT_EQ(done.exit_status, 0) << done.err;
  EXPECT_EQ(done.out,
            "Velmora - Quillfen\nout\n\n«Container 1» → containe.000.key.pem, "
            "containe.000.cert.pem\n\nКлючи выгружены успешно! ^_^v\nФайлы .key.pem не "
            "зашифрованы: храните их так же бережно, как сам контейнер.\n");
  for (const char* name : {"containe.000.key.pem", "containe.000.cert.pem"}) {
    EXPECT_EQ(fs::status(dir / "out" / name).permissions(),
              fs::perms::owner_read | fs::perms::owner_write)
        << name;
  }
  EXPECT_EQ(Mode(dir / "out"), 0700u);
  const std::string key = ReadBinaryFile(dir / "out" / "containe.000.key.pem");
  EXPECT_EQ(OpenSslKey(key, {"-pubout"}), KnownAnswerText("kat256.pub.pem"));

  const ProgramResult again = run("Kat-256");
  EXPECT_EQ(again.exit_status, 1);
  EXPECT_EQ(again.err,
            "Velmora - Quillfen\nout/containe.000.key.pem\n\nФайл или каталог уже "
            "существует.\n");
  EXPECT_EQ(ReadBinaryFile(dir / "out" / "containe.000.key.pem"), key);

  const ProgramResult wrong = run("kat-256");
  EXPECT_EQ(wrong.exit_status, 1);
  EXPECT_EQ(wrong.err, "Velmora - Quillfen\nin.reg\n\nНеверный пароль контейнера «Container 1».\n");

  // A pipe or FIFO named as the password file is read as standard input is.
  const struct {
    const char* what;
    std::string script;
    std::string out;
  } pipes[] = {
      {"the shell's <(…)",
       "\"$0\" --export-key --password-file=<(printf 'Kat-256\\n') in.reg piped", "piped"},
      {"a FIFO",
       "mkfifo fifo && { printf 'Kat-256\\n' >fifo & } && \"$0\" --export-key "
       "--password-file=fifo in.reg fifo.out",
       "fifo.out"},
  };
  for (const auto& c : pipes) {
    const ProgramResult piped = RunProgram("/bin/bash", {"-c", c.script, QUILLFEN_EXE}, dir.path());
    EXPECT_EQ(piped.exit_status, 0) << c.what << ": " << piped.err;
    EXPECT_EQ(ReadBinaryFile(dir / c.out / "containe.000.key.pem"), key) << c.what;
  }
}

}  // namespace
}  // namespace quillfen
