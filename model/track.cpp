// The Track record: its place and number in the track list, and its end tick.
#include <new>

#include "model/records.h"

namespace tactus {
namespace {

void shift_numbers_from(Track* track, int32_t by) {
  for (; track != nullptr; track = track->next) track->number += by;
}

}  // namespace

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
  Event* event = track->first_event;
  while (event != nullptr) {
    Event* next = event->next_in_track;
    internal::detach_event(event);
    internal::release_event(sequence, event);
    event = next;
  }
  delete track;
  return 0;
}

Sequence* track_get_sequence(Track* track) { return track != nullptr ? track->sequence : nullptr; }

int32_t track_get_number(Track* track) { return track != nullptr ? track->number : -1; }

int32_t track_get_end_tick(Track* track) { return track != nullptr ? track->end_tick : -1; }

int32_t track_set_end_tick(Track* track, int32_t tick) {
  if (track == nullptr) return -1;
  if (track->last_event != nullptr && tick < track->last_event->tick) return -1;
  track->end_tick = tick;
  return 0;
}

Track* track_new_before(Track* track) {
  if (track == nullptr) return nullptr;
  Sequence* sequence = track->sequence;
  Track* added =
      new (std::nothrow) Track{sequence, track->number, 0, track->previous, track, nullptr, nullptr};
  if (added == nullptr) return nullptr;
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

Event* track_get_first_event(Track* track) { return track != nullptr ? track->first_event : nullptr; }

Event* track_get_last_event(Track* track) { return track != nullptr ? track->last_event : nullptr; }

}  // namespace tactus
