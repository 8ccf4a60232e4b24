#include "info/summary.h"

#include <algorithm>
#include <cstdint>

#include "common/song_end.h"
#include "tactus/timing.h"

namespace tactus::info {
namespace {

constexpr int32_t kKeySignatureMeta = 0x59;

int64_t count_events(Sequence* sequence) {
  int64_t count = 0;
  for (Event* event = sequence_get_first_event(sequence); event != nullptr;
       event = event_get_next_in_sequence(event))
    ++count;
  return count;
}

void print_division(Sequence* sequence, std::FILE* out) {
  const int resolution = sequence_get_resolution(sequence);
  if (sequence_get_division_type(sequence) == DIVISION_PPQ) {
    std::fprintf(out, "division: %d ticks per quarter note\n", resolution);
  } else {
    std::fprintf(out, "division: %g frames per second, %d ticks per frame\n",
                 static_cast<double>(sequence_get_frame_rate(sequence)), resolution);
  }
}

// The first event from `event` on in its track for which `is` holds.
Event* find_in_track(Event* event, int (*is)(Event*)) {
  while (event != nullptr && !is(event)) event = event_get_next_in_track(event);
  return event;
}

// The tempo and the time signature follow the first track's events, as the
// library's musical time does: those at tick 0 set the start (120 beats per
// minute and 4/4 without them), each later one that sets another value is a
// change.
void print_tempo(Track* first, std::FILE* out) {
  float tempo = 120.0f;
  Event* event = find_in_track(track_get_first_event(first), event_is_tempo);
  for (; event != nullptr && event_get_tick(event) == 0;
       event = find_in_track(event_get_next_in_track(event), event_is_tempo))
    tempo = tempo_get_beats_per_minute(event);
  std::fprintf(out, "tempo at start: %.3f bpm\n", static_cast<double>(tempo));
  float lowest = tempo, highest = tempo;
  int changes = 0;
  for (; event != nullptr; event = find_in_track(event_get_next_in_track(event), event_is_tempo)) {
    const float next = tempo_get_beats_per_minute(event);
    changes += next != tempo;
    tempo = next;
    lowest = std::min(lowest, tempo);
    highest = std::max(highest, tempo);
  }
  std::fprintf(out, "tempo lowest: %.3f bpm\ntempo highest: %.3f bpm\ntempo changes: %d\n",
               static_cast<double>(lowest), static_cast<double>(highest), changes);
}

void print_time_signatures(Track* first, std::FILE* out) {
  int32_t numerator = 4, denominator = 4;
  Event* event = find_in_track(track_get_first_event(first), event_is_time_signature);
  for (; event != nullptr && event_get_tick(event) == 0;
       event = find_in_track(event_get_next_in_track(event), event_is_time_signature)) {
    numerator = time_signature_get_numerator(event);
    denominator = time_signature_get_denominator(event);
  }
  std::fprintf(out, "time signature at start: %d/%d\n", static_cast<int>(numerator),
               static_cast<int>(denominator));
  int changes = 0;
  for (; event != nullptr; event = find_in_track(event_get_next_in_track(event), event_is_time_signature)) {
    const int32_t next_numerator = time_signature_get_numerator(event);
    const int32_t next_denominator = time_signature_get_denominator(event);
    changes += next_numerator != numerator || next_denominator != denominator;
    numerator = next_numerator;
    denominator = next_denominator;
  }
  std::fprintf(out, "time signature changes: %d\n", changes);
}

// The first key signature of the first track, if there is one: sharps (or,
// negative, flats) and major (0) or minor (1).
void print_key_signature(Track* first, std::FILE* out) {
  static const char* const kMajor[] = {"Cb", "Gb", "Db", "Ab", "Eb", "Bb", "F", "C",
                                       "G",  "D",  "A",  "E",  "B",  "F#", "C#"};
  static const char* const kMinor[] = {"Ab", "Eb", "Bb", "F",  "C",  "G",  "D", "A",
                                       "E",  "B",  "F#", "C#", "G#", "D#", "A#"};
  for (Event* event = track_get_first_event(first); event != nullptr;
       event = event_get_next_in_track(event)) {
    if (meta_get_number(event) != kKeySignatureMeta || meta_get_data_length(event) < 2) continue;
    const unsigned char* data = meta_get_data(event);
    const int sharps = static_cast<signed char>(data[0]);
    if (sharps < -7 || sharps > 7 || data[1] > 1) {
      std::fprintf(out, "key signature: unknown (0x%02X 0x%02X)\n", data[0], data[1]);
    } else {
      std::fprintf(out, "key signature: %s %s\n", (data[1] == 0 ? kMajor : kMinor)[sharps + 7],
                   data[1] == 0 ? "major" : "minor");
    }
    return;
  }
}

}  // namespace

void print_file_summary(Sequence* sequence, std::FILE* out) {
  std::fprintf(out, "format: %d\n", static_cast<int>(sequence_get_format(sequence)));
  print_division(sequence, out);
  std::fprintf(out, "tracks: %d\nevents: %lld\n", static_cast<int>(sequence_get_track_count(sequence)),
               static_cast<long long>(count_events(sequence)));
  const int32_t end = common::song_end_tick(sequence);
  std::fprintf(out, "length: %d ticks\nlength mbt: %s\nlength hms: %s\n", static_cast<int>(end),
               sequence_get_mbt_string_from_tick(sequence, end),
               sequence_get_hms_string_from_tick(sequence, end));
  Track* first = sequence_get_first_track(sequence);
  print_tempo(first, out);
  print_time_signatures(first, out);
  print_key_signature(first, out);
}

}  // namespace tactus::info
