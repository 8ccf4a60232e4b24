// Ticks to and from beats and seconds. For PPQ sequences beats are a plain
// proportion and seconds follow the tempo; for SMPTE sequences it is the other
// way round. Every walk starts afresh at the first track's first event.
#include "tactus/timing.h"
#include "timing/int32_conversion.h"
#include "timing/tempo_cursor.h"
#include "timing/tempo_walk.h"

namespace tactus {

using internal::frames_per_second_double;
using internal::frames_per_second_float;
using internal::has_known_division;
using internal::int32_from_double;
using internal::SpanRule;
using internal::TempoWalk;
using internal::tick_after;

using internal::kSecondsPerMinute;

namespace {

SpanRule smpte_beats_rule(Sequence* sequence) {
  return SpanRule::beats(sequence_get_resolution(sequence),
                         frames_per_second_float(sequence_get_division_type(sequence)));
}

}  // namespace

double sequence_get_beat_from_tick(Sequence* sequence, int32_t tick) {
  if (!has_known_division(sequence)) return -1.0;
  if (sequence_get_division_type(sequence) == DIVISION_PPQ) {
    return static_cast<double>(static_cast<float>(tick)) /
           static_cast<double>(sequence_get_resolution(sequence));
  }
  TempoWalk walk(sequence, smpte_beats_rule(sequence));
  walk.advance_before(tick);
  return walk.value_at(tick);
}

int32_t sequence_get_tick_from_beat(Sequence* sequence, float beat) {
  if (!has_known_division(sequence)) return -1;
  const double resolution = static_cast<double>(sequence_get_resolution(sequence));
  if (sequence_get_division_type(sequence) == DIVISION_PPQ) {
    return int32_from_double(resolution * static_cast<double>(beat));
  }
  TempoWalk walk(sequence, smpte_beats_rule(sequence));
  walk.advance_below(static_cast<double>(beat));
  const double frames = (static_cast<double>(beat) - static_cast<double>(walk.value())) /
                        static_cast<double>(walk.tempo()) * kSecondsPerMinute *
                        frames_per_second_double(sequence_get_division_type(sequence));
  return tick_after(walk.anchor(), resolution * frames);
}

double sequence_get_seconds_from_tick(Sequence* sequence, int32_t tick) {
  if (!has_known_division(sequence)) return -1.0;
  // A fresh cursor makes exactly one walk from the start.
  return internal::SecondsCursor(sequence).seconds_at(tick);
}

int32_t sequence_get_tick_from_seconds(Sequence* sequence, float seconds) {
  if (!has_known_division(sequence)) return -1;
  const double resolution = static_cast<double>(sequence_get_resolution(sequence));
  const int32_t division_type = sequence_get_division_type(sequence);
  if (division_type != DIVISION_PPQ) {
    return int32_from_double(resolution * static_cast<double>(seconds) *
                             frames_per_second_double(division_type));
  }
  TempoWalk walk(sequence, SpanRule::seconds(sequence_get_resolution(sequence)));
  walk.advance_below(static_cast<double>(seconds));
  const float beats = static_cast<float>((static_cast<double>(seconds) - static_cast<double>(walk.value())) *
                                         (static_cast<double>(walk.tempo()) / kSecondsPerMinute));
  return tick_after(walk.anchor(), resolution * static_cast<double>(beats));
}

}  // namespace tactus
