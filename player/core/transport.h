// Where playback is: the next event, the clock that says when each event is
// due, paused or not, the range and the passes of a loop over it, and the
// tempo it is played at. It sends nothing; the player moves it.
#ifndef TACTUS_PLAYER_CORE_TRANSPORT_H
#define TACTUS_PLAYER_CORE_TRANSPORT_H

#include <cstdint>

#include "player/core/event_index.h"
#include "player/core/pass_plan.h"
#include "player/core/practice_options.h"
#include "tactus/model.h"

namespace tactus::player {

class Transport {
 public:
  Transport(Sequence* sequence, const EventIndex& events, int32_t from_tick, int32_t to_tick,
            const PracticeOptions& practice);

  // The next event to play; null after the last. Its index in the event
  // list is found only where playback goes on from elsewhere.
  Event* cursor() const { return cursor_; }
  size_t cursor_index() const { return events_.index_of(cursor_); }
  void advance() { cursor_ = event_get_next_in_sequence(cursor_); }
  bool at_end() const { return cursor_ == nullptr; }

  const PassPlan& plan() const { return plan_; }
  int64_t pass() const { return pass_; }
  // A pass of a loop is over once the next event is at or after its end.
  bool pass_over() const { return plan_.repeats && (at_end() || event_get_tick(cursor_) >= plan_.end_tick); }
  bool last_pass() const { return !plan_.repeats || pass_ == plan_.count; }
  // Whether an event is waited for: a loop's pass leaves out its end tick,
  // where the next pass begins; a range without a loop includes both ends.
  bool in_range(int32_t tick) const;

  float tempo_percent() const { return tempo_percent_; }
  // Milliseconds from the file's start to `tick` at the tempo played.
  uint32_t due_of(int32_t tick) const;

  // The clock: due times count from its origin, which the player fixes at
  // its first wait so that `first_due` is due then.
  bool clock_started() const { return clock_started_; }
  void start_clock(uint32_t now, uint32_t first_due);
  // Milliseconds played since the origin; frozen while paused.
  uint32_t elapsed(uint32_t now) const { return paused_ ? paused_elapsed_ : now - origin_; }
  // The tick reached at `now`, within the range.
  int32_t position_at(uint32_t now) const;

  // The next pass begins where this one ends, on the beat.
  void next_pass();
  // Goes on from `tick` (within the range), due now.
  void jump(int32_t tick, uint32_t now);
  // From the next event on, at another tempo; where playback is stays.
  void set_tempo(float percent, uint32_t now);
  bool paused() const { return paused_; }
  void pause(uint32_t now);
  void resume(uint32_t now);
  // Loops from `start_tick` to `end_tick` until changed; the pass count
  // starts again at 1.
  void loop(int32_t start_tick, int32_t end_tick);
  // The range as the command line gave it: the bounds a jump stays within.
  int32_t range_start() const { return range_start_; }
  int32_t range_end() const { return range_end_; }

 private:
  void plan_dues();

  Sequence* sequence_;
  const EventIndex& events_;
  int32_t from_tick_, to_tick_;
  int32_t range_start_, range_end_;
  float tempo_percent_;
  PassPlan plan_;
  int64_t pass_ = 1;
  Event* cursor_;
  // Any clock value can be the origin, 0 included, so whether it is set is
  // kept apart.
  uint32_t origin_ = 0;
  bool clock_started_ = false;
  bool paused_ = false;
  uint32_t paused_elapsed_ = 0;
};

}  // namespace tactus::player

#endif
