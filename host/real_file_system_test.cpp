#ifndef _WIN32
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>

#include "host/directory.h"
#include "host/platform.h"
#include "host/run_time_error.h"
#include "host/text_file.h"
#include "host/unicode.h"
#include "tests/run_program.h"

namespace quillfen {
namespace {

namespace fs = std::filesystem;

std::u16string U(const fs::path& path) { return FromUtf8(path.string()); }

// Restores the process's umask when the test ends.
class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : old_(::umask(mask)) {}
  ~ScopedUmask() { ::umask(old_); }

 private:
  mode_t old_;
};

TEST(PosixFileSystemTest, Kinds) {
  TempDir dir;
  FileSystem& files = RealFileSystem();
  WriteBinaryFile(dir / "file", "x");
  fs::create_symlink(dir / "missing", dir / "dangling");
  fs::create_symlink(dir.path(), dir / "to-dir");
  const struct {
    fs::path path;
    FileKind kind;
  } cases[] = {
      {dir.path(), FileKind::kDirectory},
      {dir / "file", FileKind::kOther},
      {dir / "missing", FileKind::kMissing},
      {dir / "dangling", FileKind::kOther},
      {dir / "to-dir", FileKind::kDirectory},
      {dir / "file" / "below", FileKind::kMissing},
      {dir / std::string(300, 'n'), FileKind::kMissing},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(files.Kind(U(c.path), CallForm::kNarrow), c.kind) << c.path;
  }
}

TEST(PosixFileSystemTest, OwnerOnlyWhateverTheUmask) {
  for (const mode_t mask : {mode_t(0), mode_t(0022), mode_t(0277)}) {
    ScopedUmask umask(mask);
    TempDir dir;
    FileSystem& files = RealFileSystem();
    files.MakeDirectory(U(dir / "c"), CallForm::kNarrow);
    const uint8_t bytes[] = {1, 2, 3};
    files.WriteNewFile(U(dir / "c" / "a.key"), bytes);
    // A certificate is public: readable by all, still written by the owner alone.
    files.WriteNewFile(U(dir / "c" / "a.cer"), bytes, FileAccess::kEveryoneReads);
    EXPECT_EQ(Mode(dir / "c"), 0700u) << mask;
    EXPECT_EQ(Mode(dir / "c" / "a.key"), 0600u) << mask;
    EXPECT_EQ(Mode(dir / "c" / "a.cer"), 0644u) << mask;
    EXPECT_EQ(ReadBinaryFile(dir / "c" / "a.key"), "\x01\x02\x03");
    EXPECT_EQ(ReadBinaryFile(dir / "c" / "a.cer"), "\x01\x02\x03");
  }
}

TEST(PosixFileSystemTest, NewFilesNeverReplaceOrFollow) {
  TempDir dir;
  FileSystem& files = RealFileSystem();
  WriteBinaryFile(dir / "existing", "keep");
  fs::create_symlink(dir / "elsewhere", dir / "link");
  const uint8_t bytes[] = {9};
  EXPECT_THROW(files.WriteNewFile(U(dir / "existing"), bytes), RunTimeError);
  EXPECT_THROW(files.WriteNewFile(U(dir / "link"), bytes), RunTimeError);
  EXPECT_EQ(ReadBinaryFile(dir / "existing"), "keep");
  EXPECT_FALSE(fs::exists(dir / "elsewhere"));
}

TEST(PosixFileSystemTest, ReadingRefusesWhatIsNoRegularFileAtOnce) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  const auto start = std::chrono::steady_clock::now();
  for (const fs::path& path : {dir / "fifo", dir.path(), fs::path("/dev/zero")}) {
    EXPECT_THROW(TextFile(RealFileSystem()).ReadText(U(path)), RunTimeError) << path;
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(PosixFileSystemTest, FullPathOnlyPutsTheWorkingDirectoryBeforeARelativePath) {
  FileSystem& files = RealFileSystem();
  EXPECT_EQ(files.FullPath(u""), u"");
  EXPECT_EQ(files.FullPath(u"/a/./b/../c//"), u"/a/./b/../c//");
  EXPECT_EQ(files.FullPath(u"x/../y"), U(fs::current_path() / "x/../y"));
}

TEST(PosixFileSystemTest, AMappedFileThatShrinksIsAReadFailureNotACrash) {
  TempDir dir;
  WriteBinaryFile(dir / "export", std::string(16 * 4096, 'A'));
  const auto bytes = RealFileSystem().ReadFile(U(dir / "export"));
  EXPECT_NO_THROW(bytes->Verify());
  ASSERT_EQ(::truncate((dir / "export").c_str(), 4096), 0);
  // Every page past the new end would raise SIGBUS; they read as zeros.
  const std::string_view view = bytes->Bytes();
  EXPECT_EQ(view.substr(0, 4096), std::string(4096, 'A'));
  EXPECT_EQ(view.substr(4096), std::string(15 * 4096, '\0'));
  try {
    bytes->Verify();
    ADD_FAILURE() << "a shortened file passed";
  } catch (const RunTimeError& error) {
    EXPECT_EQ(error.Number(), EIO);
    EXPECT_EQ(error.Description(), u"The file was cut short while it was read");
  }
}

// A directory held open reads what it holds itself: a link put in a file's
// place is not followed, and nothing but a regular file is read.
TEST(PosixDirectoryTest, ReadsOnlyTheRegularFilesItHolds) {
  TempDir dir;
  WriteBinaryFile(dir / "secret", "not for the reader");
  WriteBinaryFile(dir / "a.key", "\x01\x02");
  fs::create_symlink(dir / "secret", dir / "link.key");
  fs::create_directory(dir / "sub.key");
  ASSERT_EQ(::mkfifo((dir / "fifo.key").c_str(), 0600), 0);
  const auto opened = RealFileSystem().OpenDirectory(U(dir.path()), LastLink::kRefuse);
  EXPECT_EQ(opened->ReadFile(u"a.key")->Bytes(), "\x01\x02");
  const struct {
    std::u16string name;
    int error;
  } cases[] = {
      {u"link.key", ELOOP},   {u"sub.key", EISDIR},     {u"fifo.key", EINVAL},
      {u"../secret", EINVAL}, {u"missing.key", ENOENT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.name));
    try {
      opened->ReadFile(c.name);
      ADD_FAILURE() << "read";
    } catch (const RunTimeError& error) {
      EXPECT_EQ(error.Number(), c.error);
    }
  }
}

TEST(PosixDirectoryTest, ALinkInPlaceOfTheDirectoryIsFollowedOnlyWhenAsked) {
  TempDir dir;
  fs::create_directory(dir / "real");
  fs::create_directory_symlink(dir / "real", dir / "link");
  FileSystem& files = RealFileSystem();
  EXPECT_NO_THROW(files.OpenDirectory(U(dir / "link"), LastLink::kFollow));
  for (const std::string path : {"link", "link/"}) {
    EXPECT_THROW(files.OpenDirectory(U(dir / path), LastLink::kRefuse), RunTimeError) << path;
  }
}

// A level opened by its name in the directory above: never a link, and
// only to find names in, yet everything a directory held open does works.
// A link is read where it lies instead.
TEST(PosixDirectoryTest, ALevelOpenedByNameIsNoLinkAndDoesAllADirectoryDoes) {
  TempDir dir;
  fs::create_directory(dir / "real");
  fs::create_directory_symlink(dir / "real", dir / "link");
  WriteBinaryFile(dir / "file", "");
  const auto opened = RealFileSystem().OpenDirectory(U(dir.path()), LastLink::kRefuse);
  const struct {
    const char16_t* name;
    int opened, read;  // the errors of OpenDirectory and ReadLink, 0 for none
  } cases[] = {{u"link", ELOOP, 0}, {u"file", ENOTDIR, EINVAL}, {u"missing", ENOENT, ENOENT}};
  // The error a call throws, 0 for none.
  const auto error_of = [](const std::function<void()>& call) {
    try {
      call();
    } catch (const RunTimeError& error) {
      return error.Number();
    }
    return 0;
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.name));
    EXPECT_EQ(error_of([&] { opened->OpenDirectory(c.name); }), c.opened);
    EXPECT_EQ(error_of([&] { opened->ReadLink(c.name); }), c.read);
  }
  const auto link = opened->ReadLink(u"link");
  EXPECT_EQ(link.target, U(dir / "real"));
  EXPECT_EQ(link.owner, ::geteuid());
  const auto level = opened->OpenDirectory(u"real");
  level->CreateNewFile(u"new.key")->Finish();
  level->Sync();
  EXPECT_EQ(level->List().size(), 1u);
  EXPECT_EQ(level->OpenDirectory(u"..")->Kind(u"real"), FileKind::kDirectory);
  if (::geteuid() != 0) return;  // only root gives a directory away
  level->GiveTo(0, 1);
  struct stat info;
  ASSERT_EQ(::stat((dir / "real").c_str(), &info), 0);
  EXPECT_EQ(info.st_gid, 1u);
}

