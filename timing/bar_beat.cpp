// Ticks to and from bar/beat (mb) and bar/beat/tick (mbt) positions. Beats
// count in the note value of the signature's denominator; the tick part of an
// mbt position counts quarter-note ticks at the sequence's beat resolution.
#include <cmath>

#include "tactus/timing.h"
#include "timing/int32_conversion.h"
#include "timing/time_index.h"

namespace tactus {

using internal::BarPositions;
using internal::into_bar;
using internal::measure_of;
using internal::Meter;
using internal::SignatureStep;
using internal::tick_after;

int32_t sequence_get_mb_from_tick(Sequence* sequence, int32_t tick, MbPosition* position) {
  if (sequence == nullptr || position == nullptr) return -1;
  const Meter meter = internal::meter_before(sequence, tick);
  const double bars = meter.bars_at(sequence_get_beat_from_tick(sequence, tick));
  mb_position_set_measure(position, measure_of(bars));
  const double bar_fraction = into_bar(static_cast<float>(bars), mb_position_get_measure(position));
  mb_position_set_beat(position, meter.mb_beat(bar_fraction));
  return 0;
}

int32_t sequence_get_mbt_from_tick(Sequence* sequence, int32_t tick, MbtPosition* position) {
  if (sequence == nullptr || position == nullptr) return -1;
  const Meter meter = internal::meter_before(sequence, tick);
  const double bars = meter.bars_at(sequence_get_beat_from_tick(sequence, tick));
  mbt_position_set_measure(position, measure_of(bars));
  const double bar_fraction = into_bar(static_cast<float>(bars), mbt_position_get_measure(position));
  mbt_position_set_beat(position, meter.mbt_beat(bar_fraction));
  // Here the bar fraction is rounded to float before use, unlike in the
  // walks from a position to a tick.
  const double rounded_fraction = static_cast<double>(static_cast<float>(bar_fraction));
  mbt_position_set_tick(position, meter.mbt_tick_part(sequence_get_beat_resolution(sequence),
                                                      rounded_fraction, mbt_position_get_beat(position)));
  return 0;
}

int32_t sequence_get_tick_from_mb(Sequence* sequence, MbPosition* position) {
  if (sequence == nullptr || position == nullptr) return -1;
  const int32_t target_measure = mb_position_get_measure(position);
  const float target_beat = mb_position_get_beat(position);
  const SignatureStep anchor =
      internal::signature_not_after(sequence, {target_measure, 0, target_beat}, &BarPositions::mb);
  const Meter& meter = anchor.after;
  const float whole_beats = static_cast<float>((static_cast<int64_t>(target_measure) - anchor.at.mb.measure) *
                                               static_cast<int64_t>(meter.numerator));
  const float quarters =
      static_cast<float>((static_cast<double>(target_beat) + static_cast<double>(whole_beats) -
                          static_cast<double>(anchor.at.mb.fraction)) *
                         4.0 / static_cast<double>(meter.denominator));
  // The quarter notes past the anchor convert as if counted from tick 0.
  return tick_after(anchor.tick, static_cast<double>(sequence_get_tick_from_beat(sequence, quarters)));
}

int32_t sequence_get_tick_from_mbt(Sequence* sequence, MbtPosition* position) {
  if (sequence == nullptr || position == nullptr) return -1;
  const int32_t target_measure = mbt_position_get_measure(position);
  const int32_t target_beat = mbt_position_get_beat(position);
  const float target_tick_part = mbt_position_get_tick(position);
  const SignatureStep anchor = internal::signature_not_after(
      sequence, {target_measure, target_beat, target_tick_part}, &BarPositions::mbt);
  const Meter& meter = anchor.after;
  const int64_t four_times_beats = ((static_cast<int64_t>(target_measure) - anchor.at.mbt.measure) *
                                        static_cast<int64_t>(meter.numerator) +
                                    (static_cast<int64_t>(target_beat) - anchor.at.mbt.beat)) *
                                   4;
  const float beat_ticks =
      static_cast<float>(static_cast<double>(four_times_beats) / static_cast<double>(meter.denominator) *
                         static_cast<double>(sequence_get_beat_resolution(sequence)));
  // The ticks past the anchor count at the beat resolution, without the tempo.
  return tick_after(anchor.tick,
                    (static_cast<double>(target_tick_part) - static_cast<double>(anchor.at.mbt.fraction)) +
                        static_cast<double>(beat_ticks));
}

}  // namespace tactus
