#include "host/line_end.h"

#include <gtest/gtest.h>

#include <string>

namespace quillfen {
namespace {

// The line a byte-at-a-time reader keeps of `input`.
std::string LineOf(const std::string& input) {
  LineEnd end;
  std::string line;
  for (const char c : input) {
    if (end.Take(static_cast<uint8_t>(c))) return line.substr(0, line.size() - end.Dropped());
    line += c;
  }
  return line;
}

TEST(LineEndTest, EightBitTextAtLfUtf16AtTheUnitLf) {
  const struct {
    const char* what;
    std::string input, line;
  } kCases[] = {
      {"empty", "", ""},
      {"a lone break", "\nrest", ""},
      {"to LF", "Kat\nrest", "Kat"},
      {"CR LF keeps the CR", "Kat\r\nrest", "Kat\r"},
      {"no break", "Kat", "Kat"},
      {"a mark alone is no UTF-16 later", std::string("a\xff\xfe\n\0", 5), "a\xff\xfe"},
      // Њ (U+040A) and Ċ (U+010A) have a byte 0A; ൌ (U+0D4C) a byte 0D.
      {"UTF-16LE", std::string("\xff\xfe\x0a\x04\x0a\x01\x4c\x0d\n\0rest", 14),
       std::string("\xff\xfe\x0a\x04\x0a\x01\x4c\x0d", 8)},
      {"UTF-16LE, CR LF", std::string("\xff\xfe\x4c\x0d\r\0\n\0", 8),
       std::string("\xff\xfe\x4c\x0d\r\0", 6)},
      {"UTF-16BE", std::string("\xfe\xff\x04\x0a\x0d\x4c\0\nrest", 12),
       std::string("\xfe\xff\x04\x0a\x0d\x4c", 6)},
      {"UTF-16LE, a 0A 00 across two units", std::string("\xff\xfe\x41\x0a\x00\x42\n\0", 8),
       std::string("\xff\xfe\x41\x0a\x00\x42", 6)},
      {"UTF-16LE, cut short", std::string("\xff\xfe\x41\x00\x0a", 5),
       std::string("\xff\xfe\x41\x00\x0a", 5)},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(LineOf(c.input), c.line) << c.what;
  }
}

}  // namespace
}  // namespace quillfen
