#include "timing/meter_walk.h"

#include <cmath>

#include "model/midi_messages.h"
#include "tactus/timing.h"
#include "timing/int32_conversion.h"

namespace tactus::internal {

double Meter::bars_at(double quarter_note) const {
  return (quarter_note - static_cast<double>(quarter)) * static_cast<double>(denominator) / 4.0 /
             static_cast<double>(numerator) +
         static_cast<double>(bars);
}

float Meter::mb_beat(double bar_fraction) const {
  return static_cast<float>(bar_fraction * static_cast<double>(numerator) + 1.0);
}

int32_t Meter::mbt_beat(double bar_fraction) const {
  return int32_from_double(std::trunc(bar_fraction * static_cast<double>(numerator)) + 1.0);
}

float Meter::mbt_tick_part(int32_t beat_resolution, double bar_fraction, int32_t beat) const {
  const double beats = static_cast<double>(numerator);
  const float quarters = static_cast<float>((bar_fraction - (static_cast<double>(beat) - 1.0) / beats) *
                                            beats * 4.0 / static_cast<double>(denominator));
  return static_cast<float>(static_cast<double>(beat_resolution) * static_cast<double>(quarters));
}

int32_t measure_of(double bars) { return int32_from_double(std::trunc(bars) + 1.0); }

double into_bar(float bars_float, int32_t measure) {
  return static_cast<double>(bars_float) - (static_cast<double>(measure) - 1.0);
}

bool lies_after(const BarPosition& position, const BarPosition& target) {
  if (position.measure != target.measure) return position.measure > target.measure;
  if (position.beat != target.beat) return position.beat > target.beat;
  return target.fraction < position.fraction;
}

SignatureStep before_any_signature() { return {0, {{1, 0, 1.0f}, {1, 1, 0.0f}}, Meter{}}; }

SignatureWalk::SignatureWalk(Sequence* sequence, MetaSource source)
    : sequence_(sequence), signatures_(sequence, kTimeSignatureMeta, source) {}

bool SignatureWalk::next(SignatureStep* step) {
  Event* signature = signatures_.next();
  if (signature == nullptr) return false;
  step->tick = event_get_tick(signature);
  const double quarter_note = sequence_get_beat_from_tick(sequence_, step->tick);
  const double bars = meter_.bars_at(quarter_note);
  const auto bars_float = static_cast<float>(bars);
  const int32_t measure = measure_of(bars);
  // Unlike the conversion of a tick to an mbt position, the walks use the
  // bar fraction unrounded for the tick part.
  const double bar_fraction = into_bar(bars_float, measure);
  const int32_t beat = meter_.mbt_beat(bar_fraction);
  step->at.mb = {measure, 0, meter_.mb_beat(bar_fraction)};
  step->at.mbt = {measure, beat,
                  meter_.mbt_tick_part(sequence_get_beat_resolution(sequence_), bar_fraction, beat)};
  meter_.bars = bars_float;
  meter_.quarter = static_cast<float>(quarter_note);
  meter_.numerator = time_signature_get_numerator(signature);
  meter_.denominator = time_signature_get_denominator(signature);
  step->after = meter_;
  return true;
}

}  // namespace tactus::internal
