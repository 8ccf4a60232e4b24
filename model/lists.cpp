// Sorted insertion into, and removal from, the two event lists and a track's
// array of META events. The scans start at the tails because events mostly
// arrive in tick order.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "model/pool.h"

namespace tactus::internal {
namespace {

bool grow_meta_array(Track* track) {
  const size_t capacity = track->meta_capacity == 0 ? 16 : track->meta_capacity * 2;
  void* metas = std::realloc(track->metas, capacity * sizeof(Event*));
  if (metas == nullptr) return false;
  track->metas = static_cast<Event**>(metas);
  track->meta_capacity = capacity;
  return true;
}

// The array follows the track list, where a new event goes after every event
// of tick <= its tick: in the array, at the upper bound of its tick.
void list_meta(Event* event) {
  Track* track = event->track;
  if (track->metas_incomplete) return;
  if (track->meta_count == track->meta_capacity && !grow_meta_array(track)) {
    drop_meta_array(track);
    return;
  }
  Event** begin = track->metas;
  Event** end = begin + track->meta_count;
  Event** place = end;
  if (begin != end && end[-1]->tick > event->tick) {
    place = std::upper_bound(begin, end, event->tick,
                             [](int32_t tick, const Event* listed) { return tick < listed->tick; });
  }
  std::memmove(place + 1, place, static_cast<size_t>(end - place) * sizeof(Event*));
  *place = event;
  ++track->meta_count;
}

// Called before the event's tick changes: it is among the listed events of
// its tick.
void unlist_meta(Event* event) {
  Track* track = event->track;
  if (track->metas_incomplete) return;
  Event** end = track->metas + track->meta_count;
  Event** place = std::lower_bound(track->metas, end, event->tick,
                                   [](const Event* listed, int32_t tick) { return listed->tick < tick; });
  while (place != end && *place != event) ++place;
  if (place == end) return;
  std::memmove(place, place + 1, static_cast<size_t>(end - place - 1) * sizeof(Event*));
  --track->meta_count;
}

}  // namespace

void drop_meta_array(Track* track) {
  std::free(track->metas);
  track->metas = nullptr;
  track->meta_count = 0;
  track->meta_capacity = 0;
  track->metas_incomplete = true;
}

void insert_event(Event* event) {
  Track* track = event->track;
  Sequence* sequence = track->sequence;
  int32_t tick = event->tick;
  invalidate_time_index(event);

  Event* before = track->last_event;
  while (before != nullptr && before->tick > tick) before = before->previous_in_track;
  Event* after = before != nullptr ? before->next_in_track : track->first_event;
  event->previous_in_track = before;
  event->next_in_track = after;
  if (before != nullptr) {
    before->next_in_track = event;
  } else {
    track->first_event = event;
  }
  if (after != nullptr) {
    after->previous_in_track = event;
  } else {
    track->last_event = event;
  }

  before = sequence->last_event;
  while (before != nullptr && before->tick > tick) before = before->previous_in_sequence;
  after = before != nullptr ? before->next_in_sequence : sequence->first_event;
  event->previous_in_sequence = before;
  event->next_in_sequence = after;
  if (before != nullptr) {
    before->next_in_sequence = event;
  } else {
    sequence->first_event = event;
  }
  if (after != nullptr) {
    after->previous_in_sequence = event;
  } else {
    sequence->last_event = event;
  }

  if (event->kind == META) list_meta(event);
  if (tick > track->end_tick) track->end_tick = tick;
}

void detach_event(Event* event) {
  Track* track = event->track;
  Sequence* sequence = track->sequence;
  invalidate_time_index(event);
  if (event->kind == META) unlist_meta(event);

  if (event->previous_in_track != nullptr) {
    event->previous_in_track->next_in_track = event->next_in_track;
  } else {
    track->first_event = event->next_in_track;
  }
  if (event->next_in_track != nullptr) {
    event->next_in_track->previous_in_track = event->previous_in_track;
  } else {
    track->last_event = event->previous_in_track;
  }

  if (event->previous_in_sequence != nullptr) {
    event->previous_in_sequence->next_in_sequence = event->next_in_sequence;
  } else {
    sequence->first_event = event->next_in_sequence;
  }
  if (event->next_in_sequence != nullptr) {
    event->next_in_sequence->previous_in_sequence = event->previous_in_sequence;
  } else {
    sequence->last_event = event->previous_in_sequence;
  }
}

void append_event_to_track(Event* event) {
  Track* track = event->track;
  invalidate_time_index(event);
  event->previous_in_track = track->last_event;
  event->next_in_track = nullptr;
  if (track->last_event != nullptr) {
    track->last_event->next_in_track = event;
  } else {
    track->first_event = event;
  }
  track->last_event = event;
  if (event->kind == META) list_meta(event);
  if (event->tick > track->end_tick) track->end_tick = event->tick;
  if (event->bytes != nullptr) list_buffer_owner(track->sequence, event);
}

}  // namespace tactus::internal
