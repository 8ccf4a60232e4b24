// Arbitrary bytes as a MIDI file: the checks the tests run on the files they build
// (tests/support/file_check.h), then the file's own tempo map, however degenerate, through random edits: the
// time index answers as the walk does. A failed check prints what it found and aborts, so that libFuzzer
// reports a crash and keeps the input.
#include <cstdio>
#include <cstdlib>

#include "support/file_check.h"
#include "tests/timing/index_and_walk.h"

using namespace timing_test;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string flaw = tactus::test::file_flaw(data, size);
  const auto load = [&](Random&) { return owned(sequence_load_from_memory(data, size)); };
  Random unused(0);
  if (flaw.empty() && load(unused) != nullptr && first_difference_through_edits(load, size, 6) != nullptr)
    flaw = "the time index answers unlike the walk";
  if (flaw.empty()) return 0;
  std::fprintf(stderr, "%s\n", flaw.c_str());
  std::abort();
}
