#include "app/mod_main.h"

#include <gtest/gtest.h>

#include "tests/fake_file_system.h"
#include "tests/recording_messenger.h"
#include "tests/test_exports.h"

namespace quillfen {
namespace {

// Today's four lines, then the calls with options and the options.
constexpr char16_t kUsage[] =
    u"Velmora - Quillfen 1.00.0003\r\nCopyright © 2026 Velmora\r\n\r\n"
    u"Использование: quillfen[.EXE] FileName [Path]\r\n"
    u"               quillfen[.EXE] --container=NAME FileName [Path]\r\n"
    u"               quillfen[.EXE] --all FileName [Directory]\r\n"
    u"               quillfen[.EXE] --list FileName\r\n"
#ifndef _WIN32
    u"               quillfen[.EXE] --install[=USER] [--keys-dir=DIR] [--container=NAME | --all] "
    u"FileName\r\n"
#endif
    u"               quillfen[.EXE] --to-reg --user=SID [--wow64] [--name=NAME] Directory "
    u"[FileName]\r\n"
#ifndef _WIN32
    u"               quillfen[.EXE] --export-key [--container=NAME | --all] "
    u"[--password-file=FILE] FileName [Directory]\r\n"
#endif
    u"               quillfen[.EXE] --help | --version\r\n\r\n"
    u"FileName: файл реестра (.reg) или файл куста реестра (SOFTWARE).\r\n"
    u"  --container=NAME  контейнер NAME, а не первый в файле\r\n"
    u"  --all             все контейнеры, каждый в свой каталог внутри Directory\r\n"
    u"  --list            список контейнеров файла\r\n"
#ifndef _WIN32
    u"  --install[=USER]  в хранилище ключей пользователя USER\r\n"
    u"  --keys-dir=DIR    хранилище ключей (по умолчанию /var/opt/cprocsp/keys)\r\n"
#endif
    u"  --to-reg          каталог-контейнер обратно в файл реестра\r\n"
    u"  --user=SID        пользователь, в разделе которого контейнер\r\n"
    u"  --wow64           раздел Wow6432Node (32-битное хранилище)\r\n"
    u"  --name=NAME       имя контейнера в реестре\r\n"
#ifndef _WIN32
    u"  --export-key      закрытый ключ и сертификат в файлы PEM для OpenSSL\r\n"
    u"  --password-file   пароль из первой строки файла («-» — стандартный ввод)\r\n"
#endif
    u"  -h, --help        эта справка\r\n"
    u"  --version         версия программы";

TEST(ParseCommandLineTest, Table) {
  const struct {
    std::vector<std::u16string> arguments;
    bool request;
    std::u16string source;
    std::u16string target;
  } cases[] = {
      {{}, false, u"", u""},
      {{u"/?"}, false, u"/?", u""},
      {{u"/help"}, false, u"/help", u""},
      {{u"/Help"}, false, u"/Help", u""},
      {{u" \t/HELP  "}, false, u" \t/HELP  ", u""},
      {{u"-?"}, true, u"-?", u"-?.000"},
      {{u"/H"}, true, u"/H", u"/H.000"},
      {{u"HELP"}, true, u"HELP", u"HELP.000"},
      {{u"/HELP:"}, true, u"/HELP:", u"/HELP:.000"},
      {{u"key.reg"}, true, u"key.reg", u"key.000"},
      {{u"keys/key.reg"}, true, u"keys/key.reg", u"keys/key.000"},
      {{u" key.reg "}, true, u" key.reg ", u" key.000"},
      {{u"/?", u"out.d"}, true, u"/?", u"out.d"},
      {{u"a.reg", u"b.reg"}, true, u"a.reg", u"b.reg"},
      {{u"a.reg", u"b", u"c"}, false, u"", u""},
      {{u"/?", u"b", u"c"}, false, u"", u""},
  };
  for (const auto& c : cases) {
    ConverterArgs args;
    EXPECT_EQ(ParseCommandLine(args, ArgumentList(c.arguments)), c.request)
        << testing::PrintToString(c.arguments);
    EXPECT_EQ(args.SourceFile, c.source);
    EXPECT_EQ(args.TargetPath, c.target);
  }
}

TEST(RunConverterTest, StatusAndTheOneMessage) {
  const std::string good_export =
      "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Crypto Pro\\Settings\\Users\\S\\Keys\\K]\r\n"
      "\"a.key\"=hex:01\r\n";
  const struct {
    std::vector<std::u16string> arguments;
    int status;
    MessageStyle style;
    std::u16string text;
  } cases[] = {
      {{}, kExitUsage, MessageStyle::kInformation, kUsage},
      {{u"a", u"b", u"c"}, kExitUsage, MessageStyle::kInformation, kUsage},
      {{u"/?"}, kExitSuccess, MessageStyle::kInformation, kUsage},
      {{u"good.reg"},
       kExitSuccess,
       MessageStyle::kInformation,
       u"good.000\r\n\r\nКаталог-контейнер создан успешно! ^_^v"},
      {{u"good.reg", u"out"},
       kExitSuccess,
       MessageStyle::kInformation,
       u"out\r\n\r\nКаталог-контейнер создан успешно! ^_^v"},
      {{u"good.reg", u"/work"},
       kExitFailure,
       MessageStyle::kCritical,
       u"/work\r\n\r\nФайл или каталог уже существует."},
  };
  for (const auto& c : cases) {
    FakeFileSystem files;
    files.AddFile(u"/work/good.reg", good_export);
    RecordingMessenger messenger;
    Host host{files, messenger};
    EXPECT_EQ(RunConverter(host, ArgumentList(c.arguments), u"quillfen"), c.status)
        << testing::PrintToString(c.arguments);
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0],
              (RecordingMessenger::Shown{u"Velmora - Quillfen", c.text, c.style}));
  }
}

}  // namespace
}  // namespace quillfen
