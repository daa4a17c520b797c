#pragma once

#include <cstdio>
#include <cstdlib>

// An invariant that fails stops the fuzzer with a crash it saves as an
// artifact; the text says which invariant it was.
#define FUZZ_CHECK(condition)                                                                \
  do {                                                                                       \
    if (!(condition)) {                                                                      \
      std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                          \
    }                                                                                        \
  } while (false)
