// The library's record layouts and the internal steps shared by the model,
// the file reader and the timing code. Not installed.
#ifndef TACTUS_MODEL_RECORDS_H
#define TACTUS_MODEL_RECORDS_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "tactus/model.h"

namespace tactus {
namespace internal {
struct TimeIndex;

// Events are named inside their sequence by 32-bit indices: a chunk number
// in the high bits, the event's place in that chunk in the low 11.
inline constexpr uint32_t kNoEvent = UINT32_MAX;
inline constexpr unsigned kChunkShift = 11;
inline constexpr uint32_t kPlaceMask = (uint32_t{1} << kChunkShift) - 1;
// A track's place in its sequence's table of tracks fits in 24 bits.
inline constexpr uint32_t kMaxTrackSlots = (uint32_t{1} << 24) - 1;
}  // namespace internal

// An event is 36 bytes: its two links in its track's list, its tick and
// two links in the sequence order (together an EventOrder, what building and
// walking the sequence order read), a word packing its kind, its visit flag,
// whether its bytes are stored inline and its track's slot, and 12 bytes of
// data. What the data holds depends on the kind:
//
//   channel kinds  word1 (channel) at 0, word2 at 4, word3 at 8
//   SYSEX          inline (at most 11 bytes): the count in byte 0, the bytes
//                  from 1; otherwise the count at 0 and at 4 the address of
//                  the bytes in a malloc'ed buffer
//   META           inline (a number from 0 to 255 and at most 8 bytes of
//                  payload): the number in byte 0, the length in byte 1, the
//                  payload and its 0 byte from 2; otherwise the number at 0
//                  and at 4 the address of the payload and its 0 byte in a
//                  malloc'ed buffer
//
// A malloc'ed buffer begins with the 32-bit length of what follows; the
// address kept is that of the bytes after it.
//
// The event knows neither its own address nor its sequence: both follow
// from the 64 KiB chunk it lies in (see EventChunk).
struct EventOrder {
  int32_t tick;
  uint32_t next;
  uint32_t previous;
};

struct Event {
  uint32_t next_in_track;
  uint32_t previous_in_track;
  EventOrder in_sequence;
  uint32_t packed;  // bits 0-3 kind, 4 visit flag, 5 inline bytes, 8-31 track slot
  unsigned char data[12];

  static constexpr uint32_t kKindMask = 0x0F;
  static constexpr uint32_t kVisitBit = 0x10;
  static constexpr uint32_t kInlineBit = 0x20;
  static constexpr unsigned kSlotShift = 8;
  static constexpr size_t kInlineSysexBytes = 11;
  static constexpr size_t kInlineMetaBytes = 8;
  static constexpr size_t kBufferHeader = sizeof(int32_t);

  int32_t tick() const { return in_sequence.tick; }

  int32_t kind() const { return static_cast<int32_t>(packed & kKindMask); }
  uint32_t track_slot() const { return packed >> kSlotShift; }
  bool visited() const { return (packed & kVisitBit) != 0; }
  void set_visited(bool visited) { packed = visited ? packed | kVisitBit : packed & ~kVisitBit; }
  bool has_bytes() const { return kind() == SYSEX || kind() == META; }
  bool bytes_inline() const { return (packed & kInlineBit) != 0; }
  // A SYSEX or META event whose bytes live in a malloc'ed buffer.
  bool owns_buffer() const { return has_bytes() && !bytes_inline(); }

  int32_t load_word(size_t offset) const {
    int32_t value;
    std::memcpy(&value, data + offset, sizeof value);
    return value;
  }
  void store_word(size_t offset, int32_t value) { std::memcpy(data + offset, &value, sizeof value); }
  // The bytes after the header of a malloc'ed buffer.
  unsigned char* buffer() const {
    unsigned char* address;
    std::memcpy(&address, data + 4, sizeof address);
    return address;
  }
  void store_buffer(unsigned char* address) { std::memcpy(data + 4, &address, sizeof address); }
  void free_buffer() const { std::free(buffer() - kBufferHeader); }

  // Channel, count or meta number.
  int32_t word1() const { return has_bytes() && bytes_inline() ? data[0] : load_word(0); }
  // The second channel word, or a META payload's length.
  int32_t word2() const {
    if (kind() != META) return load_word(4);
    if (bytes_inline()) return data[1];
    int32_t length;
    std::memcpy(&length, buffer() - kBufferHeader, sizeof length);
    return length;
  }
  int32_t word3() const { return load_word(8); }
  // For the channel kinds only.
  void set_word1(int32_t value) { store_word(0, value); }
  void set_word2(int32_t value) { store_word(4, value); }
  void set_word3(int32_t value) { store_word(8, value); }

