// Bars and beats follow the time-signature events of the first track. A walk
// keeps the signature in force and the quarter-note position and bar count at
// which it took effect; bar counts between signature events are proportional
// to the quarter notes from there. The time index records the walk's steps;
// the walk also answers on its own when there is no memory for the index.
#ifndef TACTUS_TIMING_METER_WALK_H
#define TACTUS_TIMING_METER_WALK_H

#include <cstdint>

#include "tactus/model.h"
#include "timing/first_track.h"

namespace tactus::internal {

struct Meter {
  int32_t numerator = 4;
  int32_t denominator = 4;
  float quarter = 0.0f;  // quarter-note position of the last signature applied
  float bars = 0.0f;     // bars counted up to that signature

  // Bars from the start at quarter-note position `quarter_note`, counted in
  // this signature: (q − Q) × D / 4 / N + M, strictly left to right.
  double bars_at(double quarter_note) const;

  // The beat of an mb position and the whole beat of an mbt position at
  // `bar_fraction` of a bar (see into_bar).
  float mb_beat(double bar_fraction) const;
  int32_t mbt_beat(double bar_fraction) const;
  // The tick part of an mbt position: the quarter notes past the start of
  // its whole beat, at the beat resolution.
  float mbt_tick_part(int32_t beat_resolution, double bar_fraction, int32_t beat) const;
};

// trunc(bars) + 1: the bar number in which a bar count lies.
int32_t measure_of(double bars);

// The fraction of its bar at which a bar count lies, measured from the start
// of bar `measure`: mf − (measure − 1).
double into_bar(float bars_float, int32_t measure);

// A position as the walks from a position to a tick compare it: bar, whole
// beat and what follows. An mb position has beat 0 and its beat (with its
// fraction) as the fraction; an mbt position its tick part.
struct BarPosition {
  int32_t measure;
  int32_t beat;
  float fraction;
};

// Whether `position` comes after `target`: by bar, then beat, then fraction.
bool lies_after(const BarPosition& position, const BarPosition& target);

struct BarPositions {
  BarPosition mb;
  BarPosition mbt;
};

// One time-signature event as the walks meet it: its place in both
// notations under the signature before it, and the meter after it.
struct SignatureStep {
  int32_t tick;
  BarPositions at;
  Meter after;
};

// Where the walks from a position to a tick stand before any signature.
SignatureStep before_any_signature();

class SignatureWalk {
 public:
  SignatureWalk(Sequence* sequence, MetaSource source);

  // Applies the next time-signature event and describes it; false after the
  // last.
  bool next(SignatureStep* step);

 private:
  Sequence* sequence_;
  FirstTrackMetas signatures_;
  Meter meter_;
};

}  // namespace tactus::internal

#endif
