#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "host/console.h"
#include "host/file_descriptor.h"
#include "host/run_time_error.h"
#include "host/unicode.h"

namespace quillfen {
namespace {

// A line from `fd` a byte at a time, so that nothing after it is taken from
// a shared input; bytes beyond `line` are counted, not kept.
size_t ReadLine(int fd, std::span<uint8_t> line) {
  size_t length = 0;
  for (;;) {
    uint8_t byte = 0;
    const ssize_t got = ::read(fd, &byte, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw RunTimeError::FromSystem(errno);
    if (got == 0 || byte == '\n') break;
    if (length < line.size()) line[length] = byte;
    ++length;
  }
  if (length > 0 && length <= line.size() && line[length - 1] == '\r') --length;
  return length;
}

void WriteAll(int fd, const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote < 0) throw RunTimeError::FromSystem(errno);
    done += static_cast<size_t>(wrote);
  }
}

// While echo is off, a signal that ends the program first gives the
// terminal its echo back.
int g_terminal = -1;
termios g_saved;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void RestoreAndRaise(int signal_number) {
  ::tcsetattr(g_terminal, TCSAFLUSH, &g_saved);
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

class EchoOff {
 public:
  EchoOff(int fd, const termios& saved) {
    g_terminal = fd;
    g_saved = saved;
    struct sigaction action = {};
    action.sa_handler = RestoreAndRaise;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &action, &old_[i]);
    termios quiet = saved;
    quiet.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHOE | ECHOK | ECHONL));
    if (::tcsetattr(fd, TCSAFLUSH, &quiet) != 0) {
      const int error = errno;
      Restore();
      throw RunTimeError::FromSystem(error);
    }
  }
  ~EchoOff() {
    ::tcsetattr(g_terminal, TCSAFLUSH, &g_saved);
    Restore();
  }

 private:
  void Restore() {
    for (size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &old_[i], nullptr);
  }
  struct sigaction old_[std::size(kSignals)];
};

class PosixConsole : public Console {
 public:
  size_t ReadInputLine(std::span<uint8_t> line) override { return ReadLine(STDIN_FILENO, line); }

  std::optional<size_t> ReadHiddenLine(std::u16string_view prompt,
                                       std::span<uint8_t> line) override {
    // No controlling terminal (a service, a pipe from cron): nothing to ask.
    const FileDescriptor terminal(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (terminal.get() < 0) return std::nullopt;
    termios saved;
    if (::tcgetattr(terminal.get(), &saved) != 0) return std::nullopt;
    WriteAll(terminal.get(), ToUtf8(prompt));
    size_t length = 0;
    {
      const EchoOff quiet(terminal.get(), saved);
      length = ReadLine(terminal.get(), line);
    }
    // The user's Enter was not echoed.
    WriteAll(terminal.get(), "\n");
    return length;
  }
};

}  // namespace

Console& RealConsole() {
  static PosixConsole console;
  return console;
}

}  // namespace quillfen