TEST(PosixDirectoryTest, AFileNotFinishedIsGone) {
  TempDir dir;
  const auto opened = RealFileSystem().OpenDirectory(U(dir.path()), LastLink::kRefuse);
  const uint8_t bytes[] = {7};
  {
    const auto file = opened->CreateNewFile(u"half.key");
    file->Write(bytes);
    EXPECT_TRUE(fs::exists(dir / "half.key"));
  }
  EXPECT_FALSE(fs::exists(dir / "half.key"));
  const auto file = opened->CreateNewFile(u"whole.key");
  file->Write(bytes);
  file->Finish();
  EXPECT_THROW(opened->CreateNewFile(u"whole.key"), RunTimeError);
  EXPECT_EQ(ReadBinaryFile(dir / "whole.key"), "\x07");
  EXPECT_EQ(Mode(dir / "whole.key"), 0600u);
}

TEST(PosixFileSystemTest, RemoveAndSync) {
  TempDir dir;
  FileSystem& files = RealFileSystem();
  fs::create_directory(dir / "d");
  WriteBinaryFile(dir / "d" / "f", "x");
  EXPECT_THROW(files.Remove(U(dir / "d")), RunTimeError);
  files.SyncDirectory(U(dir / "d"));
  files.Remove(U(dir / "d" / "f"));
  files.Remove(U(dir / "d"));
  EXPECT_FALSE(fs::exists(dir / "d"));
  EXPECT_THROW(files.SyncDirectory(U(dir / "d")), RunTimeError);
}

}  // namespace
}  // namespace quillfen
#endif
