#include "fuzz/sequence_compare.h"

#include <cstdint>
#include <vector>

#include "fuzz/check.h"

namespace tactus::fuzz {
namespace {

constexpr int32_t kEndOfTrack = 0x2F;

// An event as plain values: the kind's fields in order, and its bytes.
struct EventValues {
  int32_t tick;
  int32_t kind;
  std::vector<int32_t> fields;
  std::vector<unsigned char> bytes;
  bool operator==(const EventValues&) const = default;
};

// What the writer keeps of each value.
enum class Form { kAsStored, kAsWritten };

int32_t data_value(int32_t value, Form form) { return form == Form::kAsWritten ? value & 0x7F : value; }

EventValues values_of(Event* event, Form form) {
  EventValues values{event_get_tick(event), event_get_kind(event), {}, {}};
  switch (values.kind) {
    case NOTE_OFF:
      values.fields = {note_off_get_channel(event), data_value(note_off_get_note(event), form),
                       data_value(note_off_get_velocity(event), form)};
      break;
    case NOTE_ON:
      values.fields = {note_on_get_channel(event), data_value(note_on_get_note(event), form),
                       data_value(note_on_get_velocity(event), form)};
      break;
    case KEY_PRESSURE:
      values.fields = {key_pressure_get_channel(event), data_value(key_pressure_get_note(event), form),
                       data_value(key_pressure_get_amount(event), form)};
      break;
    case CONTROL_CHANGE:
      values.fields = {control_change_get_channel(event), data_value(control_change_get_number(event), form),
                       data_value(control_change_get_value(event), form)};
      break;
    case PROGRAM_CHANGE:
      values.fields = {program_change_get_channel(event), data_value(program_change_get_number(event), form)};
      break;
    case CHANNEL_PRESSURE:
      values.fields = {channel_pressure_get_channel(event),
                       data_value(channel_pressure_get_amount(event), form)};
      break;
    case PITCH_WHEEL: {
      const int32_t value = pitch_wheel_get_value(event);
      values.fields = {pitch_wheel_get_channel(event), form == Form::kAsWritten ? value & 0x3FFF : value};
      break;
    }
    case SYSEX: {
      const unsigned char* bytes = sysex_get_data(event);
      values.bytes.assign(bytes, bytes + sysex_get_data_length(event));
      break;
    }
    case META: {
      const unsigned char* payload = meta_get_data(event);
      values.fields = {data_value(meta_get_number(event), form)};
      values.bytes.assign(payload, payload + meta_get_data_length(event) + 1);  // with its closing 0
      break;
    }
    default:
      FUZZ_CHECK(false && "unknown event kind");
  }
  return values;
}

// Whether the writer turns this event into an end of track.
bool is_written_as_end_of_track(Event* event) {
  return event_get_kind(event) == META && (meta_get_number(event) & 0x7F) == kEndOfTrack;
}

void check_same_header(Sequence* expected, Sequence* actual) {
  FUZZ_CHECK(sequence_get_format(expected) == sequence_get_format(actual));
  FUZZ_CHECK(sequence_get_division_type(expected) == sequence_get_division_type(actual));
  FUZZ_CHECK(sequence_get_resolution(expected) == sequence_get_resolution(actual));
  FUZZ_CHECK(sequence_get_track_count(expected) == sequence_get_track_count(actual));
}

// The track's events, in track order, as `form` gives them.
void check_same_track(Track* expected, Track* actual, Form form) {
  Event* event = track_get_first_event(expected);
  Event* other = track_get_first_event(actual);
  for (; event != nullptr; event = event_get_next_in_track(event), other = event_get_next_in_track(other)) {
    if (form == Form::kAsWritten && is_written_as_end_of_track(event)) {
      FUZZ_CHECK(other == nullptr);
      FUZZ_CHECK(track_get_end_tick(actual) == event_get_tick(event));
      return;
    }
    FUZZ_CHECK(other != nullptr);
    FUZZ_CHECK(values_of(event, form) == values_of(other, Form::kAsStored));
  }
  FUZZ_CHECK(other == nullptr);
  FUZZ_CHECK(track_get_end_tick(expected) == track_get_end_tick(actual));
}

void check_same_tracks(Sequence* expected, Sequence* actual, Form form) {
  check_same_header(expected, actual);
  Track* track = sequence_get_first_track(expected);
  Track* other = sequence_get_first_track(actual);
  for (; track != nullptr; track = track_get_next(track), other = track_get_next(other)) {
    FUZZ_CHECK(other != nullptr);
    check_same_track(track, other, form);
  }
  FUZZ_CHECK(other == nullptr);
}

}  // namespace

void check_same_sequence(Sequence* expected, Sequence* actual) {
  check_same_tracks(expected, actual, Form::kAsStored);
  // The sequence orders agree too: same events, same tracks, same order.
  Event* event = sequence_get_first_event(expected);
  Event* other = sequence_get_first_event(actual);
  for (; event != nullptr;
       event = event_get_next_in_sequence(event), other = event_get_next_in_sequence(other)) {
    FUZZ_CHECK(other != nullptr);
    FUZZ_CHECK(track_get_number(event_get_track(event)) == track_get_number(event_get_track(other)));
    FUZZ_CHECK(values_of(event, Form::kAsStored) == values_of(other, Form::kAsStored));
  }
  FUZZ_CHECK(other == nullptr);
}

void check_same_after_round_trip(Sequence* loaded, Sequence* reloaded) {
  check_same_tracks(loaded, reloaded, Form::kAsWritten);
}

}  // namespace tactus::fuzz
