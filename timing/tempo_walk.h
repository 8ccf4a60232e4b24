// The tempo map as a walk over the tempo events of the first track. The walk
// carries the tempo in force, the tick of the last tempo event applied and the
// beats or seconds accumulated up to it, rounding exactly where the
// conversions require so that every caller gets the same bits. The time index
// records the walk's steps; the walk also answers on its own when there is no
// memory for the index.
#ifndef TACTUS_TIMING_TEMPO_WALK_H
#define TACTUS_TIMING_TEMPO_WALK_H

#include <cstdint>

#include "tactus/model.h"
#include "timing/first_track.h"

namespace tactus::internal {

inline constexpr double kSecondsPerMinute = 60.0;

// True for a sequence whose division type is one of the five known ones.
bool has_known_division(Sequence* sequence);

// How long a span of ticks lasts at a tempo: in beats for an SMPTE sequence,
// in seconds for a PPQ one.
class SpanRule {
 public:
  // The rule of the tempo-dependent conversion of the sequence's division.
  static SpanRule of(Sequence* sequence);

  double length(float ticks, float beats_per_minute) const;

 private:
  SpanRule(bool in_beats, int32_t resolution, float frames_per_second);

  bool in_beats_;
  int32_t resolution_;
  float frames_per_second_;
};

// What the walk holds between two tempo events.
struct TempoState {
  float tempo = 120.0f;  // beats per minute
  int32_t anchor = 0;    // tick of the last tempo event applied
  float value = 0.0f;    // beats or seconds at the anchor

  // The beats or seconds at `tick` under this state.
  double value_at(const SpanRule& rule, int32_t tick) const;
};

// One tempo event as the walk meets it: the unrounded value at which it
// starts, computed from the state before it, and the state after it.
struct TempoStep {
  int32_t tick;
  double start;
  TempoState after;
};

class TempoWalk {
 public:
  // Starts before the first tempo event of the sequence's first track (none
  // if the sequence has no track) at 120 beats per minute.
  TempoWalk(Sequence* sequence, MetaSource source);

  // Applies the next tempo event and describes it; false after the last.
  bool next(TempoStep* step);

 private:
  FirstTrackMetas tempos_;
  SpanRule rule_;
  TempoState state_;
};

}  // namespace tactus::internal

#endif
