// The real program, run as a user runs it.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <filesystem>

#include "host/unicode.h"
#include "tests/run_program.h"
#include "tests/test_exports.h"
#include "tests/usage_text.h"

namespace quillfen {
namespace {

namespace fs = std::filesystem;

const std::string kCaption = "Velmora - Quillfen\n";

// Today's four lines; the calls with options follow them.
std::string Usage(const std::string& name) {
  return kCaption + "Velmora - Quillfen 1.00.0003\nCopyright © 2026 Velmora\n\n" +
         "Использование: " + name + "[.EXE] FileName [Path]\n               " + name +
         "[.EXE] --container=NAME FileName [Path]\n";
}

TEST(ProgramTest, UsageTextStatusAndStream) {
  const struct {
    std::vector<std::string> arguments;
    int status;
  } cases[] = {
      {{}, 2}, {{"a", "b", "c"}, 2}, {{"/?"}, 0}, {{" /help "}, 0}, {{"/HeLp"}, 0},
  };
  for (const auto& c : cases) {
    const auto result = RunProgram(QUILLFEN_EXE, c.arguments);
    EXPECT_EQ(result.exit_status, c.status) << testing::PrintToString(c.arguments);
    EXPECT_TRUE(result.out.starts_with(Usage("quillfen"))) << result.out;
    EXPECT_EQ(result.err, "");
  }
}

TEST(ProgramTest, UsageNamesTheProgramAsItIsCalled) {
  TempDir dir;
  fs::copy_file(QUILLFEN_EXE, dir / "keymover.bin");
  EXPECT_TRUE(RunProgram((dir / "keymover.bin").string(), {}).out.starts_with(Usage("keymover")));
}

TEST(ProgramTest, ConvertsTheBundledExampleByteForByte) {
  const fs::path example = fs::path(QUILLFEN_SOURCE_DIR) / "examples" / "container.reg";
  // The example is stored as the registry editor writes it.
  ASSERT_EQ(ReadBinaryFile(example), EncodeUtf16Le(RegeditExport(ExampleContainerValues()), true));

  TempDir dir;
  const auto result =
      RunProgram(QUILLFEN_EXE, {example.string(), (dir / "out" / "c.000").string()});
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(result.out, kCaption + (dir / "out" / "c.000").string() +
                            "\n\nКаталог-контейнер создан успешно! ^_^v\n");
  EXPECT_EQ(result.err, "");
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(dir / "out" / "c.000")) {
    (void)entry;
    ++files;
  }
  const auto values = ExampleContainerValues();
  EXPECT_EQ(files, values.size());
  for (const auto& [name, bytes] : values) {
    const fs::path file = dir / "out" / "c.000" / std::string(name.begin(), name.end());
    EXPECT_EQ(ReadBinaryFile(file), std::string(bytes.begin(), bytes.end())) << file;
  }
}

TEST(ProgramTest, DefaultTargetIsRelativeLikeTheSource) {
  TempDir dir;
  fs::create_directory(dir / "keys");
  WriteBinaryFile(dir / "keys" / "k.reg", EncodeUtf16Le(RegeditExport({{u"a.key", {1, 2}}}), true));
  const auto result = RunProgram(QUILLFEN_EXE, {"keys/k.reg"}, dir.path());
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(result.out, kCaption + "keys/k.000\n\nКаталог-контейнер создан успешно! ^_^v\n");
  EXPECT_EQ(ReadBinaryFile(dir / "keys" / "k.000" / "a.key"), "\x01\x02");
}

TEST(ProgramTest, FailuresGoToStandardErrorWithStatusOne) {
  TempDir dir;
  WriteBinaryFile(dir / "plain.txt", "just text\n");
  const struct {
    std::vector<std::string> arguments;
    std::string err;
  } cases[] = {
      {{(dir / "plain.txt").string(), (dir / "o").string()},
       (dir / "plain.txt").string() + "\n\nФайл не является файлом реестра.\n"},
      {{(dir / "none.reg").string(), (dir / "o").string()},
       (dir / "none.reg").string() +
           "\n\nНе удалось прочитать файл.\n\nОшибка 2: No such file or directory\n"},
      {{(dir / "plain.txt").string(), dir.path().string()},
       dir.path().string() + "\n\nФайл или каталог уже существует.\n"},
  };
  for (const auto& c : cases) {
    const auto result = RunProgram(QUILLFEN_EXE, c.arguments);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, kCaption + c.err);
    EXPECT_FALSE(fs::exists(dir / "o"));
  }
}

