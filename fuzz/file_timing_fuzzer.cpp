// On the tempo maps of arbitrary files, however degenerate, through random
// edits, the time index answers as the walk does.

#include "fuzz/check.h"
#include "tests/timing/index_and_walk.h"

using namespace timing_test;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto load = [&](Random&) { return owned(sequence_load_from_memory(data, size)); };
  Random unused(0);
  if (load(unused) == nullptr) return 0;
  FUZZ_CHECK(first_difference_through_edits(load, size, 6) == nullptr);
  return 0;
}
