// Builds the sequence order of a freshly loaded sequence from its tracks:
// by tick, equal ticks by track number, then in track order, which is the
// order that sorted insertion of the tracks one after another would give,
// without walking back over the later events of every track loaded before.
#include <algorithm>
#include <bit>
#include <cstdlib>
#include <iterator>

#include "model/records.h"

namespace tactus::internal {
namespace {

// Appends events to a sequence order being rebuilt from scratch.
struct OrderBuilder {
  Sequence* sequence;
  Event* tail = nullptr;
  uint32_t tail_index = kNoEvent;

  void append(Event* order, uint32_t index) {
    order->in_sequence.previous = tail_index;
    if (tail != nullptr) {
      tail->in_sequence.next = index;
    } else {
      sequence->first_event = index;
    }
    tail = order;
    tail_index = index;
  }

  void finish() {
    if (tail != nullptr) tail->in_sequence.next = kNoEvent;
    sequence->last_event = tail_index;
  }
};

// A loaded track's events stand one after another in the store, chunk after
// chunk, from its first event to its last: the next one is found without
// reading the track links.
struct TrackCursor {
  Event* order = nullptr;  // null when the track is merged
  Event* chunk_end = nullptr;
  uint32_t index = kNoEvent;
  uint32_t last = kNoEvent;

