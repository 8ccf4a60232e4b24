// Chunks of events, allocated in blocks: a sequence of a million events costs
// about twenty allocations, and freeing it as many plus one free() per
// malloc'ed buffer, found through the list of buffer owners rather than by
// reading every event.
#include "model/event_store.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <new>

#include "model/aligned_memory.h"

namespace tactus::internal {
namespace {

// Small sequences take one chunk at a time; from the ninth chunk on, blocks
// of 2 MiB. They are not offered to the kernel for huge pages, which would
// make the unused rest of a sequence's last block resident.
constexpr uint32_t kSingleChunks = 8;
constexpr uint32_t kChunksPerLargeBlock = 32;
constexpr size_t kLargeBlockBytes = kChunksPerLargeBlock * EventChunk::kBytes;

// Much of the time of a load goes into the kernel's zero-filling of fresh
// pages. The blocks of freed sequences are therefore kept, per thread so
// that no lock is needed, for the next sequences of the same thread: at most
// 64 MiB of large blocks and 2 MiB of single chunks, released when the
// thread ends.
template <size_t kBlocks>
struct KeptBlocks {
  void* blocks[kBlocks];
  size_t count = 0;
  ~KeptBlocks() {
    while (count > 0) free_aligned(blocks[--count]);
  }
  void* take() { return count > 0 ? blocks[--count] : nullptr; }
  bool keep(void* block) {
    if (count == kBlocks) return false;
    blocks[count++] = block;
    return true;
  }
};

thread_local KeptBlocks<32> kept_large_blocks;
thread_local KeptBlocks<32> kept_chunks;

void* take_block(uint32_t chunks) {
  const bool large = chunks == kChunksPerLargeBlock;
  void* block = large ? kept_large_blocks.take() : kept_chunks.take();
  if (block != nullptr) return block;
  const size_t bytes = chunks * EventChunk::kBytes;
  return allocate_aligned(bytes, EventChunk::kBytes);
}

void give_back_block(void* block, uint32_t chunks) {
  const bool kept = chunks == kChunksPerLargeBlock ? kept_large_blocks.keep(block) : kept_chunks.keep(block);
  if (!kept) free_aligned(block);
}

bool grow_chunk_table(EventStore& store, uint32_t needed) {
  if (needed <= store.chunk_capacity) return true;
  // Chunk numbers must fit the high bits of an index.
  if (needed > (kNoEvent >> kChunkShift)) return false;
  uint32_t capacity = store.chunk_capacity == 0 ? 16 : store.chunk_capacity * 2;
  while (capacity < needed) capacity *= 2;
  void* chunks = std::realloc(store.chunks, capacity * sizeof(EventChunk*));
  if (chunks == nullptr) return false;
  store.chunks = static_cast<EventChunk**>(chunks);
  store.chunk_capacity = capacity;
  for (uint32_t number = 0; number < store.chunk_count; ++number) store.chunks[number]->chunks = store.chunks;
  return true;
}

// Allocates a block and enters its chunks in the table, all waiting.
bool add_block(Sequence* sequence) {
  EventStore& store = sequence->store;
  const uint32_t chunks = store.chunk_count < kSingleChunks ? 1 : kChunksPerLargeBlock;
  if (!grow_chunk_table(store, store.chunk_count + chunks)) return false;
  void* block = take_block(chunks);
  if (block == nullptr) return false;
  auto* bytes = static_cast<unsigned char*>(block);
  for (uint32_t i = 0; i < chunks; ++i) {
    auto* chunk =
        new (bytes + i * EventChunk::kBytes) EventChunk{sequence, store.chunks, store.chunk_count, 0, {}};
    if (i == 0) chunk->block_chunks = chunks;
    store.chunks[store.chunk_count++] = chunk;
  }
  return true;
}

// Drops the entries that own nothing any more and the repeated ones.
void compact_owners(EventStore& store) {
  Event** owners = store.owners;
  std::sort(owners, owners + store.owner_count, std::less<Event*>());
  size_t kept = 0;
  for (size_t i = 0; i < store.owner_count; ++i) {
    if (owners[i]->owns_buffer() && (kept == 0 || owners[kept - 1] != owners[i])) owners[kept++] = owners[i];
  }
  store.owner_count = kept;
}

}  // namespace

bool open_next_chunk(Sequence* sequence) {
  EventStore& store = sequence->store;
  if (store.used_chunks == store.chunk_count && !add_block(sequence)) return false;
  ++store.used_chunks;
  store.used_in_last = 0;
  return true;
}

Event* allocate_event(Track* track, int32_t tick, int32_t kind) {
  Sequence* sequence = track->sequence;
  EventStore& store = sequence->store;
  Event* event;
  if (store.free_list != kNoEvent) {
    event = event_at(sequence, store.free_list);
    // Freed events are chained through their next_in_track link.
    store.free_list = event->next_in_track;
  } else {
    if (store.used_in_last == EventChunk::kCapacity && !open_next_chunk(sequence)) return nullptr;
    event = store.chunks[store.used_chunks - 1]->events() + store.used_in_last++;
  }
  *event = Event{kNoEvent,
                 kNoEvent,
                 EventOrder{tick, kNoEvent, kNoEvent},
                 static_cast<uint32_t>(kind) | track->slot << Event::kSlotShift,
                 {}};
  return event;
}

void release_event(Sequence* sequence, Event* event) {
  if (event->owns_buffer()) event->free_buffer();
  // An event on the free list owns nothing, as free_event_store and the
  // compaction of the owners expect.
  event->packed = NOTE_OFF;
  event->next_in_track = sequence->store.free_list;
  sequence->store.free_list = index_of(event);
}

// An event freed and reused may be listed more than once, or now own
// nothing; compaction keeps such entries from piling up.
void list_buffer_owner(Sequence* sequence, Event* event) {
  EventStore& store = sequence->store;
  if (store.owners_incomplete) return;
  if (store.owner_count == store.owner_capacity) {
    compact_owners(store);
    // Growing only when compaction freed less than half keeps listing O(1)
    // amortised.
    if (store.owner_count >= store.owner_capacity / 2) {
      size_t capacity = store.owner_capacity == 0 ? 64 : store.owner_capacity * 2;
      void* owners = std::realloc(store.owners, capacity * sizeof(Event*));
      if (owners == nullptr) {
        store.owners_incomplete = true;
        return;
      }
      store.owners = static_cast<Event**>(owners);
      store.owner_capacity = capacity;
    }
  }
  store.owners[store.owner_count++] = event;
}

void free_event_store(Sequence* sequence) {
  EventStore& store = sequence->store;
  if (!store.owners_incomplete) {
    for (size_t i = 0; i < store.owner_count; ++i) {
      Event* owner = store.owners[i];
      if (!owner->owns_buffer()) continue;
      owner->free_buffer();
      owner->packed = NOTE_OFF;  // listed twice, freed once
    }
  } else {
    for (uint32_t number = 0; number < store.used_chunks; ++number) {
      Event* events = store.chunks[number]->events();
      const uint32_t used = number + 1 == store.used_chunks ? store.used_in_last : EventChunk::kCapacity;
      for (uint32_t i = 0; i < used; ++i) {
        if (events[i].owns_buffer()) events[i].free_buffer();
      }
    }
  }
  std::free(store.owners);
  // A block's first chunk says how many chunks the block holds.
  for (uint32_t number = 0; number < store.chunk_count;) {
    EventChunk* chunk = store.chunks[number];
    const uint32_t chunks = chunk->block_chunks;
    give_back_block(chunk, chunks);
    number += chunks;
  }
  std::free(store.chunks);
  store = EventStore{};
}

}  // namespace tactus::internal
