#include "bench/der_bench.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "bench/measure.h"
#include "tests/run_program.h"
#include "tests/test_containers.h"
#include "tests/test_exports.h"

namespace {

namespace fs = std::filesystem;
using quillfen::TempDir;
using quillfen::TestHeader;
using quillfen::bench::Measure;

struct Case {
  const char* name;
  TestHeader header;
};

std::vector<Case> Cases() {
  const auto names = [](size_t count) {
    TestHeader header;
    header.certificate = quillfen::CertificateWithNames(count);
    return header;
  };
  TestHeader extensions;
  extensions.unknown_elements = {quillfen::HeaderExtensions(40000)};
  return {{"250 names: the longest list read", names(250)},
          {"10,000 names", names(10000)},
          {"80,000 names", names(80000)},
          {"40,000 extensions", extensions},
          {"120,000 names: past 1 MB", names(120000)}};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int RunDerBenchmark(int rounds, const std::string& program) {
  const TempDir dir;
  std::printf("%-32s %10s %9s %9s %9s %7s %9s %7s\n", "header.key", "size KiB", "export MiB",
              "convert s", "--list s", "ratio", "--info s", "ratio");
  int number = 0;
  for (const Case& c : Cases()) {
    const quillfen::ValueList values = quillfen::TestContainerValues(c.header, "big");
    const fs::path reg = dir / ("case" + std::to_string(++number) + ".reg");
    quillfen::WriteBinaryFile(reg, quillfen::EncodeUtf16Le(quillfen::RegeditExport(values), true));
    std::vector<double> convert, list, info;
    // The three take turns going first.
    for (int round = 0; round < rounds; ++round) {
      for (int turn = 0; turn < 3; ++turn) {
        const int which = (turn + round) % 3;
        const fs::path target = dir / "converted.000";
        std::vector<std::string> command = {program};
        if (which == 0) command.insert(command.end(), {reg.string(), target.string()});
        if (which == 1) command.insert(command.end(), {"--list", reg.string()});
        if (which == 2) command.insert(command.end(), {"--info", reg.string()});
        const auto m = Measure(command);
        fs::remove_all(target);
        if (m.status != 0) {
          std::cerr << program << " exited " << m.status << " on " << c.name << "\n";
          return 1;
        }
        (which == 0 ? convert : which == 1 ? list : info).push_back(m.seconds);
      }
    }
    const double base = Median(convert);
    std::printf("%-32s %10.0f %9.1f %9.3f %9.3f %7.2f %9.3f %7.2f\n", c.name,
                values.front().second.size() / 1024.0, fs::file_size(reg) / 1048576.0, base,
                Median(list), Median(list) / base, Median(info), Median(info) / base);
  }
  std::printf("medians of %d rounds; ratios against the conversion of the same export\n", rounds);
  return 0;
}
