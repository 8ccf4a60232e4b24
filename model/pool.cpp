// Events are handed out from slabs of growing capacity so that a sequence of
// a million events costs a few dozen allocations, and freeing it a few dozen
// more plus one free() per SYSEX or META buffer.
#include "model/pool.h"

#include <cstdlib>
#include <new>

namespace tactus {

// The header of one slab; its events follow it in the same allocation.
struct EventSlab {
  EventSlab* next;
  size_t capacity;
  size_t used;
};

namespace {

constexpr size_t first_slab_capacity = 64;
constexpr size_t largest_slab_capacity = size_t{1} << 16;

static_assert(sizeof(EventSlab) % alignof(Event) == 0, "events must follow the slab header aligned");

Event* slab_events(EventSlab* slab) { return reinterpret_cast<Event*>(slab + 1); }

EventSlab* add_slab(EventPool* pool) {
  size_t capacity =
      pool->next_slab_capacity < first_slab_capacity ? first_slab_capacity : pool->next_slab_capacity;
  void* memory = std::malloc(sizeof(EventSlab) + capacity * sizeof(Event));
  if (memory == nullptr) return nullptr;
  EventSlab* slab = new (memory) EventSlab{pool->slabs, capacity, 0};
  pool->slabs = slab;
  pool->next_slab_capacity = capacity < largest_slab_capacity ? capacity * 2 : capacity;
  return slab;
}

}  // namespace

namespace internal {

Event* allocate_event(Sequence* sequence) {
  EventPool* pool = &sequence->pool;
  void* place;
  if (pool->free_list != nullptr) {
    place = pool->free_list;
    // Freed events are chained through their next_in_track link.
    pool->free_list = pool->free_list->next_in_track;
  } else {
    EventSlab* slab = pool->slabs;
    if (slab == nullptr || slab->used == slab->capacity) slab = add_slab(pool);
    if (slab == nullptr) return nullptr;
    place = slab_events(slab) + slab->used++;
  }
  return new (place) Event{};
}

void release_event(Sequence* sequence, Event* event) {
  std::free(event->bytes);
  // A null buffer marks the event as owning nothing for free_event_pool.
  event->bytes = nullptr;
  event->next_in_track = sequence->pool.free_list;
  sequence->pool.free_list = event;
}

void free_event_pool(EventPool* pool) {
  EventSlab* slab = pool->slabs;
  while (slab != nullptr) {
    EventSlab* next = slab->next;
    Event* events = slab_events(slab);
    for (size_t i = 0; i < slab->used; ++i) {
      if (events[i].bytes != nullptr) std::free(events[i].bytes);
    }
    std::free(slab);
    slab = next;
  }
  *pool = EventPool{};
}

}  // namespace internal
}  // namespace tactus
