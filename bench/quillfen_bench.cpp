// Generates registry exports and times the converter against iconv on the
// same file.
//
//   quillfen_bench example FILE        the bundled example export
//   quillfen_bench generate FILE [N]   an export of N keys (default 250000)
//   quillfen_bench run FILE [ROUNDS]   times iconv and quillfen on FILE
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "tests/run_program.h"
#include "tests/test_exports.h"

namespace {

using quillfen::EncodeUtf16Le;

struct Measurement {
  double seconds = 0;
  long peak_kib = 0;
  int status = 0;
};

// Runs a command and reports its wall time and its peak resident memory.
Measurement Measure(const std::vector<std::string>& command) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    std::freopen("/dev/null", "w", stdout);
    std::vector<char*> argv;
    for (const auto& part : command) argv.push_back(const_cast<char*>(part.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  Measurement m;
  m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  m.peak_kib = usage.ru_maxrss;
  m.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
  return m;
}

int WriteExample(const std::string& path) {
  std::ofstream(path, std::ios::binary)
      << EncodeUtf16Le(quillfen::RegeditExport(quillfen::ExampleContainerValues()), true);
  return 0;
}

// An export in the registry editor's layout: keys with string, dword and
// binary values, the container key near the end. Written key by key, so the
// generator itself needs little memory.
int Generate(const std::string& path, long keys) {
  std::ofstream out(path, std::ios::binary);
  std::mt19937 random(7);
  const auto bytes = [&](size_t count) {
    std::vector<uint8_t> value(count);
    for (auto& byte : value) byte = static_cast<uint8_t>(random());
    return value;
  };
  out << EncodeUtf16Le(u"Windows Registry Editor Version 5.00\r\n\r\n", true);
  const long container_at = keys - keys / 100;
  for (long key = 0; key < keys; ++key) {
    if (key == container_at) {
      std::u16string text = std::u16string(quillfen::kTestContainerHeader) + u"\r\n";
      for (const auto& [name, value] : quillfen::ExampleContainerValues()) {
        text += quillfen::RegeditHexValue(name, value);
      }
      out << EncodeUtf16Le(text + u"\r\n", false);
    }
    const std::string number = std::to_string(key);
    const std::u16string id(number.begin(), number.end());
    std::u16string text = u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Product\\Component" + id +
                          u"]\r\n\"Name\"=\"Component number " + id +
                          u"\"\r\n\"Enabled\"=dword:00000001\r\n";
    text += quillfen::RegeditHexValue(u"Blob", bytes(600));
    out << EncodeUtf16Le(text + u"\r\n", false);
  }
  return out ? 0 : 1;
}

int Run(const std::string& path, int rounds) {
  const double size_kib = double(std::filesystem::file_size(path)) / 1024;
  Measurement best_iconv, best_quillfen;
  for (int round = 0; round < rounds; ++round) {
    const Measurement iconv =
        Measure({"iconv", "-f", "UTF-16LE", "-t", "UTF-8", path, "-o", "/dev/null"});
    quillfen::TempDir dir;
    const Measurement convert = Measure({QUILLFEN_EXE, path, (dir / "c.000").string()});
    if (iconv.status != 0 || convert.status != 0) {
      std::cerr << "iconv exited " << iconv.status << ", quillfen " << convert.status << "\n";
      return 1;
    }
    if (round == 0 || iconv.seconds < best_iconv.seconds) best_iconv = iconv;
    if (round == 0 || convert.seconds < best_quillfen.seconds) best_quillfen = convert;
  }
  std::printf("file            %.1f MiB\n", size_kib / 1024);
  std::printf("iconv           %.3f s  peak %.1f MiB\n", best_iconv.seconds,
              best_iconv.peak_kib / 1024.0);
  std::printf("quillfen        %.3f s  peak %.1f MiB\n", best_quillfen.seconds,
              best_quillfen.peak_kib / 1024.0);
  std::printf("time ratio      %.3f (quillfen / iconv; goal <= 0.5)\n",
              best_quillfen.seconds / best_iconv.seconds);
  std::printf("memory ratio    %.3f (quillfen peak / file size; goal <= 1.5)\n",
              best_quillfen.peak_kib / size_kib);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() >= 2 && args[0] == "example") return WriteExample(args[1]);
  if (args.size() >= 2 && args[0] == "generate") {
    return Generate(args[1], args.size() > 2 ? std::atol(args[2].c_str()) : 250000);
  }
  if (args.size() >= 2 && args[0] == "run") {
    return Run(args[1], args.size() > 2 ? std::atoi(args[2].c_str()) : 3);
  }
  std::cerr << "usage: quillfen_bench example FILE | generate FILE [KEYS] | run FILE [ROUNDS]\n";
  return 2;
}
