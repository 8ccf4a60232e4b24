#include "player/core/pass_plan.h"

#include <algorithm>

#include "player/core/due_time.h"
#include "tactus/timing.h"

namespace tactus::player {

int32_t song_end_tick(Sequence* sequence) {
  int32_t end = 0;
  for (Track* track = sequence_get_first_track(sequence); track != nullptr; track = track_get_next(track))
    end = std::max(end, track_get_end_tick(track));
  return end;
}

PassPlan plan_passes(Sequence* sequence, int32_t from_tick, int32_t to_tick,
                     const PracticeOptions& practice) {
  PassPlan plan{};
  plan.start_tick = std::max(from_tick, 0);
  plan.end_tick = to_tick >= 0 ? to_tick : song_end_tick(sequence);
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
