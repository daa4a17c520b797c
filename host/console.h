#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace quillfen {

// A line read from an input: its length, more than the buffer when it did
// not fit (the rest is not kept); or none at all, when the input ended
// before its first line (closed, or empty), which an empty line is not.
struct InputLine {
  size_t length = 0;
  bool none = false;
};

// The user's terminal and the program's standard input: where a password
// comes from, never the command line. A line goes into the caller's buffer,
// which may be secure memory, and nowhere else.
class Console {
 public:
  virtual ~Console() = default;

  // The first line of standard input, into `line`, without its line break
  // (LF; in UTF-16 after a byte-order mark the unit LF) but with a CR
  // before it, which only the decoder can tell from a character's byte
  // (see LineEnd). Throws RunTimeError.
  virtual InputLine ReadInputLine(std::span<uint8_t> line) = 0;

  // The first line of the pipe or FIFO at `path` (the shell's <(…) among
  // them), as ReadInputLine reads standard input; nothing when `path` is
  // none, or cannot be opened. Throws RunTimeError.
  virtual std::optional<InputLine> ReadPipeLine(std::u16string_view path,
                                                std::span<uint8_t> line) = 0;

  // Shows `prompt` on the terminal and reads a line as ReadInputLine does,
  // without showing what is typed: its length (0 when the input ends
  // before it); nothing when there is no terminal.
  // Throws RunTimeError.
  virtual std::optional<size_t> ReadHiddenLine(std::u16string_view prompt,
                                               std::span<uint8_t> line) = 0;
};

// This host's console.
Console& RealConsole();

}  // namespace quillfen
