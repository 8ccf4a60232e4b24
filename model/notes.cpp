// Notes seen as pairs: a note start (NOTE_ON with velocity above 0) and a
// note end (NOTE_OFF, or NOTE_ON with velocity 0). The two sides are linked
// by nothing but a search through their track.
#include "tactus/model.h"

namespace tactus {

namespace {

// A note end is stored either as a NOTE_OFF or as a NOTE_ON of velocity 0;
// its accessors route to the fields of the form it actually has.
bool end_is_stored_as_note_on(Event* note_end) { return event_get_kind(note_end) == NOTE_ON; }

bool ends_note(Event* event, int32_t channel, int32_t note) {
  return event_is_note_end(event) && note_end_get_channel(event) == channel &&
         note_end_get_note(event) == note;
}

bool starts_note(Event* event, int32_t channel, int32_t note) {
  return event_is_note_start(event) && note_start_get_channel(event) == channel &&
         note_start_get_note(event) == note;
}

}  // namespace

int32_t note_start_get_channel(Event* event) {
  if (!event_is_note_start(event)) return -1;
  return note_on_get_channel(event);
}

int32_t note_start_set_channel(Event* event, int32_t channel) {
  if (!event_is_note_start(event)) return -1;
  return note_on_set_channel(event, channel);
}

int32_t note_start_get_note(Event* event) {
  if (!event_is_note_start(event)) return -1;
  return note_on_get_note(event);
}

int32_t note_start_set_note(Event* event, int32_t note) {
  if (!event_is_note_start(event)) return -1;
  return note_on_set_note(event, note);
}

int32_t note_start_get_velocity(Event* event) {
  if (!event_is_note_start(event)) return -1;
  return note_on_get_velocity(event);
}

int32_t note_start_set_velocity(Event* event, int32_t velocity) {
  if (!event_is_note_start(event)) return -1;
  return note_on_set_velocity(event, velocity);
}

Event* note_start_get_note_end(Event* event) {
  if (!event_is_note_start(event)) return nullptr;
  const int32_t channel = note_on_get_channel(event);
  const int32_t note = note_on_get_note(event);
  // The first matching end wins: nested starts of one note are not counted.
  for (Event* other = event_get_next_in_track(event); other != nullptr;
       other = event_get_next_in_track(other)) {
    if (ends_note(other, channel, note)) return other;
  }
  return nullptr;
}

int32_t note_end_get_channel(Event* event) {
  if (!event_is_note_end(event)) return -1;
  return end_is_stored_as_note_on(event) ? note_on_get_channel(event) : note_off_get_channel(event);
}

int32_t note_end_set_channel(Event* event, int32_t channel) {
  if (!event_is_note_end(event)) return -1;
  return end_is_stored_as_note_on(event) ? note_on_set_channel(event, channel)
                                         : note_off_set_channel(event, channel);
}

int32_t note_end_get_note(Event* event) {
  if (!event_is_note_end(event)) return -1;
  return end_is_stored_as_note_on(event) ? note_on_get_note(event) : note_off_get_note(event);
}

int32_t note_end_set_note(Event* event, int32_t note) {
  if (!event_is_note_end(event)) return -1;
  return end_is_stored_as_note_on(event) ? note_on_set_note(event, note) : note_off_set_note(event, note);
}

int32_t note_end_get_velocity(Event* event) {
  if (!event_is_note_end(event)) return -1;
  return end_is_stored_as_note_on(event) ? 0 : note_off_get_velocity(event);
}

int32_t note_end_set_velocity(Event* event, int32_t velocity) {
  if (!event_is_note_end(event)) return -1;
  if (!end_is_stored_as_note_on(event)) return note_off_set_velocity(event, velocity);
  // A NOTE_ON cannot carry a release velocity, so the end becomes a NOTE_OFF:
  // a new event at the same tick, which sorts behind that tick's other events.
  Event* note_off = note_off_new(event_get_track(event), event_get_tick(event), note_on_get_channel(event),
                                 note_on_get_note(event), velocity);
  if (note_off == nullptr) return -1;
  event_free(event);
  return 0;
}

Event* note_end_get_note_start(Event* event) {
  if (!event_is_note_end(event)) return nullptr;
  const int32_t channel = note_end_get_channel(event);
  const int32_t note = note_end_get_note(event);
  for (Event* other = event_get_previous_in_track(event); other != nullptr;
       other = event_get_previous_in_track(other)) {
    if (starts_note(other, channel, note)) return other;
  }
  return nullptr;
}

}  // namespace tactus
