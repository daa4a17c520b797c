#include <windows.h>

#include "host/console.h"
#include "host/windows_error.h"

namespace quillfen {
namespace {

// The Windows program has a window, not a console: standard input is there
// only when the caller redirected it, and no terminal can be asked.
class Win32Console : public Console {
 public:
  size_t ReadInputLine(std::span<uint8_t> line) override {
    // A caller that gave none: "-" reads nothing, as from a closed input.
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE) return 0;
    size_t length = 0;
    for (;;) {
      uint8_t byte = 0;
      DWORD got = 0;
      if (!::ReadFile(input, &byte, 1, &got, nullptr)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_BROKEN_PIPE) break;
        throw WindowsError(error);
      }
      if (got == 0 || byte == '\n') break;
      if (length < line.size()) line[length] = byte;
      ++length;
    }
    if (length > 0 && length <= line.size() && line[length - 1] == '\r') --length;
    return length;
  }

  // A pipe reaches the Windows program as standard input, "-".
  std::optional<size_t> ReadPipeLine(std::u16string_view, std::span<uint8_t>) override {
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
