// Checks for the fuzz targets: a broken expectation prints where it broke
// and aborts, which libFuzzer reports as a crash and keeps the input.
#ifndef TACTUS_FUZZ_CHECK_H
#define TACTUS_FUZZ_CHECK_H

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

#endif
