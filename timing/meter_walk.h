// Bars and beats follow the time-signature events of the first track. A walk
// keeps the signature in force and the quarter-note position and bar count at
// which it took effect; bar counts between signature events are proportional
// to the quarter notes from there.
#ifndef TACTUS_TIMING_METER_WALK_H
#define TACTUS_TIMING_METER_WALK_H

#include <cstdint>

#include "tactus/model.h"

namespace tactus::internal {

struct Meter {
  int32_t numerator = 4;
  int32_t denominator = 4;
  float quarter = 0.0f;  // quarter-note position of the last signature applied
  float bars = 0.0f;     // bars counted up to that signature

  // Bars from the start at quarter-note position `quarter_note`, counted in
  // this signature: (q − Q) × D / 4 / N + M, strictly left to right.
  double bars_at(double quarter_note) const;

  // Makes `signature` the one in force; it lies at `quarter_note`, where
  // `bars_there` bars are counted.
  void apply(Event* signature, double quarter_note, float bars_there);
};

// Where a time-signature event falls under the meter in force before it.
struct SignaturePoint {
  int32_t tick;
  double quarter_note;
  double bars;  // unrounded
  float bars_float;
  int32_t measure;  // trunc(bars) + 1
};

SignaturePoint locate_signature(Sequence* sequence, const Meter& meter, Event* signature);

// Bars from the start at `tick`, applying the time signatures of events before
// it; `meter` is left with the signature in force at `tick`.
double bars_at_tick(Sequence* sequence, int32_t tick, Meter* meter);

// trunc(bars) + 1: the bar number in which a bar count lies.
int32_t measure_of(double bars);

}  // namespace tactus::internal

#endif
