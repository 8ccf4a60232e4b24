#include "player/core/pass_plan.h"

#include <algorithm>

#include "common/song_end.h"
#include "player/core/due_time.h"
#include "tactus/timing.h"

namespace tactus::player {

PassPlan plan_passes(Sequence* sequence, int32_t from_tick, int32_t to_tick,
                     const PracticeOptions& practice) {
  PassPlan plan{};
  plan.start_tick = std::max(from_tick, 0);
  plan.end_tick = to_tick >= 0 ? to_tick : common::song_end_tick(sequence);
  auto due = [&](int32_t tick) {
    return due_time_ms(
        played_seconds(sequence_get_seconds_from_tick(sequence, tick), practice.tempo_percent));
  };
  plan.start_due = due(plan.start_tick);
  plan.end_due = due(plan.end_tick);
  plan.repeats =
      practice.loop_count >= 0 && plan.end_tick > plan.start_tick && plan.end_due != plan.start_due;
  plan.count = plan.repeats ? practice.loop_count : 1;
  return plan;
}

}  // namespace tactus::player
