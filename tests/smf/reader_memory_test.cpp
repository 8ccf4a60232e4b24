// When memory runs out, a load gives null and keeps nothing. This program's
// malloc and realloc count the blocks held and refuse all after the next n
// (not with the address sanitizer, which brings its own allocator).
#include "tests/smf/smf_test.h"

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
namespace {

long allocations_left = -1;  // -1: no limit
long blocks_held = 0;
long refused = 0;

bool refuse_allocation() {
  const long left = allocations_left;
  if (left > 0) --allocations_left;
  refused += left == 0;
  return left == 0;
}
void* held(void* block) {
  blocks_held += block != nullptr;
  return block;
}

}  // namespace

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);

void* malloc(size_t size) { return held(refuse_allocation() ? nullptr : __libc_malloc(size)); }
void* realloc(void* block, size_t size) {
  if (block == nullptr) return malloc(size);
  return refuse_allocation() ? nullptr : __libc_realloc(block, size);
}
int posix_memalign(void** block, size_t alignment, size_t size) {
  *block = held(refuse_allocation() ? nullptr : __libc_memalign(alignment, size));
  return *block != nullptr ? 0 : 12;  // ENOMEM
}
void free(void* block) {
  blocks_held -= block != nullptr;
  __libc_free(block);
}
}

namespace tactus::test {
namespace {

// Tracks beyond a merge tree on the stack, events beyond the first slabs, and
// over 64 KB of file; a load that does without what was refused is the same.
TEST(ReaderMemory, EveryFailedAllocationGivesNullAndKeepsNothing) {
  MidiBytes file = MidiBytes().header(1, 70, 96);
  for (int track = 0; track < 70; ++track) {
    MidiBytes events = MidiBytes().meta(0, 0x03, MidiBytes().ascii("a name too long to be inline"));
    for (int i = 0; i < (track < 3 ? 8000 : 1); ++i) events.vlq(1).bytes({0xB0, 7, track});
    file.track(events.sysex(0, 0xF0, {0x7E, 0xF7}).end_of_track(0));
  }
  TempFile on_disk("large.mid", file);
  const std::string whole = describe_sequence(SequencePtr(sequence_load(on_disk.path())).get());
  long allowed = 0;
  for (;; ++allowed) {
    const long held_before = blocks_held;
    allocations_left = allowed;
    refused = 0;
    SequencePtr sequence(sequence_load(on_disk.path()));
    allocations_left = -1;
    if (sequence != nullptr) {
      EXPECT_EQ(describe_sequence(sequence.get()), whole) << "after " << allowed << " allocations";
      // Freed, it keeps nothing either.
      sequence.reset();
      EXPECT_EQ(blocks_held, held_before) << "after " << allowed << " allocations";
      if (refused == 0) break;
      continue;
    }
    ASSERT_EQ(blocks_held, held_before) << "after " << allowed << " allocations";
  }
  EXPECT_GT(allowed, 10);  // sequence, scratch records, tracks, slabs, buffers, file blocks
}

}  // namespace
}  // namespace tactus::test
#endif
