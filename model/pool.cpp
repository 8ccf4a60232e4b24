// Events are handed out from slabs of growing capacity so that a sequence of
// a million events costs a few dozen allocations, and freeing it a few dozen
// more plus one free() per SYSEX or META buffer, found through the list of
// buffer owners rather than by reading every event.
#include "model/pool.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

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

// Most of the time spent loading a large file goes into the kernel's faulting
// in of fresh 4 KB pages for the events. On Linux large slabs are therefore
// aligned to and sized in whole 2 MB pages, and the kernel is asked to back
// them with huge pages where it is configured to do so on request.
constexpr size_t huge_page = size_t{2} << 20;

// Allocates at least `bytes` for a slab and says how many it got.
void* allocate_slab_memory(size_t bytes, size_t* granted) {
  *granted = bytes;
#if defined(__linux__)
  if (bytes >= huge_page) {
    size_t rounded = (bytes + huge_page - 1) / huge_page * huge_page;
    void* memory = nullptr;
    if (posix_memalign(&memory, huge_page, rounded) != 0) return nullptr;
    madvise(memory, rounded, MADV_HUGEPAGE);
    *granted = rounded;
    return memory;
  }
#endif
  return std::malloc(bytes);
}

EventSlab* add_slab(EventPool* pool) {
  size_t capacity =
      pool->next_slab_capacity < first_slab_capacity ? first_slab_capacity : pool->next_slab_capacity;
  size_t granted = 0;
  void* memory = allocate_slab_memory(sizeof(EventSlab) + capacity * sizeof(Event), &granted);
  if (memory == nullptr) return nullptr;
  pool->next_slab_capacity = capacity < largest_slab_capacity ? capacity * 2 : capacity;
  capacity = (granted - sizeof(EventSlab)) / sizeof(Event);
  EventSlab* slab = new (memory) EventSlab{pool->slabs, capacity, 0};
  pool->slabs = slab;
  return slab;
}

// Drops the entries that own nothing any more and the repeated ones.
void compact_owners(EventPool* pool) {
  Event** owners = pool->owners;
  std::sort(owners, owners + pool->owner_count, std::less<Event*>());
  size_t kept = 0;
  for (size_t i = 0; i < pool->owner_count; ++i) {
    if (owners[i]->bytes != nullptr && (kept == 0 || owners[kept - 1] != owners[i]))
      owners[kept++] = owners[i];
  }
  pool->owner_count = kept;
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
  // A null buffer tells free_event_pool that the event owns nothing.
  event->bytes = nullptr;
  event->next_in_track = sequence->pool.free_list;
  sequence->pool.free_list = event;
}

// An event freed and reused may be listed more than once, or now own
// nothing; its null buffer after the first release makes that harmless, and
// compaction keeps such entries from piling up.
void list_buffer_owner(Sequence* sequence, Event* event) {
  EventPool* pool = &sequence->pool;
  if (pool->owners_incomplete) return;
  if (pool->owner_count == pool->owner_capacity) {
    compact_owners(pool);
    // Growing only when compaction freed less than half keeps listing O(1)
    // amortised.
    if (pool->owner_count >= pool->owner_capacity / 2) {
      size_t capacity = pool->owner_capacity == 0 ? 64 : pool->owner_capacity * 2;
      void* owners = std::realloc(pool->owners, capacity * sizeof(Event*));
      if (owners == nullptr) {
        pool->owners_incomplete = true;
        return;
      }
      pool->owners = static_cast<Event**>(owners);
      pool->owner_capacity = capacity;
    }
  }
  pool->owners[pool->owner_count++] = event;
}

void free_event_pool(EventPool* pool) {
  if (!pool->owners_incomplete) {
    for (size_t i = 0; i < pool->owner_count; ++i) {
      std::free(pool->owners[i]->bytes);
      pool->owners[i]->bytes = nullptr;
    }
  }
  std::free(pool->owners);
  EventSlab* slab = pool->slabs;
  while (slab != nullptr) {
    EventSlab* next = slab->next;
    if (pool->owners_incomplete) {
      Event* events = slab_events(slab);
      for (size_t i = 0; i < slab->used; ++i) std::free(events[i].bytes);
    }
    std::free(slab);
    slab = next;
  }
  *pool = EventPool{};
}

}  // namespace internal
}  // namespace tactus
