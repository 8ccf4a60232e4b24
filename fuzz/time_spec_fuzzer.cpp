// The --from and --to specs on arbitrary text, against the fixed
// Sequences: any text gives some tick and nothing undefined. A "tick:" spec
// is checked against the C library's own reading, clamped to 32 bits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "fuzz/check.h"
#include "fuzz/timing_sequences.h"
#include "player/core/range.h"

namespace {

// strtoll reads "%d" numbers the same way (white space, sign, digits) and
// saturates beyond its range; no digits gives 0.
int32_t tick_by_strtoll(const char* value) {
  const long long number = std::strtoll(value, nullptr, 10);
  if (number < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  if (number > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(number);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (tactus::Sequence* sequence : tactus::fuzz::timing_sequences()) {
    int32_t tick = -1;
    tactus::player::resolve_time_spec(text.c_str(), sequence, &tick);
    if (std::strncmp(text.c_str(), "tick:", 5) == 0) FUZZ_CHECK(tick == tick_by_strtoll(text.c_str() + 5));
  }
  return 0;
}
