#include "app/mod_main.h"

#include <gtest/gtest.h>

#include <csignal>

#include "host/stop_signals.h"
#include "tests/fake_file_system.h"
#include "tests/recording_messenger.h"
#include "tests/stop_when.h"
#include "tests/test_exports.h"
#include "tests/usage_text.h"

namespace quillfen {
namespace {

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

std::u16string NoName(const std::u16string& directory) {
  return directory +
         u"\r\n\r\nУ корневого каталога нет имени: для «--to-reg» нужны параметр «--name=NAME» и "
         u"FileName.\r\n\r\n" +
         kUsage;
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
      // A root has no name: --to-reg needs both the key's name and the file.
      {{u"--to-reg", u"--user=S-1", u"/"}, kExitUsage, MessageStyle::kCritical, NoName(u"/")},
      {{u"--to-reg", u"--user=S-1", u"--name=K", u"//"},
       kExitUsage,
       MessageStyle::kCritical,
       NoName(u"//")},
      {{u"--to-reg", u"--user=S-1", u"/work/..", u"/work/k.reg"},
       kExitUsage,
       MessageStyle::kCritical,
       NoName(u"/work/..")},
      {{u"--to-reg", u"--user=S-1", u"--name=K", u"/", u"/work/k.reg"},
       kExitFailure,
       MessageStyle::kCritical,
       u"/work\r\n\r\nЭто не файл: в каталоге-контейнере бывают только файлы значений."},
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

#ifndef _WIN32
TEST(RunConverterTest, AStopSignalAtAnyPointUndoesTheRunAndSetsTheStatus) {
  const std::vector<std::u16string> all = {u"--all", u"/work/all.reg", u"/work/out"};
  // `when` SIZE_MAX: the signal comes while the output directory is flushed,
  // the last step, which looks for none.
  const auto run = [&](FakeFileSystem& files, RecordingMessenger& messenger, size_t when) {
    files.AddFile(u"/work/all.reg", EncodeUtf16Le(SeveralContainersExport(FourContainers()), true));
    StopWhen signals(when);
    ScopedStopSignals scope(signals);
    files.AfterCall(FakeFileSystem::Op::kSyncDirectory, u"/work/out",
                    [&] { signals.come = when == SIZE_MAX; });
    Host host{files, messenger};
    const int status = RunConverter(host, ArgumentList(all), u"quillfen");
    return std::pair{status, signals.looked};
  };
  FakeFileSystem whole;
  RecordingMessenger shown;
  const auto [done, looks] = run(whole, shown, SIZE_MAX - 1);
  ASSERT_EQ(done, kExitSuccess);
  ASSERT_GT(looks, 20u);
  std::vector<size_t> whens;
  for (size_t when = 1; when <= looks; ++when) whens.push_back(when);
  whens.push_back(SIZE_MAX);
  for (const size_t when : whens) {
    SCOPED_TRACE(when);
    FakeFileSystem files;
    RecordingMessenger messenger;
    const auto before = files.Snapshot();
    EXPECT_EQ(run(files, messenger, when).first, 128 + SIGTERM);
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0],
              (RecordingMessenger::Shown{
                  u"Velmora - Quillfen",
                  u"Работа прервана сигналом SIGTERM: всё, что она успела сделать, удалено.",
                  MessageStyle::kCritical}));
    auto expected = before;
    expected[u"/work/all.reg"] = *files.FileContents(u"/work/all.reg");
    EXPECT_EQ(files.Snapshot(), expected);
  }
}
#endif

}  // namespace
}  // namespace quillfen
