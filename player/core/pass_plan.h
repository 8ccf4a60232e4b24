// The passes of a loop over the playback range: where each begins and ends,
// in ticks and in due times at the tempo played.
#ifndef TACTUS_PLAYER_CORE_PASS_PLAN_H
#define TACTUS_PLAYER_CORE_PASS_PLAN_H

#include <cstdint>

#include "player/core/practice_options.h"
#include "tactus/model.h"

namespace tactus::player {

struct PassPlan {
  int32_t start_tick;  // --from, or 0
  int32_t end_tick;    // --to, or the end of the song
  uint32_t start_due;  // milliseconds, at the tempo played
  uint32_t end_due;
  // A loop over a range that lasts: each pass begins where the one before
  // ends. A loop over an empty range plays once, so that it never spins.
  bool repeats;
  int64_t count;  // passes; 0: until interrupted
};

// A pass is start_tick <= tick < end_tick; negative bounds are open.
PassPlan plan_passes(Sequence* sequence, int32_t from_tick, int32_t to_tick, const PracticeOptions& practice);

}  // namespace tactus::player

#endif
