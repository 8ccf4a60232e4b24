// Converting seconds into the millisecond values of the playback clock.
#ifndef TACTUS_PLAYER_CORE_DUE_TIME_H
#define TACTUS_PLAYER_CORE_DUE_TIME_H

#include <cstdint>

namespace tactus::player {

// The longest wait that is still a time limit: the platform reads the
// largest 32-bit value as "no limit".
inline constexpr uint32_t kLongestTimedWait = 0xFFFFFFFEu;

// seconds * 1000, truncated toward zero and taken modulo 2^32, the way the
// clock counts. A NaN or infinite value gives 0.
uint32_t due_time_ms(double seconds);

// The time at which a moment of the file is played at `tempo_percent` of
// its tempo: file_seconds * 100 / tempo_percent, and back. At 100 the time
// stays exactly as it is.
double played_seconds(double file_seconds, float tempo_percent);
double file_seconds(double played_seconds, float tempo_percent);

// Whether the extra time after the last event gives a wait at all: NaN,
// zero and negative values do not.
bool has_extra_time(float seconds);

// The limit of that wait: seconds * 1000 truncated toward zero, at most
// kLongestTimedWait (so even an infinite value stays a timed wait).
uint32_t extra_time_ms(float seconds);

}  // namespace tactus::player

#endif
