#include "fuzz/sequence_invariants.h"

#include <cstdint>
#include <vector>

#include "fuzz/check.h"

namespace tactus::fuzz {
namespace {

// Values a data byte of a file can give; the reader keeps whole bytes.
bool is_byte(int32_t value) { return value >= 0 && value <= 0xFF; }

// Sums every byte of a buffer, so that each one is read.
unsigned touch(const unsigned char* bytes, int32_t count) {
  unsigned sum = 0;
  for (int32_t i = 0; i < count; ++i) sum += bytes[i];
  return sum;
}

void check_event_fields(Event* event) {
  const int32_t kind = event_get_kind(event);
  switch (kind) {
    case NOTE_OFF:
      FUZZ_CHECK(note_off_get_channel(event) >= 0 && note_off_get_channel(event) <= 15);
      FUZZ_CHECK(is_byte(note_off_get_note(event)) && is_byte(note_off_get_velocity(event)));
      break;
    case NOTE_ON:
      FUZZ_CHECK(note_on_get_channel(event) >= 0 && note_on_get_channel(event) <= 15);
      FUZZ_CHECK(is_byte(note_on_get_note(event)) && is_byte(note_on_get_velocity(event)));
      break;
    case KEY_PRESSURE:
      FUZZ_CHECK(key_pressure_get_channel(event) >= 0 && key_pressure_get_channel(event) <= 15);
      FUZZ_CHECK(is_byte(key_pressure_get_note(event)) && is_byte(key_pressure_get_amount(event)));
      break;
    case CONTROL_CHANGE:
      FUZZ_CHECK(control_change_get_channel(event) >= 0 && control_change_get_channel(event) <= 15);
      FUZZ_CHECK(is_byte(control_change_get_number(event)) && is_byte(control_change_get_value(event)));
      break;
    case PROGRAM_CHANGE:
      FUZZ_CHECK(program_change_get_channel(event) >= 0 && program_change_get_channel(event) <= 15);
      FUZZ_CHECK(is_byte(program_change_get_number(event)));
      break;
    case CHANNEL_PRESSURE:
      FUZZ_CHECK(channel_pressure_get_channel(event) >= 0 && channel_pressure_get_channel(event) <= 15);
      FUZZ_CHECK(is_byte(channel_pressure_get_amount(event)));
      break;
    case PITCH_WHEEL:
      // First data byte plus the second shifted by 7, whole bytes each.
      FUZZ_CHECK(pitch_wheel_get_channel(event) >= 0 && pitch_wheel_get_channel(event) <= 15);
      FUZZ_CHECK(pitch_wheel_get_value(event) >= 0 && pitch_wheel_get_value(event) <= 0xFF + (0xFF << 7));
      break;
    case SYSEX: {
      const int32_t count = sysex_get_data_length(event);
      const unsigned char* bytes = sysex_get_data(event);
      FUZZ_CHECK(count >= 1 && bytes != nullptr);
      FUZZ_CHECK(bytes[0] == 0xF0 || bytes[0] == 0xF7);
      touch(bytes, count);
      break;
    }
    case META: {
      const int32_t length = meta_get_data_length(event);
      const unsigned char* payload = meta_get_data(event);
      FUZZ_CHECK(is_byte(meta_get_number(event)) && meta_get_number(event) != 0x2F);
      FUZZ_CHECK(length >= 0 && payload != nullptr);
      touch(payload, length);
      FUZZ_CHECK(payload[length] == 0);
      break;
    }
    default:
      FUZZ_CHECK(false && "unknown event kind");
  }
  // The short message word and the decoded meta values must be defined for
  // any stored value.
  event_to_short_message(event);
  tempo_get_beats_per_minute(event);
  time_signature_get_numerator(event);
  time_signature_get_denominator(event);
}

// Checks one track's list; returns its event count.
size_t check_track(Track* track) {
  size_t count = 0;
  Event* previous = nullptr;
  for (Event* event = track_get_first_event(track); event != nullptr;
       event = event_get_next_in_track(event)) {
    FUZZ_CHECK(event_get_track(event) == track);
    FUZZ_CHECK(event_get_previous_in_track(event) == previous);
    FUZZ_CHECK(event_get_tick(event) >= 0);
    if (previous != nullptr) FUZZ_CHECK(event_get_tick(previous) <= event_get_tick(event));
    check_event_fields(event);
    previous = event;
    ++count;
  }
  FUZZ_CHECK(track_get_last_event(track) == previous);
  FUZZ_CHECK(track_get_end_tick(track) >= 0);
  if (previous != nullptr) FUZZ_CHECK(track_get_end_tick(track) >= event_get_tick(previous));
  return count;
}

}  // namespace

void check_loaded_sequence(Sequence* sequence) {
  FUZZ_CHECK(sequence_get_division_type(sequence) >= DIVISION_PPQ &&
             sequence_get_division_type(sequence) <= DIVISION_SMPTE30);
  FUZZ_CHECK(sequence_get_format(sequence) >= 0 && sequence_get_format(sequence) <= 0xFFFF);
  FUZZ_CHECK(sequence_get_resolution(sequence) >= 0 && sequence_get_resolution(sequence) <= 0xFFFF);

  // The tracks, numbered from 0 in list order.
  std::vector<Track*> tracks;
  size_t events_in_tracks = 0;
  Track* previous_track = nullptr;
  for (Track* track = sequence_get_first_track(sequence); track != nullptr; track = track_get_next(track)) {
    FUZZ_CHECK(track_get_sequence(track) == sequence);
    FUZZ_CHECK(track_get_previous(track) == previous_track);
    FUZZ_CHECK(track_get_number(track) == static_cast<int32_t>(tracks.size()));
    events_in_tracks += check_track(track);
    tracks.push_back(track);
    previous_track = track;
  }
  FUZZ_CHECK(sequence_get_last_track(sequence) == previous_track);
  FUZZ_CHECK(sequence_get_track_count(sequence) == static_cast<int32_t>(tracks.size()));
  FUZZ_CHECK(tracks.size() <= 0xFFFF);

  // The sequence order: each event must be the next one not yet met of its
  // own track, so every track's events appear exactly once and in order.
  std::vector<Event*> next_of_track(tracks.size());
  for (size_t t = 0; t < tracks.size(); ++t) next_of_track[t] = track_get_first_event(tracks[t]);
  size_t events_in_sequence = 0;
  Event* previous = nullptr;
  for (Event* event = sequence_get_first_event(sequence); event != nullptr;
       event = event_get_next_in_sequence(event)) {
    FUZZ_CHECK(event_get_previous_in_sequence(event) == previous);
    const int32_t number = track_get_number(event_get_track(event));
    FUZZ_CHECK(number >= 0 && static_cast<size_t>(number) < tracks.size());
    FUZZ_CHECK(next_of_track[number] == event);
    next_of_track[number] = event_get_next_in_track(event);
    if (previous != nullptr) {
      const int32_t previous_tick = event_get_tick(previous);
      FUZZ_CHECK(previous_tick <= event_get_tick(event));
      if (previous_tick == event_get_tick(event)) {
        FUZZ_CHECK(track_get_number(event_get_track(previous)) <= number);
      }
    }
    previous = event;
    ++events_in_sequence;
    FUZZ_CHECK(events_in_sequence <= events_in_tracks);
  }
  FUZZ_CHECK(sequence_get_last_event(sequence) == previous);
  FUZZ_CHECK(events_in_sequence == events_in_tracks);
  for (Event* rest : next_of_track) FUZZ_CHECK(rest == nullptr);
}

}  // namespace tactus::fuzz
