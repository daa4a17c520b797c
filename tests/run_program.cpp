#include "tests/run_program.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "host/unicode.h"

extern char** environ;

namespace quillfen {

TempDir::TempDir(const std::filesystem::path& base) {
  std::string pattern = (base / "quillfen-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ConsoleMessage(std::u16string_view text) {
  std::u16string lines = u"Velmora - Quillfen\n";
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.substr(i, 2) != u"\r\n") lines += text[i];
  }
  return ToUtf8(lines + u"\n");
}

std::string ReadBinaryFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

void WriteBinaryFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

unsigned Mode(const std::filesystem::path& path) {
  return unsigned(std::filesystem::symlink_status(path).permissions());
}

std::map<std::string, uintmax_t> Listing(const std::filesystem::path& root) {
  std::map<std::string, uintmax_t> listing;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const bool file = entry.symlink_status().type() == std::filesystem::file_type::regular;
    listing[entry.path().lexically_relative(root).string()] = file ? entry.file_size() : 0;
  }
  return listing;
}

RunningProgram::RunningProgram(const std::string& program,
                               const std::vector<std::string>& arguments,
                               const std::filesystem::path& directory)
    : capture_(std::make_unique<TempDir>()) {
  const std::string out_path = (*capture_ / "out").string();
  const std::string err_path = (*capture_ / "err").string();

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT, 0600);
  if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&defaults, signal);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  const int spawned =
      posix_spawn(&pid_, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0) throw std::runtime_error("cannot start " + program);
}

RunningProgram::~RunningProgram() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    Wait();
  }
}

ProgramResult RunningProgram::Wait() {
  int status = 0;
  struct rusage usage {};
  while (wait4(pid_, &status, 0, &usage) < 0) {
  }
  pid_ = -1;
  ProgramResult result;
  result.peak_kib = usage.ru_maxrss;
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = ReadBinaryFile(*capture_ / "out");
  result.err = ReadBinaryFile(*capture_ / "err");
  return result;
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& directory) {
  return RunningProgram(program, arguments, directory).Wait();
}

}  // namespace quillfen
