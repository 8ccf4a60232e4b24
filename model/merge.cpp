// Builds the sequence order of a freshly loaded sequence from its tracks in
// one pass: a k-way merge keyed by (tick, track number). Each track is
// already in tick order, so the result is the order that sorted insertion of
// the tracks one after another would give, at O(N log k) instead of walking
// back over the later events of every track loaded before. The merge reads
// and writes only the events' orders (tick and sequence links), which lie
// together, a third of the events' memory.
#include <cstdlib>
#include <new>

#include "model/records.h"

namespace tactus::internal {
namespace {

// Appends events to a sequence order being rebuilt from scratch.
struct OrderBuilder {
  Sequence* sequence;
  EventOrder* tail = nullptr;
  uint32_t tail_index = kNoEvent;

  void append(EventOrder* order, uint32_t index) {
    order->previous = tail_index;
    if (tail != nullptr) {
      tail->next = index;
    } else {
      sequence->first_event = index;
    }
    tail = order;
    tail_index = index;
  }

  void finish() {
    if (tail != nullptr) tail->next = kNoEvent;
    sequence->last_event = tail_index;
  }
};

// A loaded track's events stand one after another in the store, chunk after
// chunk, from its first event to its last: the next one is found without
// reading the track links.
struct TrackCursor {
  EventOrder* order = nullptr;  // null when the track is merged
  EventOrder* chunk_end = nullptr;
  uint32_t index = kNoEvent;
  uint32_t last = kNoEvent;

