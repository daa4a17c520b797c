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

// Writes kFiles into `directory` as `sudo` says (nullptr: nobody the host
// can tell, as on Windows; "": root alone; else root under sudo for that
// user), and undoes the run after a failure, as the run's frame does. The
// message of the failure, or "".
std::u16string Write(FakeFileSystem& files, const char16_t* sudo, const std::u16string& directory,
                     std::vector<std::u16string>* acted = nullptr) {
  RecordingMessenger messenger;
  FakeAccounts accounts(files, Account{u"root", 0, 0});
  accounts.Add(Account{u"alice", 1000, 1000});
  if (sudo != nullptr && *sudo != u'\0') accounts.SetSudoCaller(sudo);
  Host host{files, messenger, sudo == nullptr ? nullptr : &accounts};
  ContainerOutput output(host);
  std::u16string message;
  try {
    WriteOutputFiles(host, output, directory, kFiles, FileAccess::kOwnerOnly, kFailed);
  } catch (const ConversionError& error) {
    output.Rollback();
    message = error.Message();
  }
  if (acted != nullptr) *acted = accounts.acted;
  return message;
}

std::u16string NotMade(const std::u16string& path, const std::u16string& error) {
  return path + u"\r\n\r\nНе удалось создать каталог.\r\n\r\n" + error;
}

