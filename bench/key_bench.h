#pragma once

// Times --export-key and --export-pfx on the known-answer containers, and
// --export-key of a PFX the program wrote, against a plain conversion of the
// same export, run by run; prints a table. Its exit status: 0, or 1 when a
// run failed.
int RunKeyBenchmark(int rounds);
