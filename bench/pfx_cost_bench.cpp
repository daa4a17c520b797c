#include "bench/pfx_cost_bench.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "bench/measure.h"
#include "tests/costly_pfx.h"
#include "tests/run_program.h"
#include "tests/test_containers.h"

namespace {

namespace fs = std::filesystem;
using quillfen::CostlyDerivation;
using quillfen::bench::Measure;
using quillfen::bench::Measurement;
using Kind = CostlyDerivation::Kind;

struct Case {
  const char* what;
  std::vector<CostlyDerivation> derivations;
  int status;  // what the run must end with
};

// Every file but the last takes the million rounds a file may; the MAC's
// are tried with the empty password, the SHA-1 one thus twice.
const Case kCases[] = {
    {"MAC, Streebog-512, 500,000 iterations", {{Kind::kStreebog512Mac, 500'000}}, 1},
    {"MAC, Streebog-256, 333,333 iterations", {{Kind::kStreebog256Mac, 333'333}}, 1},
    {"MAC, SHA-1, 500,000 iterations, twice", {{Kind::kSha1Mac, 500'000}}, 1},
    {"PBES2, Streebog-256, 1,000,000", {{Kind::kPbes2Streebog256, 1'000'000}}, 1},
    {"PBES2, Streebog-512, 1,000,000", {{Kind::kPbes2Streebog512, 1'000'000}}, 1},
    {"3DES, SHA-1, 333,333 iterations", {{Kind::kTripleDes, 333'333}}, 1},
    {"provider's bag, 1,000,000", {{Kind::kProviderBag, 1'000'000}}, 1},
    {"refused: 2 x 600,000",
     {{Kind::kPbes2Streebog256, 600'000, 1}, {Kind::kPbes2Streebog256, 600'000, 2}},
     1},
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int RunPfxCostBenchmark(int rounds) {
  const quillfen::TempDir dir;
  const fs::path empty = dir / "empty.pass", standard_password = dir / "std.pass";
  quillfen::WriteBinaryFile(empty, "\n");
  quillfen::WriteBinaryFile(standard_password, "Пароль-256\n");
  const auto standard = quillfen::KnownAnswerFile("pfx/kat256.std.pfx");
  quillfen::WriteBinaryFile(dir / "std.pfx", std::string(standard.begin(), standard.end()));
  std::vector<std::vector<std::string>> commands = {
      {QUILLFEN_EXE, "--info", "--password-file=" + standard_password.string(),
       (dir / "std.pfx").string()}};
  std::vector<int> statuses = {0};
  for (size_t i = 0; i < std::size(kCases); ++i) {
    const fs::path file = dir / ("costly" + std::to_string(i) + ".pfx");
    const auto bytes = quillfen::CostlyPfx(kCases[i].derivations);
    quillfen::WriteBinaryFile(file, std::string(bytes.begin(), bytes.end()));
    commands.push_back(
        {QUILLFEN_EXE, "--info", "--password-file=" + empty.string(), file.string()});
    statuses.push_back(kCases[i].status);
  }
  std::vector<std::vector<double>> wall(commands.size()), cpu(commands.size());
  // The files take turns going first.
  for (int round = 0; round < rounds; ++round) {
    for (size_t turn = 0; turn < commands.size(); ++turn) {
      const size_t run = (turn + size_t(round)) % commands.size();
      const Measurement m = Measure(commands[run], true);
      if (m.status != statuses[run]) {
        std::cerr << commands[run].back() << ": status " << m.status << "\n";
        return 1;
      }
      wall[run].push_back(m.seconds);
      cpu[run].push_back(m.cpu_seconds);
    }
  }
  const double base = Median(wall[0]);
  std::printf("%-40s %8s %8s %14s\n", "--info of", "wall s", "CPU s", "against a file");
  std::printf("%-40s %8.3f %8.3f\n", "kat256.std.pfx (8,000 rounds)", base, Median(cpu[0]));
  for (size_t i = 0; i < std::size(kCases); ++i) {
    std::printf("%-40s %8.3f %8.3f %14.1f\n", kCases[i].what, Median(wall[i + 1]),
                Median(cpu[i + 1]), Median(wall[i + 1]) / base);
  }
  std::printf("medians of %d rounds; the goal: under 10 s of CPU for any file\n", rounds);
  return 0;
}
