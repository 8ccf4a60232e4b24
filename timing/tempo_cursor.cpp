#include "timing/tempo_cursor.h"

#include <limits>

namespace tactus::internal {

SecondsCursor::SecondsCursor(Sequence* sequence)
    : known_division_(has_known_division(sequence)),
      division_type_(sequence_get_division_type(sequence)),
      resolution_(sequence_get_resolution(sequence)),
      walk_(sequence, SpanRule::seconds(resolution_)),
      last_tick_(std::numeric_limits<int32_t>::min()) {}

double SecondsCursor::seconds_at(int32_t tick) {
  if (!known_division_) return -1.0;
  if (division_type_ != DIVISION_PPQ) {
    return smpte_seconds_from_tick(resolution_, frames_per_second_float(division_type_), tick);
  }
  if (tick < last_tick_) {
    walk_.restart();
  }
  last_tick_ = tick;
  walk_.advance_before(tick);
  return walk_.value_at(tick);
}

}  // namespace tactus::internal
