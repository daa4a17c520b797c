// --to-reg of a container with one large file: the values are read and
// written one at a time, so the peak memory follows the largest file.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>

#include "bench/measure.h"
#include "tests/run_program.h"

namespace quillfen::bench {
namespace {

namespace fs = std::filesystem;

// Random bytes, written a mebibyte at a time: nothing large is held here
// while the program is measured.
void WriteRandomFile(const fs::path& path, size_t mib) {
  std::mt19937_64 random(13);
  std::ofstream out(path, std::ios::binary);
  std::string piece(1 << 20, '\0');
  for (size_t i = 0; i < mib; ++i) {
    for (auto& byte : piece) byte = char(random());
    out << piece;
  }
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

int MeasureToReg(const std::vector<std::string>& args) {
  const size_t mib = args.size() > 2 ? size_t(std::atol(args[2].c_str())) : 100;
  const std::string program = args.size() > 3 ? args[3] : QUILLFEN_EXE;
  const TempDir scratch(fs::absolute(args[1]));
  const fs::path container = scratch / "large.000";
  fs::create_directory(container);
  try {
    WriteRandomFile(container / "primary.key", mib);
    for (const char* name : {"header.key", "masks.key", "name.key"}) {
      std::ofstream(container / name, std::ios::binary) << std::string(64, 'v');
    }
  } catch (const std::exception& error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
  const Measurement m = Measure({program, "--to-reg", "--user=S-1-5-21-1", container.string()});
  const fs::path reg = scratch / "large.reg";
  if (m.status != 0 || !fs::exists(reg)) {
    std::cerr << program << " exited " << m.status << "\n";
    return 1;
  }
  const double largest = double(mib);
  std::printf("%-12s %9s %9s %12s %17s\n", "--to-reg", "file MiB", "seconds", "peak RSS MiB",
              "peak / largest");
  std::printf("%-12s %9.1f %9.3f %12.1f %10.2f (3.0)\n", "", largest, m.seconds,
              m.peak_kib / 1024.0, m.peak_kib / 1024.0 / largest);
  std::printf(".reg of %.1f MiB; goal in parentheses, met at or below\n",
              double(fs::file_size(reg)) / (1 << 20));
  return 0;
}

}  // namespace quillfen::bench