// --to-reg reads and writes one value at a time: its memory follows the
// largest file, not the container or the text written. The program's own
// memory is bounded by a limit it runs under, whatever this process holds:
// the peak a child reports includes its parent's, which grows with the
// tests run before.
TEST(ProgramTest, ToRegHoldsOneFileAtATime) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the sanitizer's shadow memory does not fit the limit";
#endif
  TempDir dir;
  fs::create_directory(dir / "big.000");
  constexpr size_t kMib = 32;
  std::string bytes(kMib << 20, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 2654435761u >> 24);
  WriteBinaryFile(dir / "big.000" / "primary.key", bytes);
  WriteBinaryFile(dir / "big.000" / "name.key", "name");
  bytes = {};
  // Twice the file and a little: its copy in memory and the text a megabyte
  // at a time, where the whole text would take six times the file.
  const std::string limit = "ulimit -d " + std::to_string((2 * kMib + 8) << 10);
  const auto result =
      RunProgram("/bin/bash", {"-c", limit + " && exec \"$0\" \"$@\"", QUILLFEN_EXE, "--to-reg",
                               "--user=S-1", (dir / "big.000").string()});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  EXPECT_GT(fs::file_size(dir / "big.reg"), 6 * (kMib << 20));
}

// A name with a tab and a terminal's escape sequences: shown escaped in the
// listing, the success message and an error, and never raw on the terminal.
TEST(ProgramTest, NamesReachTheTerminalEscaped) {
  TempDir dir;
  const std::string keys =
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Crypto Pro\\Settings\\Users\\S-1\\Keys\\";
  const std::string name = "evil\x1b]0;pwned\x07\x1b[2J\tx";
  const std::string shown = "evil\\x1b]0;pwned\\x07\\x1b[2J\\tx";
  WriteBinaryFile(dir / "good.reg", "REGEDIT4\r\n" + keys + name + "]\r\n\"a.key\"=hex:01\r\n");
  WriteBinaryFile(dir / "bad.reg", "REGEDIT4\r\n" + keys + name + "]\r\n\"a.key\"=hex:1\r\n");
  // In UTF-16, units that stand for bytes (C2 9B is CSI in UTF-8) and one
  // that turns the text around.
  for (const auto& [file, item] : {std::pair{"lone.reg", u"01"}, std::pair{"lonebad.reg", u"1"}}) {
    WriteBinaryFile(dir / file, EncodeUtf16Le(u"Windows Registry Editor Version 5.00\r\n\r\n" +
                                                  FromUtf8(keys) + u"s\xdcc2\xdc9b[2J\x202e]\r\n" +
                                                  u"\"a.key\"=hex:" + item + u"\r\n",
                                              true));
  }
  const std::string lone = "s\\xc2\\x9b[2J\\u202E";
  const std::string missing = "нет: header.key, masks.key, name.key, primary.key";
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::string message;  // on standard output for status 0, else on standard error
  } cases[] = {
      {{"--list", "good.reg"}, 0, shown + "\tS-1\t1\tevil0pwn.000\t—\t—\t" + missing},
      {{"--list", "lone.reg"}, 0, lone + "\tS-1\t1\ts2j.000\t—\t—\t" + missing},
      {{"--all", "lonebad.reg", "out3"},
       1,
       "lonebad.reg\n\nВ файле реестра обнаружено неверное значение «a.key» (данные не являются "
       "двоичными или записаны с ошибкой).\n\nКонтейнер «" +
           lone + "»."},
      {{"--all", "good.reg", "out"},
       0,
       "out\n\n«" + shown + "» → out/evil0pwn.000\n\nКаталоги-контейнеры созданы успешно! ^_^v"},
      {{"--container=evil", "good.reg"},
       1,
       "good.reg\n\nВ файле реестра не найден раздел с контейнером «evil»."},
      {{"--all", "bad.reg", "out2"},
       1,
       "bad.reg\n\nВ файле реестра обнаружено неверное значение «a.key» (данные не являются "
       "двоичными или записаны с ошибкой).\n\nКонтейнер «" +
           shown + "»."},
      {{"none\x1b[2J.reg", "o"},
       1,
       "none\\x1b[2J.reg\n\nНе удалось прочитать файл.\n\nОшибка 2: No such file or directory"},
      {{"none\x9b[2J.reg", "o"},
       1,
       "none\\x9b[2J.reg\n\nНе удалось прочитать файл.\n\nОшибка 2: No such file or directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments[0]);
    const auto result = RunProgram(QUILLFEN_EXE, c.arguments, dir.path());
    EXPECT_EQ(result.exit_status, c.status);
    EXPECT_EQ(c.status == 0 ? result.out : result.err, kCaption + c.message + "\n");
    EXPECT_EQ(c.status == 0 ? result.err : result.out, "");
  }
  EXPECT_EQ(ReadBinaryFile(dir / "out" / "evil0pwn.000" / "a.key"), "\x01");
  EXPECT_FALSE(fs::exists(dir / "out2"));
}

