#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillfen {

struct ProgramResult {
  int exit_status = -1;
  std::string out;
  std::string err;
  long peak_kib = 0;  // the program's peak resident memory
};

// Runs `program` with `arguments`, no standard input, in `directory` when it
// is given, and captures what it prints.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& directory = {});

// A fresh directory under `base`, removed with everything in it when the
// object goes.
class TempDir {
 public:
  explicit TempDir(const std::filesystem::path& base = std::filesystem::temp_directory_path());
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// The same, started and not yet waited for; the signals that stop programs
// have their default action in it, whatever the tests' own.
class RunningProgram {
 public:
  RunningProgram(const std::string& program, const std::vector<std::string>& arguments,
                 const std::filesystem::path& directory = {});
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;
  ~RunningProgram();  // kills a program still running
  int pid() const { return pid_; }
  ProgramResult Wait();

 private:
  std::unique_ptr<TempDir> capture_;
  int pid_ = -1;
};
// A message as the program prints it on a terminal: the caption line, the
// text in UTF-8 with CR LF as LF, a line break.
std::string ConsoleMessage(std::u16string_view text);

std::string ReadBinaryFile(const std::filesystem::path& path);
void WriteBinaryFile(const std::filesystem::path& path, const std::string& bytes);

// The permission bits of `path` (of a link itself, not of what it names).
unsigned Mode(const std::filesystem::path& path);

// Every name below `root`, links not followed, with the size of each file.
std::map<std::string, uintmax_t> Listing(const std::filesystem::path& root);

}  // namespace quillfen
