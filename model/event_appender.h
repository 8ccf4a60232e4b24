// The file reader's way of adding events: one after another at the end of a
// track of a sequence being loaded, with the store's bookkeeping done once
// per chunk and per track instead of once per event. Inline, so that it
// becomes part of the reader's loop.
#ifndef TACTUS_MODEL_EVENT_APPENDER_H
#define TACTUS_MODEL_EVENT_APPENDER_H

#include "model/event_store.h"
#include "model/records.h"

namespace tactus::internal {

// Where the next event goes and what it links to. A loop that appends many
// events keeps a copy of its own, which the compiler holds in registers
// (stores into events cannot change it), and hands it back before anything
// else appends.
struct AppendPlace {
  uint32_t next = EventChunk::kCapacity;  // the next event's place in its chunk; full when the capacity
  Event* first = nullptr;                 // the chunk's events
  uint32_t index_base = 0;                // the chunk's number in the high bits of an index
  // Where the next event's index goes: the track's last event's next link,
  // or the track's first event, so that no event needs a test for being
  // the first. The last link is ended once the appending ends.
  uint32_t* link_to_next = nullptr;
  uint32_t last_index = kNoEvent;

  // The next event, of this tick and packed kind and slot, linked after the
  // last one in its track; null when the chunk is full.
  Event* append(int32_t tick, uint32_t packed) {
    if (next == EventChunk::kCapacity) return nullptr;
    const uint32_t place = next++;
    Event* event = first + place;
    const uint32_t index = index_base | place;
    event->previous_in_track = last_index;
    event->packed = packed;
    event->in_sequence.tick = tick;
    *link_to_next = index;
    link_to_next = &event->next_in_track;
    last_index = index;
    return event;
  }
};

// Appends to `track`, whose sequence has no free events and no sequence
// order yet (a sequence being read): only the track links and the tick are
// set, link_sequence_order sets the sequence links once all tracks are read.
// The events' data is left to the caller; META events must be handed to
// meta_appended, events given a malloc'ed buffer to list_buffer_owner.
class EventAppender {
 public:
  explicit EventAppender(Track* track) : track_(track), sequence_(track->sequence) {
    place_.last_index = track->last_event;
    Event* last = event_at(sequence_, track->last_event);
    place_.link_to_next = last != nullptr ? &last->next_in_track : &first_event_;
    take_last_chunk();
  }

  // The next event, of this tick and kind; null when memory is exhausted.
  Event* append(int32_t tick, int32_t kind) { return append(place_, tick, kind); }

  // The same for a loop's own copy of the place.
  Event* append(AppendPlace& place, int32_t tick, int32_t kind) {
    const uint32_t packed = static_cast<uint32_t>(kind) | track_->slot << Event::kSlotShift;
    Event* event = place.append(tick, packed);
    if (event != nullptr) return event;
    if (!open_chunk(place)) return nullptr;
    return place.append(tick, packed);
  }

  const AppendPlace& place() const { return place_; }
  void set_place(const AppendPlace& place) { place_ = place; }

  void meta_appended(Event* event) { list_meta(track_, event); }

  // Ends the appending: the track's first and last event and end tick, and
  // what the time index must know.
  ~EventAppender() {
    if (place_.first != nullptr) sequence_->store.used_in_last = place_.next;
    *place_.link_to_next = kNoEvent;
    if (track_->first_event == kNoEvent) track_->first_event = first_event_;
    track_->last_event = place_.last_index;
    Event* last = event_at(sequence_, place_.last_index);
    if (last != nullptr && last->tick() > track_->end_tick) track_->end_tick = last->tick();
    invalidate_time_index(sequence_);
  }

  EventAppender(const EventAppender&) = delete;
  EventAppender& operator=(const EventAppender&) = delete;

 private:
  void take_last_chunk() {
    EventStore& store = sequence_->store;
    if (store.used_chunks == 0) return;
    EventChunk* chunk = store.chunks[store.used_chunks - 1];
    place_.first = chunk->events();
    place_.next = store.used_in_last;
    place_.index_base = chunk->number << kChunkShift;
  }

  bool open_chunk(AppendPlace& place) {
    place_ = place;
    if (!open_next_chunk(sequence_)) return false;
    take_last_chunk();
    place = place_;
    return true;
  }

  Track* track_;
  Sequence* sequence_;
  AppendPlace place_;
  uint32_t first_event_ = kNoEvent;  // the first event appended, when the track had none
};

}  // namespace tactus::internal

#endif
