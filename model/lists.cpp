// Sorted insertion into, and removal from, the two event lists and a track's
// array of META events. The scans start at the tails because events mostly
// arrive in tick order.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "model/records.h"

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

// Called before the event's tick changes: it is among the listed events of
// its tick.
void unlist_meta(Track* track, Event* event) {
  if (track->metas_incomplete) return;
  Event** end = track->metas + track->meta_count;
  Event** place = std::lower_bound(track->metas, end, event->tick(),
                                   [](const Event* listed, int32_t tick) { return listed->tick() < tick; });
  while (place != end && *place != event) ++place;
  if (place == end) return;
  std::memmove(place, place + 1, static_cast<size_t>(end - place - 1) * sizeof(Event*));
  --track->meta_count;
}

// The links of one of the two lists, so that both are kept by one piece of
// code: the event's own pair, in its record or in its order.
struct TrackLinks {
  static uint32_t& next(Event* event) { return event->next_in_track; }
  static uint32_t& previous(Event* event) { return event->previous_in_track; }
};
struct SequenceLinks {
  static uint32_t& next(Event* event) { return event->in_sequence.next; }
  static uint32_t& previous(Event* event) { return event->in_sequence.previous; }
};

// The last event of tick <= `tick` in a list, or none: scanning back from
// the tail, and, given an event of the list known to be of tick <= `tick`,
// forward from it as well, a step of each in turn. Both scans stop at the
// same place; the shorter one finds it, so that an insertion in the middle
// of a long sequence need not walk back from its end.
template <typename Links>
uint32_t last_not_later(uint32_t last, uint32_t known, int32_t tick, const Event* any) {
  uint32_t back = last;
  uint32_t forward = known;
  Event* back_event = back != kNoEvent ? event_near(any, back) : nullptr;
  Event* forward_event = forward != kNoEvent ? event_near(any, forward) : nullptr;
  for (;;) {
    if (back_event == nullptr || back_event->tick() <= tick) return back;
    back = Links::previous(back_event);
    back_event = event_near(back_event, back);
    if (forward_event != nullptr) {
      const uint32_t next = Links::next(forward_event);
      Event* next_event = event_near(forward_event, next);
      if (next_event == nullptr || next_event->tick() > tick) return forward;
      forward = next;
      forward_event = next_event;
    }
  }
}

// Links an event after `before` (none: first).
template <typename Links>
void link_after(const Sequence* sequence, Event* event, uint32_t index, uint32_t before, uint32_t& first,
                uint32_t& last) {
  Event* before_event = event_at(sequence, before);
  const uint32_t after = before_event != nullptr ? Links::next(before_event) : first;
  Links::previous(event) = before;
  Links::next(event) = after;
  if (before_event != nullptr) {
    Links::next(before_event) = index;
  } else {
    first = index;
  }
  if (after != kNoEvent) {
    Links::previous(event_at(sequence, after)) = index;
  } else {
    last = index;
  }
}

template <typename Links>
void unlink(const Sequence* sequence, Event* event, uint32_t& first, uint32_t& last) {
  const uint32_t previous = Links::previous(event);
  const uint32_t next = Links::next(event);
  if (previous != kNoEvent) {
    Links::next(event_at(sequence, previous)) = next;
  } else {
    first = next;
  }
  if (next != kNoEvent) {
    Links::previous(event_at(sequence, next)) = previous;
  } else {
    last = previous;
  }
}

}  // namespace

// The array follows the track list, where a new event goes after every event
// of tick <= its tick: in the array, at the upper bound of its tick.
void list_meta(Track* track, Event* event) {
  if (track->metas_incomplete) return;
  if (track->meta_count == track->meta_capacity && !grow_meta_array(track)) {
    drop_meta_array(track);
    return;
  }
  Event** begin = track->metas;
  Event** end = begin + track->meta_count;
  Event** place = end;
  if (begin != end && end[-1]->tick() > event->tick()) {
    place = std::upper_bound(begin, end, event->tick(),
                             [](int32_t tick, const Event* listed) { return tick < listed->tick(); });
  }
  std::memmove(place + 1, place, static_cast<size_t>(end - place) * sizeof(Event*));
  *place = event;
  ++track->meta_count;
}

void drop_meta_array(Track* track) {
  std::free(track->metas);
  track->metas = nullptr;
  track->meta_count = 0;
  track->meta_capacity = 0;
  track->metas_incomplete = true;
}

void insert_event(Event* event) {
  Sequence* sequence = sequence_of(event);
  Track* track = sequence->tracks_by_slot[event->track_slot()];
  const uint32_t index = index_of(event);
  invalidate_time_index(event);
  const int32_t tick = event->tick();
  const uint32_t in_track = last_not_later<TrackLinks>(track->last_event, kNoEvent, tick, event);
  link_after<TrackLinks>(sequence, event, index, in_track, track->first_event, track->last_event);
  // The event before it in its track stands before it in the sequence order too.
  const uint32_t in_sequence = last_not_later<SequenceLinks>(sequence->last_event, in_track, tick, event);
  link_after<SequenceLinks>(sequence, event, index, in_sequence, sequence->first_event, sequence->last_event);
  if (event->kind() == META) list_meta(track, event);
  if (event->tick() > track->end_tick) track->end_tick = event->tick();
}

void detach_event(Event* event) {
  Sequence* sequence = sequence_of(event);
  Track* track = sequence->tracks_by_slot[event->track_slot()];
  invalidate_time_index(event);
  if (event->kind() == META) unlist_meta(track, event);
  unlink<TrackLinks>(sequence, event, track->first_event, track->last_event);
  unlink<SequenceLinks>(sequence, event, sequence->first_event, sequence->last_event);
}

}  // namespace tactus::internal
