#pragma once

#include <string>

// Times --list and --info of exports whose header.key holds up to tens of
// thousands of DER elements in one list (a certificate's names,
// extensions), and one past a megabyte, against their conversion, with
// `program`; prints a table. Its exit status: 0, or 1 when a run failed.
int RunDerBenchmark(int rounds, const std::string& program);
