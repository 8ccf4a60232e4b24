#include "player/backends/posix/monotonic_clock.h"

#include <ctime>

namespace tactus::player::posix {

uint64_t monotonic_ns() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

uint32_t monotonic_ms32() {
  // Conversion to the narrower unsigned type keeps the low 32 bits: the
  // wrap-around the player's clock arithmetic expects.
  return static_cast<uint32_t>(monotonic_ns() / 1000000u);
}

}  // namespace tactus::player::posix
