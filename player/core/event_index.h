// The events of a sequence in an array, in sequence order, so that playback
// can go on from any tick at once. Built at the first use, so that a run
// that never jumps spends nothing on it.
#ifndef TACTUS_PLAYER_CORE_EVENT_INDEX_H
#define TACTUS_PLAYER_CORE_EVENT_INDEX_H

#include <algorithm>
#include <cstdint>
#include <vector>

#include "tactus/model.h"

namespace tactus::player {

class EventIndex {
 public:
  explicit EventIndex(Sequence* sequence) : sequence_(sequence) {}

  size_t size() const { return events().size(); }
  Event* event(size_t index) const { return events()[index]; }
  int32_t tick(size_t index) const { return event_get_tick(events()[index]); }
  // Null for size().
  Event* event_or_end(size_t index) const { return index < size() ? event(index) : nullptr; }

  // The index of the first event at or after `tick`; size() if none.
  size_t first_at(int32_t tick) const {
    const std::vector<Event*>& all = events();
    auto found = std::lower_bound(all.begin(), all.end(), tick, [](Event* event, int32_t wanted) {
      return event_get_tick(event) < wanted;
    });
    return static_cast<size_t>(found - all.begin());
  }

  // The index of an event of the sequence; size() for null.
  size_t index_of(Event* event) const {
    if (event == nullptr) return size();
    size_t index = first_at(event_get_tick(event));
    while (index < events_.size() && events_[index] != event) ++index;
    return index;
  }

 private:
  const std::vector<Event*>& events() const {
    if (!built_) {
      for (Event* event = sequence_get_first_event(sequence_); event != nullptr;
           event = event_get_next_in_sequence(event))
        events_.push_back(event);
      built_ = true;
    }
    return events_;
  }

  Sequence* sequence_;
  mutable std::vector<Event*> events_;
  mutable bool built_ = false;
};

}  // namespace tactus::player

#endif
