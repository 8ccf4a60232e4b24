#include "player/core/range.h"

#include <cstring>

#include "player/core/number_text.h"
#include "tactus/timing.h"

namespace tactus::player {

namespace {

// The value after `prefix` when the text begins with it, else null.
const char* value_after(const char* text, const char* prefix) {
  const size_t length = std::strlen(prefix);
  return std::strncmp(text, prefix, length) == 0 ? text + length : nullptr;
}

}  // namespace

void resolve_time_spec(const char* text, Sequence* sequence, int32_t* tick) {
  if (text == nullptr) return;
  // The shorter prefixes go first; "mbt:" and "hmsf:" differ from "mb:" and
  // "hms:" within the shorter ones' length, so neither shadows the other.
  const char* value = nullptr;
  if ((value = value_after(text, "tick:"))) {
    *tick = read_decimal_int_or_zero(value);
  } else if ((value = value_after(text, "beat:"))) {
    *tick = sequence_get_tick_from_beat(sequence, read_float(value));
  } else if ((value = value_after(text, "mb:"))) {
    *tick = sequence_get_tick_from_mb_string(sequence, value);
  } else if ((value = value_after(text, "mbt:"))) {
    *tick = sequence_get_tick_from_mbt_string(sequence, value);
  } else if ((value = value_after(text, "time:"))) {
    *tick = sequence_get_tick_from_seconds(sequence, read_float(value));
  } else if ((value = value_after(text, "hms:"))) {
    *tick = sequence_get_tick_from_hms_string(sequence, value);
  } else if ((value = value_after(text, "hmsf:"))) {
    *tick = sequence_get_tick_from_hmsf_string(sequence, value);
  } else if ((value = value_after(text, "marker:"))) {
    *tick = sequence_get_tick_from_marker(sequence, value);
  } else {
    *tick = -1;
  }
}

}  // namespace tactus::player
