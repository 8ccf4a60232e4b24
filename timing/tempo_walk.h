// The tempo map as a walk over the tempo events of the first track. The walk
// carries the tempo in force, the tick of the last tempo event applied and the
// beats or seconds accumulated up to it, rounding exactly where the
// conversions require so that every caller gets the same bits.
#ifndef TACTUS_TIMING_TEMPO_WALK_H
#define TACTUS_TIMING_TEMPO_WALK_H

#include <cstdint>

#include "tactus/model.h"

namespace tactus::internal {

inline constexpr double kSecondsPerMinute = 60.0;

// Frames per second of an SMPTE division type. The walks and tick to seconds
// use the float nearest to 29.97; the last step of beat to tick and seconds to
// tick use the double 29.97.
float frames_per_second_float(int32_t division_type);
double frames_per_second_double(int32_t division_type);

// True for a sequence whose division type is one of the five known ones.
bool has_known_division(Sequence* sequence);

// Seconds of an SMPTE tick: no tempo is involved.
double smpte_seconds_from_tick(int32_t resolution, float frames_per_second, int32_t tick);

// How long a span of ticks lasts at a tempo: in beats for an SMPTE sequence,
// in seconds for a PPQ one.
class SpanRule {
 public:
  static SpanRule beats(int32_t resolution, float frames_per_second);
  static SpanRule seconds(int32_t resolution);

  double length(float ticks, float beats_per_minute) const;

 private:
  SpanRule(bool in_beats, int32_t resolution, float frames_per_second);

  bool in_beats_;
  int32_t resolution_;
  float frames_per_second_;
};

class TempoWalk {
 public:
  // Starts at the first event of the sequence's first track (none if the
  // sequence has no track) at 120 beats per minute.
  TempoWalk(Sequence* sequence, SpanRule rule);

  // Back to the first event and the starting state.
  void restart();

  // Applies the tempo events met before the first event whose tick is not
  // below `tick`, continuing from where the walk stands.
  void advance_before(int32_t tick);

  // Applies tempo events, over the whole track, as long as the value at which
  // each one starts stays below `target`.
  void advance_below(double target);

  // The beats or seconds at `tick` from the state the walk stands in.
  double value_at(int32_t tick) const;

  float tempo() const { return tempo_; }
  int32_t anchor() const { return anchor_; }
  float value() const { return value_; }

 private:
  void apply(Event* tempo_event, double value_at_event);

  Event* first_;
  Event* next_;
  SpanRule rule_;
  float tempo_;
  int32_t anchor_;
  float value_;
};

}  // namespace tactus::internal

#endif
