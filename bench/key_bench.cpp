#include "bench/key_bench.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "tests/run_program.h"
#include "tests/test_exports.h"

namespace {

namespace fs = std::filesystem;
using quillfen::ReadBinaryFile;
using quillfen::RunProgram;
using quillfen::TempDir;
using quillfen::WriteBinaryFile;

struct KnownContainer {
  std::string name;
  std::string password;  // empty: none
};

const KnownContainer kContainers[] = {
    {"kat2001", "Kat-2001"}, {"kat256", "Kat-256"}, {"kat512", ""}};

// The container's export as the registry editor writes it.
std::string ExportOf(const std::string& name) {
  const fs::path directory =
      fs::path(QUILLFEN_SOURCE_DIR) / "tests" / "data" / "known-answers" / (name + ".000");
  quillfen::ValueList values;
  for (const char* file :
       {"header.key", "masks.key", "masks2.key", "name.key", "primary.key", "primary2.key"}) {
    const std::string bytes = ReadBinaryFile(directory / file);
    values.emplace_back(std::u16string(file, file + std::char_traits<char>::length(file)),
                        std::vector<uint8_t>(bytes.begin(), bytes.end()));
  }
  return quillfen::EncodeUtf16Le(quillfen::RegeditExport(values), true);
}

// The program's wall time for `arguments`; nothing when it fails or leaves
// no `expected` file.
std::optional<double> Time(const std::vector<std::string>& arguments, const fs::path& expected) {
  const auto start = std::chrono::steady_clock::now();
  const auto result = RunProgram(QUILLFEN_EXE, arguments);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (result.exit_status != 0 || !fs::exists(expected)) {
    std::cerr << "quillfen exited " << result.exit_status << ": " << result.err;
    return std::nullopt;
  }
  return seconds;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int RunKeyBenchmark(int rounds) {
  const TempDir dir;
  std::printf("%-10s %9s %12s %14s %12s\n", "container", "convert s", "export-key s",
              "export/convert", "goal");
  for (const auto& container : kContainers) {
    const fs::path reg = dir / (container.name + ".reg");
    const fs::path password = dir / (container.name + ".pw");
    WriteBinaryFile(reg, ExportOf(container.name));
    WriteBinaryFile(password, container.password + "\n");
    std::vector<double> convert, export_key;
    // The two take turns going first.
    for (int round = 0; round < rounds; ++round) {
      const fs::path converted = dir / (container.name + std::to_string(round) + ".000");
      const fs::path keys = dir / (container.name + std::to_string(round) + ".keys");
      for (int turn = 0; turn < 2; ++turn) {
        if ((turn + round) % 2 == 0) {
          const auto seconds = Time({reg.string(), converted.string()}, converted / "header.key");
          if (!seconds) return 1;
          convert.push_back(*seconds);
        } else {
          const auto seconds = Time(
              {"--export-key", "--password-file=" + password.string(), reg.string(), keys.string()},
              keys / "containe.000.key.pem");
          if (!seconds) return 1;
          export_key.push_back(*seconds);
        }
      }
    }
    std::printf("%-10s %9.3f %12.3f %14.2f %12s\n", container.name.c_str(), Median(convert),
                Median(export_key), Median(export_key) / Median(convert),
                container.password.empty() ? "-" : "< 0.2 s");
  }
  std::printf("medians of %d rounds; convert is the same export made into a directory\n", rounds);
  return 0;
}
