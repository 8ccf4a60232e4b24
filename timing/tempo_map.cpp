// Ticks to and from beats and seconds. For PPQ sequences beats are a plain
// proportion and seconds follow the tempo; for SMPTE sequences it is the other
// way round. The tempo comes from the time index, which answers as the walk
// from the first track's first event would.
#include "model/time_division.h"
#include "tactus/timing.h"
#include "timing/int32_conversion.h"
#include "timing/time_index.h"

namespace tactus {

using internal::frame_rate_of;
using internal::has_known_division;
using internal::int32_from_double;
using internal::SpanRule;
using internal::TempoState;
using internal::tick_after;

using internal::kSecondsPerMinute;

double sequence_get_beat_from_tick(Sequence* sequence, int32_t tick) {
  if (!has_known_division(sequence)) return -1.0;
  if (sequence_get_division_type(sequence) == DIVISION_PPQ) {
    return static_cast<double>(static_cast<float>(tick)) /
           static_cast<double>(sequence_get_resolution(sequence));
  }
  return internal::tempo_before(sequence, tick).value_at(SpanRule::of(sequence), tick);
}

int32_t sequence_get_tick_from_beat(Sequence* sequence, float beat) {
  if (!has_known_division(sequence)) return -1;
  const double resolution = static_cast<double>(sequence_get_resolution(sequence));
  const int32_t division_type = sequence_get_division_type(sequence);
  if (division_type == DIVISION_PPQ) {
    return int32_from_double(resolution * static_cast<double>(beat));
  }
  const TempoState state = internal::tempo_below(sequence, static_cast<double>(beat));
  const double frames = (static_cast<double>(beat) - static_cast<double>(state.value)) /
                        static_cast<double>(state.tempo) * kSecondsPerMinute *
                        frame_rate_of(division_type).as_double;
  return tick_after(state.anchor, resolution * frames);
}

double sequence_get_seconds_from_tick(Sequence* sequence, int32_t tick) {
  if (!has_known_division(sequence)) return -1.0;
  const int32_t division_type = sequence_get_division_type(sequence);
  if (division_type != DIVISION_PPQ) {
    const double ticks_per_second = static_cast<double>(sequence_get_resolution(sequence)) *
                                    static_cast<double>(frame_rate_of(division_type).as_float);
    return static_cast<double>(static_cast<float>(tick)) / ticks_per_second;
  }
  return internal::tempo_before(sequence, tick).value_at(SpanRule::of(sequence), tick);
}

int32_t sequence_get_tick_from_seconds(Sequence* sequence, float seconds) {
  if (!has_known_division(sequence)) return -1;
  const double resolution = static_cast<double>(sequence_get_resolution(sequence));
  const int32_t division_type = sequence_get_division_type(sequence);
  if (division_type != DIVISION_PPQ) {
    return int32_from_double(resolution * static_cast<double>(seconds) *
                             frame_rate_of(division_type).as_double);
  }
  const TempoState state = internal::tempo_below(sequence, static_cast<double>(seconds));
  const float beats = static_cast<float>((static_cast<double>(seconds) - static_cast<double>(state.value)) *
                                         (static_cast<double>(state.tempo) / kSecondsPerMinute));
  return tick_after(state.anchor, resolution * static_cast<double>(beats));
}

}  // namespace tactus
