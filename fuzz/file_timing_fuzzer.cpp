// Musical time over the tempo and time-signature events of arbitrary files:
// whatever a file's tempo map holds (zero or huge tempos, short payloads,
// meters of 0 beats, resolution 0), every conversion is defined, every text
// form fits its record, and the playback loop's seconds cursor gives the
// same seconds as sequence_get_seconds_from_tick for every event.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/check.h"
#include "smf/reader.h"
#include "tactus/timing.h"
#include "timing/tempo_cursor.h"

namespace {

using namespace tactus;

// Each conversion walks the first track from its start: the events
// checked one by one are limited so that large files stay quick.
constexpr int kEventsChecked = 48;

bool same_double(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void check_text(const char* text) {
  FUZZ_CHECK(text != nullptr);
  FUZZ_CHECK(std::strlen(text) <= 31);
}

// The tick in every notation and back.
void convert_tick(Sequence* sequence, int32_t tick) {
  const double beats = sequence_get_beat_from_tick(sequence, tick);
  sequence_get_tick_from_beat(sequence, static_cast<float>(beats));
  const double seconds = sequence_get_seconds_from_tick(sequence, tick);
  sequence_get_tick_from_seconds(sequence, static_cast<float>(seconds));
  const std::string mb = sequence_get_mb_string_from_tick(sequence, tick);
  const std::string mbt = sequence_get_mbt_string_from_tick(sequence, tick);
  const std::string hms = sequence_get_hms_string_from_tick(sequence, tick);
  const std::string hmsf = sequence_get_hmsf_string_from_tick(sequence, tick);
  for (const std::string* text : {&mb, &mbt, &hms, &hmsf}) check_text(text->c_str());
  sequence_get_tick_from_mb_string(sequence, mb.c_str());
  sequence_get_tick_from_mbt_string(sequence, mbt.c_str());
  sequence_get_tick_from_hms_string(sequence, hms.c_str());
  sequence_get_tick_from_hmsf_string(sequence, hmsf.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Sequence* sequence = internal::load_sequence_from_memory(data, size);
  if (sequence == nullptr) return 0;
  internal::SecondsCursor cursor(sequence);
  int checked = 0;
  for (Event* event = sequence_get_first_event(sequence); event != nullptr && checked < kEventsChecked;
       event = event_get_next_in_sequence(event), ++checked) {
    const int32_t tick = event_get_tick(event);
    FUZZ_CHECK(same_double(cursor.seconds_at(tick), sequence_get_seconds_from_tick(sequence, tick)));
    convert_tick(sequence, tick);
    // A marker of the first track is found there, or an earlier one of the
    // same text.
    if (event_is_marker(event) && track_get_number(event_get_track(event)) == 0) {
      const int32_t found = sequence_get_tick_from_marker(sequence, marker_get_text(event));
      FUZZ_CHECK(found >= 0 && found <= tick);
    }
  }
  for (Track* track = sequence_get_first_track(sequence); track != nullptr; track = track_get_next(track)) {
    convert_tick(sequence, track_get_end_tick(track));
  }
  sequence_free(sequence);
  return 0;
}
