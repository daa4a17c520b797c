// The real program stopped by a signal, held by a file size limit, or
// without a standard output to write to: one message, a status that says so,
// and nothing left of the run.
#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "host/unicode.h"
#include "tests/costly_pfx.h"
#include "tests/run_program.h"
#include "tests/test_containers.h"
#include "tests/test_exports.h"
#include "tests/test_hives.h"

namespace quillfen {
namespace {

namespace fs = std::filesystem;

const std::string kCaption = "Velmora - Quillfen\n";

// `arguments` run by a shell that first does `setup`, then becomes the
// program.
ProgramResult RunAfter(const std::string& setup, const std::vector<std::string>& arguments) {
  std::vector<std::string> call = {"-c", setup + "; exec \"$0\" \"$@\"", QUILLFEN_EXE};
  call.insert(call.end(), arguments.begin(), arguments.end());
  return RunProgram("/bin/bash", call);
}

TEST(SignalsAndLimitsTest, AFileSizeLimitIsTheWriteMessageAndLeavesNothing) {
  TempDir dir;
  const std::vector<uint8_t> large(64 << 10, 0x5A);
  WriteBinaryFile(dir / "large.reg", EncodeUtf16Le(RegeditExport({{u"a.key", large}}), true));
  fs::create_directory(dir / "c.000");
  WriteBinaryFile(dir / "c.000" / "a.key", std::string(16 << 10, 'x'));
  WriteBinaryFile(dir / "SOFTWARE", SoftwareHive(FourContainers()));
  const std::string too_large = "\n\nОшибка 27: File too large\n";
  const struct {
    std::vector<std::string> arguments;
    std::string err;
  } cases[] = {
      {{(dir / "large.reg").string(), (dir / "out" / "k.000").string()},
       (dir / "out" / "k.000" / "a.key").string() +
           "\n\nНе удалось записать файл в каталог контейнера." + too_large},
      {{"--to-reg", "--user=S-1", (dir / "c.000").string()},
       (dir / "c.reg").string() + "\n\nНе удалось записать файл реестра." + too_large},
      {{"--list", (dir / "SOFTWARE").string()},
       (dir / "SOFTWARE").string() + "\n\nНе удалось прочитать файл." + too_large},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.front());
    const auto before = Listing(dir.path());
    // Four blocks of 1024 bytes: less than any file the runs write.
    const auto result = RunAfter("ulimit -f 4", c.arguments);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, kCaption + c.err);
    EXPECT_EQ(Listing(dir.path()), before);
  }
}

TEST(SignalsAndLimitsTest, AStopSignalUndoesTheRunAndEndsWithItsStatus) {
  TempDir dir;
  std::vector<TestContainer> containers;
  for (int i = 0; i < 3000; ++i) {
    std::u16string name = u"c";
    name += FromUtf8(std::to_string(i));
    containers.push_back({u"S-1-5-21-1", false, name, {{u"name.key", {uint8_t(i), 1, 2, 3}}}});
  }
  WriteBinaryFile(dir / "many.reg", EncodeUtf16Le(SeveralContainersExport(containers), true));
  const auto before = Listing(dir.path());
  const struct {
    int signal;
    const char* name;
  } cases[] = {{SIGINT, "SIGINT"}, {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RunningProgram program(QUILLFEN_EXE,
                           {"--all", (dir / "many.reg").string(), (dir / "out").string()});
    // Stopped halfway: once some containers are on the disk.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline &&
           (!fs::exists(dir / "out" / "c10.000" / "name.key"))) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(::kill(program.pid(), c.signal), 0);
    const auto result = program.Wait();
    EXPECT_EQ(result.exit_status, 128 + c.signal);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, kCaption + "Работа прервана сигналом " + c.name +
                              ": всё, что она успела сделать, удалено.\n");
    EXPECT_EQ(Listing(dir.path()), before);
  }
}

// The CPU time `pid` has had: utime and stime, the 14th and 15th fields of
// /proc's stat, the 12th and 13th after the name in brackets.
double CpuSeconds(pid_t pid) {
  std::string line;
  std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/stat"), line);
  std::istringstream fields(line.substr(line.rfind(')') + 2));
  std::string skipped;
  for (int i = 0; i < 11; ++i) fields >> skipped;
  unsigned long long user = 0, system = 0;
  fields >> user >> system;
  return double(user + system) / double(::sysconf(_SC_CLK_TCK));
}

