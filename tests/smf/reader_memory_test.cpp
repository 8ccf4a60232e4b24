// Loading when memory runs out gives null and keeps nothing allocated.
//
// This test program's malloc family forwards to glibc's own allocator and
// can be told to refuse every allocation after the next n; meanwhile it
// counts the blocks still held. Not with the address sanitizer, which
// brings its own allocator.
#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>

#include "tactus/smf.h"
#include "tests/smf/reader_compare.h"

#if defined(__SANITIZE_ADDRESS__)
#define TACTUS_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TACTUS_ADDRESS_SANITIZER 1
#endif
#endif

#if defined(__GLIBC__) && !defined(TACTUS_ADDRESS_SANITIZER)
#define TACTUS_CAN_REFUSE_MEMORY 1

namespace {

// -1: every allocation succeeds; n >= 0: n more succeed, then none.
std::atomic<long> allocations_left{-1};
std::atomic<long> blocks_held{0};

bool refuse_allocation() {
  long left = allocations_left.load();
  while (left > 0 && !allocations_left.compare_exchange_weak(left, left - 1)) {
  }
  return left == 0;
}

}  // namespace

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void __libc_free(void* block);

void* malloc(size_t size) {
  if (refuse_allocation()) return nullptr;
  void* block = __libc_malloc(size);
  if (block != nullptr) ++blocks_held;
  return block;
}

void* calloc(size_t count, size_t size) {
  if (refuse_allocation()) return nullptr;
  void* block = __libc_calloc(count, size);
  if (block != nullptr) ++blocks_held;
  return block;
}

void* realloc(void* block, size_t size) {
  if (block == nullptr) return malloc(size);
  if (refuse_allocation()) return nullptr;
  return __libc_realloc(block, size);
}

void free(void* block) {
  if (block != nullptr) --blocks_held;
  __libc_free(block);
}
}
#endif

namespace tactus::test {
namespace {

#if TACTUS_CAN_REFUSE_MEMORY

// Loads with only `allowed` allocations granted. Null when the load failed,
// in which case every block it took must have been given back.
SequencePtr load_with_allocations(long allowed, const MidiBytes& file, const char* path) {
  const long held_before = blocks_held.load();
  allocations_left = allowed;
  Sequence* sequence =
      path != nullptr ? sequence_load(path) : internal::load_sequence_from_memory(file.begin(), file.size());
  allocations_left = -1;
  if (sequence == nullptr) {
    EXPECT_EQ(blocks_held.load(), held_before) << "after " << allowed << " allocations";
  }
  return SequencePtr(sequence);
}

// Fails every allocation of a load in turn: each failure gives null, and the
// first load that needs no more than it was granted equals a free load.
void expect_clean_failures(const MidiBytes& file, const char* path) {
  SequencePtr whole(internal::load_sequence_from_memory(file.begin(), file.size()));
  ASSERT_NE(whole, nullptr);
  long allowed = 0;
  for (;; ++allowed) {
    SequencePtr sequence = load_with_allocations(allowed, file, path);
    if (::testing::Test::HasFailure()) return;
    if (sequence != nullptr) {
      expect_same_sequence(sequence.get(), whole.get());
      break;
    }
  }
  EXPECT_GT(allowed, 5);  // sequence, scratch records, track, slabs, buffers
}

// Several tracks, slabs, meta payloads and sysex buffers. With events
// handed out from slabs of 64, 128, ... events, the meta and the sysex of
// the first track each need a new slab, so both fail there once their
// buffer is taken.
MidiBytes small_file() {
  MidiBytes file = MidiBytes().header(1, 3, 96);
  for (int track = 0; track < 3; ++track) {
    MidiBytes events;
    for (int i = 0; i < 64; ++i) events.vlq(1).bytes({0xB0, 7, i});
    events.meta(0, 0x03, MidiBytes().ascii("name"));
    for (int i = 0; i < 127; ++i) events.vlq(1).bytes({0xB0, 7, i});
    file.track(events.sysex(0, 0xF0, {0x7E, 0xF7}).end_of_track(0));
  }
  return file;
}

TEST(ReaderMemory, EveryFailedAllocationGivesNullAndKeepsNothing) {
  expect_clean_failures(small_file(), nullptr);
  TempFile on_disk("small.mid", small_file());
  expect_clean_failures(small_file(), on_disk.path());
}

TEST(ReaderMemory, AFileBufferThatCannotGrowGivesNull) {
  // Over 64 kB of events, so that the buffer of a file read from disk grows.
  MidiBytes events;
  for (int i = 0; i < 20000; ++i) events.vlq(0).bytes({0xB0, 7, 100});
  const MidiBytes file = MidiBytes().header(0, 1, 96).track(events);
  TempFile on_disk("large.mid", file);
  SequencePtr whole(internal::load_sequence_from_memory(file.begin(), file.size()));
  for (long allowed = 0; allowed < 40; ++allowed) {
    SequencePtr sequence = load_with_allocations(allowed, file, on_disk.path());
    if (sequence != nullptr) expect_same_sequence(sequence.get(), whole.get());
  }
}

#else

TEST(ReaderMemory, EveryFailedAllocationGivesNullAndKeepsNothing) {
  GTEST_SKIP() << "needs glibc's allocator, not the address sanitizer's";
}

#endif

}  // namespace
}  // namespace tactus::test
