#include "bench/key_bench.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
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

// The medians of `rounds` rounds of the four runs of `container`: a
// conversion, --export-key, --export-pfx and --export-key of a PFX the
// program wrote; nothing when a run fails.
std::optional<std::vector<double>> TimeContainer(const fs::path& dir,
                                                 const KnownContainer& container, int rounds) {
  const fs::path reg = dir / (container.name + ".reg");
  const fs::path password = dir / (container.name + ".pw");
  WriteBinaryFile(reg, ExportOf(container.name));
  WriteBinaryFile(password, container.password + "\n");
  // The PFX that is read, written once beforehand, under the container's
  // own password.
  const fs::path written = dir / (container.name + ".pfx");
  const std::string source_password = "--password-file=" + password.string();
  const std::string pfx_password = "--pfx-password-file=" + password.string();
  const fs::path pfx = written / "containe.000.pfx";
  if (!Time({"--export-pfx", source_password, pfx_password, reg.string(), written.string()}, pfx)) {
    return std::nullopt;
  }
  // The four runs, each with the arguments of a round and the file it leaves.
  const std::function<std::pair<std::vector<std::string>, fs::path>(const fs::path&)> kRuns[] = {
      [&](const fs::path& out) {
        return std::pair{std::vector<std::string>{reg.string(), out.string()}, out / "header.key"};
      },
      [&](const fs::path& out) {
        return std::pair{
            std::vector<std::string>{"--export-key", source_password, reg.string(), out.string()},
            out / "containe.000.key.pem"};
      },
      [&](const fs::path& out) {
        return std::pair{std::vector<std::string>{"--export-pfx", source_password, pfx_password,
                                                  reg.string(), out.string()},
                         out / "containe.000.pfx"};
      },
      [&](const fs::path& out) {
        return std::pair{
            std::vector<std::string>{"--export-key", source_password, pfx.string(), out.string()},
            out / "containe.000.key.pem"};
      },
  };
  std::vector<double> times[std::size(kRuns)];
  // The runs take turns going first.
  for (int round = 0; round < rounds; ++round) {
    for (size_t turn = 0; turn < std::size(kRuns); ++turn) {
      const size_t run = (turn + round) % std::size(kRuns);
      const fs::path out =
          dir / (container.name + std::to_string(round) + "." + std::to_string(run));
      const auto [arguments, expected] = kRuns[run](out);
      const auto seconds = Time(arguments, expected);
      if (!seconds) return std::nullopt;
      times[run].push_back(*seconds);
    }
  }
  std::vector<double> medians;
  for (auto& run : times) medians.push_back(Median(run));
  return medians;
}

}  // namespace

int RunKeyBenchmark(int rounds) {
  const TempDir dir;
  std::printf("%-10s %9s %12s %7s %12s %7s %10s %7s %8s\n", "container", "convert s",
              "export-key s", "ratio", "export-pfx s", "ratio", "read-pfx s", "ratio", "goal");
  for (const auto& container : kContainers) {
    const auto t = TimeContainer(dir.path(), container, rounds);
    if (!t) return 1;
    std::printf("%-10s %9.3f %12.3f %7.2f %12.3f %7.2f %10.3f %7.2f %8s\n", container.name.c_str(),
                (*t)[0], (*t)[1], (*t)[1] / (*t)[0], (*t)[2], (*t)[2] / (*t)[0], (*t)[3],
                (*t)[3] / (*t)[0], "< 0.2 s");
  }
  std::printf(
      "medians of %d rounds; convert is the same export made into a directory, read-pfx the "
      "key of a PFX the program wrote\n",
      rounds);
  return 0;
}