  void start(Sequence* sequence, const Track* track) {
    index = track->first_event;
    last = track->last_event;
    enter_chunk(sequence, index);
  }
  void enter_chunk(Sequence* sequence, uint32_t at) {
    EventChunk* chunk = sequence->store.chunks[at >> kChunkShift];
    order = chunk->events() + (at & kPlaceMask);
    chunk_end = chunk->events() + EventChunk::kCapacity;
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

// The events are sorted by tick in spans of 2^13 ticks, a counting sort
// without counts: in each span, the events of every tick are chained
// together through their sequence links, track after track in number order,
// each track's events in its order; the ticks that have events are marked in
// a bitmap, and the chains of the marked ticks are then joined in tick order.
// Everything a span touches stays in the processor's cache; the cost per
// event does not grow with the number of tracks, as a merge's would.
constexpr unsigned kSpanBits = 13;
constexpr uint32_t kSpan = uint32_t{1} << kSpanBits;
constexpr size_t kBitmapWords = kSpan / 64;
constexpr uint32_t kChunksBeyondCaches = 256;  // 16 MiB of events

struct SpanTables {
  uint32_t head[kSpan];           // per tick of the span, the first event chained; none between spans
  Event* first[kSpan];            // the same event
  Event* tail[kSpan];             // and the last
  uint64_t marked[kBitmapWords];  // the ticks that have events; zero between spans
};

// Kept per thread for the next loads; released when the thread ends.
struct KeptTables {
  SpanTables* tables = nullptr;
  ~KeptTables() { std::free(tables); }
};
thread_local KeptTables kept_tables;

SpanTables* span_tables() {
  if (kept_tables.tables == nullptr) {
    auto* tables = static_cast<SpanTables*>(std::calloc(1, sizeof(SpanTables)));
    if (tables != nullptr) std::fill(std::begin(tables->head), std::end(tables->head), kNoEvent);
    kept_tables.tables = tables;
  }
  return kept_tables.tables;
}

inline void prefetch(const Event* event) {
#if defined(__GNUC__)
  __builtin_prefetch(event);
#else
  (void)event;
#endif
}

// Chains a track's events of the span [start, end) to the chains of their
// ticks, a run of the track's events within one chunk at a time. Raises
// `highest` to the highest tick chained, counted from the span's start.
void chain_span(Sequence* sequence, TrackCursor& cursor, int64_t start, int64_t end, SpanTables& tables,
                size_t ahead, uint32_t& highest) {
  while (cursor.order != nullptr && cursor.order->in_sequence.tick < end) {
    const bool last_in_chunk = cursor.last >> kChunkShift == cursor.index >> kChunkShift;
    Event* const run_end = last_in_chunk ? cursor.order + (cursor.last - cursor.index) + 1 : cursor.chunk_end;
    Event* order = cursor.order;
    uint32_t index = cursor.index;
    for (; order != run_end && order->in_sequence.tick < end; ++order, ++index) {
      prefetch(order + ahead);
      const auto tick = static_cast<uint32_t>(order->in_sequence.tick - start);
      uint32_t& head = tables.head[tick];
      if (head == kNoEvent) {
        head = index;
        tables.first[tick] = order;
        tables.marked[tick / 64] |= uint64_t{1} << (tick % 64);
      } else {
        tables.tail[tick]->in_sequence.next = index;
      }
      tables.tail[tick] = order;
    }
    highest = std::max(highest, static_cast<uint32_t>(order[-1].in_sequence.tick - start));
    if (order != run_end) {
      cursor.order = order;
      cursor.index = index;
    } else if (last_in_chunk) {
      cursor.order = nullptr;
    } else {
      cursor.index = ((cursor.index >> kChunkShift) + 1) << kChunkShift;
      cursor.enter_chunk(sequence, cursor.index);
    }
  }
}

void sort_by_spans(Sequence* sequence, TrackCursor* cursors, size_t count, SpanTables& tables) {
  OrderBuilder order{sequence};
  // Tracks are read side by side, more of them than the processor follows on
  // its own. Where the events are more than its caches hold, each track asks
  // for its next span's events while in this one; where they fit, a little
  // ahead is enough, and more would only cost the asking.
  const size_t ahead = sequence->store.chunk_count > kChunksBeyondCaches ? 128 : 8;
  for (;;) {
    int64_t start = INT64_MAX;
    for (size_t i = 0; i < count; ++i) {
      if (cursors[i].order != nullptr && cursors[i].order->in_sequence.tick < start)
        start = cursors[i].order->in_sequence.tick;
    }
    if (start == INT64_MAX) break;
    const int64_t end = start + kSpan;
    uint32_t highest = 0;
    for (size_t i = 0; i < count; ++i) chain_span(sequence, cursors[i], start, end, tables, ahead, highest);
    for (size_t w = 0; w <= highest / 64; ++w) {
      for (uint64_t word = tables.marked[w]; word != 0; word &= word - 1) {
        const size_t tick = w * 64 + static_cast<size_t>(std::countr_zero(word));
        Event* const last = tables.tail[tick];
        uint32_t index = tables.head[tick];
        Event* event = tables.first[tick];
        tables.head[tick] = kNoEvent;
        for (;;) {
          order.append(event, index);
          if (event == last) break;
          index = event->in_sequence.next;
          event = event_at(sequence, index);
        }
      }
      tables.marked[w] = 0;
    }
  }
  order.finish();
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
      Event* placed_order = event_at(sequence, placed);
      if (incoming.order == nullptr ||
          (placed_order != nullptr && placed_order->in_sequence.tick <= incoming.order->in_sequence.tick)) {
        const uint32_t next = placed_order->in_sequence.next;
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

constexpr size_t kStackCursors = 64;

}  // namespace

void link_sequence_order(Sequence* sequence) {
  Track* only = nullptr;
  size_t tracks_with_events = 0;
  for (Track* track = sequence->first_track; track != nullptr; track = track->next) {
    if (track->first_event == kNoEvent) continue;
    ++tracks_with_events;
    only = track;
  }
  // With events in one track only, the track order is the sequence order.
  if (tracks_with_events <= 1) {
    OrderBuilder order{sequence};
    TrackCursor cursor;
    if (only != nullptr) cursor.start(sequence, only);
    for (; cursor.order != nullptr; cursor.advance(sequence)) order.append(cursor.order, cursor.index);
    order.finish();
    return;
  }
  SpanTables* tables = span_tables();
  TrackCursor stack_cursors[kStackCursors];
  TrackCursor* cursors = stack_cursors;
  if (tracks_with_events > kStackCursors) {
    cursors = static_cast<TrackCursor*>(std::malloc(tracks_with_events * sizeof(TrackCursor)));
  }
  if (tables == nullptr || cursors == nullptr) {
    if (cursors != stack_cursors) std::free(cursors);
    merge_track_by_track(sequence);
    return;
  }
  size_t count = 0;
  for (Track* track = sequence->first_track; track != nullptr; track = track->next) {
    if (track->first_event != kNoEvent) (cursors[count++] = TrackCursor{}).start(sequence, track);
  }
  sort_by_spans(sequence, cursors, count, *tables);
  if (cursors != stack_cursors) std::free(cursors);
}

}  // namespace tactus::internal
