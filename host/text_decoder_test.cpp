#include "host/text_decoder.h"

#include <gtest/gtest.h>

#include "host/run_time_error.h"
#include "host/text_file.h"
#include "tests/fake_file_system.h"
#include "tests/recording_messenger.h"
#include "tests/test_exports.h"

namespace quillfen {
namespace {

// Decodes `bytes` handed over in pieces of `piece` bytes, as TextFile does.
std::u16string Decode(const std::string& bytes, size_t piece) {
  std::optional<std::u16string> text;
  for (const bool allow_utf8 : {true, false}) {
    TextDecoder decoder(allow_utf8);
    decoder.Begin(bytes.size());
    for (size_t start = 0; start < bytes.size(); start += piece) {
      decoder.Append(std::string_view(bytes).substr(start, piece));
    }
    if (decoder.Finish()) return std::u16string(decoder.Take().View());
  }
  ADD_FAILURE() << "ANSI decoding never fails";
  return {};
}

TEST(TextDecoderTest, EveryEncodingGivesTheSameText) {
  const std::u16string text = u"REGEDIT4\r\n\"Пользователь\" Ёё\r\n";
  for (const auto& c : EveryEncoding(text)) {
    for (const size_t piece : {1, 2, 3, 5, 4096}) {
      EXPECT_EQ(Decode(c.bytes, piece), text) << c.name << " in pieces of " << piece;
    }
  }
}

TEST(TextDecoderTest, OddCases) {
  const struct {
    const char* name;
    std::string bytes;
    std::u16string text;
  } cases[] = {
      {"empty", "", u""},
      {"mark only", "\xFF\xFE", u""},
      {"UTF-8 mark only", "\xEF\xBB\xBF", u""},
      {"one byte", "R", u"R"},
      {"odd UTF-16 byte last", std::string("R\0E\0X", 5), u"RE\xFFFD"},
      {"NUL inside", std::string("ab\0c", 4), std::u16string(u"ab\0c", 4)},
      {"lone surrogate kept", std::string("\xFF\xFE\x00\xD8\x41\x00", 6),
       u"\xD800"
       "A"},
      {"bad UTF-8 after a mark is kept bytewise",
       "\xEF\xBB\xBF"
       "a\xFF",
       u"a\xDCFF"},
      {"undefined 0x98", "\x98", u"\x0098"},
      {"UTF-8 cut at the end", "ab\xD0", u"ab\x0420"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Decode(c.bytes, 2), c.text) << c.name;
  }
}

TEST(TextDecoderTest, RefusesTextsBeyondThirtyTwoBitPositions) {
  TextDecoder wide;
  wide.Begin(2 * kMaxTextUnits + 4);
  EXPECT_THROW(wide.Append("\xFF\xFE\x41\x00"), RunTimeError);
  TextDecoder narrow;
  narrow.Begin(kMaxTextUnits + 1);
  EXPECT_THROW(narrow.Append("REG"), RunTimeError);
}

TEST(TextFileTest, DecodesAnsiTextFromTheOneReading) {
  FakeFileSystem files;
  files.AddFile(u"/work/a.reg", EncodeWindows1251(u"REGEDIT4 Ключ"));
  EXPECT_EQ(TextFile(files).ReadText(u"/work/a.reg").View(), u"REGEDIT4 Ключ");
  int reads = 0;
  for (const auto& call : files.calls()) reads += call.op == FakeFileSystem::Op::kReadFile;
  EXPECT_EQ(reads, 1);
}

}  // namespace
}  // namespace quillfen
