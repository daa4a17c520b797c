#include "support/create_complex_directory.h"

#include <gtest/gtest.h>

#include "host/unicode.h"
#include "tests/fake_file_system.h"
#include "tests/recording_messenger.h"

namespace quillfen {
namespace {

using Op = FakeFileSystem::Op;

// The disk calls as short lines: "stat C:\a", "mkdir C:\a", "W stat \\?\C:\a".
std::vector<std::string> DiskCalls(const FakeFileSystem& files) {
  std::vector<std::string> lines;
  for (const auto& call : files.calls()) {
    if (call.op == Op::kFullPath) continue;
    std::string line = call.form == CallForm::kWide ? "W " : "";
    line += call.op == Op::kKind ? "stat " : call.op == Op::kMakeDirectory ? "mkdir " : "other ";
    lines.push_back(line + ToUtf8(call.path));
  }
  return lines;
}

struct WalkCase {
  std::u16string path;
  std::vector<std::u16string> directories;  // present before the call
  std::vector<std::u16string> files;        // present before the call
  bool expected;
  std::vector<std::string> calls;
};

void RunWalkCases(PathStyle style, std::u16string working_directory,
                  const std::vector<WalkCase>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.path));
    FakeFileSystem files(style, working_directory);
    for (const auto& directory : c.directories) files.AddDirectory(directory);
    for (const auto& file : c.files) files.AddFile(file, "x");
    files.ClearCalls();
    EXPECT_EQ(CreateComplexDirectory(files, c.path, false), c.expected);
    EXPECT_EQ(DiskCalls(files), c.calls);
  }
}

TEST(CreateComplexDirectoryTest, WindowsPaths) {
  RunWalkCases(
      PathStyle::kWindows, u"C:\\work",
      {
          {u"C:\\Keys\\key.000",
           {u"C:\\Keys"},
           {},
           true,
           {"stat C:\\Keys", "stat C:\\Keys\\key.000", "mkdir C:\\Keys\\key.000"}},
          {u"C:\\Keys\\key.000",
           {u"C:\\Keys\\key.000"},
           {},
           true,
           {"stat C:\\Keys", "stat C:\\Keys\\key.000"}},
          {u"C:/Keys/key.000/",
           {u"C:\\Keys"},
           {},
           true,
           {"stat C:\\Keys", "stat C:\\Keys\\key.000", "mkdir C:\\Keys\\key.000"}},
          {u"c:\\Keys", {}, {}, true, {"stat c:\\Keys", "mkdir c:\\Keys"}},
          {u"C:\\\\Keys\\\\\\key.000",
           {u"C:\\Keys"},
           {},
           true,
           {"stat C:\\Keys", "stat C:\\Keys\\key.000", "mkdir C:\\Keys\\key.000"}},
          {u"\\\\Server\\\\share\\\\x",
           {},
           {},
           true,
           {"stat \\\\Server\\share\\x", "mkdir \\\\Server\\share\\x"}},
          {u"relative\\k",
           {},
           {},
           true,
           {"stat C:\\work", "stat C:\\work\\relative", "mkdir C:\\work\\relative",
            "stat C:\\work\\relative\\k", "mkdir C:\\work\\relative\\k"}},
          // Roots name no level: nothing is asked or made.
          {u"C:\\", {}, {}, false, {}},
          {u"C:", {}, {}, false, {}},
          {u"\\\\Server\\share", {}, {}, false, {}},
          {u"\\\\Server\\share\\", {}, {}, false, {}},
          {u"\\\\Server", {}, {}, false, {}},
          {u"\\\\", {}, {}, false, {}},
          // A path in long-path form is taken as the form behind its prefix.
          {u"\\\\?\\C:\\Keys", {}, {}, true, {"stat C:\\Keys", "mkdir C:\\Keys"}},
          {u"\\\\?\\UNC\\Server\\share\\x",
           {},
           {},
           true,
           {"stat \\\\Server\\share\\x", "mkdir \\\\Server\\share\\x"}},
          // The prefix is not case-sensitive.
          {u"\\\\?\\unc\\Server\\share\\x",
           {},
           {},
           true,
           {"stat \\\\Server\\share\\x", "mkdir \\\\Server\\share\\x"}},
          {u"\\\\\\?\\x\\y", {}, {}, false, {}},
          // A narrow call would make a look-alike name (A for U+0100): refused
          // before any level is made.
          {u"C:\\new\\\u0100\\k", {}, {}, false, {}},
          {u"", {}, {}, false, {}},
          {u"1:\\x", {}, {}, false, {}},
          // A level that is a file can be neither used nor created.
          {u"C:\\Keys\\key.000", {}, {u"C:\\Keys"}, false, {"stat C:\\Keys", "mkdir C:\\Keys"}},
      });
}

