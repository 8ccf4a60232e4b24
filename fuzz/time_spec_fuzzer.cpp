// Any text on random maps, as a --from or --to spec ("tick:" reads as strtoll,
// clamped to 32 bits) and as a position in each notation (the tick's text
// then fits 31 characters).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/check.h"
#include "player/core/range.h"
#include "tests/timing/timing_maps.h"

using namespace timing_test;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Of its own size, so that a read past its end is caught.
  const std::string text(reinterpret_cast<const char*>(data), size);
  Random random(size);
  for (int map = 0; map < 4; ++map) {
    auto s = random_sequence(random, 30);
    int32_t tick = -1;
    tactus::player::resolve_time_spec(text.c_str(), s.get(), &tick);
    const long long number = text.size() < 5 ? 0 : std::strtoll(text.c_str() + 5, nullptr, 10);
    if (text.rfind("tick:", 0) == 0) FUZZ_CHECK(tick == std::clamp<long long>(number, INT32_MIN, INT32_MAX));
    for (int notation = 0; notation < 5; ++notation) {
      tick = kTextToTick[notation](s.get(), text.c_str());
      FUZZ_CHECK(notation == 4 || std::strlen(kTickToText[notation](s.get(), tick)) < 32);
    }
  }
  return 0;
}
