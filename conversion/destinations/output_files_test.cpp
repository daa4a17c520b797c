// The files of --cert, --export-key and --export-pfx on the in-memory disk.
#ifndef _WIN32
#include "conversion/destinations/output_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include "conversion/conversion_error.h"
#include "host/unicode.h"
#include "tests/fake_accounts.h"
#include "tests/fake_file_system.h"
#include "tests/recording_messenger.h"

namespace quillfen {
namespace {

using Op = FakeFileSystem::Op;

constexpr char16_t kFailed[] = u"Не удалось записать файл ключа.";
constexpr char16_t kChangeable[] =
    u"\r\n\r\nЭтот каталог не принадлежит root или открыт на запись другим: писать в него от "
    u"имени root небезопасно.";
const std::vector<uint8_t> kA = {'A'};
const std::vector<uint8_t> kB = {'B'};
const std::vector<OutputFile> kFiles = {{u"a.pem", kA}, {u"b.pem", kB}};

// Who runs the program: nobody the host can tell (Windows, or a test of the
// disk alone), root, or root under sudo for the user `sudo`.
enum class Runner { kUnknown, kRoot, kSudo };

struct Outcome {
  std::u16string message;  // "" when the files were written
  std::vector<std::u16string> acted;
};

// Writes kFiles into `directory` as `runner` would, and undoes the run after a
// failure, as the run's frame does.
Outcome Write(FakeFileSystem& files, Runner runner, const std::u16string& sudo,
              const std::u16string& directory) {
  RecordingMessenger messenger;
  FakeAccounts accounts(files, Account{u"root", 0, 0});
  accounts.Add(Account{u"alice", 1000, 1000});
  if (runner == Runner::kSudo) accounts.SetSudoCaller(sudo);
  Host host{files, messenger, runner == Runner::kUnknown ? nullptr : &accounts};
  ContainerOutput output(host);
  Outcome outcome;
  try {
    WriteOutputFiles(host, output, directory, kFiles, FileAccess::kOwnerOnly, kFailed);
  } catch (const ConversionError& error) {
    output.Rollback();
    outcome.message = error.Message();
  }
  outcome.acted = accounts.acted;
  return outcome;
}

std::u16string NotMade(const std::u16string& path, const std::u16string& error) {
  return path + u"\r\n\r\nНе удалось создать каталог.\r\n\r\n" + error;
}

TEST(OutputFilesTest, EachLevelHeldOpenNoLinkFollowedAndRootWritesOnlyWhereOthersCannot) {
  const std::vector<std::u16string> as_alice = {u"alice", u"self"};
  const std::vector<std::u16string> undone_as_alice = {u"alice", u"self", u"alice", u"self"};
  const struct {
    const char* name;
    Runner runner;
    std::function<void(FakeFileSystem&)> given;
    std::u16string directory;
    std::u16string message;                  // "" for success
    std::u16string written = u"";            // where the files are then
    std::vector<std::u16string> acted = {};  // as whom the program worked
    std::u16string sudo = u"alice";
    bool link_left = false;  // in the place of the directory
  } cases[] = {
      {"levels made below the working directory", Runner::kUnknown, [](auto&) {}, u"new/deep", u"",
       u"/work/new/deep"},
      {"a level above a level made", Runner::kUnknown, [](auto&) {}, u"a/../b", u"", u"/work/b"},
      {"a link on the way", Runner::kUnknown, [](auto& f) { f.AddLink(u"/work/link"); },
       u"/work/link/out",
       NotMade(u"/work/link/out", u"Ошибка 40: Too many levels of symbolic links")},
      {"a file in a level's place", Runner::kUnknown, [](auto& f) { f.AddFile(u"/work/f", "x"); },
       u"/work/f/out", NotMade(u"/work/f/out", u"Ошибка 17: File exists")},
      {"a name taken", Runner::kUnknown, [](auto& f) { f.AddFile(u"/work/out/b.pem", "x"); },
       u"/work/out", u"/work/out/b.pem\r\n\r\nФайл или каталог уже существует."},
      {"a level that cannot be opened", Runner::kUnknown,
       [](auto& f) { f.FailOn(Op::kOpenDirectory, u"/work"); }, u"/work/out",
       NotMade(u"/work/out", u"Ошибка 13: Permission denied")},
      {"a level that cannot be made", Runner::kUnknown,
       [](auto& f) { f.FailOn(Op::kMakeDirectory, u"/work/out/deep", EROFS); }, u"/work/out/deep",
       NotMade(u"/work/out/deep", u"Ошибка 30: Read-only file system")},
      {"a file not written", Runner::kUnknown,
       [](auto& f) { f.FailOn(Op::kWrite, u"/work/out/b.pem", ENOSPC); }, u"/work/out",
       u"/work/out/b.pem\r\n\r\nНе удалось записать файл ключа.\r\n\r\nОшибка 28: No space left "
       u"on device"},
      {"a file not flushed", Runner::kUnknown,
       [](auto& f) { f.FailOn(Op::kFinishFile, u"/work/out/a.pem", EIO); }, u"/work/out",
       u"/work/out/a.pem\r\n\r\nНе удалось записать файл ключа.\r\n\r\nОшибка 5: Input/output "
       u"error"},
      {"the parent of a level made not flushed", Runner::kUnknown,
       [](auto& f) { f.FailOn(Op::kSyncDirectory, u"/work"); }, u"/work/out",
       u"/work\r\n\r\nНе удалось записать файл в каталог контейнера.\r\n\r\nОшибка 13: Permission "
       u"denied"},
      {"root, a directory of root's", Runner::kRoot, [](auto&) {}, u"out", u"", u"/work/out"},
      {"root, below a sticky directory of root's", Runner::kRoot,
       [](auto& f) { f.SetOwner(u"/work", 0, 01777); }, u"/work/out", u"", u"/work/out"},
      {"root, below another user's directory", Runner::kRoot,
       [](auto& f) { f.SetOwner(u"/work", 1000, 0755); }, u"/work/out",
       u"/work" + std::u16string(kChangeable)},
      {"root, below a directory all may write", Runner::kRoot,
       [](auto& f) { f.SetOwner(u"/work", 0, 0777); }, u"out",
       u"/work" + std::u16string(kChangeable)},
      {"root, below a directory its group may write", Runner::kRoot,
       [](auto& f) { f.SetOwner(u"/work", 0, 0775); }, u"out",
       u"/work" + std::u16string(kChangeable)},
      {"root, into another user's directory", Runner::kRoot,
       [](auto& f) {
         f.AddDirectory(u"/work/out");
         f.SetOwner(u"/work/out", 1000, 0700);
       },
       u"/work/out", u"/work/out" + std::u16string(kChangeable)},
      {"root, a level that cannot be looked at", Runner::kRoot,
       [](auto& f) { f.FailOn(Op::kStat, u"/work", EIO); }, u"/work/out",
       NotMade(u"/work", u"Ошибка 5: Input/output error")},
      {"root, a level swapped for a link as it is made",
       Runner::kRoot,
       [](auto& f) {
         f.AfterCall(Op::kMakeDirectory, u"/work/out", [&f] {
           f.Remove(u"/work/out");
           f.AddLink(u"/work/out");
         });
       },
       u"/work/out",
       NotMade(u"/work/out", u"Ошибка 40: Too many levels of symbolic links"),
       u"",
       {},
       u"alice",
       true},
      {"root behind sudo is root",
       Runner::kSudo,
       [](auto& f) { f.SetOwner(u"/work", 1000, 0755); },
       u"/work/out",
       u"/work" + std::u16string(kChangeable),
       u"",
       {},
       u"root"},
      {"sudo, with the rights of the user who asked", Runner::kSudo,
       [](auto& f) { f.SetOwner(u"/work", 1000, 0755); }, u"/work/out", u"", u"/work/out",
       as_alice},
      {"sudo, in a directory all may write", Runner::kSudo,
       [](auto& f) { f.SetOwner(u"/work", 0, 0777); }, u"/work/out", u"", u"/work/out", as_alice},
      {"sudo, undone with the user's rights", Runner::kSudo,
       [](auto& f) { f.FailOn(Op::kWrite, u"/work/out/b.pem", ENOSPC); }, u"/work/out",
       u"/work/out/b.pem\r\n\r\nНе удалось записать файл ключа.\r\n\r\nОшибка 28: No space left "
       u"on device",
       u"", undone_as_alice},
      {"sudo for a user who is not there",
       Runner::kSudo,
       [](auto&) {},
       u"/work/out",
       u"Пользователь «bob» не найден.",
       u"",
       {},
       u"bob"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeFileSystem files;
    c.given(files);
    auto expected = files.Snapshot();
    files.ClearCalls();
    const Outcome outcome = Write(files, c.runner, c.sudo, c.directory);
    EXPECT_EQ(outcome.message, c.message);
    EXPECT_EQ(outcome.acted, c.acted);
    if (!c.message.empty()) {
      // A link another put in a level's place stays theirs.
      if (c.link_left) expected[u"/work/out"] = "";
      EXPECT_EQ(files.Snapshot(), expected);
      continue;
    }
    const uint32_t owner = c.runner == Runner::kSudo ? 1000 : 0;
    EXPECT_EQ(files.FileContents(c.written + u"/a.pem"), "A");
    EXPECT_EQ(files.FileContents(c.written + u"/b.pem"), "B");
    EXPECT_EQ(files.OwnerOf(c.written + u"/b.pem"), (FakeFileSystem::Owner{owner, owner, 0600}));
  }
}

// Windows makes them by path, as every other file of its: no directory is
// held open on the way.
TEST(OutputFilesTest, WindowsWritesByPath) {
  FakeFileSystem files(PathStyle::kWindows, u"C:\\work");
  files.ClearCalls();
  const Outcome outcome = Write(files, Runner::kUnknown, u"", u"C:\\work\\out\\deep");
  EXPECT_EQ(outcome.message, u"");
  EXPECT_EQ(files.FileContents(u"C:\\work\\out\\deep\\a.pem"), "A");
  for (const auto& call : files.calls()) EXPECT_NE(call.op, Op::kOpenDirectory);
  files.AddFile(u"C:\\work\\taken\\b.pem", "x");
  const auto taken = files.Snapshot();
  EXPECT_EQ(Write(files, Runner::kUnknown, u"", u"C:\\work\\taken").message,
            u"C:\\work\\taken\\b.pem\r\n\r\nФайл или каталог уже существует.");
  EXPECT_EQ(files.Snapshot(), taken);
}

}  // namespace
}  // namespace quillfen
#endif
