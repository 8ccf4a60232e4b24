// A forward cursor over the tempo map for callers that convert many ticks in
// order, such as the playback loop. For every tick it gives exactly the
// double that sequence_get_seconds_from_tick gives, but it keeps its place in
// the first track between calls: a run of non-decreasing ticks costs one pass
// over the track in all. A tick below the previous one restarts the walk from
// the first event.
//
// The cursor reads the division and the first track's events as it goes: the
// sequence must not be edited while a cursor over it is in use.
#ifndef TACTUS_TIMING_TEMPO_CURSOR_H
#define TACTUS_TIMING_TEMPO_CURSOR_H

#include <cstdint>

#include "tactus/model.h"
#include "timing/tempo_walk.h"

namespace tactus::internal {

class SecondsCursor {
 public:
  // A null sequence or an unknown division type gives -1.0 for every tick.
  explicit SecondsCursor(Sequence* sequence);

  double seconds_at(int32_t tick);

 private:
  bool known_division_;
  int32_t division_type_;
  int32_t resolution_;
  TempoWalk walk_;
  int32_t last_tick_;
};

}  // namespace tactus::internal

#endif
