#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>
#include <string>

#include "host/console.h"
#include "host/file_descriptor.h"
#include "host/line_end.h"
#include "host/run_time_error.h"
#include "host/stop_signals.h"
#include "host/unicode.h"

namespace quillfen {
namespace {

// How often a wait for input looks for a stop signal: the program holds
// them back, so a read alone would not end on Ctrl-C.
constexpr int kStopCheckMilliseconds = 100;

// Waits until `fd` has something to read, or a stop signal has come.
void WaitForInput(int fd) {
  for (;;) {
    StopIfRequested();
    pollfd wanted{fd, POLLIN, 0};
    const int ready = ::poll(&wanted, 1, kStopCheckMilliseconds);
    if (ready > 0) return;
    if (ready < 0 && errno != EINTR) ThrowErrno();
  }
}

// A line from `fd` a byte at a time, so that nothing after it is taken from
// a shared input; bytes beyond `line` are counted, not kept.
InputLine ReadLine(int fd, std::span<uint8_t> line) {
  LineEnd end;
  size_t length = 0;
  for (;;) {
    WaitForInput(fd);
    uint8_t byte = 0;
    const ssize_t got = ::read(fd, &byte, 1);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got < 0) ThrowErrno();
    if (got == 0) return {length, length == 0};
    if (end.Take(byte)) return {length - end.Dropped(), false};
    if (length < line.size()) line[length] = byte;
    ++length;
  }
}

// The signals that end the program where they find it: the stop signals
// are held back and come as an exception, these are not (Ctrl-\ is
// SIGQUIT).
constexpr int kEndingSignals[] = {
    SIGQUIT,   SIGABRT,   SIGALRM, SIGUSR1, SIGUSR2, SIGPIPE,
    SIGPROF,   SIGVTALRM, SIGXCPU, SIGIO,   SIGSYS,  SIGTRAP,
#ifdef SIGPWR
    SIGPWR,
#endif
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
};

// The terminal whose echo is off, and its settings from before, for a
// signal that ends the program meanwhile.
int quiet_terminal = -1;
termios loud_settings;

// Gives the terminal its echo back, then lets the signal end the program
// as it would have: the handler was for this one signal only.
void RestoreEchoAndEnd(int signal) {
  ::tcsetattr(quiet_terminal, TCSANOW, &loud_settings);
  if (::write(quiet_terminal, "\n", 1) < 0) {
    // The next line only shares the prompt's.
  }
  ::raise(signal);
}

// The terminal without echo while it lives, as it was after: a stop signal
// comes as an exception, so this runs then too, and any other signal that
// ends the program finds the handler that gives the echo back.
class EchoOff {
 public:
  EchoOff(int fd, const termios& saved) : fd_(fd), saved_(saved) {
    quiet_terminal = fd;
    loud_settings = saved;
    struct sigaction restore {};
    restore.sa_handler = RestoreEchoAndEnd;
    restore.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigemptyset(&restore.sa_mask);
    for (size_t i = 0; i < std::size(kEndingSignals); ++i) {
      ::sigaction(kEndingSignals[i], &restore, &previous_[i]);
    }
    termios quiet = saved;
    quiet.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHOE | ECHOK | ECHONL));
    if (::tcsetattr(fd, TCSAFLUSH, &quiet) != 0) {
      const int error = errno;
      RestoreHandlers();
      ThrowErrno(error);
    }
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;
  ~EchoOff() {
    ::tcsetattr(fd_, TCSAFLUSH, &saved_);
    RestoreHandlers();
  }

 private:
  void RestoreHandlers() {
    for (size_t i = 0; i < std::size(kEndingSignals); ++i) {
      ::sigaction(kEndingSignals[i], &previous_[i], nullptr);
    }
  }

  int fd_;
  termios saved_;
  struct sigaction previous_[std::size(kEndingSignals)];
};

class PosixConsole : public Console {
 public:
  InputLine ReadInputLine(std::span<uint8_t> line) override { return ReadLine(STDIN_FILENO, line); }

  std::optional<InputLine> ReadPipeLine(std::u16string_view path,
                                        std::span<uint8_t> line) override {
    // Without waiting for a FIFO's writer to open it: the line is waited
    // for instead, and Ctrl-C ends the wait.
    const FileDescriptor pipe(::open(ToUtf8(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (pipe.get() < 0) return std::nullopt;
    struct stat info;
    if (::fstat(pipe.get(), &info) != 0 || !S_ISFIFO(info.st_mode)) return std::nullopt;
    return ReadLine(pipe.get(), line);
  }

  std::optional<size_t> ReadHiddenLine(std::u16string_view prompt,
                                       std::span<uint8_t> line) override {
    // No controlling terminal (a service, a pipe from cron): nothing to ask.
    const FileDescriptor terminal(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (terminal.get() < 0) return std::nullopt;
    termios saved;
    if (::tcgetattr(terminal.get(), &saved) != 0) return std::nullopt;
    const std::string shown = ToUtf8(prompt);
    WriteAll(terminal.get(), shown.data(), shown.size());
    size_t length = 0;
    try {
      const EchoOff quiet(terminal.get(), saved);
      length = ReadLine(terminal.get(), line).length;
    } catch (...) {
      // A message may follow: not after the prompt on its line.
      if (::write(terminal.get(), "\n", 1) < 0) {
        // The message still comes; only its line is shared.
      }
      throw;
    }
    // The user's Enter was not echoed.
    WriteAll(terminal.get(), "\n", 1);
    return length;
  }
};

}  // namespace

Console& RealConsole() {
  static PosixConsole console;
  return console;
}

}  // namespace quillfen