  // The SYSEX bytes or META payload; null for the channel kinds.
  unsigned char* bytes() {
    if (!has_bytes()) return nullptr;
    if (!bytes_inline()) return buffer();
    return data + (kind() == SYSEX ? 1 : 2);
  }
};
static_assert(sizeof(Event) == 36, "an event is 36 bytes");

// Besides its event list, a track keeps its META events in track order in
// `metas` (malloc'ed, `meta_count` of `meta_capacity` used), so that the
// time index reads the tempo, meter and marker events of a first track of a
// million events without passing over the others. An event's kind never
// changes, so it is listed from linking to unlinking. When the array could
// not grow, `metas_incomplete` is set, the array is dropped and no longer
// kept, and readers pass over the whole track instead.
struct Track {
  Sequence* sequence;
  int32_t number;
  int32_t end_tick;
  Track* previous;
  Track* next;
  uint32_t first_event = internal::kNoEvent;
  uint32_t last_event = internal::kNoEvent;
  uint32_t slot = 0;  // its place in the sequence's table of tracks
  Event** metas = nullptr;
  size_t meta_count = 0;
  size_t meta_capacity = 0;
  bool metas_incomplete = false;
};

// The events of a sequence live in chunks of 64 KiB, each aligned to its
// size, so that the chunk of an event (and with it the sequence and the
// event's index) is found from the event's address alone. The chunk table
// maps a chunk number back to its chunk. Chunks are allocated in blocks:
// one chunk at a time for a small sequence, 2 MiB at a time beyond, and the
// blocks of freed sequences are kept for the next loads on the same thread
// (event_store.cpp). Freed events go on a free list for reuse. The events
// that were given a malloc'ed buffer are listed in `owners`, so that freeing
// the sequence finds the buffers without reading every event; when that list
// could not grow, `owners_incomplete` is set and every event is read instead.
struct EventChunk {
  Sequence* sequence;
  // The sequence's chunk table, kept here too so that a step from an event
  // to its neighbour reads one pointer less.
  EventChunk* const* chunks;
  uint32_t number;
  uint32_t block_chunks;  // chunks of the block that begins here; 0 inside a block
  unsigned char padding[40];

  static constexpr size_t kBytes = size_t{64} << 10;
  static constexpr uint32_t kCapacity = static_cast<uint32_t>((kBytes - 64) / sizeof(Event));

