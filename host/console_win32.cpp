#include <windows.h>

#include "host/console.h"
#include "host/line_end.h"
#include "host/windows_error.h"

namespace quillfen {
namespace {

// The Windows program has a window, not a console: standard input is there
// only when the caller redirected it, and no terminal can be asked.
class Win32Console : public Console {
 public:
  InputLine ReadInputLine(std::span<uint8_t> line) override {
    // A caller that gave none: "-" has no line, as a closed input.
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE) return {0, true};
    LineEnd end;
    size_t length = 0;
    for (;;) {
      uint8_t byte = 0;
      DWORD got = 0;
      if (!::ReadFile(input, &byte, 1, &got, nullptr)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_BROKEN_PIPE) return {length, length == 0};
        throw WindowsError(error);
      }
      if (got == 0) return {length, length == 0};
      if (end.Take(byte)) return {length - end.Dropped(), false};
      if (length < line.size()) line[length] = byte;
      ++length;
    }
  }

  // A pipe reaches the Windows program as standard input, "-".
  std::optional<InputLine> ReadPipeLine(std::u16string_view, std::span<uint8_t>) override {
    return std::nullopt;
  }

  std::optional<size_t> ReadHiddenLine(std::u16string_view, std::span<uint8_t>) override {
    return std::nullopt;
  }
};

}  // namespace

Console& RealConsole() {
  static Win32Console console;
  return console;
}

}  // namespace quillfen
