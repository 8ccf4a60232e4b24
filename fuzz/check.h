// Checks for the fuzz targets: a failed one prints what it found and aborts,
// which libFuzzer reports as a crash and keeps the input.
#ifndef TACTUS_FUZZ_CHECK_H
#define TACTUS_FUZZ_CHECK_H

#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(condition) fuzz_check_no_flaw((condition) ? "" : "check failed: " #condition)

// Aborts with the flaw, a text such as a check of a Sequence gives, unless it is empty.
inline void fuzz_check_no_flaw(const std::string& flaw) {
  if (flaw.empty()) return;
  std::fprintf(stderr, "%s\n", flaw.c_str());
  std::abort();
}

#endif
