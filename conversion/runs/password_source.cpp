#include "conversion/runs/password_source.h"

#include <cstring>

#include "conversion/conversion_error.h"
#include "host/run_time_error.h"
#include "host/text_decoder.h"
#include "host/unicode.h"
#include "host/visible_name.h"

namespace quillfen {
namespace {

// A line typed or piped in longer than this is no password.
constexpr size_t kLongestLine = 4096;

std::span<const uint8_t> UpToLineBreak(std::span<const uint8_t> bytes) {
  size_t end = 0;
  while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
  return bytes.first(end);
}

// The units of `bytes` as UTF-16 of either byte order, up to a line break.
Password FromUtf16(std::span<const uint8_t> bytes, bool big_endian) {
  size_t units = 0;
  for (; 2 * units + 1 < bytes.size(); ++units) {
    const uint8_t low = bytes[2 * units + (big_endian ? 1 : 0)];
    const uint8_t high = bytes[2 * units + (big_endian ? 0 : 1)];
    if (high == 0 && (low == '\r' || low == '\n')) break;
  }
  Password password(2 * units);
  for (size_t i = 0; i < units; ++i) {
    password[2 * i] = bytes[2 * i + (big_endian ? 1 : 0)];
    password[2 * i + 1] = bytes[2 * i + (big_endian ? 0 : 1)];
  }
  return password;
}

void PutUnit(Password& password, size_t& at, char16_t unit) {
  password[at++] = static_cast<uint8_t>(unit & 0xFF);
  password[at++] = static_cast<uint8_t>(unit >> 8);
}

Password FromUtf8Line(std::string_view line) {
  // At most one unit per byte.
  Password units(2 * line.size());
  size_t at = 0;
  for (size_t i = 0; i < line.size();) {
    char32_t c = 0;
    i += DecodeUtf8Sequence(line, i, &c);
    char16_t pair[2];
    const size_t count = EncodeUtf16(c, pair);
    for (size_t k = 0; k < count; ++k) PutUnit(units, at, pair[k]);
  }
  return Password(std::span<const uint8_t>(units.data(), at));
}

Password FromAnsiLine(std::span<const uint8_t> line) {
  Password password(2 * line.size());
  size_t at = 0;
  for (const uint8_t byte : line) {
    PutUnit(password, at, byte < 0x80 ? char16_t{byte} : AnsiHighHalf()[byte - 0x80]);
  }
  return password;
}

// How long the first line of a password file is, in the bytes of its
// encoding, without a byte-order mark or the line break: what the terminal
// and standard input count too.
size_t FirstLineLength(std::span<const uint8_t> bytes) {
  const bool utf16 = bytes.size() >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) ||
                                           (bytes[0] == 0xFE && bytes[1] == 0xFF));
  if (!utf16) {
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
      bytes = bytes.subspan(3);
    }
    return UpToLineBreak(bytes).size();
  }
  const size_t low = bytes[0] == 0xFF ? 0 : 1;
  size_t at = 2;
  while (at + 1 < bytes.size() &&
         !(bytes[at + 1 - low] == 0 && (bytes[at + low] == '\r' || bytes[at + low] == '\n'))) {
    at += 2;
  }
  return at - 2;
}

}  // namespace

Password DecodePassword(std::span<const uint8_t> bytes) {
  const auto starts = [&](std::initializer_list<uint8_t> mark) {
    return bytes.size() >= mark.size() && std::equal(mark.begin(), mark.end(), bytes.begin());
  };
  if (starts({0xFF, 0xFE})) return FromUtf16(bytes.subspan(2), false);
  if (starts({0xFE, 0xFF})) return FromUtf16(bytes.subspan(2), true);
  if (starts({0xEF, 0xBB, 0xBF})) bytes = bytes.subspan(3);
  const auto line = UpToLineBreak(bytes);
  const std::string_view text(reinterpret_cast<const char*>(line.data()), line.size());
  return IsValidUtf8(text) ? FromUtf8Line(text) : FromAnsiLine(line);
}

const Password& PasswordSource::Get(std::u16string_view container) {
  if (!password_) password_ = Read(container);
  return *password_;
}

std::optional<Password> PasswordSource::ReadPipe() {
  if (host_.console == nullptr) return std::nullopt;
  SecureBytes line(kLongestLine);
  std::optional<size_t> length;
  try {
    length = host_.console->ReadPipeLine(*file_, line.Span());
  } catch (const RunTimeError& error) {
    throw SystemError(*file_, kReadFailed, error);
  }
  if (!length) return std::nullopt;
  if (*length > line.size()) throw PathError(*file_, u"Пароль длиннее 4096 байт.");
  return DecodePassword(line.Span().first(*length));
}

Password PasswordSource::Read(std::u16string_view container) {
  if (file_ && *file_ != u"-") {
    // A pipe, such as the shell's <(…), or a FIFO is read as standard input
    // is, from the one opening: its writer may be gone by a second.
    if (auto piped = ReadPipe()) return std::move(*piped);
    try {
      const auto bytes = host_.files.ReadFile(*file_);
      const std::string_view text = bytes->Bytes();
      const std::span<const uint8_t> file(reinterpret_cast<const uint8_t*>(text.data()),
                                          text.size());
      const bool too_long = FirstLineLength(file) > kLongestLine;
      bytes->Verify();
      if (too_long) throw PathError(*file_, u"Пароль длиннее 4096 байт.");
      Password password = DecodePassword(file);
      bytes->Verify();
      return password;
    } catch (const RunTimeError& error) {
      throw SystemError(*file_, kReadFailed, error);
    }
  }
  SecureBytes line(kLongestLine);
  std::optional<size_t> length;
  if (file_ && host_.console == nullptr) throw PathError(*file_, kReadFailed);
  try {
    if (file_) {
      length = host_.console->ReadInputLine(line.Span());
    } else if (host_.console != nullptr) {
      length = host_.console->ReadHiddenLine(u"Пароль контейнера " + QuotedName(container) + u": ",
                                             line.Span());
    }
  } catch (const RunTimeError& error) {
    throw SystemError(file_ ? u"-" : u"/dev/tty", kReadFailed, error);
  }
  if (!length) {
    throw PathError(source_file_, u"Контейнер " + QuotedName(container) +
                                      u" защищён паролем, а спросить его негде: укажите файл "
                                      u"с паролем параметром «--password-file=FILE» (или «-» "
                                      u"для стандартного ввода).");
  }
  if (*length > line.size()) {
    throw PathError(file_ ? u"-" : u"/dev/tty", u"Пароль длиннее 4096 байт.");
  }
  return DecodePassword(line.Span().first(*length));
}

}  // namespace quillfen
