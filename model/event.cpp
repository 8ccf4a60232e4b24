// Creating events of every kind, and the operations on an event's place in
// its two lists.
#include <cstring>

#include "model/records.h"

namespace tactus {
namespace {

Event* create_event(Track* track, int32_t tick, int32_t kind, int32_t word1, int32_t word2, int32_t word3) {
  Event* event = internal::allocate_event(track, tick, kind);
  if (event == nullptr) return nullptr;
  event->set_word1(word1);
  event->set_word2(word2);
  event->set_word3(word3);
  internal::insert_event(event);
  return event;
}

// A failed copy of the bytes gives the event back, so that nothing is left
// behind.
Event* create_event_with_bytes(Track* track, int32_t tick, int32_t kind, int32_t word1,
                               const unsigned char* bytes, size_t count) {
  Event* event = internal::allocate_event(track, tick, kind);
  if (event == nullptr) return nullptr;
  unsigned char* place = internal::reserve_event_bytes(event, word1, count);
  if (place == nullptr) {
    internal::release_event(track->sequence, event);
    return nullptr;
  }
  if (count > 0) std::memcpy(place, bytes, count);
  internal::insert_event(event);
  return event;
}

}  // namespace

Event* note_off_new(Track* track, int32_t tick, int32_t channel, int32_t note, int32_t velocity) {
  if (track == nullptr) return nullptr;
  return create_event(track, tick, NOTE_OFF, channel, note, velocity);
}

Event* note_on_new(Track* track, int32_t tick, int32_t channel, int32_t note, int32_t velocity) {
  if (track == nullptr) return nullptr;
  return create_event(track, tick, NOTE_ON, channel, note, velocity);
}

Event* key_pressure_new(Track* track, int32_t tick, int32_t channel, int32_t note, int32_t amount) {
  if (track == nullptr) return nullptr;
  return create_event(track, tick, KEY_PRESSURE, channel, note, amount);
}

Event* control_change_new(Track* track, int32_t tick, int32_t channel, int32_t number, int32_t value) {
  if (track == nullptr) return nullptr;
  return create_event(track, tick, CONTROL_CHANGE, channel, number, value);
}

Event* program_change_new(Track* track, int32_t tick, int32_t channel, int32_t number) {
  if (track == nullptr) return nullptr;
  return create_event(track, tick, PROGRAM_CHANGE, channel, number, 0);
}

Event* channel_pressure_new(Track* track, int32_t tick, int32_t channel, int32_t amount) {
  if (track == nullptr) return nullptr;
  return create_event(track, tick, CHANNEL_PRESSURE, channel, amount, 0);
}

Event* pitch_wheel_new(Track* track, int32_t tick, int32_t channel, int32_t value) {
  if (track == nullptr) return nullptr;
  return create_event(track, tick, PITCH_WHEEL, channel, value, 0);
}

Event* sysex_new(Track* track, int32_t tick, int32_t count, const unsigned char* bytes) {
  if (track == nullptr || count < 1 || bytes == nullptr) return nullptr;
  return create_event_with_bytes(track, tick, SYSEX, count, bytes, static_cast<size_t>(count));
}

Event* meta_new(Track* track, int32_t tick, int32_t number, int32_t length, const unsigned char* bytes) {
  if (track == nullptr || length < 0 || (bytes == nullptr && length > 0)) return nullptr;
  return create_event_with_bytes(track, tick, META, number, bytes, static_cast<size_t>(length));
}

int32_t event_free(Event* event) {
  if (event == nullptr) return -1;
  internal::detach_event(event);
  internal::release_event(internal::sequence_of(event), event);
  return 0;
}

Track* event_get_track(Event* event) { return event != nullptr ? internal::track_of(event) : nullptr; }

Event* event_get_previous_in_track(Event* event) {
  return event != nullptr ? internal::event_near(event, event->previous_in_track) : nullptr;
}

Event* event_get_next_in_track(Event* event) {
  return event != nullptr ? internal::event_near(event, event->next_in_track) : nullptr;
}

namespace {

// The sequence order of a file of many tracks steps from track to track,
// each track's events lying one after another in memory: a walk soon needs
// the events that follow the one it reaches in its track. Asking for them
// now lets the memory fetch them while the walk goes on elsewhere, instead
// of one fetch at a time. A prefetch never faults, even past a chunk.
Event* with_track_neighbours_fetched(Event* event) {
#if defined(__GNUC__)
  if (event != nullptr) __builtin_prefetch(event + 2);
#endif
  return event;
}

}  // namespace

Event* event_get_previous_in_sequence(Event* event) {
  return event != nullptr
             ? with_track_neighbours_fetched(internal::event_near(event, event->in_sequence.previous))
             : nullptr;
}

Event* event_get_next_in_sequence(Event* event) {
  return event != nullptr
             ? with_track_neighbours_fetched(internal::event_near(event, event->in_sequence.next))
             : nullptr;
}

Event* event_get_previous(Event* event) { return event_get_previous_in_track(event); }

Event* event_get_next(Event* event) { return event_get_next_in_track(event); }

int32_t event_get_tick(Event* event) { return event != nullptr ? event->tick() : -1; }

int32_t event_set_tick(Event* event, int32_t tick) {
  if (event == nullptr) return -1;
  internal::detach_event(event);
  event->in_sequence.tick = tick;
  internal::insert_event(event);
  return 0;
}

int32_t event_get_kind(Event* event) { return event != nullptr ? event->kind() : -1; }

}  // namespace tactus
