// The monotonic clock that the player's timing, its waits and the port
// drain all measure against.
#ifndef TACTUS_PLAYER_BACKENDS_POSIX_MONOTONIC_CLOCK_H
#define TACTUS_PLAYER_BACKENDS_POSIX_MONOTONIC_CLOCK_H

#include <cstdint>

namespace tactus::player::posix {

// Nanoseconds since an arbitrary start; never goes back.
uint64_t monotonic_ns();

// Milliseconds of the same clock, wrapping at 2^32.
uint32_t monotonic_ms32();

}  // namespace tactus::player::posix

#endif
