// Ticks to and from clock positions: hours, minutes and seconds (hms), or
// whole seconds and frames at the sequence's frame rate (hmsf). Fields are
// never normalised: 90 minutes stay 90 minutes.
#include <cmath>

#include "tactus/timing.h"
#include "timing/int32_conversion.h"

namespace tactus {

using internal::int32_from_double;

namespace {

// The clock fields shared by hms and hmsf: the unrounded seconds s, their
// float sf, and the hours and minutes they hold.
struct ClockTime {
  double seconds;
  float seconds_float;
  int32_t hours;
  int32_t minutes;
};

ClockTime clock_time_at(Sequence* sequence, int32_t tick) {
  ClockTime time{};
  time.seconds = sequence_get_seconds_from_tick(sequence, tick);
  time.seconds_float = static_cast<float>(time.seconds);
  time.hours = int32_from_double(std::trunc(time.seconds / 3600.0));
  time.minutes = int32_from_double(std::trunc(
      (static_cast<double>(time.seconds_float) - static_cast<double>(time.hours) * 3600.0) / 60.0));
  return time;
}

// sf − hours × 3600, rounded to float.
float seconds_past_hours(const ClockTime& time) {
  return static_cast<float>(static_cast<double>(time.seconds_float) -
                            static_cast<double>(time.hours) * 3600.0);
}

// (seconds + (minutes × 60 + (hours × 3600 rounded to float)) rounded to
// float) rounded to float.
float clock_seconds(double seconds, int32_t minutes, int32_t hours) {
  const float hour_seconds = static_cast<float>(static_cast<int64_t>(hours) * 3600);
  const float minute_seconds = static_cast<float>(static_cast<double>(static_cast<int64_t>(minutes) * 60) +
                                                  static_cast<double>(hour_seconds));
  return static_cast<float>(seconds + static_cast<double>(minute_seconds));
}

}  // namespace

int32_t sequence_get_hms_from_tick(Sequence* sequence, int32_t tick, HmsPosition* position) {
  if (sequence == nullptr || position == nullptr) return -1;
  const ClockTime time = clock_time_at(sequence, tick);
  hms_position_set_hours(position, time.hours);
  hms_position_set_minutes(position, time.minutes);
  hms_position_set_seconds(position, static_cast<float>(static_cast<double>(seconds_past_hours(time)) -
                                                        static_cast<double>(time.minutes) * 60.0));
  return 0;
}

int32_t sequence_get_hmsf_from_tick(Sequence* sequence, int32_t tick, HmsfPosition* position) {
  if (sequence == nullptr || position == nullptr) return -1;
  const ClockTime time = clock_time_at(sequence, tick);
  hmsf_position_set_hours(position, time.hours);
  hmsf_position_set_minutes(position, time.minutes);
  const double minute_seconds = static_cast<double>(time.minutes) * 60.0;
  // The whole seconds come from sf unrounded past the hours; the frames from
  // the values rounded to float at every step.
  hmsf_position_set_seconds(
      position, int32_from_double(std::trunc(
                    (static_cast<double>(time.seconds_float) - static_cast<double>(time.hours) * 3600.0) -
                    minute_seconds)));
  const float past_minutes =
      static_cast<float>(static_cast<double>(seconds_past_hours(time)) - minute_seconds);
  const float fraction = static_cast<float>(static_cast<double>(past_minutes) -
                                            static_cast<double>(hmsf_position_get_seconds(position)));
  hmsf_position_set_frames(position,
                           static_cast<float>(static_cast<double>(sequence_get_frame_rate(sequence)) *
                                              static_cast<double>(fraction)));
  return 0;
}

int32_t sequence_get_tick_from_hms(Sequence* sequence, HmsPosition* position) {
  if (sequence == nullptr || position == nullptr) return -1;
  const float seconds = clock_seconds(static_cast<double>(hms_position_get_seconds(position)),
                                      hms_position_get_minutes(position), hms_position_get_hours(position));
  return sequence_get_tick_from_seconds(sequence, seconds);
}

int32_t sequence_get_tick_from_hmsf(Sequence* sequence, HmsfPosition* position) {
  if (sequence == nullptr || position == nullptr) return -1;
  const float whole = clock_seconds(static_cast<double>(hmsf_position_get_seconds(position)),
                                    hmsf_position_get_minutes(position), hmsf_position_get_hours(position));
  const float seconds = static_cast<float>(static_cast<double>(hmsf_position_get_frames(position)) /
                                               static_cast<double>(sequence_get_frame_rate(sequence)) +
                                           static_cast<double>(whole));
  return sequence_get_tick_from_seconds(sequence, seconds);
}

}  // namespace tactus