TEST(ProgramTest, OptionsThatFormNoRequestShowTheUsageText) {
  // Without a file name, or with more than the option takes: the usage text,
  // status 2. A mistake is named before it, on standard error; arguments
  // arrive as bytes, and what is no UTF-8 is no name.
  const std::u16string usage = kUsage;
  const auto mistake = [&](const std::u16string& text) { return text + u"\r\n\r\n" + usage; };
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::u16string out;
    std::u16string err;
  } cases[] = {
      {{"--list"}, 2, usage, {}},
      {{"--all"}, 2, usage, {}},
      {{"--container=K"}, 2, usage, {}},
      {{"--to-reg", "--user=S-1"}, 2, usage, {}},
      {{"--list", "a.reg", "b"}, 2, usage, {}},
      {{"--install", "a.reg", "b"}, 2, usage, {}},
      {{"--install=nobody", "--all", "a.reg", "b"}, 2, usage, {}},
      {{"--alll", "a.reg"}, 2, {}, mistake(u"Неизвестный параметр «--alll».")},
      {{"--container"}, 2, {}, mistake(u"Для параметра «--container» нужно значение.")},
      {{"--list", "--all", "a.reg"}, 2, {}, mistake(u"Параметры «--list» и «--all» несовместимы.")},
      {{"--name=K", "a.000"},
       2,
       {},
       mistake(u"Параметр «--name» используется только вместе с «--to-reg».")},
      {{"--to-reg", "--user=S-1", "--name=a\xff", "d"},
       2,
       {},
       mistake(u"Значение параметра «--name» не является текстом в кодировке UTF-8.")},
      {{"--list", "--user=S-1-\xc0\xaf", "a.reg"},
       2,
       {},
       mistake(u"Значение параметра «--user» не является текстом в кодировке UTF-8.")},
      {{"--help"}, 0, usage, {}},
      {{"--version"}, 0, u"Velmora - Quillfen 1.00.0003\r\nCopyright © 2026 Velmora", {}},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    const auto result = RunProgram(QUILLFEN_EXE, c.arguments, dir.path());
    EXPECT_EQ(result.exit_status, c.status);
    EXPECT_EQ(result.out, c.out.empty() ? "" : ConsoleMessage(c.out));
    EXPECT_EQ(result.err, c.err.empty() ? "" : ConsoleMessage(c.err));
  }
}

TEST(ProgramTest, ToRegWritesTheRegistryEditorsFileAndNamesIt) {
  TempDir dir;
  // By code unit "M.KEY" and "Z.key" would come before "a.key".
  fs::create_directory(dir / "c.000");
  WriteBinaryFile(dir / "c.000" / "Z.key", "\x04");
  WriteBinaryFile(dir / "c.000" / "a.key", "\x01");
  WriteBinaryFile(dir / "c.000" / "M.KEY", "\x02\x03");
  // The whole file: byte-order mark, header, empty lines, values in order.
  const auto reg_file = [](const std::u16string& key) {
    return EncodeUtf16Le(
        u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\" + key +
            u"]\r\n\"a.key\"=hex:01\r\n\"M.KEY\"=hex:02,03\r\n\"Z.key\"=hex:04\r\n\r\n",
        true);
  };
  const struct {
    std::vector<std::string> arguments;
    std::string written;
    std::string bytes;
  } cases[] = {
      {{"--to-reg", "--user=S-1-5-21-7", "c.000"},
       "c.reg",
       reg_file(u"Crypto Pro\\Settings\\Users\\S-1-5-21-7\\Keys\\c")},
      {{"--to-reg", "--wow64", "--user=S-1-5-21-7", "--name=Ключ 1", "c.000/", "k.reg"},
       "k.reg",
       reg_file(u"Wow6432Node\\Crypto Pro\\Settings\\Users\\S-1-5-21-7\\Keys\\Ключ 1")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    const auto result = RunProgram(QUILLFEN_EXE, c.arguments, dir.path());
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out, kCaption + c.written + "\n\nФайл реестра создан успешно! ^_^v\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(ReadBinaryFile(dir / c.written), c.bytes);
  }
}

TEST(ProgramTest, ToRegRefusesAKeyNameThatWouldBreakItsLine) {
  TempDir dir;
  fs::create_directory(dir / "c.000");
  WriteBinaryFile(dir / "c.000" / "a.key", "\x01");
  const std::u16string refused =
      u"» не годится: оно не может быть пустым или содержать «\\» и переводы строки.";
  const struct {
    std::vector<std::string> arguments;
    std::u16string err;
  } cases[] = {
      {{"--to-reg", "--user=S-1", "--name=a\nb", "c.000"}, u"Имя раздела «a\\nb" + refused},
      {{"--to-reg", "--user=S-1", "--name=a\r", "c.000"}, u"Имя раздела «a\\r" + refused},
      {{"--to-reg", "--user=S-1\r\n", "c.000"}, u"Имя раздела «S-1\\r\\n" + refused},
      {{"--to-reg", "--user=", "c.000"}, u"Имя раздела «" + refused},
      {{"--to-reg", "--user=S-1", "--name=a\\b", "c.000"}, u"Имя раздела «a\\b" + refused},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    const auto result = RunProgram(QUILLFEN_EXE, c.arguments, dir.path());
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, ConsoleMessage(c.err));
    EXPECT_FALSE(fs::exists(dir / "c.reg"));
  }
}

}  // namespace
}  // namespace quillfen
#endif
