// Visiting every event of a sequence or a track. The flags are raised on a
// first pass so that the visitor may free or move the event it is given, or
// create new ones, without any event being visited twice.
#include "model/records.h"

namespace tactus {

int32_t sequence_visit_events(Sequence* sequence, EventVisitor visitor, void* user_data) {
  if (sequence == nullptr || visitor == nullptr) return -1;
  for (Event* event = sequence->first_event; event != nullptr; event = event->next_in_sequence)
    event->visit = 1;
  Event* event = sequence->first_event;
  while (event != nullptr) {
    Event* next = event->next_in_sequence;
    if (event->visit == 1) {
      event->visit = 0;
      visitor(event, user_data);
    }
    event = next;
  }
  return 0;
}

int32_t track_visit_events(Track* track, EventVisitor visitor, void* user_data) {
  if (track == nullptr || visitor == nullptr) return -1;
  for (Event* event = track->first_event; event != nullptr; event = event->next_in_track) event->visit = 1;
  Event* event = track->first_event;
  while (event != nullptr) {
    Event* next = event->next_in_track;
    if (event->visit == 1) {
      event->visit = 0;
      visitor(event, user_data);
    }
    event = next;
  }
  return 0;
}

}  // namespace tactus
