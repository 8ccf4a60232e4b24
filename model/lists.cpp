// Sorted insertion into, and removal from, the two event lists. The scans
// start at the tails because events mostly arrive in tick order.
#include "model/pool.h"

namespace tactus::internal {

void insert_event(Event* event) {
  Track* track = event->track;
  Sequence* sequence = track->sequence;
  int32_t tick = event->tick;
  note_change(event);

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

  if (tick > track->end_tick) track->end_tick = tick;
}

void detach_event(Event* event) {
  Track* track = event->track;
  Sequence* sequence = track->sequence;
  note_change(event);

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
  note_change(event);
  event->previous_in_track = track->last_event;
  event->next_in_track = nullptr;
  if (track->last_event != nullptr) {
    track->last_event->next_in_track = event;
  } else {
    track->first_event = event;
  }
  track->last_event = event;
  if (event->tick > track->end_tick) track->end_tick = event->tick;
  if (event->bytes != nullptr) list_buffer_owner(track->sequence, event);
}

}  // namespace tactus::internal
