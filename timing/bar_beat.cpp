// Ticks to and from bar/beat (mb) and bar/beat/tick (mbt) positions. Beats
// count in the note value of the signature's denominator; the tick part of an
// mbt position counts quarter-note ticks at the sequence's beat resolution.
#include <cmath>

#include "tactus/timing.h"
#include "timing/first_track.h"
#include "timing/int32_conversion.h"
#include "timing/meter_walk.h"

namespace tactus {

using internal::first_track_event;
using internal::int32_from_double;
using internal::locate_signature;
using internal::Meter;
using internal::SignaturePoint;
using internal::tick_after;

namespace {

// The fraction of its bar at which a bar count lies, measured from the start
// of bar `measure`: mf − (measure − 1).
double into_bar(float bars_float, int32_t measure) {
  return static_cast<double>(bars_float) - (static_cast<double>(measure) - 1.0);
}

float mb_beat(double bar_fraction, const Meter& meter) {
  return static_cast<float>(bar_fraction * static_cast<double>(meter.numerator) + 1.0);
}

int32_t mbt_beat(double bar_fraction, const Meter& meter) {
  return int32_from_double(std::trunc(bar_fraction * static_cast<double>(meter.numerator)) + 1.0);
}

// The tick part of an mbt position: the quarter notes past the start of the
// whole beat, at the beat resolution.
float mbt_tick_part(Sequence* sequence, double bar_fraction, int32_t beat, const Meter& meter) {
  const double numerator = static_cast<double>(meter.numerator);
  const float quarters = static_cast<float>((bar_fraction - (static_cast<double>(beat) - 1.0) / numerator) *
                                            numerator * 4.0 / static_cast<double>(meter.denominator));
  return static_cast<float>(static_cast<double>(sequence_get_beat_resolution(sequence)) *
                            static_cast<double>(quarters));
}

}  // namespace

int32_t sequence_get_mb_from_tick(Sequence* sequence, int32_t tick, MbPosition* position) {
  if (sequence == nullptr || position == nullptr) return -1;
  Meter meter;
  const double bars = internal::bars_at_tick(sequence, tick, &meter);
  mb_position_set_measure(position, internal::measure_of(bars));
  const double bar_fraction = into_bar(static_cast<float>(bars), mb_position_get_measure(position));
  mb_position_set_beat(position, mb_beat(bar_fraction, meter));
  return 0;
}

int32_t sequence_get_mbt_from_tick(Sequence* sequence, int32_t tick, MbtPosition* position) {
  if (sequence == nullptr || position == nullptr) return -1;
  Meter meter;
  const double bars = internal::bars_at_tick(sequence, tick, &meter);
  mbt_position_set_measure(position, internal::measure_of(bars));
  const double bar_fraction = into_bar(static_cast<float>(bars), mbt_position_get_measure(position));
  mbt_position_set_beat(position, mbt_beat(bar_fraction, meter));
  // Here the bar fraction is rounded to float before use, unlike in the
  // reverse walk.
  const double rounded_fraction = static_cast<double>(static_cast<float>(bar_fraction));
  mbt_position_set_tick(position,
                        mbt_tick_part(sequence, rounded_fraction, mbt_position_get_beat(position), meter));
  return 0;
}

int32_t sequence_get_tick_from_mb(Sequence* sequence, MbPosition* position) {
  if (sequence == nullptr || position == nullptr) return -1;
  const int32_t target_measure = mb_position_get_measure(position);
  const float target_beat = mb_position_get_beat(position);
  Meter meter;
  int32_t anchor = 0;
  int32_t anchor_measure = 1;
  float anchor_beat = 1.0f;
  for (Event* event = first_track_event(sequence); event != nullptr; event = event_get_next_in_track(event)) {
    if (!event_is_time_signature(event)) continue;
    const SignaturePoint point = locate_signature(sequence, meter, event);
    const float beat = mb_beat(into_bar(point.bars_float, point.measure), meter);
    if (point.measure > target_measure || (point.measure == target_measure && target_beat < beat)) break;
    anchor = point.tick;
    anchor_measure = point.measure;
    anchor_beat = beat;
    meter.apply(event, point.quarter_note, point.bars_float);
  }
  const float whole_beats = static_cast<float>((static_cast<int64_t>(target_measure) - anchor_measure) *
                                               static_cast<int64_t>(meter.numerator));
  const float quarters =
      static_cast<float>((static_cast<double>(target_beat) + static_cast<double>(whole_beats) -
                          static_cast<double>(anchor_beat)) *
                         4.0 / static_cast<double>(meter.denominator));
  // The quarter notes past the anchor convert as if counted from tick 0.
  return tick_after(anchor, static_cast<double>(sequence_get_tick_from_beat(sequence, quarters)));
}

int32_t sequence_get_tick_from_mbt(Sequence* sequence, MbtPosition* position) {
  if (sequence == nullptr || position == nullptr) return -1;
  const int32_t target_measure = mbt_position_get_measure(position);
  const int32_t target_beat = mbt_position_get_beat(position);
  const float target_tick_part = mbt_position_get_tick(position);
  Meter meter;
  int32_t anchor = 0;
  int32_t anchor_measure = 1;
  int32_t anchor_beat = 1;
  float anchor_tick_part = 0.0f;
  for (Event* event = first_track_event(sequence); event != nullptr; event = event_get_next_in_track(event)) {
    if (!event_is_time_signature(event)) continue;
    const SignaturePoint point = locate_signature(sequence, meter, event);
    const double bar_fraction = into_bar(point.bars_float, point.measure);
    const int32_t beat = mbt_beat(bar_fraction, meter);
    const float tick_part = mbt_tick_part(sequence, bar_fraction, beat, meter);
    if (point.measure > target_measure ||
        (point.measure == target_measure &&
         (beat > target_beat || (beat == target_beat && target_tick_part < tick_part)))) {
      break;
    }
    anchor = point.tick;
    anchor_measure = point.measure;
    anchor_beat = beat;
    anchor_tick_part = tick_part;
    meter.apply(event, point.quarter_note, point.bars_float);
  }
  const int64_t four_times_beats =
      ((static_cast<int64_t>(target_measure) - anchor_measure) * static_cast<int64_t>(meter.numerator) +
       (static_cast<int64_t>(target_beat) - anchor_beat)) *
      4;
  const float beat_ticks =
      static_cast<float>(static_cast<double>(four_times_beats) / static_cast<double>(meter.denominator) *
                         static_cast<double>(sequence_get_beat_resolution(sequence)));
  // The ticks past the anchor count at the beat resolution, without the tempo.
  return tick_after(anchor, (static_cast<double>(target_tick_part) - static_cast<double>(anchor_tick_part)) +
                                static_cast<double>(beat_ticks));
}

}  // namespace tactus
