#pragma once

// Times --info of PFX files whose key derivations take all the rounds a
// file may ask for, each kind of derivation alone, and one past that, against
// --info of a PFX as the writers make it, in the same run; prints a table.
// Its exit status: 0, or 1 when a run ended otherwise than expected.
int RunPfxCostBenchmark(int rounds);
