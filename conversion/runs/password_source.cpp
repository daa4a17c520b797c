#include "conversion/runs/password_source.h"

#include <algorithm>
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
// What a line read from an input may hold besides: a byte-order mark, and
// a CR before its break, which only the decoder tells from a character's
// byte.
constexpr size_t kAroundLine = 3 + 2;

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

namespace {

// A password read, and whether its input held a line at all: one that
// ended before its first line gives the empty password too, which a new
// PFX file must not get by accident.
struct ReadLine {
  Password password;
  bool none = false;
};

// The password of `line`, read into `buffer` from the input called `name`.
ReadLine Decoded(const InputLine& line, std::span<const uint8_t> buffer, std::u16string_view name) {
  if (line.length > buffer.size() || FirstLineLength(buffer.first(line.length)) > kLongestLine) {
    throw PathError(name, u"Пароль длиннее 4096 байт.");
  }
  return {DecodePassword(buffer.first(line.length)), line.none};
}

// The first line of the password file `file` when it is a pipe or FIFO;
// nothing for anything else.
std::optional<ReadLine> ReadPipe(Host& host, const std::u16string& file) {
  if (host.console == nullptr) return std::nullopt;
  SecureBytes buffer(kLongestLine + kAroundLine);
  std::optional<InputLine> line;
  try {
    line = host.console->ReadPipeLine(file, buffer.Span());
  } catch (const RunTimeError& error) {
    throw SystemError(file, kReadFailed, error);
  }
  if (!line) return std::nullopt;
  return Decoded(*line, buffer.Span(), file);
}

// The first line of `file` ("-": of standard input), or without a file what
// is typed on the terminal after `prompt`; nothing when there is no terminal.
std::optional<ReadLine> ReadPassword(Host& host, const std::optional<std::u16string>& file,
                                     std::u16string_view prompt) {
  if (file && *file != u"-") {
    // A pipe, such as the shell's <(…), or a FIFO is read as standard input
    // is, from the one opening: its writer may be gone by a second.
    if (auto piped = ReadPipe(host, *file)) return piped;
    try {
      const auto bytes = host.files.ReadFile(*file);
      const std::span<const uint8_t> content = bytes->Octets();
      const bool too_long = FirstLineLength(content) > kLongestLine;
      bytes->Verify();
      if (too_long) throw PathError(*file, u"Пароль длиннее 4096 байт.");
      ReadLine read{DecodePassword(content), content.empty()};
      bytes->Verify();
      return read;
    } catch (const RunTimeError& error) {
      throw SystemError(*file, kReadFailed, error);
    }
  }
  SecureBytes buffer(kLongestLine + kAroundLine);
  std::optional<InputLine> line;
  if (file && host.console == nullptr) throw PathError(*file, kReadFailed);
  try {
    if (file) {
      line = host.console->ReadInputLine(buffer.Span());
    } else if (host.console != nullptr) {
      if (const auto typed = host.console->ReadHiddenLine(prompt, buffer.Span())) {
        line = InputLine{*typed, false};
      }
    }
  } catch (const RunTimeError& error) {
    throw SystemError(file ? u"-" : u"/dev/tty", kReadFailed, error);
  }
  if (!line) return std::nullopt;
  return Decoded(*line, buffer.Span(), file ? u"-" : u"/dev/tty");
}

// The password of new PFX files from `file`, which must give a line.
SecureBytes NewPfxPasswordOf(const std::u16string& file, const Password& password, bool none) {
  if (none) {
    throw PathError(file,
                    u"Пароль для файлов PFX не прочитан: здесь нет ни одной строки, а пустой "
                    u"пароль файлов PFX задаётся пустой строкой.");
  }
  return Utf8Of(password);
}

}  // namespace

const Password& PasswordSource::Get(std::u16string_view container) {
  const std::u16string quoted = QuotedName(container);
  return Get(u"Пароль контейнера " + quoted + u": ", u"Контейнер " + quoted);
}

const Password& PasswordSource::GetForPfx(std::u16string_view pfxFile) {
  const std::u16string quoted = QuotedName(pfxFile);
  return Get(u"Пароль файла PFX " + quoted + u": ", u"Файл PFX " + quoted);
}

const Password& PasswordSource::Get(std::u16string_view prompt, std::u16string_view whose) {
  if (password_) return *password_;
  auto read = ReadPassword(host_, file_, prompt);
  if (!read) {
    throw PathError(source_file_, std::u16string(whose) +
                                      u" защищён паролем, а спросить его негде: укажите файл "
                                      u"с паролем параметром «--password-file=FILE» (или «-» "
                                      u"для стандартного ввода).");
  }
  password_ = std::move(read->password);
  no_line_ = read->none;
  return *password_;
}

SecureBytes Utf8Of(const Password& password) {
  // Three bytes at most for a unit, four for a pair of two.
  SecureBytes utf8(password.size() / 2 * 3);
  size_t at = 0;
  const auto unit = [&](size_t i) {
    return static_cast<char16_t>(password[2 * i] | password[2 * i + 1] << 8);
  };
  const size_t units = password.size() / 2;
  for (size_t i = 0; i < units; ++i) {
    char32_t c = unit(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units && unit(i + 1) >= 0xDC00 &&
        unit(i + 1) < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(++i) - 0xDC00);
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    at += EncodeUtf8(c, utf8.data() + at);
  }
  return SecureBytes(utf8.Span().first(at));
}

SecureBytes NewPfxPassword(Host& host, const std::optional<std::u16string>& file,
                           PasswordSource& sourcePasswords, std::u16string_view sourceFile) {
  // Standard input gives its first line once: the source's password, read
  // already or now.
  if (file && sourcePasswords.File() == file) {
    const Password& shared = sourcePasswords.Get(u"");
    return NewPfxPasswordOf(*file, shared, sourcePasswords.NoLine());
  }
  if (file) {
    const auto read = ReadPassword(host, file, {});
    return NewPfxPasswordOf(*file, read->password, read->none);
  }
  const auto first = ReadPassword(host, std::nullopt, u"Пароль для файлов PFX: ");
  if (!first) {
    throw PathError(sourceFile,
                    u"Пароль для файлов PFX спросить негде: укажите файл с паролем параметром "
                    u"«--pfx-password-file=FILE» (или «-» для стандартного ввода).");
  }
  const auto again = ReadPassword(host, std::nullopt, u"Пароль для файлов PFX ещё раз: ");
  const std::span<const uint8_t> typed = first->password.Span();
  if (!again || !std::equal(typed.begin(), typed.end(), again->password.Span().begin(),
                            again->password.Span().end())) {
    throw PathError(sourceFile, u"Введённые пароли для файлов PFX не совпадают.");
  }
  return Utf8Of(first->password);
}

}  // namespace quillfen