// A PFX whose one key derivation takes all the rounds a file may, seconds
// of the slowest digests, read with a wrong password: a stop signal that
// comes while it runs ends the run within a moment, as a stop, not after it
// as a wrong password.
TEST(SignalsAndLimitsTest, AStopSignalEndsAKeyDerivationAtOnce) {
  using Kind = CostlyDerivation::Kind;
  TempDir dir;
  WriteBinaryFile(dir / "wrong.txt", "wrong\n");
  const struct {
    int signal;
    const char* name;
    CostlyDerivation derivation;
  } cases[] = {
      {SIGINT, "SIGINT", {Kind::kProviderBag, 1'000'000}},
      {SIGTERM, "SIGTERM", {Kind::kPbes2Streebog256, 1'000'000}},
      {SIGHUP, "SIGHUP", {Kind::kStreebog512Mac, 500'000}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto pfx = CostlyPfx({c.derivation});
    WriteBinaryFile(dir / "costly.pfx", std::string(pfx.begin(), pfx.end()));
    const auto before = Listing(dir.path());
    RunningProgram program(QUILLFEN_EXE,
                           {"--export-key", "--password-file=wrong.txt", "costly.pfx", "out"},
                           dir.path());
    // Well inside the derivation: a tenth of a second of it run.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline && CpuSeconds(program.pid()) < 0.1) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const auto signalled = std::chrono::steady_clock::now();
    ASSERT_EQ(::kill(program.pid(), c.signal), 0);
    const auto result = program.Wait();
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(2));
    EXPECT_EQ(result.exit_status, 128 + c.signal);
    EXPECT_EQ(result.err, kCaption + "Работа прервана сигналом " + c.name +
                              ": всё, что она успела сделать, удалено.\n");
    EXPECT_EQ(Listing(dir.path()), before);
  }
}

TEST(SignalsAndLimitsTest, AMessageStandardOutputCannotTakeIsAFailure) {
  TempDir dir;
  WriteBinaryFile(dir / "k.reg", EncodeUtf16Le(RegeditExport({{u"a.key", {1, 2}}}), true));
  fs::create_directory(dir / "c.000");
  WriteBinaryFile(dir / "c.000" / "a.key", "\x01");
  const std::string no_space =
      kCaption + "Не удалось вывести сообщение.\n\nОшибка 28: No space left on device\n";
  const struct {
    std::vector<std::string> arguments;
    std::string err;
  } cases[] = {
      {{"--list", (dir / "k.reg").string()}, no_space},
      {{(dir / "k.reg").string(), (dir / "k.000").string()}, no_space},
      {{"--all", (dir / "k.reg").string(), (dir / "all").string()}, no_space},
      {{"--to-reg", "--user=S-1", (dir / "c.000").string()}, no_space},
      {{"--help"}, no_space},
      {{"/?"}, no_space},
      // A failure goes to standard error, as it always did.
      {{(dir / "none.reg").string()},
       kCaption + (dir / "none.reg").string() +
           "\n\nНе удалось прочитать файл.\n\nОшибка 2: No such file or directory\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.front());
    const auto before = Listing(dir.path());
    const auto result = RunAfter("exec >/dev/full", c.arguments);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, c.err);
    EXPECT_EQ(Listing(dir.path()), before);
  }
}

// What descriptor `fd` of the process `pid` leads to; empty when it is closed.
std::string DescriptorOf(int pid, int fd) {
  std::error_code error;
  const fs::path target =
      fs::read_symlink("/proc/" + std::to_string(pid) + "/fd/" + std::to_string(fd), error);
  return error ? std::string() : target.string();
}

// Standard input, output or error that the caller closed: the null device
// takes their numbers, so "-" reads nothing, which is a wrong password, and
// a message written there still fails; no file the run opens gets one of
// them, so that no message goes into it.
TEST(SignalsAndLimitsTest, ClosedStandardDescriptorsGiveTheRunNothing) {
  TempDir dir;
  fs::copy(fs::path(QUILLFEN_SOURCE_DIR) / "tests" / "data" / "known-answers" / "kat256.000",
           dir / "kat256.000");
  WriteBinaryFile(dir / "one.reg",
                  EncodeUtf16Le(RegeditExport(KnownAnswerValues("kat256.000")), true));
  const std::string directory = (dir / "kat256.000").string(), one = (dir / "one.reg").string();
  const std::string out = (dir / "out").string();
  const std::string unwritten = "Не удалось вывести сообщение.\n\nОшибка 9: Bad file descriptor\n";
  const struct {
    std::string closing;
    std::vector<std::string> arguments;
    std::string err;
  } cases[] = {
      {"0<&-",
       {"--export-key", "--password-file=-", directory, out},
       kCaption + directory + "\n\nНеверный пароль контейнера «kat256».\n"},
      {"0<&-",
       {"--export-key", "--password-file=-", one, out},
       kCaption + one + "\n\nНеверный пароль контейнера «Container 1».\n"},
      {"1>&-", {"--list", one}, kCaption + unwritten},
      {"1>&-", {one, out}, kCaption + unwritten},
      {"1>&- 2>&-", {"--list", one}, ""},
      {"2>&-", {"--list", (dir / "none.reg").string()}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.closing + " " + c.arguments.front());
    const auto before = Listing(dir.path());
    const auto result = RunAfter("exec " + c.closing, c.arguments);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, c.err);
    EXPECT_EQ(Listing(dir.path()), before);
  }
  // A run held open while it waits for its password from a FIFO, the
  // source read by then.
  ASSERT_EQ(::mkfifo((dir / "pass.fifo").c_str(), 0600), 0);
  for (const int fd : {0, 1, 2}) {
    SCOPED_TRACE(fd);
    const std::string closing = std::to_string(fd) + (fd == 0 ? "<&-" : ">&-");
    RunningProgram program(
        "/bin/bash", {"-c", "exec " + closing + "; exec \"$0\" \"$@\"", QUILLFEN_EXE,
                      "--export-key", "--password-file=" + (dir / "pass.fifo").string(), one, out});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool waiting = false;
    while (!waiting && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      for (const int open : {2, 3, 4, 5})
        waiting |= DescriptorOf(program.pid(), open).ends_with("pass.fifo");
    }
    EXPECT_TRUE(waiting);
    EXPECT_EQ(DescriptorOf(program.pid(), fd), "/dev/null");
    ASSERT_EQ(::kill(program.pid(), SIGTERM), 0);
    EXPECT_EQ(program.Wait().exit_status, 128 + SIGTERM);
  }
}

