#include "player/core/due_time.h"

#include <cmath>

namespace tactus::player {

namespace {
constexpr double kClockRange = 4294967296.0;  // 2^32
}

uint32_t due_time_ms(double seconds) {
  const double milliseconds = std::trunc(seconds * 1000.0);
  if (!std::isfinite(milliseconds)) return 0;
  // fmod is exact, so the wrap matches unsigned arithmetic on the whole
  // integer; a negative remainder is brought into [0, 2^32).
  double wrapped = std::fmod(milliseconds, kClockRange);
  if (wrapped < 0) wrapped += kClockRange;
  return static_cast<uint32_t>(wrapped);
}

double played_seconds(double file_seconds, float tempo_percent) {
  return tempo_percent == 100 ? file_seconds : file_seconds * 100.0 / tempo_percent;
}

double file_seconds(double played_seconds, float tempo_percent) {
  return tempo_percent == 100 ? played_seconds : played_seconds * tempo_percent / 100.0;
}

bool has_extra_time(float seconds) { return seconds > 0; }

uint32_t extra_time_ms(float seconds) {
  if (!has_extra_time(seconds)) return 0;
  const double milliseconds = std::trunc(static_cast<double>(seconds) * 1000.0);
  if (milliseconds >= kLongestTimedWait) return kLongestTimedWait;
  return static_cast<uint32_t>(milliseconds);
}

}  // namespace tactus::player
