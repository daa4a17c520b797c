#include "conversion/runs/password_source.h"

#include <gtest/gtest.h>

#include <functional>

#include "conversion/conversion_error.h"
#include "host/unicode.h"
#include "tests/fake_console.h"
#include "tests/fake_file_system.h"
#include "tests/hex.h"
#include "tests/recording_messenger.h"

namespace quillfen {
namespace {

TEST(PasswordSourceTest, DecodesTheFirstLineInEveryEncoding) {
  const struct {
    const char* what;
    std::string bytes;
    const char* units;  // UTF-16LE
  } kCases[] = {
      {"empty", "", ""},
      {"ASCII to LF", "Kat-1\nKat-2", "4b00610074002d003100"},
      {"ASCII to CR LF", "Kat-1\r\nKat-2", "4b00610074002d003100"},
      {"only a break", "\nKat", ""},
      {"UTF-8", "Па\xd1\x91", "1f0430045104"},
      {"UTF-8 with its mark", "\xef\xbb\xbf\xd0\x9f\n", "1f04"},
      {"beyond 16 bits", "\xf0\x9f\x98\x80", "3dd800de"},
      {"Windows-1251", "\xcf\xe0\xb8\r\n", "1f0430045104"},
      {"invalid UTF-8 after the line", "ab\n\xff", "61006200"},
      {"UTF-16LE", std::string("\xff\xfe\x1f\x04\x30\x04\r\x00\n\x00x\x00", 12), "1f043004"},
      {"UTF-16BE", std::string("\xfe\xff\x04\x1f\x00\n\x00x", 8), "1f04"},
      {"UTF-16LE, odd length", std::string("\xff\xfe\x41\x00\x42", 5), "4100"},
      // Њ, Ѝ, Ċ and č: a byte of each is a line break's, the unit none.
      {"UTF-16LE, units with a break's byte",
       std::string("\xff\xfe\x0a\x04\x0d\x04\x0a\x01\x0d\x01\r\x00\n\x00x", 15),
       "0a040d040a010d01"},
      {"UTF-16BE, units with a break's byte",
       std::string("\xfe\xff\x04\x0a\x04\x0d\x01\x0a\x01\x0d\x00\n", 12), "0a040d040a010d01"},
  };
  for (const auto& c : kCases) {
    const Password password = DecodePassword(Bytes(c.bytes));
    EXPECT_EQ(Hex(password.Span()), c.units) << c.what;
  }
}

// PFX files derive their keys from the password's UTF-8.
TEST(PasswordSourceTest, Utf8OfEveryKindOfUnit) {
  const struct {
    const char* units;  // UTF-16LE
    const char* utf8;
  } kCases[] = {
      {"", ""},           {"4b007f00", "4b7f"},     {"1f043004", "d09fd0b0"},
      {"ac20", "e282ac"}, {"3dd800de", "f09f9880"}, {"3dd84100", "efbfbd41"},  // half of a pair
      {"00de", "efbfbd"}, {"8000", "c280"},         {"ff07", "dfbf"},
      {"0008", "e0a080"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Hex(Utf8Of(Password(FromHex(c.units))).Span()), c.utf8) << c.units;
  }
}

// Wherever it comes from, the password is read once and kept for the run.
TEST(PasswordSourceTest, FromTheFileStandardInputOrTerminal) {
  const std::string kat = "4b0061007400";
  std::u16string longest;
  for (int i = 0; i < 4096; ++i) longest += u"6100";
  const std::u16string no_terminal =
      u"/work/key.reg\r\n\r\nКонтейнер «srv» защищён паролем, а спросить его негде: укажите "
      u"файл с паролем параметром «--password-file=FILE» (или «-» для стандартного ввода).";
  const struct {
    const char* what;
    std::optional<std::u16string> file;
    std::function<void(FakeFileSystem&, FakeConsole&)> given;
    std::u16string result;  // the units' hex, or the message
    size_t prompts;
  } kCases[] = {
      {"file", u"/work/pass.txt", [](auto& f, auto&) { f.AddFile(u"/work/pass.txt", "Kat\nx"); },
       FromUtf8(kat), 0},
      {"missing file", u"/work/none.txt", [](auto&, auto&) {},
       u"/work/none.txt\r\n\r\nНе удалось прочитать файл.\r\n\r\nОшибка 2: No such file or "
       u"directory",
       0},
      {"standard input", u"-", [](auto&, auto& c) { c.input = "Kat\nrest"; }, FromUtf8(kat), 0},
      {"standard input fails", u"-", [](auto&, auto& c) { c.input_error = 5; },
       u"-\r\n\r\nНе удалось прочитать файл.\r\n\r\nОшибка 5: Input/output error", 0},
      {"too long a line", u"-", [](auto&, auto& c) { c.input = std::string(4097, 'a'); },
       u"-\r\n\r\nПароль длиннее 4096 байт.", 0},
      {"longest line", u"-", [](auto&, auto& c) { c.input = std::string(4096, 'a'); }, longest, 0},
      {"longest line with its CR LF", u"-",
       [](auto&, auto& c) { c.input = std::string(4096, 'a') + "\r\nrest"; }, longest, 0},
      {"standard input closed", u"-", [](auto&, auto& c) { c.input = ""; }, u"", 0},
      // The unit CR is dropped, never a character's high byte 0D (ൌ, U+0D4C);
      // a byte 0A (Њ, U+040A) ends no line.
      {"UTF-16LE on standard input", u"-",
       [](auto&, auto& c) { c.input = std::string("\xff\xfe\x0a\x04\x4c\x0d\n\x00", 8); },
       u"0a044c0d", 0},
      {"UTF-16LE on standard input to CR LF", u"-",
       [](auto&, auto& c) { c.input = std::string("\xff\xfe\x4c\x0d\r\x00\n\x00x", 9); }, u"4c0d",
       0},
      {"a pipe", u"/dev/fd/63", [](auto&, auto& c) { c.pipes[u"/dev/fd/63"] = "Kat\nrest"; },
       FromUtf8(kat), 0},
      {"too long a line from a pipe", u"/dev/fd/63",
       [](auto&, auto& c) { c.pipes[u"/dev/fd/63"] = std::string(4097, 'a'); },
       u"/dev/fd/63\r\n\r\nПароль длиннее 4096 байт.", 0},
      {"too long a line in the file", u"/work/pass.txt",
       [](auto& f, auto&) { f.AddFile(u"/work/pass.txt", std::string(4097, 'a') + "\nb"); },
       u"/work/pass.txt\r\n\r\nПароль длиннее 4096 байт.", 0},
      {"longest line in the file", u"/work/pass.txt",
       [](auto& f, auto&) { f.AddFile(u"/work/pass.txt", std::string(4096, 'a') + "\r\nb"); },
       longest, 0},
      {"too long a line of Њ in the file", u"/work/pass.txt",
       [](auto& f, auto&) {
         std::string text = "\xff\xfe";
         for (int i = 0; i < 2049; ++i) text += "\x0a\x04";
         f.AddFile(u"/work/pass.txt", text);
       },
       u"/work/pass.txt\r\n\r\nПароль длиннее 4096 байт.", 0},
      {"UTF-16 in the file, Њ", u"/work/pass.txt",
       [](auto& f, auto&) {
         f.AddFile(u"/work/pass.txt", std::string("\xff\xfe\x0a\x04\n\x00", 6));
       },
       u"0a04", 0},
      {"too long a line of UTF-16 in the file", u"/work/pass.txt",
       [](auto& f, auto&) {
         std::string text = "\xff\xfe";
         for (int i = 0; i < 2049; ++i) text += std::string("a\0", 2);
         f.AddFile(u"/work/pass.txt", text + std::string("\n\0", 2));
       },
       u"/work/pass.txt\r\n\r\nПароль длиннее 4096 байт.", 0},
      {"terminal", std::nullopt, [](auto&, auto& c) { c.terminal = "Kat"; }, FromUtf8(kat), 1},
      {"no terminal", std::nullopt, [](auto&, auto&) {}, no_terminal, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    FakeFileSystem files;
    RecordingMessenger messenger;
    FakeConsole console;
    Host host{files, messenger, nullptr, &console};
    c.given(files, console);
    PasswordSource source(host, c.file, u"/work/key.reg");
    std::u16string result;
    try {
      for (int i = 0; i < 3; ++i) result = FromUtf8(Hex(source.Get(u"srv").Span()));
    } catch (const ConversionError& error) {
      result = error.Message();
    }
    EXPECT_EQ(result, c.result);
    size_t reads = 0;
    for (const auto& call : files.calls()) reads += call.op == FakeFileSystem::Op::kReadFile;
    EXPECT_EQ(reads + console.input_reads + console.pipe_reads + console.terminal_asks, 1u);
    EXPECT_EQ(console.prompts,
              std::vector<std::u16string>(c.prompts, u"Пароль контейнера «srv»: "));
  }
}

}  // namespace
}  // namespace quillfen
