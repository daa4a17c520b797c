#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace quillfen {

// The user's terminal and the program's standard input: where a password
// comes from, never the command line. A line goes into the caller's buffer,
// which may be secure memory, and nowhere else.
class Console {
 public:
  virtual ~Console() = default;

  // The first line of standard input without its line break, into `line`:
  // its length, more than line.size() when it did not fit (the rest is not
  // kept). Throws RunTimeError.
  virtual size_t ReadInputLine(std::span<uint8_t> line) = 0;

  // The first line of the pipe or FIFO at `path` (the shell's <(…) among
  // them), as ReadInputLine reads standard input; nothing when `path` is
  // none, or cannot be opened. Throws RunTimeError.
  virtual std::optional<size_t> ReadPipeLine(std::u16string_view path, std::span<uint8_t> line) = 0;

  // Shows `prompt` on the terminal and reads a line as ReadInputLine does,
  // without showing what is typed; nothing when there is no terminal.
  // Throws RunTimeError.
  virtual std::optional<size_t> ReadHiddenLine(std::u16string_view prompt,
                                               std::span<uint8_t> line) = 0;
};

// This host's console.
Console& RealConsole();

}  // namespace quillfen
