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
  Event* tail = nullptr;
  uint32_t tail_index = kNoEvent;

  void append(Event* event, uint32_t index) {
    event->previous_in_sequence = tail_index;
    if (tail != nullptr) {
      tail->next_in_sequence = index;
    } else {
      sequence->first_event = index;
    }
    tail = event;
    tail_index = index;
  }

  void finish() {
    if (tail != nullptr) tail->next_in_sequence = kNoEvent;
    sequence->last_event = tail_index;
  }
};

// The merge is a tournament (loser) tree over the tracks that have events.
// A key packs (tick, leaf) into one unsigned 64-bit number, the tick biased
// so that unsigned order is signed tick order and the leaf (tracks in number
// order) breaking ties; every match is then a single comparison that the
// compiler can make without branches.
constexpr uint64_t exhausted = UINT64_MAX;

uint64_t key_of(int32_t tick, size_t leaf) {
  return uint64_t{static_cast<uint32_t>(tick) ^ 0x80000000u} << 32 | leaf;
}

struct Tournament {
  size_t leaf_count;  // a power of two; leaves beyond the tracks stay empty
  uint32_t* cursors;  // per leaf, the index of the next event of its track to merge
  uint64_t* losers;   // per inner node 1 .. leaf_count - 1, the key that lost there
};

// Plays every match once; `scratch` holds 2 * leaf_count keys. Gives the key
// of the overall winner.
uint64_t play_first_round(const Sequence* sequence, const Tournament& tournament, uint64_t* scratch) {
  size_t leaves = tournament.leaf_count;
  for (size_t leaf = 0; leaf < leaves; ++leaf) {
    Event* event = event_at(sequence, tournament.cursors[leaf]);
    scratch[leaves + leaf] = event != nullptr ? key_of(event->tick, leaf) : exhausted;
  }
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
    uint32_t index = tournament.cursors[leaf];
    Event* event = event_at(sequence, index);
    int32_t tick = event->tick;
    // The following events of the same tick in the winner's track have the
    // winner's key, so they win too: chords need no replay.
    do {
      order.append(event, index);
      index = event->next_in_track;
      event = event_at(sequence, index);
    } while (event != nullptr && event->tick == tick);
    tournament.cursors[leaf] = index;
    uint64_t key = event != nullptr ? key_of(event->tick, leaf) : exhausted;
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

// `keys` holds 3 * leaf_count keys, `cursors` leaf_count indices.
void merge_tracks(Sequence* sequence, size_t leaf_count, uint32_t* cursors, uint64_t* keys) {
  size_t leaf = 0;
  for (Track* track = sequence->first_track; track != nullptr; track = track->next) {
    if (track->first_event != kNoEvent) cursors[leaf++] = track->first_event;
  }
  while (leaf < leaf_count) cursors[leaf++] = kNoEvent;
  Tournament tournament{leaf_count, cursors, keys};
  merge_by_tournament(sequence, tournament, play_first_round(sequence, tournament, keys + leaf_count));
}

// Without memory for the tree: merge the tracks into the order one at a
// time. Slower (O(N k)) but needs nothing.
void merge_track_by_track(Sequence* sequence) {
  sequence->first_event = sequence->last_event = kNoEvent;
  for (Track* track = sequence->first_track; track != nullptr; track = track->next) {
    uint32_t placed = sequence->first_event;
    uint32_t incoming = track->first_event;
    OrderBuilder order{sequence};
    while (placed != kNoEvent || incoming != kNoEvent) {
      Event* placed_event = event_at(sequence, placed);
      Event* incoming_event = event_at(sequence, incoming);
      if (incoming_event == nullptr ||
          (placed_event != nullptr && placed_event->tick <= incoming_event->tick)) {
        order.append(placed_event, placed);
        placed = placed_event->next_in_sequence;
      } else {
        order.append(incoming_event, incoming);
        incoming = incoming_event->next_in_track;
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
    uint32_t cursors[stack_leaf_capacity];
    uint64_t keys[3 * stack_leaf_capacity];
    merge_tracks(sequence, leaf_count, cursors, keys);
    return;
  }
  void* memory = std::malloc(leaf_count * (3 * sizeof(uint64_t) + sizeof(uint32_t)));
  if (memory == nullptr) {
    merge_track_by_track(sequence);
    return;
  }
  auto* keys = static_cast<uint64_t*>(memory);
  merge_tracks(sequence, leaf_count, reinterpret_cast<uint32_t*>(keys + 3 * leaf_count), keys);
  std::free(memory);
}

}  // namespace tactus::internal
