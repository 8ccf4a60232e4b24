// Typed access to the data words of the channel kinds and to the number of
// a meta event. Values are stored as given; nothing is re-sorted.
#include "model/records.h"

namespace tactus {
namespace {

// The words by their offset in the event's data: 0, 4 and 8 for the first,
// second and third.
constexpr size_t kWord1 = 0;
constexpr size_t kWord2 = 4;
constexpr size_t kWord3 = 8;

int32_t get_word(Event* event, int32_t kind, size_t word) {
  return event != nullptr && event->kind() == kind ? event->load_word(word) : -1;
}

int32_t set_word(Event* event, int32_t kind, size_t word, int32_t value) {
  if (event == nullptr || event->kind() != kind) return -1;
  event->store_word(word, value);
  internal::invalidate_time_index(event);
  return 0;
}

}  // namespace

int32_t note_off_get_channel(Event* event) { return get_word(event, NOTE_OFF, kWord1); }

int32_t note_off_set_channel(Event* event, int32_t channel) {
  return set_word(event, NOTE_OFF, kWord1, channel);
}

int32_t note_off_get_note(Event* event) { return get_word(event, NOTE_OFF, kWord2); }

int32_t note_off_set_note(Event* event, int32_t note) { return set_word(event, NOTE_OFF, kWord2, note); }

int32_t note_off_get_velocity(Event* event) { return get_word(event, NOTE_OFF, kWord3); }

int32_t note_off_set_velocity(Event* event, int32_t velocity) {
  return set_word(event, NOTE_OFF, kWord3, velocity);
}

int32_t note_on_get_channel(Event* event) { return get_word(event, NOTE_ON, kWord1); }

int32_t note_on_set_channel(Event* event, int32_t channel) {
  return set_word(event, NOTE_ON, kWord1, channel);
}

int32_t note_on_get_note(Event* event) { return get_word(event, NOTE_ON, kWord2); }

int32_t note_on_set_note(Event* event, int32_t note) { return set_word(event, NOTE_ON, kWord2, note); }

int32_t note_on_get_velocity(Event* event) { return get_word(event, NOTE_ON, kWord3); }

int32_t note_on_set_velocity(Event* event, int32_t velocity) {
  return set_word(event, NOTE_ON, kWord3, velocity);
}

int32_t key_pressure_get_channel(Event* event) { return get_word(event, KEY_PRESSURE, kWord1); }

int32_t key_pressure_set_channel(Event* event, int32_t channel) {
  return set_word(event, KEY_PRESSURE, kWord1, channel);
}

int32_t key_pressure_get_note(Event* event) { return get_word(event, KEY_PRESSURE, kWord2); }

int32_t key_pressure_set_note(Event* event, int32_t note) {
  return set_word(event, KEY_PRESSURE, kWord2, note);
}

int32_t key_pressure_get_amount(Event* event) { return get_word(event, KEY_PRESSURE, kWord3); }

int32_t key_pressure_set_amount(Event* event, int32_t amount) {
  return set_word(event, KEY_PRESSURE, kWord3, amount);
}

int32_t control_change_get_channel(Event* event) { return get_word(event, CONTROL_CHANGE, kWord1); }

int32_t control_change_set_channel(Event* event, int32_t channel) {
  return set_word(event, CONTROL_CHANGE, kWord1, channel);
}

int32_t control_change_get_number(Event* event) { return get_word(event, CONTROL_CHANGE, kWord2); }

int32_t control_change_set_number(Event* event, int32_t number) {
  return set_word(event, CONTROL_CHANGE, kWord2, number);
}

int32_t control_change_get_value(Event* event) { return get_word(event, CONTROL_CHANGE, kWord3); }

int32_t control_change_set_value(Event* event, int32_t value) {
  return set_word(event, CONTROL_CHANGE, kWord3, value);
}

int32_t program_change_get_channel(Event* event) { return get_word(event, PROGRAM_CHANGE, kWord1); }

int32_t program_change_set_channel(Event* event, int32_t channel) {
  return set_word(event, PROGRAM_CHANGE, kWord1, channel);
}

int32_t program_change_get_number(Event* event) { return get_word(event, PROGRAM_CHANGE, kWord2); }

int32_t program_change_set_number(Event* event, int32_t number) {
  return set_word(event, PROGRAM_CHANGE, kWord2, number);
}

int32_t channel_pressure_get_channel(Event* event) { return get_word(event, CHANNEL_PRESSURE, kWord1); }

int32_t channel_pressure_set_channel(Event* event, int32_t channel) {
  return set_word(event, CHANNEL_PRESSURE, kWord1, channel);
}

int32_t channel_pressure_get_amount(Event* event) { return get_word(event, CHANNEL_PRESSURE, kWord2); }

int32_t channel_pressure_set_amount(Event* event, int32_t amount) {
  return set_word(event, CHANNEL_PRESSURE, kWord2, amount);
}

int32_t pitch_wheel_get_channel(Event* event) { return get_word(event, PITCH_WHEEL, kWord1); }

int32_t pitch_wheel_set_channel(Event* event, int32_t channel) {
  return set_word(event, PITCH_WHEEL, kWord1, channel);
}

int32_t pitch_wheel_get_value(Event* event) { return get_word(event, PITCH_WHEEL, kWord2); }

int32_t pitch_wheel_set_value(Event* event, int32_t value) {
  return set_word(event, PITCH_WHEEL, kWord2, value);
}

int32_t meta_get_number(Event* event) {
  return event != nullptr && event->kind() == META ? event->word1() : -1;
}

int32_t meta_set_number(Event* event, int32_t number) {
  if (event == nullptr || event->kind() != META || !internal::store_meta_number(event, number)) return -1;
  internal::invalidate_time_index(event);
  return 0;
}

}  // namespace tactus
