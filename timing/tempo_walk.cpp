#include "timing/tempo_walk.h"

#include "model/time_division.h"
#include "timing/first_track.h"

namespace tactus::internal {
namespace {

constexpr float kDefaultTempo = 120.0f;

// tick − anchor as an exact integer (it may not fit 32 bits), rounded to float.
float ticks_between(int32_t anchor, int32_t tick) {
  return static_cast<float>(static_cast<int64_t>(tick) - static_cast<int64_t>(anchor));
}

}  // namespace

float frames_per_second_float(int32_t division_type) { return frame_rate_of(division_type).as_float; }

double frames_per_second_double(int32_t division_type) { return frame_rate_of(division_type).as_double; }

bool has_known_division(Sequence* sequence) {
  const int32_t division_type = sequence_get_division_type(sequence);
  return division_type >= DIVISION_PPQ && division_type <= DIVISION_SMPTE30;
}

double smpte_seconds_from_tick(int32_t resolution, float frames_per_second, int32_t tick) {
  const double ticks_per_second = static_cast<double>(resolution) * static_cast<double>(frames_per_second);
  return static_cast<double>(static_cast<float>(tick)) / ticks_per_second;
}

SpanRule::SpanRule(bool in_beats, int32_t resolution, float frames_per_second)
    : in_beats_(in_beats), resolution_(resolution), frames_per_second_(frames_per_second) {}

SpanRule SpanRule::beats(int32_t resolution, float frames_per_second) {
  return SpanRule(true, resolution, frames_per_second);
}

SpanRule SpanRule::seconds(int32_t resolution) { return SpanRule(false, resolution, 0.0f); }

double SpanRule::length(float ticks, float beats_per_minute) const {
  const double span = static_cast<double>(ticks) / static_cast<double>(resolution_);
  const double tempo = static_cast<double>(beats_per_minute);
  if (in_beats_) {
    return span / static_cast<double>(frames_per_second_) / kSecondsPerMinute * tempo;
  }
  return span / (tempo / kSecondsPerMinute);
}

TempoWalk::TempoWalk(Sequence* sequence, SpanRule rule)
    : first_(first_track_event(sequence)),
      next_(first_),
      rule_(rule),
      tempo_(kDefaultTempo),
      anchor_(0),
      value_(0.0f) {}

void TempoWalk::restart() {
  next_ = first_;
  tempo_ = kDefaultTempo;
  anchor_ = 0;
  value_ = 0.0f;
}

void TempoWalk::advance_before(int32_t tick) {
  for (; next_ != nullptr && event_get_tick(next_) < tick; next_ = event_get_next_in_track(next_)) {
    if (event_is_tempo(next_)) {
      apply(next_, value_at(event_get_tick(next_)));
    }
  }
}

void TempoWalk::advance_below(double target) {
  for (; next_ != nullptr; next_ = event_get_next_in_track(next_)) {
    if (!event_is_tempo(next_)) {
      continue;
    }
    const double value_at_event = value_at(event_get_tick(next_));
    if (value_at_event >= target) {
      return;
    }
    apply(next_, value_at_event);
  }
}

double TempoWalk::value_at(int32_t tick) const {
  return rule_.length(ticks_between(anchor_, tick), tempo_) + static_cast<double>(value_);
}

void TempoWalk::apply(Event* tempo_event, double value_at_event) {
  value_ = static_cast<float>(value_at_event);
  anchor_ = event_get_tick(tempo_event);
  tempo_ = tempo_get_beats_per_minute(tempo_event);
}

}  // namespace tactus::internal