TEST(OutputFilesTest, EachLevelHeldOpenLinksReadWhereTheyLieAndRootWritesOnlyWhereOthersCannot) {
  const std::u16string changeable = u"/work" + std::u16string(kChangeable);
  const auto swap = [](FakeFileSystem& f) {
    f.AfterCall(Op::kMakeDirectory, u"/work/out", [&f] {
      f.Remove(u"/work/out");
      f.AddLink(u"/work/out", u"/data");
    });
  };
  const auto keys = [](FakeFileSystem& f) {
    f.AddDirectory(u"/data/keys");
    f.AddLink(u"/work/keys", u"/data/keys");
  };
  const struct {
    const char* name;
    const char16_t* sudo;
    uint32_t owner, mode;  // of /work
    std::function<void(FakeFileSystem&)> given;
    std::u16string directory;
    std::u16string message;     // "" for success
    std::u16string lands = {};  // where the files are, when not in `directory`
  } cases[] = {
      {"levels made, one above another", nullptr, 0, 0700, {}, u"a/../b/c", u""},
      {"a link on the way, read where it lies", nullptr, 0, 0700,
       [](auto& f) {
         f.AddDirectory(u"/work/real");
         f.AddLink(u"/work/link", u"real");
       },
       u"/work/link/out", u"", u"/work/real/out"},
      {"a link to a link from the root", nullptr, 0, 0700,
       [](auto& f) {
         f.AddDirectory(u"/data/home");
         f.AddLink(u"/home", u"/data/home");
         f.AddLink(u"/work/keys", u"../../home/");
       },
       u"keys/out", u"", u"/data/home/out"},
      {"dot-dot after a link is above where it led", nullptr, 0, 0700,
       [](auto& f) {
         f.AddDirectory(u"/data/home/deep");
         f.AddLink(u"/work/L", u"/data/home/deep");
       },
       u"L/../out", u"", u"/data/home/out"},
      {"nothing made where a link leads", nullptr, 0, 0700,
       [](auto& f) { f.AddLink(u"/work/gone", u"missing"); }, u"gone/out",
       NotMade(u"gone/out", u"Ошибка 2: No such file or directory")},
      {"a link to a file", nullptr, 0, 0700,
       [](auto& f) {
         f.AddFile(u"/work/file", "");
         f.AddLink(u"/work/to-file", u"./file");
       },
       u"to-file/out", NotMade(u"to-file/out", u"Ошибка 20: Not a directory")},
      {"links that lead round", nullptr, 0, 0700,
       [](auto& f) { f.AddLink(u"/work/loop", u"/work/loop"); }, u"loop",
       NotMade(u"loop", u"Ошибка 40: Too many levels of symbolic links")},
      {"a level swapped for a link as it is made", nullptr, 0, 0700, swap, u"out",
       NotMade(u"out", u"Ошибка 40: Too many levels of symbolic links")},
      {"a level that cannot be opened", nullptr, 0, 0700,
       [](auto& f) { f.FailOn(Op::kOpenDirectory, u"/work"); }, u"/work/out",
       NotMade(u"/work/out", u"Ошибка 13: Permission denied")},
      {"a link that cannot be read", nullptr, 0, 0700,
       [&keys](auto& f) {
         keys(f);
         f.FailOn(Op::kReadLink, u"/work/keys", EIO);
       },
       u"keys", NotMade(u"keys", u"Ошибка 5: Input/output error")},
      {"the parent of a level made not flushed", nullptr, 0, 0700,
       [](auto& f) { f.FailOn(Op::kSyncDirectory, u"/work"); }, u"/work/out",
       u"/work\r\n\r\nНе удалось записать файл в каталог контейнера.\r\n\r\nОшибка 13: "
       u"Permission denied"},
      {"root, below a sticky directory of root's", u"", 0, 01777, {}, u"out", u""},
      {"root, below another user's directory", u"", 1000, 0755, {}, u"out", changeable},
      {"root, below a directory its group may write", u"", 0, 0775, {}, u"out", changeable},
      {"root, into another user's directory", u"", 0, 0755,
       [](auto& f) {
         f.AddDirectory(u"/work/out");
         f.SetOwner(u"/work/out", 1000, 0700);
       },
       u"/work/out", u"/work/out" + std::u16string(kChangeable)},
      {"root, a level that cannot be looked at", u"", 0, 0700,
       [](auto& f) { f.FailOn(Op::kStat, u"/work", EIO); }, u"out",
       NotMade(u"/work", u"Ошибка 5: Input/output error")},
      {"root, a level swapped for a link as it is made", u"", 0, 0700, swap, u"out",
       NotMade(u"out", u"Ошибка 40: Too many levels of symbolic links")},
      {"root, through a link in a directory of root's", u"", 0, 0755, keys, u"keys", u"",
       u"/data/keys"},
      {"root, a link of root's in a sticky directory", u"", 0, 01777, keys, u"keys/new", u"",
       u"/data/keys/new"},
      {"root, another user's link in a sticky directory", u"", 0, 01777,
       [&keys](auto& f) {
         keys(f);
         f.SetOwner(u"/work/keys", 1000, 0777);
       },
       u"keys", changeable},
      {"root, a link in another user's directory", u"", 1000, 0755, keys, u"keys", changeable},
      {"root, a link to below another user's directory", u"", 0, 0755,
       [](auto& f) {
         f.AddDirectory(u"/home/alice/keys");
         f.SetOwner(u"/home/alice", 1000, 0755);
         f.AddLink(u"/work/keys", u"/home/alice/keys");
       },
       u"keys", u"/home/alice" + std::u16string(kChangeable)},
      {"root behind sudo is root", u"root", 1000, 0755, {}, u"out", changeable},
      {"sudo, with the user's rights wherever", u"alice", 1000, 0777, {}, u"out", u""},
      {"sudo, through another user's link", u"alice", 0, 01777,
       [&keys](auto& f) {
         keys(f);
         f.SetOwner(u"/work/keys", 1001, 0777);
       },
       u"keys", u"", u"/data/keys"},
      {"sudo, undone with the user's rights", u"alice", 0, 0700,
       [](auto& f) { f.FailOn(Op::kWrite, u"/work/out/b.pem", ENOSPC); }, u"out",
       u"out/b.pem\r\n\r\nНе удалось записать файл ключа.\r\n\r\nОшибка 28: No space left on "
       u"device"},
      {"sudo for a user who is not there",
       u"bob",
       0,
       0700,
       {},
       u"out",
       u"Пользователь «bob» не найден."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeFileSystem files;
    files.SetOwner(u"/work", c.owner, c.mode);
    if (c.given) c.given(files);
    const auto before = files.Snapshot();
    std::vector<std::u16string> acted;
    EXPECT_EQ(Write(files, c.sudo, c.directory, &acted), c.message);
    // Under sudo for alice the program acts as her, then as itself, and
    // once more as her to undo what it made.
    std::vector<std::u16string> expected_acted;
    if (c.sudo != nullptr && std::u16string_view(c.sudo) == u"alice") {
      expected_acted = {u"alice", u"self"};
      if (!c.message.empty()) expected_acted.insert(expected_acted.end(), {u"alice", u"self"});
    }
    EXPECT_EQ(acted, expected_acted);
    if (!c.message.empty()) {
      auto after = files.Snapshot();
      // A link another put in a level's place stays theirs.
      if (files.OwnerOf(u"/work/out") && !files.AccessOf(u"/work/out")) after.erase(u"/work/out");
      EXPECT_EQ(after, before);
      continue;
    }
    const uint32_t owner = acted.empty() ? 0 : 1000;
    const std::u16string lands = c.lands.empty() ? c.directory : c.lands;
    EXPECT_EQ(files.FileContents(lands + u"/a.pem"), "A");
    EXPECT_EQ(files.OwnerOf(lands + u"/b.pem"), (FakeFileSystem::Owner{owner, owner, 0600}));
  }
}

// Windows makes them by path, as every other file of its: no directory is
// held open on the way.
TEST(OutputFilesTest, WindowsWritesByPath) {
  FakeFileSystem files(PathStyle::kWindows, u"C:\\work");
  files.ClearCalls();
  EXPECT_EQ(Write(files, nullptr, u"C:\\work\\out\\deep"), u"");
  EXPECT_EQ(files.FileContents(u"C:\\work\\out\\deep\\a.pem"), "A");
  for (const auto& call : files.calls()) EXPECT_NE(call.op, Op::kOpenDirectory);
}

}  // namespace
}  // namespace quillfen
#endif