TEST(CreateComplexDirectoryTest, PosixPaths) {
  RunWalkCases(
      PathStyle::kPosix, u"/work",
      {
          {u"/keys/c.000",
           {u"/keys"},
           {},
           true,
           {"stat /keys", "stat /keys/c.000", "mkdir /keys/c.000"}},
          {u"//keys///c.000//",
           {u"/keys"},
           {},
           true,
           {"stat /keys", "stat /keys/c.000", "mkdir /keys/c.000"}},
          {u"c.000", {}, {}, true, {"stat /work", "stat /work/c.000", "mkdir /work/c.000"}},
          // "." and ".." are left to the kernel, as every other call leaves them.
          {u"../x/./y",
           {},
           {},
           true,
           {"stat /work", "stat /work/..", "stat /work/../x", "mkdir /work/../x",
            "stat /work/../x/.", "stat /work/../x/./y", "mkdir /work/../x/./y"}},
          // A backslash is part of a POSIX name.
          {u"/a\\b", {}, {}, true, {"stat /a\\b", "mkdir /a\\b"}},
          {u"/", {}, {}, false, {}},
          {u"", {}, {}, false, {}},
          {u"/file/c.000", {}, {u"/file"}, false, {"stat /file", "mkdir /file"}},
      });
}

TEST(CreateComplexDirectoryTest, FailureInTheMiddleKeepsUpperLevels) {
  FakeFileSystem files(PathStyle::kWindows, u"C:\\work");
  files.FailOn(Op::kMakeDirectory, u"C:\\a\\b");
  std::vector<std::u16string> created;
  EXPECT_FALSE(CreateComplexDirectory(files, u"C:\\a\\b\\c", false, &created));
  EXPECT_TRUE(files.IsDirectory(u"C:\\a"));
  EXPECT_EQ(created, std::vector<std::u16string>{u"C:\\a"});
}

TEST(CreateComplexDirectoryTest, CallFormFollowsHostAndLongPaths) {
  const struct {
    bool win_nt;
    bool long_paths;
    std::u16string path;
    std::vector<std::string> calls;
  } cases[] = {
      {true,
       true,
       u"\\\\Server\\share\\x",
       {"W stat \\\\?\\UNC\\Server\\share\\x", "W mkdir \\\\?\\UNC\\Server\\share\\x"}},
      {true, true, u"C:\\Keys", {"W stat \\\\?\\C:\\Keys", "W mkdir \\\\?\\C:\\Keys"}},
      {true, true, u"\\\\?\\C:\\Keys", {"W stat \\\\?\\C:\\Keys", "W mkdir \\\\?\\C:\\Keys"}},
      {true, false, u"C:\\Keys", {"stat C:\\Keys", "mkdir C:\\Keys"}},
      {false, true, u"C:\\Keys", {"stat C:\\Keys", "mkdir C:\\Keys"}},
  };
  for (const auto& c : cases) {
    FakeFileSystem files(PathStyle::kWindows, u"C:\\work");
    files.SetWinNT(c.win_nt);
    files.ClearCalls();
    EXPECT_TRUE(CreateComplexDirectory(files, c.path, c.long_paths));
    EXPECT_EQ(DiskCalls(files), c.calls) << c.win_nt << c.long_paths;
  }
}

TEST(CreateComplexDirectoryTest, FailingQueryCountsAsNoDirectory) {
  FakeFileSystem files;
  files.AddDirectory(u"/keys");
  files.FailOn(Op::kKind, u"/keys");
  // Not a directory as far as the walk can tell; creating it fails too.
  EXPECT_FALSE(CreateComplexDirectory(files, u"/keys/c", false));
}

TEST(BackslashTrimmersTest, Table) {
  const struct {
    std::u16string input, leading, trailing, collapsed;
  } cases[] = {
      {u"", u"", u"", u""},
      {u"\\\\a\\\\b\\\\", u"a\\\\b\\\\", u"\\\\a\\\\b", u"\\a\\b\\"},
      {u"\\\\\\", u"", u"", u"\\"},
      {u"a\\\\\\\\\\b", u"a\\\\\\\\\\b", u"a\\\\\\\\\\b", u"a\\b"},
      {u"abc", u"abc", u"abc", u"abc"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TrimLeadingBackslashes(c.input), c.leading);
    EXPECT_EQ(TrimTrailingBackslashes(c.input), c.trailing);
    EXPECT_EQ(CollapseBackslashes(c.input), c.collapsed);
  }
  EXPECT_EQ(CollapseBackslashes(u"//a///b", u'/'), u"/a/b");
}

TEST(AddLongPathPrefixTest, DriveAndServerForms) {
  EXPECT_EQ(AddLongPathPrefix(u"C:\\Keys", false), u"\\\\?\\C:\\Keys");
  EXPECT_EQ(AddLongPathPrefix(u"\\\\Server\\share\\Keys", true),
            u"\\\\?\\UNC\\Server\\share\\Keys");
}

}  // namespace
}  // namespace quillfen
