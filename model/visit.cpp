// Visiting every event of a sequence or a track. The flags are raised on a
// first pass so that the visitor may free or move the event it is given, or
// create new ones, without any event being visited twice.
#include "model/records.h"

namespace tactus {
namespace {

uint32_t next_in_sequence(const Event* event) { return event->in_sequence.next; }
uint32_t next_in_track(const Event* event) { return event->next_in_track; }

// One walk for both visits: the list's first event and its next links.
int32_t visit_list(Sequence* sequence, uint32_t first, uint32_t (*next_link)(const Event*),
                   EventVisitor visitor, void* user_data) {
  for (Event* event = internal::event_at(sequence, first); event != nullptr;
       event = internal::event_at(sequence, next_link(event)))
    event->set_visited(true);
  Event* event = internal::event_at(sequence, first);
  while (event != nullptr) {
    Event* next = internal::event_at(sequence, next_link(event));
    if (event->visited()) {
      event->set_visited(false);
      visitor(event, user_data);
    }
    event = next;
  }
  return 0;
}

}  // namespace

int32_t sequence_visit_events(Sequence* sequence, EventVisitor visitor, void* user_data) {
  if (sequence == nullptr || visitor == nullptr) return -1;
  return visit_list(sequence, sequence->first_event, next_in_sequence, visitor, user_data);
}

int32_t track_visit_events(Track* track, EventVisitor visitor, void* user_data) {
  if (track == nullptr || visitor == nullptr) return -1;
  return visit_list(track->sequence, track->first_event, next_in_track, visitor, user_data);
}

}  // namespace tactus