  Event* events() { return reinterpret_cast<Event*>(this + 1); }
};
static_assert(sizeof(EventChunk) == 64, "events follow the chunk header aligned");
static_assert(EventChunk::kCapacity <= internal::kPlaceMask, "an event's place fits its index");
static_assert(alignof(Event) == 4, "events pack in a chunk without padding");

namespace internal {
inline EventChunk* chunk_of(const Event* event) {
  return reinterpret_cast<EventChunk*>(reinterpret_cast<uintptr_t>(event) & ~(EventChunk::kBytes - 1));
}
}  // namespace internal

struct EventStore {
  EventChunk** chunks = nullptr;
  uint32_t chunk_count = 0;
  uint32_t chunk_capacity = 0;
  uint32_t used_chunks = 0;  // chunks handed out; the others of the last block wait
  uint32_t used_in_last = EventChunk::kCapacity;
  uint32_t free_list = internal::kNoEvent;
  Event** owners = nullptr;
  size_t owner_count = 0;
  size_t owner_capacity = 0;
  bool owners_incomplete = false;
};

struct MbPosition {
  int32_t measure;
  float beat;
  char text[32];
};

struct MbtPosition {
  int32_t measure;
  int32_t beat;
  float tick;
  char text[32];
};

struct HmsPosition {
  int32_t hours;
  int32_t minutes;
  float seconds;
  char text[32];
};

struct HmsfPosition {
  int32_t hours;
  int32_t minutes;
  int32_t seconds;
  float frames;
  char text[32];
};

struct Sequence {
  int32_t format;
  int32_t division_type;
  int32_t resolution;
  int32_t beat_resolution;
  float frame_rate;
  int32_t track_count;
  Track* first_track;
  Track* last_track;
  uint32_t first_event = internal::kNoEvent;
  uint32_t last_event = internal::kNoEvent;
  MbPosition* mb_scratch;
  MbtPosition* mbt_scratch;
  HmsPosition* hms_scratch;
  HmsfPosition* hmsf_scratch;
  EventStore store;
  // The tracks by slot (malloc'ed, null where a track was freed); freed
  // slots are taken again from the lowest.
  Track** tracks_by_slot = nullptr;
  uint32_t slot_count = 0;
  uint32_t slot_capacity = 0;
  // Counts the changes that the time index depends on (see invalidate_time_index).
  // The index was built for one count and is rebuilt when the count has
  // moved on. Owned; null until first used.
  uint64_t generation;
  internal::TimeIndex* time_index;
};

namespace internal {

inline Sequence* sequence_of(const Event* event) { return chunk_of(event)->sequence; }

inline uint32_t index_of(const Event* event) {
  EventChunk* chunk = chunk_of(event);
  auto place = static_cast<uint32_t>(event - chunk->events());
  return chunk->number << kChunkShift | place;
}

inline Event* event_at(const Sequence* sequence, uint32_t index) {
  if (index == kNoEvent) return nullptr;
  return sequence->store.chunks[index >> kChunkShift]->events() + (index & kPlaceMask);
}

// The event of an index, found from another event of the same sequence:
// most neighbours lie in the same chunk, found without reading the table.
inline Event* event_near(const Event* from, uint32_t index) {
  if (index == kNoEvent) return nullptr;
  EventChunk* chunk = chunk_of(from);
  if (index >> kChunkShift != chunk->number) chunk = chunk->chunks[index >> kChunkShift];
  return chunk->events() + (index & kPlaceMask);
}

inline Track* track_of(const Event* event) { return sequence_of(event)->tracks_by_slot[event->track_slot()]; }

inline Event* next_in_track(const Event* event) { return event_near(event, event->next_in_track); }

// Every change to a sequence's division values or track list, and to the
// META events of its first track, ends here, so that the time index derived
// from them is known to be out of date. The index reads nothing else: the
// format, notes added to a format-0 file and events of other tracks leave it
// standing.
inline void invalidate_time_index(Sequence* sequence) { ++sequence->generation; }
inline void invalidate_time_index(Event* event) {
  if (event->kind() != META) return;
  Sequence* sequence = sequence_of(event);
  if (sequence->tracks_by_slot[event->track_slot()] == sequence->first_track) invalidate_time_index(sequence);
}

// Releases a sequence's time index (timing/time_index.cpp); null is allowed.
void free_time_index(TimeIndex* index);

// An event of the given track, tick and kind from the sequence's store,
// with zero data, linked nowhere; null when memory is exhausted.
Event* allocate_event(Track* track, int32_t tick, int32_t kind);
// Returns an unlinked event (and its malloc'ed buffer, if any) to the store.
void release_event(Sequence* sequence, Event* event);
// Lists an event that has just been given a malloc'ed buffer, so that the
// sequence's release finds the buffer without reading every event.
void list_buffer_owner(Sequence* sequence, Event* event);
// Room for the `count` bytes of a SYSEX or META event that has none yet,
// with its count (SYSEX, `word1` equal to `count`) or number (META, `word1`),
// inline when they fit, otherwise a malloc'ed buffer; a META payload's 0
// byte after them is set. Null when memory is exhausted.
unsigned char* reserve_event_bytes(Event* event, int32_t word1, size_t count);
// Gives a SYSEX event `count` bytes (and that count), or a META event a
// payload of `count` bytes and its 0 byte, keeping its number. The copy is
// made before the old bytes go, so `bytes` may lie in them. False when memory
// is exhausted; the old bytes then stay.
bool store_event_bytes(Event* event, const unsigned char* bytes, size_t count);
// A META event's number; a number beyond a byte moves an inline payload to
// a buffer. False when memory is exhausted; nothing then changes.
bool store_meta_number(Event* event, int32_t number);

// Links an event whose track, tick and kind are set into both lists (and a
// META event into its track's array): after every event of tick <= its tick,
// scanning back from the tails. Raises the track's end tick.
void insert_event(Event* event);
// Unlinks an event from both lists and its track's array; its own links are
// left as they are.
void detach_event(Event* event);

// Lists a META event in its track's array, at the upper bound of its tick.
void list_meta(Track* track, Event* event);
// Releases a track's META array and stops keeping it (metas_incomplete):
// when it cannot grow, and for a track whose events all go, so that they
// need not be found in it one by one.
void drop_meta_array(Track* track);

// Gives a new track the lowest free slot of its sequence's table of tracks;
// false when memory is exhausted or every slot is taken.
bool take_track_slot(Sequence* sequence, Track* track);
void give_back_track_slot(Sequence* sequence, Track* track);

// Builds the sequence order of a loaded sequence, whose events were appended
// track by track (event_appender.h): by tick, equal ticks by track number,
// then track order. The result equals inserting every event track after
// track with insert_event.
void link_sequence_order(Sequence* sequence);

}  // namespace internal
}  // namespace tactus

#endif
