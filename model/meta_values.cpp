// Decoding the payloads of tempo, time-signature, lyric and marker events.
// A payload shorter than its layout reads its missing bytes as 0, so a
// malformed event from a file never leads outside its buffer.
#include <limits>

#include "model/records.h"

namespace tactus {
namespace {

unsigned payload_byte(Event* event, int32_t index) {
  if (event->bytes() == nullptr || index >= event->word2()) return 0;
  return event->bytes()[index];
}

}  // namespace

float tempo_get_beats_per_minute(Event* event) {
  if (event_is_tempo(event) == 0) return -1.0f;
  unsigned microseconds = payload_byte(event, 0) << 16 | payload_byte(event, 1) << 8 | payload_byte(event, 2);
  // 60000000 / 0.0 in double arithmetic; said outright to keep it clear of
  // division-by-zero checks.
  if (microseconds == 0) return std::numeric_limits<float>::infinity();
  return static_cast<float>(60000000.0 / microseconds);
}

int32_t time_signature_get_numerator(Event* event) {
  if (event_is_time_signature(event) == 0) return -1;
  return static_cast<int32_t>(payload_byte(event, 0));
}

int32_t time_signature_get_denominator(Event* event) {
  if (event_is_time_signature(event) == 0) return -1;
  unsigned power = payload_byte(event, 1);
  return power <= 7 ? int32_t{1} << power : -1;
}

const char* lyric_get_text(Event* event) {
  return event_is_lyric(event) != 0 ? reinterpret_cast<const char*>(event->bytes()) : nullptr;
}

const char* marker_get_text(Event* event) {
  return event_is_marker(event) != 0 ? reinterpret_cast<const char*>(event->bytes()) : nullptr;
}

}  // namespace tactus
