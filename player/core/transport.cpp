#include "player/core/transport.h"

#include <algorithm>

#include "player/core/due_time.h"
#include "tactus/timing.h"

namespace tactus::player {

Transport::Transport(Sequence* sequence, const EventIndex& events, int32_t from_tick, int32_t to_tick,
                     const PracticeOptions& practice)
    : sequence_(sequence),
      events_(events),
      from_tick_(from_tick),
      to_tick_(to_tick),
      tempo_percent_(practice.tempo_percent),
      plan_(plan_passes(sequence, from_tick, to_tick, practice)),
      cursor_(sequence_get_first_event(sequence)) {
  range_start_ = plan_.start_tick;
  range_end_ = plan_.end_tick;
}

bool Transport::in_range(int32_t tick) const {
  if (plan_.repeats) return tick >= plan_.start_tick && tick < plan_.end_tick;
  return (from_tick_ < 0 || tick >= from_tick_) && (to_tick_ < 0 || tick <= to_tick_);
}

uint32_t Transport::due_of(int32_t tick) const {
  return due_time_ms(played_seconds(sequence_get_seconds_from_tick(sequence_, tick), tempo_percent_));
}

void Transport::plan_dues() {
  plan_.start_due = due_of(plan_.start_tick);
  plan_.end_due = due_of(plan_.end_tick);
}

void Transport::start_clock(uint32_t now, uint32_t first_due) {
  origin_ = now - first_due;
  clock_started_ = true;
}

// The clock reading is the start of its millisecond: its middle keeps the
// conversion off a tick's lower edge.
int32_t Transport::position_at(uint32_t now) const {
  if (!clock_started_) return plan_.start_tick;
  const double played = (static_cast<double>(elapsed(now)) + 0.5) / 1000.0;
  const int32_t tick =
      sequence_get_tick_from_seconds(sequence_, static_cast<float>(file_seconds(played, tempo_percent_)));
  return std::clamp(tick, plan_.start_tick, std::max(plan_.start_tick, plan_.end_tick));
}

void Transport::next_pass() {
  ++pass_;
  cursor_ = events_.event_or_end(events_.first_at(plan_.start_tick));
  origin_ += plan_.end_due - plan_.start_due;
}

void Transport::jump(int32_t tick, uint32_t now) {
  tick = std::clamp(tick, plan_.start_tick, std::max(plan_.start_tick, plan_.end_tick));
  cursor_ = events_.event_or_end(events_.first_at(tick));
  const uint32_t due = due_of(tick);
  origin_ = now - due;
  if (paused_) paused_elapsed_ = due;
  clock_started_ = true;
}

void Transport::set_tempo(float percent, uint32_t now) {
  const double file_ms = file_seconds(static_cast<double>(elapsed(now)), tempo_percent_);
  tempo_percent_ = percent;
  const uint32_t played = due_time_ms(played_seconds(file_ms, percent) / 1000.0);
  if (paused_) paused_elapsed_ = played;
  origin_ = now - played;
  plan_dues();
}

void Transport::pause(uint32_t now) {
  if (paused_) return;
  paused_elapsed_ = elapsed(now);
  paused_ = true;
}

void Transport::resume(uint32_t now) {
  if (!paused_) return;
  paused_ = false;
  origin_ = now - paused_elapsed_;
}

void Transport::loop(int32_t start_tick, int32_t end_tick) {
  plan_.start_tick = start_tick;
  plan_.end_tick = end_tick;
  plan_dues();
  plan_.repeats = end_tick > start_tick && plan_.end_due != plan_.start_due;
  plan_.count = 0;
  pass_ = 1;
  from_tick_ = start_tick;
  to_tick_ = end_tick;
}

}  // namespace tactus::player
