#include "app/dispatch.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "app/mod_main.h"
#include "tests/fake_file_system.h"
#include "tests/recording_messenger.h"
#include "tests/test_containers.h"
#include "tests/test_exports.h"

namespace quillfen {
namespace {

using Op = FakeFileSystem::Op;

constexpr char16_t kNoContainer[] =
    u"key.reg\r\n\r\nВ файле реестра не найден раздел с контейнером.";

// Runs with options as the program runs them, on the in-memory disk.
class RunWithOptionsTest : public testing::Test {
 protected:
  void GivenExport(const std::u16string& text) {
    files = FakeFileSystem();
    files.AddFile(u"/work/key.reg", EncodeUtf16Le(text, true));
  }

  // The status; `shown` receives the one message, and `disk_at_message` the
  // disk as it was when the message was shown.
  int Run(const std::vector<std::u16string>& arguments, RecordingMessenger::Shown* shown) {
    struct Messenger : RecordingMessenger {
      explicit Messenger(RunWithOptionsTest& test) : test(test) {}
      void Show(std::u16string_view caption, std::u16string_view text,
                MessageStyle style) override {
        test.disk_at_message = test.files.Snapshot();
        RecordingMessenger::Show(caption, text, style);
      }
      RunWithOptionsTest& test;
    } messenger(*this);
    Host host{files, messenger};
    const int status = RunConverter(host, ArgumentList(arguments), u"quillfen");
    EXPECT_EQ(messenger.shown.size(), 1u);
    if (!messenger.shown.empty()) *shown = messenger.shown[0];
    return status;
  }

  FakeFileSystem files;
  std::map<std::u16string, std::string> disk_at_message;
};

// `text` with each CR LF replaced by `line_break`.
std::u16string WithBreaks(std::u16string_view text, std::u16string_view line_break) {
  std::u16string changed;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.substr(i, 2) == u"\r\n") {
      changed += line_break;
      ++i;
    } else {
      changed += text[i];
    }
  }
  return changed;
}

