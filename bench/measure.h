#pragma once

#include <string>
#include <vector>

namespace quillfen::bench {

struct Measurement {
  double seconds = 0;
  double cpu_seconds = 0;  // user and system
  long peak_kib = 0;
  int status = 0;
};

// Runs a command with its standard output discarded (and its standard
// error with `quiet`) and reports its wall time, its CPU time, its peak
// resident memory and its exit status (128 + the signal when a signal ended
// it). The child's peak starts from what this process holds when it forks,
// so nothing large may be held here while measuring.
Measurement Measure(const std::vector<std::string>& command, bool quiet = false);

// `quillfen_bench to-reg DIRECTORY [MIB] [PROGRAM]`: the peak memory of
// --to-reg on a container whose largest file holds MIB MiB.
int MeasureToReg(const std::vector<std::string>& args);

}  // namespace quillfen::bench
