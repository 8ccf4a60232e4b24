// Builds the sequence order of a freshly loaded sequence from its track lists
// in one pass: a k-way merge keyed by (tick, track number). Each track list is
// already in tick order, so the result is the order that sorted insertion of
// the tracks one after another would give, at O(N log k) instead of walking
// back over the later events of every track loaded before.
#include <cstdlib>

#include "model/records.h"

namespace tactus::internal {
namespace {

// Appends events to a sequence order being rebuilt from scratch.
struct OrderBuilder {
  Sequence* sequence;
  Event* tail;

  void append(Event* event) {
    event->previous_in_sequence = tail;
    if (tail != nullptr) {
      tail->next_in_sequence = event;
    } else {
      sequence->first_event = event;
    }
    tail = event;
  }

  void finish() {
    if (tail != nullptr) tail->next_in_sequence = nullptr;
    sequence->last_event = tail;
  }
};

// The next unmerged event of one track, with its key copied out so that the
// heap compares without touching the events.
struct Cursor {
  Event* event;
  int32_t tick;
  int32_t number;
};

bool comes_before(const Cursor& a, const Cursor& b) {
  return a.tick < b.tick || (a.tick == b.tick && a.number < b.number);
}

void sift_down(Cursor* heap, size_t size, size_t index) {
  Cursor moving = heap[index];
  for (;;) {
    size_t child = 2 * index + 1;
    if (child >= size) break;
    if (child + 1 < size && comes_before(heap[child + 1], heap[child])) ++child;
    if (!comes_before(heap[child], moving)) break;
    heap[index] = heap[child];
    index = child;
  }
  heap[index] = moving;
}

void merge_with_heap(Sequence* sequence, Cursor* heap) {
  size_t size = 0;
  for (Track* track = sequence->first_track; track != nullptr; track = track->next) {
    if (track->first_event != nullptr)
      heap[size++] = Cursor{track->first_event, track->first_event->tick, track->number};
  }
  for (size_t i = size / 2; i-- > 0;) sift_down(heap, size, i);

  OrderBuilder order{sequence, nullptr};
  while (size > 1) {
    Cursor& top = heap[0];
    const Cursor& rival = size == 2 || comes_before(heap[1], heap[2]) ? heap[1] : heap[2];
    // Take the whole run of the leading track that still sorts before the
    // runner-up: chords and dense passages then cost no heap work.
    Event* event = top.event;
    do {
      order.append(event);
      event = event->next_in_track;
    } while (event != nullptr &&
             (event->tick < rival.tick || (event->tick == rival.tick && top.number < rival.number)));
    if (event == nullptr) {
      heap[0] = heap[--size];
    } else {
      top.event = event;
      top.tick = event->tick;
    }
    sift_down(heap, size, 0);
  }
  if (size == 1) {
    for (Event* event = heap[0].event; event != nullptr; event = event->next_in_track) order.append(event);
  }
  order.finish();
}

// Without memory for a heap: merge the tracks into the order one at a time.
// Slower (O(N k)) but needs nothing.
void merge_track_by_track(Sequence* sequence) {
  for (Track* track = sequence->first_track; track != nullptr; track = track->next) {
    Event* placed = sequence->first_event;
    Event* incoming = track->first_event;
    OrderBuilder order{sequence, nullptr};
    while (placed != nullptr || incoming != nullptr) {
      if (incoming == nullptr || (placed != nullptr && placed->tick <= incoming->tick)) {
        Event* event = placed;
        placed = placed->next_in_sequence;
        order.append(event);
      } else {
        Event* event = incoming;
        incoming = incoming->next_in_track;
        order.append(event);
      }
    }
    order.finish();
  }
}

constexpr size_t stack_heap_capacity = 64;

}  // namespace

void link_sequence_order(Sequence* sequence) {
  sequence->first_event = nullptr;
  sequence->last_event = nullptr;
  size_t track_count = sequence->track_count > 0 ? static_cast<size_t>(sequence->track_count) : 0;
  if (track_count <= stack_heap_capacity) {
    Cursor heap[stack_heap_capacity];
    merge_with_heap(sequence, heap);
    return;
  }
  auto* heap = static_cast<Cursor*>(std::malloc(track_count * sizeof(Cursor)));
  if (heap == nullptr) {
    merge_track_by_track(sequence);
    return;
  }
  merge_with_heap(sequence, heap);
  std::free(heap);
}

}  // namespace tactus::internal
