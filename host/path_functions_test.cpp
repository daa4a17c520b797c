#include "host/path_functions.h"

#include <gtest/gtest.h>

#include "host/argument_list.h"
#include "host/run_time_error.h"
#include "tests/fake_file_system.h"
#include "tests/recording_messenger.h"

namespace quillfen {
namespace {

TEST(PathFunctionsTest, Trimming) {
  EXPECT_EQ(TrimEx(u" \t /help \t"), u"/help");
  EXPECT_EQ(TrimEx(u" \r\n "), u"\r\n");
  EXPECT_EQ(TrimEx(u"   "), u"");
  EXPECT_EQ(TrimCRLF(u"\r\n\n a \r\r"), u" a ");
  EXPECT_EQ(TrimCRLF(u"\r\n"), u"");
  EXPECT_EQ(TrimCRLFView(u"\n\rtext\r\n"), u"text");
}

TEST(PathFunctionsTest, ReplaceFileExtension) {
  const struct {
    PathStyle style;
    std::u16string path;
    std::u16string expected;
  } cases[] = {
      {PathStyle::kPosix, u"key.reg", u"key.000"},
      {PathStyle::kPosix, u"keys/key.reg", u"keys/key.000"},
      {PathStyle::kPosix, u"key", u"key.000"},
      {PathStyle::kPosix, u"dir.d/key", u"dir.d/key.000"},
      {PathStyle::kPosix, u"a.b.reg", u"a.b.000"},
      {PathStyle::kPosix, u" key.reg ", u" key.000"},
      {PathStyle::kPosix, u"back\\sl.ash", u"back\\sl.000"},
      {PathStyle::kWindows, u"C:\\dir.d\\key", u"C:\\dir.d\\key.000"},
      {PathStyle::kWindows, u"C:/dir.d/key.reg", u"C:/dir.d/key.000"},
      {PathStyle::kPosix, u"", u".000"},
      // A leading dot hides a POSIX file; on Windows it starts the extension.
      {PathStyle::kPosix, u"keys/.reg", u"keys/.reg.000"},
      {PathStyle::kWindows, u"keys\\.reg", u"keys\\.000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReplaceFileExtension(c.path, u"000", c.style), c.expected)
        << testing::PrintToString(c.path);
  }
}

TEST(PathFunctionsTest, BuildFileName2) {
  EXPECT_EQ(BuildFileName2(u"/out", u"a.key", PathStyle::kPosix), u"/out/a.key");
  EXPECT_EQ(BuildFileName2(u"/out/", u"a.key", PathStyle::kPosix), u"/out/a.key");
  EXPECT_EQ(BuildFileName2(u"out\\", u"a.key", PathStyle::kPosix), u"out\\/a.key");
  EXPECT_EQ(BuildFileName2(u"C:\\out", u"a.key", PathStyle::kWindows), u"C:\\out\\a.key");
  EXPECT_EQ(BuildFileName2(u"C:/out/", u"a.key", PathStyle::kWindows), u"C:/out/a.key");
}

TEST(PathFunctionsTest, NormalizePosixPath) {
  const struct {
    std::u16string path;
    std::u16string expected;
  } cases[] = {
      {u"", u""},       {u"x", u"/cwd/x"},      {u"./x/", u"/cwd/x"},
      {u"../x", u"/x"}, {u"../../../x", u"/x"}, {u"/a//b/./c/..", u"/a/b"},
      {u"/", u"/"},     {u"//", u"/"},          {u".", u"/cwd"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NormalizePosixPath(u"/cwd", c.path), c.expected) << testing::PrintToString(c.path);
  }
}

TEST(PathFunctionsTest, IsRootDirectory) {
  const struct {
    PathStyle style;
    std::u16string path;
    bool root;
  } cases[] = {
      {PathStyle::kPosix, u"/", true},
      {PathStyle::kPosix, u"//", true},
      {PathStyle::kPosix, u"/.", true},
      {PathStyle::kPosix, u"/work/..", true},
      {PathStyle::kPosix, u"..", true},  // from /work
      {PathStyle::kPosix, u".", false},
      {PathStyle::kPosix, u"/work", false},
      {PathStyle::kPosix, u"keys/a.000", false},
      {PathStyle::kPosix, u"", false},
      {PathStyle::kWindows, u"C:\\", true},
      {PathStyle::kWindows, u"c:", true},
      {PathStyle::kWindows, u"X:/", true},
      {PathStyle::kWindows, u"C:\\keys", false},
      {PathStyle::kWindows, u"\\\\server\\share", true},
      {PathStyle::kWindows, u"\\\\server\\share\\", true},
      {PathStyle::kWindows, u"\\\\server\\share\\keys", false},
      {PathStyle::kWindows, u"\\\\?\\C:\\", true},
      {PathStyle::kWindows, u"\\\\?\\unc\\server\\share\\", true},
      {PathStyle::kWindows, u"\\\\?\\C:\\keys", false},
      {PathStyle::kWindows, u"keys", false},
      {PathStyle::kWindows, u"1:", false},
  };
  for (const auto& c : cases) {
    FakeFileSystem files(c.style, c.style == PathStyle::kPosix ? u"/work" : u"C:\\work");
    EXPECT_EQ(IsRootDirectory(files, c.path), c.root) << testing::PrintToString(c.path);
  }
}

TEST(PathFunctionsTest, ExecutableName) {
  EXPECT_EQ(ExecutableNameFromPath(u"/usr/bin/quillfen", PathStyle::kPosix), u"quillfen");
  EXPECT_EQ(ExecutableNameFromPath(u"./keys.tool", PathStyle::kPosix), u"keys");
  EXPECT_EQ(ExecutableNameFromPath(u"C:\\Tools\\Quillfen.EXE", PathStyle::kWindows), u"Quillfen");
}

TEST(ArgumentListTest, SetCommandLineSplitsLikeTheCRuntime) {
  const struct {
    std::u16string text;
    std::vector<std::u16string> arguments;
  } cases[] = {
      {u"", {}},
      {u"  a  b\t", {u"a", u"b"}},
      {u"\"C:\\My Keys\\k.reg\" out", {u"C:\\My Keys\\k.reg", u"out"}},
      {u"a\\\\\"b c\"", {u"a\\b c"}},
      {u"a\\\"b", {u"a\"b"}},
      {u"a\\\\b", {u"a\\\\b"}},
      {u"\"a\"\"b\"", {u"a\"b"}},
      {u"\"\"", {u""}},
  };
  for (const auto& c : cases) {
    ArgumentList list;
    list.SetCommandLine(c.text);
    ASSERT_EQ(list.Count(), int(c.arguments.size())) << testing::PrintToString(c.text);
    for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Item(i), c.arguments[size_t(i)]);
  }
  EXPECT_THROW(ArgumentList().Item(0), RunTimeError);
}

}  // namespace
}  // namespace quillfen