TEST_F(RunWithOptionsTest, ListAllAndContainerOverAnExport) {
  const std::u16string four = SeveralContainersExport(FourContainers());
  const std::u16string any_case = SeveralContainersExport(
      {{u"S-1", false, u"K", {{u"HEADER.KEY", {1}}, {u"Masks.Key", {2}}, {u"NAME.key", {3}}}}});
  const std::u16string none = SeveralContainersExport({});
  const std::u16string all_four =
      u"key\r\n\r\n«perfilev_007730699137_12.12.19_11.50.30» → key/perfilev.000\r\n"
      u"«perfilev_007730699137_12.12.19_11.50.30 - копия» → key/perfilev.001\r\n"
      u"«le-abc.def» → key/leabcdef.000\r\n«Ключ ООО Ромашка 2024» → key/2024.000\r\n"
      u"\r\nКаталоги-контейнеры созданы успешно! ^_^v";
  const std::vector<std::u16string> list = {u"--list", u"key.reg"}, all = {u"--all", u"key.reg"};
#ifdef _WIN32
  // A message box shows the lines written for people.
  const std::u16string listed_k =
      u"«K» — пользователь S-1, 64-битное хранилище — значений: 3 — каталог k.000 — сертификат "
      u"нет — нет: primary.key";
  const std::u16string listed_four =
      u"«perfilev_007730699137_12.12.19_11.50.30» — пользователь S-1-5-21-1001, 64-битное "
      u"хранилище — значений: 6 — каталог perfilev.000 — сертификат нет\r\n"
      u"«perfilev_007730699137_12.12.19_11.50.30 - копия» — пользователь S-1-5-21-1001, 64-битное "
      u"хранилище — значений: 6 — каталог perfilev.001 — сертификат нет\r\n"
      u"«le-abc.def» — пользователь S-1-5-21-1002, 64-битное хранилище — значений: 3 — каталог "
      u"leabcdef.000 — сертификат нет — нет: masks.key\r\n"
      u"«Ключ ООО Ромашка 2024» — пользователь S-1-5-21-1002, 32-битное хранилище (Wow6432Node) — "
      u"значений: 4 — каталог 2024.000 — сертификат нет";
#else
  const std::u16string listed_k = ExpectedListLine(u"K", u"S-1", 3, u"k.000", u"primary.key");
  const std::u16string listed_four = FourContainersList();
#endif
  const struct {
    const char* name;
    std::u16string text;
    std::vector<std::u16string> arguments;
    int status;
    std::u16string message;
  } cases[] = {
      // The registry compares value names without regard to case.
      {"--list, values named in capitals", any_case, list, 0, listed_k},
      {"--list, LF only", WithBreaks(four, u"\n"), list, 0, listed_four},
      {"--list, CR only", WithBreaks(four, u"\r"), list, 0, listed_four},
      {"--all, LF only", WithBreaks(four, u"\n"), all, 0, all_four},
      {"--list, no container", none, list, 1, kNoContainer},
      {"--all, no container", none, all, 1, kNoContainer},
      {"--cert --container, no container",
       none,
       {u"--cert", u"--container=K", u"key.reg"},
       1,
       kNoContainer},
      {"--cert --user, no container",
       none,
       {u"--cert", u"--user=S-1", u"key.reg"},
       1,
       kNoContainer},
      {"--export-key --container, no container",
       none,
       {u"--export-key", u"--container=K", u"key.reg"},
       1,
       kNoContainer},
      {"--export-key --user, no container",
       none,
       {u"--export-key", u"--user=S-1", u"key.reg"},
       1,
       kNoContainer},
      {"--container, an existing directory",
       four,
       {u"--container=le-abc.def", u"key.reg", u"/work"},
       1,
       u"/work\r\n\r\nФайл или каталог уже существует."},
      {"--container, an existing file",
       four,
       {u"--container=le-abc.def", u"key.reg", u"key.reg"},
       1,
       u"key.reg\r\n\r\nФайл или каталог уже существует."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GivenExport(c.text);
    const auto before = files.Snapshot();
    RecordingMessenger::Shown shown;
    EXPECT_EQ(Run(c.arguments, &shown), c.status);
    const MessageStyle style = c.status == 0 ? MessageStyle::kInformation : MessageStyle::kCritical;
    EXPECT_EQ(shown, (RecordingMessenger::Shown{u"Velmora - Quillfen", c.message, style}));
    if (c.status != 0) {
      EXPECT_EQ(files.Snapshot(), before);
    }
  }
}

// --user, --wow64 or --native without --container: the first container of
// that user key or view, as --container narrows its choice.
TEST_F(RunWithOptionsTest, AUserOrAViewAloneConvertsTheFirstContainerOfIt) {
  const std::vector<TestContainer> four = FourContainers();
  const std::u16string created = u"/work/c.000\r\n\r\nКаталог-контейнер создан успешно! ^_^v";
  const struct {
    std::vector<std::u16string> arguments;
    int converted;  // of `four`, or -1
    std::u16string message;
  } cases[] = {
      {{u"--user=S-1-5-21-1002", u"key.reg", u"/work/c.000"}, 2, created},
      {{u"--wow64", u"key.reg", u"/work/c.000"}, 3, created},
      {{u"--native", u"--user=s-1-5-21-1002", u"key.reg", u"/work/c.000"}, 2, created},
      {{u"--user=S-1-5-21-1001", u"--wow64", u"key.reg", u"/work/c.000"},
       -1,
       u"key.reg\r\n\r\nВ файле реестра не найден раздел с контейнером (пользователь "
       u"S-1-5-21-1001, 32-битное хранилище (Wow6432Node))."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    GivenExport(SeveralContainersExport(four));
    RecordingMessenger::Shown shown;
    EXPECT_EQ(Run(c.arguments, &shown), c.converted < 0 ? 1 : 0);
    EXPECT_EQ(shown.text, c.message);
    if (c.converted < 0) continue;
    for (const auto& [name, bytes] : four[size_t(c.converted)].values) {
      EXPECT_EQ(files.FileContents(u"/work/c.000/" + name),
                std::string(bytes.begin(), bytes.end()));
    }
    // The first container of all has two files more.
    EXPECT_FALSE(files.FileContents(u"/work/c.000/masks2.key"));
  }
}

// Two containers, and a container directory to write back.
class FlushTest : public RunWithOptionsTest {
 protected:
  void GivenTheDisk() {
    GivenExport(SeveralContainersExport({{u"S-1", false, u"K", {{u"a.key", {1}}}},
                                         {u"S-1", false, u"L", {{u"b.key", {2}}}},
                                         {u"S-1", false, u"M", KnownAnswerValues("kat256.000")}}));
    files.AddFile(u"/work/c.000/a.key", "\x01");
    before = files.Snapshot();
    files.ClearCalls();
  }

  std::map<std::u16string, std::string> before;
};

TEST_F(FlushTest, EveryRunFlushesEachDirectoryItWroteIn) {
  const struct {
    std::vector<std::u16string> arguments;
    std::set<std::u16string> flushed;
  } cases[] = {
      {{u"--all", u"key.reg", u"/work/keys"},
       {u"/work", u"/work/keys", u"/work/keys/k.000", u"/work/keys/l.000", u"/work/keys/m.000"}},
      {{u"--cert", u"--container=M", u"key.reg", u"/work/certs"}, {u"/work", u"/work/certs"}},
      {{u"--container=L", u"key.reg", u"/work/l.000"}, {u"/work", u"/work/l.000"}},
      {{u"--to-reg", u"--user=S-1", u"/work/c.000"}, {u"/work"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    GivenTheDisk();
    RecordingMessenger::Shown shown;
    EXPECT_EQ(Run(c.arguments, &shown), 0) << testing::PrintToString(shown);
    std::set<std::u16string> flushed;
    for (const auto& call : files.calls()) {
      if (call.op == Op::kSyncDirectory) flushed.insert(call.path);
    }
    EXPECT_EQ(flushed, c.flushed);
  }
}

TEST_F(FlushTest, AFlushThatFailsUndoesTheRun) {
  const struct {
    std::vector<std::u16string> arguments;
    std::u16string failing;
    std::u16string message;
  } cases[] = {
      {{u"--all", u"key.reg", u"/work/keys"},
       u"/work/keys/l.000",
       u"/work/keys/l.000\r\n\r\nНе удалось записать файл в каталог контейнера."},
      {{u"--to-reg", u"--user=S-1", u"/work/c.000"},
       u"/work",
       u"/work/c.reg\r\n\r\nНе удалось записать файл реестра."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    GivenTheDisk();
    files.FailOn(Op::kSyncDirectory, c.failing, 28);
    RecordingMessenger::Shown shown;
    EXPECT_EQ(Run(c.arguments, &shown), 1);
    EXPECT_EQ(shown.text, c.message + u"\r\n\r\nОшибка 28: No space left on device");
    // Undone before the user reads why.
    EXPECT_EQ(disk_at_message, before);
    EXPECT_EQ(files.Snapshot(), before);
  }
}

}  // namespace
}  // namespace quillfen
