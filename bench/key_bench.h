#pragma once

// Times --export-key on the known-answer containers against a plain
// conversion of the same export, run by run; prints a table. Its exit
// status: 0, or 1 when a run failed.
int RunKeyBenchmark(int rounds);