  void start(Sequence* sequence, const Track* track) {
    index = track->first_event;
    last = track->last_event;
    enter_chunk(sequence, index);
  }
  void enter_chunk(Sequence* sequence, uint32_t at) {
    EventChunk* chunk = sequence->store.chunks[at >> kChunkShift];
    order = chunk->orders() + (at & kPlaceMask);
    chunk_end = chunk->orders() + EventChunk::kCapacity;
  }
  void advance(Sequence* sequence) {
    if (index == last) {
      order = nullptr;
    } else if (++order == chunk_end) {
      index = ((index >> kChunkShift) + 1) << kChunkShift;
      enter_chunk(sequence, index);
    } else {
      ++index;
    }
  }
};

// The merge is a tournament (loser) tree over the tracks that have events.
// A key packs (tick, leaf) into one unsigned 64-bit number, the tick biased
// so that unsigned order is signed tick order and the leaf (tracks in number
// order) breaking ties; every match is then a single comparison that the
// compiler can make without branches.
constexpr uint64_t exhausted = UINT64_MAX;

uint64_t key_of(const TrackCursor& cursor, size_t leaf) {
  if (cursor.order == nullptr) return exhausted;
  return uint64_t{static_cast<uint32_t>(cursor.order->tick) ^ 0x80000000u} << 32 | leaf;
}

struct Tournament {
  size_t leaf_count;     // a power of two; leaves beyond the tracks stay empty
  TrackCursor* cursors;  // per leaf
  uint64_t* losers;      // per inner node 1 .. leaf_count - 1, the key that lost there
};

// Plays every match once; `scratch` holds 2 * leaf_count keys. Gives the key
// of the overall winner.
uint64_t play_first_round(const Tournament& tournament, uint64_t* scratch) {
  size_t leaves = tournament.leaf_count;
  for (size_t leaf = 0; leaf < leaves; ++leaf)
    scratch[leaves + leaf] = key_of(tournament.cursors[leaf], leaf);
  for (size_t node = leaves - 1; node > 0; --node) {
    uint64_t left = scratch[2 * node];
    uint64_t right = scratch[2 * node + 1];
    scratch[node] = left < right ? left : right;
    tournament.losers[node] = left < right ? right : left;
  }
  // With a single leaf, scratch[1] is that leaf.
  return scratch[1];
}

// Takes the winner's event, advances its track and replays the matches on
// the way from its leaf to the root.
void merge_by_tournament(Sequence* sequence, const Tournament& tournament, uint64_t winner) {
  OrderBuilder order{sequence};
  size_t leaves = tournament.leaf_count;
  while (winner != exhausted) {
    auto leaf = static_cast<size_t>(winner & 0xFFFFFFFFu);
    TrackCursor& cursor = tournament.cursors[leaf];
    const int32_t tick = cursor.order->tick;
    // The following events of the same tick in the winner's track have the
    // winner's key, so they win too: chords need no replay.
    do {
      order.append(cursor.order, cursor.index);
      cursor.advance(sequence);
    } while (cursor.order != nullptr && cursor.order->tick == tick);
    uint64_t key = key_of(cursor, leaf);
    for (size_t node = (leaves + leaf) / 2; node > 0; node /= 2) {
      uint64_t other = tournament.losers[node];
      bool stays = key < other;
      tournament.losers[node] = stays ? other : key;
      key = stays ? key : other;
    }
    winner = key;
  }
  order.finish();
}

// `keys` holds 3 * leaf_count keys, `cursors` leaf_count cursors.
void merge_tracks(Sequence* sequence, size_t leaf_count, TrackCursor* cursors, uint64_t* keys) {
  size_t leaf = 0;
  for (Track* track = sequence->first_track; track != nullptr; track = track->next) {
    if (track->first_event != kNoEvent) cursors[leaf++].start(sequence, track);
  }
  while (leaf < leaf_count) cursors[leaf++] = TrackCursor{};
  Tournament tournament{leaf_count, cursors, keys};
  merge_by_tournament(sequence, tournament, play_first_round(tournament, keys + leaf_count));
}

// Without memory for the tree: merge the tracks into the order one at a
// time. Slower (O(N k)) but needs nothing.
void merge_track_by_track(Sequence* sequence) {
  sequence->first_event = sequence->last_event = kNoEvent;
  for (Track* track = sequence->first_track; track != nullptr; track = track->next) {
    if (track->first_event == kNoEvent) continue;
    uint32_t placed = sequence->first_event;
    TrackCursor incoming;
    incoming.start(sequence, track);
    OrderBuilder order{sequence};
    while (placed != kNoEvent || incoming.order != nullptr) {
      EventOrder* placed_order = placed != kNoEvent ? &event_at(sequence, placed)->order() : nullptr;
      if (incoming.order == nullptr ||
          (placed_order != nullptr && placed_order->tick <= incoming.order->tick)) {
        const uint32_t next = placed_order->next;
        order.append(placed_order, placed);
        placed = next;
      } else {
        order.append(incoming.order, incoming.index);
        incoming.advance(sequence);
      }
    }
    order.finish();
  }
}

constexpr size_t stack_leaf_capacity = 64;

}  // namespace

void link_sequence_order(Sequence* sequence) {
  Track* only = nullptr;
  size_t tracks_with_events = 0;
  for (Track* track = sequence->first_track; track != nullptr; track = track->next) {
    if (track->first_event == kNoEvent) continue;
    ++tracks_with_events;
    only = track;
  }
  // The reader linked every track's sequence links as its track links: with
  // events in one track only, that is the sequence order.
  if (tracks_with_events <= 1) {
    sequence->first_event = only != nullptr ? only->first_event : kNoEvent;
    sequence->last_event = only != nullptr ? only->last_event : kNoEvent;
    return;
  }
  size_t leaf_count = 1;
  while (leaf_count < tracks_with_events) leaf_count *= 2;
  if (leaf_count <= stack_leaf_capacity) {
    TrackCursor cursors[stack_leaf_capacity];
    uint64_t keys[3 * stack_leaf_capacity];
    merge_tracks(sequence, leaf_count, cursors, keys);
    return;
  }
  void* memory = std::malloc(leaf_count * (3 * sizeof(uint64_t) + sizeof(TrackCursor)));
  if (memory == nullptr) {
    merge_track_by_track(sequence);
    return;
  }
  auto* keys = static_cast<uint64_t*>(memory);
  merge_tracks(sequence, leaf_count, new (keys + 3 * leaf_count) TrackCursor[leaf_count], keys);
  std::free(memory);
}

}  // namespace tactus::internal