// Ctrl-\ (SIGQUIT), or any other signal that ends the program, while the
// password is typed unseen: the terminal shows what is typed again. The
// stop signals end the run as always.
TEST(SignalsAndLimitsTest, ASignalAtThePasswordPromptGivesTheEchoBack) {
  TempDir dir;
  WriteBinaryFile(dir / "one.reg",
                  EncodeUtf16Le(RegeditExport(KnownAnswerValues("kat256.000")), true));
  const std::string one = (dir / "one.reg").string(), out = (dir / "out").string();
  for (const int signal : {SIGQUIT, SIGUSR1, SIGALRM, SIGABRT, SIGTERM}) {
    SCOPED_TRACE(::strsignal(signal));
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    ASSERT_EQ(::grantpt(terminal), 0);
    ASSERT_EQ(::unlockpt(terminal), 0);
    const std::string name = ::ptsname(terminal);
    const pid_t pid = ::fork();
    if (pid == 0) {
      // The terminal becomes the program's own, as a login's is.
      ::setsid();
      const int own = ::open(name.c_str(), O_RDWR);
      for (int fd = 0; fd <= 2; ++fd) ::dup2(own, fd);
      const struct rlimit no_core {};
      ::setrlimit(RLIMIT_CORE, &no_core);
      sigset_t none;
      sigemptyset(&none);
      ::sigprocmask(SIG_SETMASK, &none, nullptr);
      ::execl(QUILLFEN_EXE, QUILLFEN_EXE, "--export-key", one.c_str(), out.c_str(), nullptr);
      ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    // The prompt is shown, then the echo goes off.
    termios settings{};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    do {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      ASSERT_EQ(::tcgetattr(terminal, &settings), 0);
    } while ((settings.c_lflag & ECHO) != 0 && std::chrono::steady_clock::now() < deadline);
    EXPECT_EQ(settings.c_lflag & ECHO, 0u);
    ASSERT_EQ(::kill(pid, signal), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_EQ(WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status), 128 + signal);
    ASSERT_EQ(::tcgetattr(terminal, &settings), 0);
    EXPECT_NE(settings.c_lflag & ECHO, 0u);
    ::close(terminal);
  }
  EXPECT_FALSE(fs::exists(dir / "out"));
}

// Only secrets go into libgcrypt's secure memory, one pool as large as the
// run needs; what libgcrypt would say of it, that it cannot lock it among
// that, is no second message, and a password line as long as no password is
// refused whole, from a file, standard input or a FIFO, never cut.
TEST(SignalsAndLimitsTest, SecureMemorySaysNothingOfItsOwn) {
  TempDir dir;
  std::vector<TestContainer> many;
  for (int i = 0; i < 300; ++i) {
    std::u16string name = u"k";
    name += FromUtf8(std::to_string(i));
    many.push_back({u"S-1-5-21-1", false, name, KnownAnswerValues("kat512.000")});
  }
  WriteBinaryFile(dir / "many.reg", EncodeUtf16Le(SeveralContainersExport(many), true));
  WriteBinaryFile(dir / "one.reg",
                  EncodeUtf16Le(RegeditExport(KnownAnswerValues("kat256.000")), true));
  WriteBinaryFile(dir / "pass.txt", "Kat-256\n");
  WriteBinaryFile(dir / "long.txt", std::string(25000, 'a') + "\n");
  WriteBinaryFile(dir / "over.txt", std::string(4097, 'a') + "\n");
  const auto pfx = KnownAnswerFile("pfx/kat256.std.pfx");
  WriteBinaryFile(dir / "std.pfx", std::string(pfx.begin(), pfx.end()));
  WriteBinaryFile(dir / "std.txt", "Пароль-256\n");
  // The longest password a run takes, of the letter UTF-8 makes longest:
  // Windows-1251's "№".
  WriteBinaryFile(dir / "longest.txt", std::string(4096, '\xB9') + "\n");
  // No memory may be locked; root keeps that right unless it gives it up.
  const std::string unlocked =
      ::geteuid() == 0 ? "ulimit -l 0 && exec setpriv --bounding-set=-ipc_lock --inh-caps=-ipc_lock"
                       : "ulimit -l 0 && exec";
  const auto run = [&](const std::string& prefix, const std::vector<std::string>& arguments) {
    std::vector<std::string> call = {"-c", prefix + " \"$0\" \"$@\"", QUILLFEN_EXE};
    call.insert(call.end(), arguments.begin(), arguments.end());
    return RunProgram("/bin/bash", call, dir.path());
  };
  const struct {
    const char* what;
    std::string prefix;
    std::vector<std::string> arguments;
    int status;
    std::string err;
  } cases[] = {
      {"300 keys held until the last is proved",
       "exec",
       {"--export-key", "--all", "many.reg", "keys"},
       0,
       ""},
      {"no memory locked: --export-key",
       unlocked,
       {"--export-key", "--password-file=pass.txt", "one.reg", "key"},
       0,
       ""},
      {"no memory locked: --info", unlocked, {"--info", "one.reg"}, 0, ""},
      {"no memory locked: --export-pfx",
       unlocked,
       {"--export-pfx", "--password-file=pass.txt", "--pfx-password-file=pass.txt", "one.reg",
        "pfx"},
       0,
       ""},
      {"no memory locked: a PFX read",
       unlocked,
       {"--export-key", "--password-file=std.txt", "std.pfx", "pfx-key"},
       0,
       ""},
      {"no memory locked: --list", unlocked, {"--list", "one.reg"}, 0, ""},
      {"a PFX written under the longest password",
       "exec",
       {"--export-pfx", "--password-file=pass.txt", "--pfx-password-file=longest.txt", "one.reg",
        "longest"},
       0,
       ""},
      {"read with it, and written again under it",
       "exec",
       {"--export-pfx", "--password-file=longest.txt", "--pfx-password-file=longest.txt",
        "longest/containe.000.pfx", "again"},
       0,
       ""},
      {"that one read with it",
       "exec",
       {"--info", "--password-file=longest.txt", "again/containe.000.pfx"},
       0,
       ""},
      {"a password line of 25,000 bytes",
       "exec",
       {"--export-key", "--password-file=long.txt", "one.reg", "none"},
       1,
       kCaption + "long.txt\n\nПароль длиннее 4096 байт.\n"},
      {"a password line of 4097 bytes on standard input",
       "exec <over.txt",
       {"--export-key", "--password-file=-", "one.reg", "none"},
       1,
       kCaption + "-\n\nПароль длиннее 4096 байт.\n"},
      {"a password line of 25,000 bytes on standard input",
       "exec <long.txt",
       {"--export-key", "--password-file=-", "one.reg", "none"},
       1,
       kCaption + "-\n\nПароль длиннее 4096 байт.\n"},
      {"a password line of 4097 bytes from a FIFO",
       "mkfifo over.fifo && { cat over.txt >over.fifo & } && exec",
       {"--export-key", "--password-file=over.fifo", "one.reg", "none"},
       1,
       kCaption + "over.fifo\n\nПароль длиннее 4096 байт.\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto result = run(c.prefix, c.arguments);
    EXPECT_EQ(result.exit_status, c.status);
    EXPECT_EQ(result.err, c.err);
    EXPECT_EQ(result.out.substr(0, kCaption.size()), c.status == 0 ? kCaption : "");
  }
  size_t written = 0;
  for (const auto& entry : fs::directory_iterator(dir / "keys")) written += entry.is_regular_file();
  EXPECT_EQ(written, 600u);
  EXPECT_FALSE(fs::exists(dir / "none"));
}

}  // namespace
}  // namespace quillfen
#endif
