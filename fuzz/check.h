// Checks for the fuzz targets: a broken expectation prints where it broke
// and aborts, which libFuzzer reports as a crash and keeps the input.
#ifndef TACTUS_FUZZ_CHECK_H
#define TACTUS_FUZZ_CHECK_H

#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

// Aborts with the text when two texts differ (descriptions, say).
inline void fuzz_check_same(const std::string& expected, const std::string& actual) {
  if (expected == actual) return;
  std::fprintf(stderr, "check failed: expected\n%s\nactual\n%s\n", expected.c_str(), actual.c_str());
  std::abort();
}

#endif
