#include "timing/tempo_walk.h"

#include "model/midi_messages.h"
#include "model/time_division.h"

namespace tactus::internal {
namespace {

// tick − anchor as an exact integer (it may not fit 32 bits), rounded to float.
float ticks_between(int32_t anchor, int32_t tick) {
  return static_cast<float>(static_cast<int64_t>(tick) - static_cast<int64_t>(anchor));
}

}  // namespace

bool has_known_division(Sequence* sequence) {
  const int32_t division_type = sequence_get_division_type(sequence);
  return division_type >= DIVISION_PPQ && division_type <= DIVISION_SMPTE30;
}

SpanRule::SpanRule(bool in_beats, int32_t resolution, float frames_per_second)
    : in_beats_(in_beats), resolution_(resolution), frames_per_second_(frames_per_second) {}

SpanRule SpanRule::of(Sequence* sequence) {
  const int32_t division_type = sequence_get_division_type(sequence);
  return SpanRule(division_type != DIVISION_PPQ, sequence_get_resolution(sequence),
                  frame_rate_of(division_type).as_float);
}

double SpanRule::length(float ticks, float beats_per_minute) const {
  const double span = static_cast<double>(ticks) / static_cast<double>(resolution_);
  const double tempo = static_cast<double>(beats_per_minute);
  if (in_beats_) {
    return span / static_cast<double>(frames_per_second_) / kSecondsPerMinute * tempo;
  }
  return span / (tempo / kSecondsPerMinute);
}

double TempoState::value_at(const SpanRule& rule, int32_t tick) const {
  return rule.length(ticks_between(anchor, tick), tempo) + static_cast<double>(value);
}

TempoWalk::TempoWalk(Sequence* sequence, MetaSource source)
    : tempos_(sequence, kTempoMeta, source), rule_(SpanRule::of(sequence)) {}

bool TempoWalk::next(TempoStep* step) {
  Event* tempo = tempos_.next();
  if (tempo == nullptr) return false;
  step->tick = event_get_tick(tempo);
  step->start = state_.value_at(rule_, step->tick);
  state_.value = static_cast<float>(step->start);
  state_.anchor = step->tick;
  state_.tempo = tempo_get_beats_per_minute(tempo);
  step->after = state_;
  return true;
}

}  // namespace tactus::internal
