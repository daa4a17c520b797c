#include "app/command_line.h"

#include <gtest/gtest.h>

#include "tests/recording_messenger.h"

namespace quillfen {
namespace {

using Kind = CommandLine::Kind;
using Action = Request::Action;
using Selection = ContainerChoice::Kind;

TEST(ParseOptionsTest, Table) {
  const struct {
    std::vector<std::u16string> arguments;
    Kind kind;
    Action action = Action::kConvert;
    Selection selection = Selection::kFirst;
    std::u16string source = {};
    std::u16string target = {};
    std::u16string detail = {};  // the container, or the mistake's text
  } cases[] = {
      {{u"--help", u"a.reg"}, Kind::kHelp},
      {{u"-h"}, Kind::kHelp},
      {{u"--version"}, Kind::kVersion},
      {{u"--list", u"a.reg"}, Kind::kRequest, Action::kList, Selection::kFirst, u"a.reg"},
      // An option of the group given twice is given once.
      {{u"--list", u"--list", u"a.reg"},
       Kind::kRequest,
       Action::kList,
       Selection::kFirst,
       u"a.reg"},
      {{u"--list", u"a.reg", u"b"}, Kind::kUsage},
      {{u"--container=Ключ 1", u"k/a.reg"},
       Kind::kRequest,
       Action::kConvert,
       Selection::kNamed,
       u"k/a.reg",
       u"k/a.000",
       u"Ключ 1"},
      {{u"--container", u"--all", u"a.reg", u"out"},
       Kind::kRequest,
       Action::kConvert,
       Selection::kNamed,
       u"a.reg",
       u"out",
       u"--all"},
      {{u"--all", u"keys/user.reg"},
       Kind::kRequest,
       Action::kConvert,
       Selection::kAll,
       u"keys/user.reg",
       u"keys/user"},
      {{u"--all", u"--", u"--odd.reg"},
       Kind::kRequest,
       Action::kConvert,
       Selection::kAll,
       u"--odd.reg",
       u"--odd"},
      // A name without an extension would be its own directory.
      {{u"--all", u"/mnt/c/SOFTWARE"},
       Kind::kRequest,
       Action::kConvert,
       Selection::kAll,
       u"/mnt/c/SOFTWARE",
       u"/mnt/c/SOFTWARE.keys"},
      {{u"--all"}, Kind::kUsage},
      {{u"--all", u"a", u"b", u"c"}, Kind::kUsage},
      {{u"--alll", u"a.reg"}, Kind::kMistake, {}, {}, {}, {}, u"Неизвестный параметр «--alll»."},
      {{u"--list=x", u"a.reg"},
       Kind::kMistake,
       {},
       {},
       {},
       {},
       u"Неизвестный параметр «--list=x»."},
      {{u"--container"},
       Kind::kMistake,
       {},
       {},
       {},
       {},
       u"Для параметра «--container» нужно значение."},
      {{u"--all", u"--container=x", u"a.reg"},
       Kind::kMistake,
       {},
       {},
       {},
       {},
       u"Параметры «--all» и «--container» несовместимы."},
      {{u"--list", u"--all", u"a.reg"},
       Kind::kMistake,
       {},
       {},
       {},
       {},
       u"Параметры «--list» и «--all» несовместимы."},
      // --info shows every container unless one is named.
      {{u"--info", u"a.reg"}, Kind::kRequest, Action::kInfo, Selection::kAll, u"a.reg"},
      {{u"--info", u"--container=k", u"keys/k.000"},
       Kind::kRequest,
       Action::kInfo,
       Selection::kNamed,
       u"keys/k.000",
       {},
       u"k"},
      {{u"--info", u"a.reg", u"b"}, Kind::kUsage},
      // --cert writes into the current directory unless told.
      {{u"--cert", u"a.reg"}, Kind::kRequest, Action::kCert, Selection::kFirst, u"a.reg", u"."},
      {{u"--all", u"--cert", u"a.reg", u"certs"},
       Kind::kRequest,
       Action::kCert,
       Selection::kAll,
       u"a.reg",
       u"certs"},
      {{u"--cert", u"a.reg", u"b", u"c"}, Kind::kUsage},
      {{u"--keys-dir=/k", u"a.reg"},
       Kind::kMistake,
       {},
       {},
       {},
       {},
       u"Параметр «--keys-dir» используется только вместе с «--install»."},
      {{u"--export-key", u"a.reg"},
       Kind::kRequest,
       Action::kExportKey,
       Selection::kFirst,
       u"a.reg",
       u"."},
      {{u"--export-key", u"--all", u"a.reg", u"keys"},
       Kind::kRequest,
       Action::kExportKey,
       Selection::kAll,
       u"a.reg",
       u"keys"},
      {{u"--export-key", u"a.reg", u"b", u"c"}, Kind::kUsage},
      {{u"--export-pfx", u"--container", u"c", u"a.pfx"},
       Kind::kRequest,
       Action::kExportPfx,
       Selection::kNamed,
       u"a.pfx",
       u".",
       u"c"},
      {{u"--export-pfx", u"a.reg", u"b", u"c"}, Kind::kUsage},
      {{u"--export-pfx", u"--export-key", u"a.reg"},
       Kind::kMistake,
       {},
       {},
       {},
       {},
       u"Параметры «--export-pfx» и «--export-key» несовместимы."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    const ArgumentList arguments(c.arguments);
    ASSERT_TRUE(StartsWithOption(arguments));
    const CommandLine line = ParseOptions(arguments);
    EXPECT_EQ(line.kind, c.kind);
    if (c.kind == Kind::kMistake) {
      EXPECT_EQ(line.mistake, c.detail);
    }
    if (c.kind != Kind::kRequest) continue;
    EXPECT_EQ(line.request.action, c.action);
    EXPECT_EQ(line.request.choice.kind, c.selection);
    EXPECT_EQ(line.request.args.SourceFile, c.source);
    EXPECT_EQ(line.request.args.TargetPath, c.target);
    EXPECT_EQ(line.request.choice.name, c.detail);
  }
  // Without an option first, the arguments are read as they always were.
  for (const std::vector<std::u16string>& plain :
       {std::vector<std::u16string>{u"-?"}, {u"a.reg", u"--all"}, {}}) {
    EXPECT_FALSE(StartsWithOption(ArgumentList(plain)));
  }
}

TEST(ParseOptionsTest, PasswordFileAsGiven) {
  const struct {
    std::vector<std::u16string> arguments;
    std::optional<std::u16string> file;
    std::optional<std::u16string> pfx_file = std::nullopt;
  } cases[] = {
      {{u"--export-key", u"a.reg"}, std::nullopt},
      {{u"--export-key", u"--password-file=-", u"a.reg"}, u"-"},
      {{u"--password-file", u"p w.txt", u"--export-key", u"a.reg"}, u"p w.txt"},
      {{u"--export-key", u"--password-file=", u"a.reg"}, u""},
      {{u"--info", u"--password-file=-", u"a.pfx"}, u"-"},
      {{u"--cert", u"--password-file=p", u"a.pfx"}, u"p"},
      {{u"--export-pfx", u"--pfx-password-file", u"-", u"--password-file=-", u"a.pfx"}, u"-", u"-"},
      {{u"--export-pfx", u"--pfx-password-file=n", u"a.reg"}, std::nullopt, u"n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    const CommandLine line = ParseOptions(ArgumentList(c.arguments));
    ASSERT_EQ(line.kind, Kind::kRequest);
    EXPECT_EQ(line.request.password_file, c.file);
    EXPECT_EQ(line.request.pfx_password_file, c.pfx_file);
  }
}

// --user, --wow64 and --native narrow the containers taken, except for
// --to-reg, where they say where the key goes.
TEST(ParseOptionsTest, UserAndViewNarrowTheChoiceOrPlaceTheKey) {
  const struct {
    std::vector<std::u16string> arguments;
    std::optional<std::u16string> user = {};  // of the choice
    std::optional<bool> view = {};            // of the choice
    std::optional<std::u16string> sid = {};   // of --to-reg
    bool wow64 = false;                       // of --to-reg
  } cases[] = {
      {{u"--user=S-1", u"--container=Main", u"a.reg"}, u"S-1", {}, u"S-1"},
      {{u"--wow64", u"--all", u"a.reg"}, {}, true},
      {{u"--list", u"--user", u"S-1", u"--native", u"a.reg"}, u"S-1", false, u"S-1"},
      {{u"--install", u"--user=S-2", u"--wow64", u"a.reg"}, u"S-2", true, u"S-2"},
      {{u"--native", u"a.reg"}, {}, false},
      {{u"--to-reg", u"--user=S-1", u"--wow64", u"d"}, {}, {}, u"S-1", true},
      {{u"--to-reg", u"--native", u"--user=S-1", u"d"}, {}, {}, u"S-1", false},
      {{u"--to-reg", u"--user=S-1", u"--name=" + std::u16string(255, u'я'), u"d"}, {}, {}, u"S-1"},
      {{u"--to-reg", u"--user=S-1", u"--name=\xD83D\xDD11", u"d"}, {}, {}, u"S-1", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    const CommandLine line = ParseOptions(ArgumentList(c.arguments));
    ASSERT_EQ(line.kind, Kind::kRequest) << testing::PrintToString(line.mistake);
    EXPECT_EQ(line.request.choice.user, c.user);
    EXPECT_EQ(line.request.choice.wow64, c.view);
    EXPECT_EQ(line.request.sid, c.sid);
    EXPECT_EQ(line.request.wow64, c.wow64);
  }
}

#ifdef _WIN32
constexpr char16_t kEncoding[] = u"UTF-16";
#else
constexpr char16_t kEncoding[] = u"UTF-8";
#endif

TEST(ParseOptionsTest, MistakesOfTheOptionsAndTheirValues) {
  const std::u16string not_text = u"» не является текстом в кодировке " + std::u16string(kEncoding);
  const struct {
    std::vector<std::u16string> arguments;
    std::u16string mistake;
  } cases[] = {
      {{u"--cert", u"--info", u"a.reg"}, u"Параметры «--cert» и «--info» несовместимы."},
      {{u"--info=x", u"a.reg"}, u"Неизвестный параметр «--info=x»."},
      {{u"--name=x", u"a.reg"}, u"Параметр «--name» используется только вместе с «--to-reg»."},
      {{u"--password-file=p", u"a.reg"},
       u"Параметр «--password-file» используется только вместе с «--info», «--cert», "
       u"«--export-key» или «--export-pfx»."},
      {{u"--export-key", u"--pfx-password-file=p", u"a.reg"},
       u"Параметр «--pfx-password-file» используется только вместе с «--export-pfx»."},
      {{u"--list", u"--password-file=p", u"a.reg"},
       u"Параметр «--password-file» используется только вместе с «--info», «--cert», "
       u"«--export-key» или «--export-pfx»."},
      {{u"--export-key", u"--list", u"a.reg"},
       u"Параметры «--export-key» и «--list» несовместимы."},
      {{u"--export-key", u"--password-file"}, u"Для параметра «--password-file» нужно значение."},
      {{u"--wow64", u"--native", u"a.reg"}, u"Параметры «--wow64» и «--native» несовместимы."},
      {{u"--to-reg", u"--container=c", u"d"},
       u"Параметры «--to-reg» и «--container» несовместимы."},
      {{u"--to-reg", u"--all", u"d"}, u"Параметры «--to-reg» и «--all» несовместимы."},
      // Of several options the run does not take, the selection is named first,
      // then --keys-dir, --name and --password-file, whatever their order.
      {{u"--list", u"--password-file=p", u"--keys-dir=k", u"--all", u"a.reg"},
       u"Параметры «--list» и «--all» несовместимы."},
      {{u"--cert", u"--password-file=p", u"--name=n", u"--keys-dir=k", u"a.reg"},
       u"Параметр «--keys-dir» используется только вместе с «--install»."},
      // The run's mistake comes before the value's.
      {{u"--list", u"--name=a\xDCFF", u"--password-file=p", u"a.reg"},
       u"Параметр «--name» используется только вместе с «--to-reg»."},
      {{u"--to-reg", u"--user=S-1", u"--name=" + std::u16string(256, u'я'), u"d"},
       u"Значение параметра «--name» длиннее 255 знаков: в реестре таких имён разделов не бывает."},
      {{u"--to-reg", u"--user=S-1", u"--name=a\xDCFF", u"d"},
       u"Значение параметра «--name" + not_text + u"."},
      {{u"--list", u"--user=S-1\xDCC0", u"a.reg"}, u"Значение параметра «--user" + not_text + u"."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    const CommandLine line = ParseOptions(ArgumentList(c.arguments));
    EXPECT_EQ(line.kind, Kind::kMistake);
    EXPECT_EQ(line.mistake, c.mistake);
  }
}

}  // namespace
}  // namespace quillfen
