#include "timing/meter_walk.h"

#include <cmath>

#include "tactus/timing.h"
#include "timing/first_track.h"
#include "timing/int32_conversion.h"

namespace tactus::internal {

double Meter::bars_at(double quarter_note) const {
  return (quarter_note - static_cast<double>(quarter)) * static_cast<double>(denominator) / 4.0 /
             static_cast<double>(numerator) +
         static_cast<double>(bars);
}

void Meter::apply(Event* signature, double quarter_note, float bars_there) {
  bars = bars_there;
  quarter = static_cast<float>(quarter_note);
  numerator = time_signature_get_numerator(signature);
  denominator = time_signature_get_denominator(signature);
}

SignaturePoint locate_signature(Sequence* sequence, const Meter& meter, Event* signature) {
  SignaturePoint point{};
  point.tick = event_get_tick(signature);
  point.quarter_note = sequence_get_beat_from_tick(sequence, point.tick);
  point.bars = meter.bars_at(point.quarter_note);
  point.bars_float = static_cast<float>(point.bars);
  point.measure = measure_of(point.bars);
  return point;
}

double bars_at_tick(Sequence* sequence, int32_t tick, Meter* meter) {
  for (Event* event = first_track_event(sequence); event != nullptr && event_get_tick(event) < tick;
       event = event_get_next_in_track(event)) {
    if (event_is_time_signature(event)) {
      const SignaturePoint point = locate_signature(sequence, *meter, event);
      meter->apply(event, point.quarter_note, point.bars_float);
    }
  }
  return meter->bars_at(sequence_get_beat_from_tick(sequence, tick));
}

int32_t measure_of(double bars) { return int32_from_double(std::trunc(bars) + 1.0); }

}  // namespace tactus::internal
