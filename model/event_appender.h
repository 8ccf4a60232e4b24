// The file reader's way of adding events: one after another at the end of a
// track of a sequence being loaded, with the store's bookkeeping done once
// per chunk and per track instead of once per event. Inline, so that it
// becomes part of the reader's loop.
#ifndef TACTUS_MODEL_EVENT_APPENDER_H
#define TACTUS_MODEL_EVENT_APPENDER_H

#include "model/event_store.h"
#include "model/records.h"

namespace tactus::internal {

// Appends to `track`, whose sequence has no free events and no sequence
// order yet (a sequence being read). Each event is linked after the one
// before in the track list and, for the time being, in the same way in the
// sequence links: a file whose events are all in one track needs no other
// sequence order (link_sequence_order). The events' data is left to the
// caller; META events must be handed to meta_appended, events given a
// malloc'ed buffer to list_buffer_owner.
class EventAppender {
 public:
  explicit EventAppender(Track* track)
      : track_(track),
        sequence_(track->sequence),
        store_(sequence_->store),
        slot_bits_(track->slot << Event::kSlotShift),
        last_index_(track->last_event),
        last_(event_at(sequence_, track->last_event)),
        last_order_(last_ != nullptr ? &last_->order() : nullptr),
        last_tick_(last_ != nullptr ? last_->tick() : 0) {
    take_place_in_last_chunk();
  }

  // The next event, of this tick and kind, with its links set; null when
  // memory is exhausted.
  Event* append(int32_t tick, int32_t kind) {
    if (place_ == end_ && !open_chunk()) return nullptr;
    const auto place = static_cast<uint32_t>(place_ - first_);
    Event* event = place_++;
    EventOrder* order = orders_ + place;
    const uint32_t index = index_base_ | place;
    event->next_in_track = kNoEvent;
    event->previous_in_track = last_index_;
    event->packed = static_cast<uint32_t>(kind) | slot_bits_;
    *order = EventOrder{tick, kNoEvent, last_index_};
    if (last_ != nullptr) {
      last_->next_in_track = index;
      last_order_->next = index;
    } else {
      track_->first_event = index;
    }
    last_ = event;
    last_order_ = order;
    last_index_ = index;
    last_tick_ = tick;
    return event;
  }

  void meta_appended(Event* event) { list_meta(track_, event); }

  // Ends the appending: the track's last event and end tick, and what the
  // time index must know.
  ~EventAppender() {
    if (first_ != nullptr) store_.used_in_last = static_cast<uint32_t>(place_ - first_);
    track_->last_event = last_index_;
    if (last_ != nullptr && last_tick_ > track_->end_tick) track_->end_tick = last_tick_;
    invalidate_time_index(sequence_);
  }

  EventAppender(const EventAppender&) = delete;
  EventAppender& operator=(const EventAppender&) = delete;

 private:
  void take_place_in_last_chunk() {
    if (store_.used_chunks == 0) {
      first_ = place_ = end_ = nullptr;
      return;
    }
    EventChunk* chunk = store_.chunks[store_.used_chunks - 1];
    first_ = chunk->events();
    orders_ = chunk->orders();
    place_ = first_ + store_.used_in_last;
    end_ = first_ + EventChunk::kCapacity;
    index_base_ = chunk->number << kChunkShift;
  }

  bool open_chunk() {
    if (!open_next_chunk(sequence_)) return false;
    take_place_in_last_chunk();
    return true;
  }

  Track* track_;
  Sequence* sequence_;
  EventStore& store_;
  uint32_t slot_bits_;
  uint32_t last_index_;
  Event* last_;
  EventOrder* last_order_;
  int32_t last_tick_;
  Event* first_ = nullptr;
  EventOrder* orders_ = nullptr;
  Event* place_ = nullptr;
  Event* end_ = nullptr;
  uint32_t index_base_ = 0;
};

}  // namespace tactus::internal

#endif
