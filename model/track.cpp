// The Track record: its place and number in the track list, and its end tick.
#include <algorithm>
#include <cstdlib>
#include <new>

#include "model/records.h"

namespace tactus {
namespace {

void shift_numbers_from(Track* track, int32_t by) {
  for (; track != nullptr; track = track->next) track->number += by;
}

}  // namespace

namespace internal {

// Freed slots are few (tracks are rarely freed), so the lowest is searched
// for; a sequence read from a file fills its slots in order.
bool take_track_slot(Sequence* sequence, Track* track) {
  uint32_t slot = 0;
  while (slot < sequence->slot_count && sequence->tracks_by_slot[slot] != nullptr) ++slot;
  if (slot == sequence->slot_count) {
    if (slot == kMaxTrackSlots) return false;
    if (slot == sequence->slot_capacity) {
      const uint32_t capacity = slot == 0 ? 16 : std::min(slot * 2, kMaxTrackSlots);
      void* slots = std::realloc(sequence->tracks_by_slot, capacity * sizeof(Track*));
      if (slots == nullptr) return false;
      sequence->tracks_by_slot = static_cast<Track**>(slots);
      sequence->slot_capacity = capacity;
    }
    ++sequence->slot_count;
  }
  sequence->tracks_by_slot[slot] = track;
  track->slot = slot;
  return true;
}

void give_back_track_slot(Sequence* sequence, Track* track) {
  sequence->tracks_by_slot[track->slot] = nullptr;
}

}  // namespace internal

int32_t track_free(Track* track) {
  if (track == nullptr) return -1;
  Sequence* sequence = track->sequence;
  internal::invalidate_time_index(sequence);
  shift_numbers_from(track->next, -1);
  --sequence->track_count;
  if (track->previous != nullptr) {
    track->previous->next = track->next;
  } else {
    sequence->first_track = track->next;
  }
  if (track->next != nullptr) {
    track->next->previous = track->previous;
  } else {
    sequence->last_track = track->previous;
  }
  // Every event goes: none needs finding in the META array first.
  internal::drop_meta_array(track);
  Event* event = internal::event_at(sequence, track->first_event);
  while (event != nullptr) {
    Event* next = internal::event_at(sequence, event->next_in_track);
    internal::detach_event(event);
    internal::release_event(sequence, event);
    event = next;
  }
  internal::give_back_track_slot(sequence, track);
  delete track;
  return 0;
}

Sequence* track_get_sequence(Track* track) { return track != nullptr ? track->sequence : nullptr; }

int32_t track_get_number(Track* track) { return track != nullptr ? track->number : -1; }

int32_t track_get_end_tick(Track* track) { return track != nullptr ? track->end_tick : -1; }

int32_t track_set_end_tick(Track* track, int32_t tick) {
  if (track == nullptr) return -1;
  Event* last = internal::event_at(track->sequence, track->last_event);
  if (last != nullptr && tick < last->tick()) return -1;
  track->end_tick = tick;
  return 0;
}

Track* track_new_before(Track* track) {
  if (track == nullptr) return nullptr;
  Sequence* sequence = track->sequence;
  Track* added = new (std::nothrow) Track{sequence, track->number, 0, track->previous, track};
  if (added == nullptr) return nullptr;
  if (!internal::take_track_slot(sequence, added)) {
    delete added;
    return nullptr;
  }
  if (track->previous != nullptr) {
    track->previous->next = added;
  } else {
    sequence->first_track = added;
  }
  track->previous = added;
  shift_numbers_from(track, 1);
  ++sequence->track_count;
  internal::invalidate_time_index(sequence);
  return added;
}

Track* track_get_previous(Track* track) { return track != nullptr ? track->previous : nullptr; }

Track* track_get_next(Track* track) { return track != nullptr ? track->next : nullptr; }

Event* track_get_first_event(Track* track) {
  return track != nullptr ? internal::event_at(track->sequence, track->first_event) : nullptr;
}

Event* track_get_last_event(Track* track) {
  return track != nullptr ? internal::event_at(track->sequence, track->last_event) : nullptr;
}

}  // namespace tactus
