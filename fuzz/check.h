// A failed check prints what it found and aborts: libFuzzer reports a crash
// and keeps the input.
#ifndef TACTUS_FUZZ_CHECK_H
#define TACTUS_FUZZ_CHECK_H

#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(condition) fuzz_check_no_flaw((condition) ? "" : "check failed: " #condition)

inline void fuzz_check_no_flaw(const std::string& flaw) {
  if (flaw.empty()) return;
  std::fprintf(stderr, "%s\n", flaw.c_str());
  std::abort();
}

#endif
