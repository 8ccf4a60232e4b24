// Damaged files: cut short, lying lengths, impossible counts, random bytes.
// The reader must stay inside the file and give what it could read.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "tactus/smf.h"
#include "tests/smf/reader_compare.h"

namespace tactus::test {
namespace {

constexpr size_t kHeaderSize = 14;  // "MThd", length, three fields

// Three tracks with every kind of message, and a chunk to skip.
MidiBytes sample_file() {
  MidiBytes conductor;
  conductor.meta(0, 0x03, MidiBytes().ascii("Title")).meta(0, 0x51, {0x07, 0xA1, 0x20}).end_of_track(0);
  MidiBytes melody;
  melody.vlq(0).bytes({0xC0, 0x05}).vlq(0).bytes({0x90, 0x3C, 0x40}).vlq(120).bytes({0x3C, 0x00});
  melody.sysex(10, 0xF0, {0x43, 0x12, 0x00, 0xF7}).vlq(5).bytes({0xE0, 0x00, 0x40}).end_of_track(30);
  MidiBytes bass;
  bass.vlq(60).bytes({0x91, 0x24, 0x50, 0x83, 0x00, 0x24, 0x00}).sysex(0, 0xF7, {0x01});
  return MidiBytes().header(1, 3, 0x0060).track(conductor).chunk("XFIH", {9, 9}).track(melody).track(bass);
}

// The loaded lists agree with each other and keep their orders.
void expect_well_formed(Sequence* sequence) {
  size_t in_tracks = 0;
  int32_t number = 0;
  for (Track* track = sequence->first_track; track != nullptr; track = track->next, ++number) {
    EXPECT_EQ(track->number, number);
    Events events = track_events(track);
    in_tracks += events.size();
    EXPECT_TRUE(
        std::is_sorted(events.begin(), events.end(), [](auto& a, auto& b) { return a.tick < b.tick; }));
    if (!events.empty()) {
      EXPECT_GE(track->end_tick, events.back().tick);
    }
  }
  EXPECT_EQ(sequence->track_count, number);
  Events order = sequence_events(sequence);
  EXPECT_EQ(order.size(), in_tracks);
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end(), [](auto& a, auto& b) {
    return a.tick < b.tick || (a.tick == b.tick && a.track < b.track);
  }));
}

// A file cut at `size` bytes gives the events of the whole file up to some
// point, track after track, and never more.
void expect_prefix_of_whole(Sequence* cut, Sequence* whole, size_t size) {
  if (size < kHeaderSize) {
    EXPECT_EQ(cut, nullptr) << size;
    return;
  }
  ASSERT_NE(cut, nullptr) << size;
  expect_well_formed(cut);
  Events read = events_track_by_track(cut);
  Events all = events_track_by_track(whole);
  ASSERT_LE(read.size(), all.size()) << size;
  EXPECT_TRUE(std::equal(read.begin(), read.end(), all.begin())) << size;
  EXPECT_LE(cut->track_count, whole->track_count) << size;
}

TEST(ReaderCutShort, GivesWhatWasReadAtEveryLengthFromMemoryAndDisk) {
  const MidiBytes file = sample_file();
  SequencePtr whole = load(file);
  ASSERT_NE(whole, nullptr);
  ASSERT_EQ(whole->track_count, 3);
  for (size_t size = 0; size <= file.size(); ++size) {
    expect_prefix_of_whole(load(file.prefix(size)).get(), whole.get(), size);
  }
  const MidiBytes wrapped = rmid_wrapped(file, 0, 0);
  for (size_t size = 20; size <= wrapped.size(); ++size) {
    TempFile cut("cut.rmi", wrapped.prefix(size));
    expect_prefix_of_whole(SequencePtr(sequence_load(cut.path())).get(), whole.get(), size - 20);
  }
}

TEST(ReaderLyingLengths, AChunkLongerThanTheFileIsReadToTheFileEnd) {
  MidiBytes events;
  events.vlq(0).bytes({0x90, 0x3C, 0x40}).vlq(10).bytes({0x3C, 0x00});
  // The second chunk lies inside the first one's claimed length.
  MidiBytes file = MidiBytes().header(1, 2, 96).chunk_head("MTrk", 0xFFFFFFFF);
  SequencePtr sequence = load(file.append(MidiBytes(events).end_of_track(20)).track(events));
  ASSERT_NE(sequence, nullptr);
  ASSERT_EQ(sequence->track_count, 1);
  EXPECT_EQ(track_events(sequence->first_track).size(), 2u);
  EXPECT_EQ(sequence->first_track->end_tick, 30);
  // Without end-of-track, every message up to the end of the file counts.
  sequence = load(MidiBytes().header(1, 2, 96).chunk_head("MTrk", 0xFFFFFFF0).append(events).append(events));
  ASSERT_NE(sequence, nullptr);
  ASSERT_EQ(sequence->track_count, 1);
  EXPECT_EQ(track_events(sequence->first_track).size(), 4u);
  expect_well_formed(sequence.get());
  // Another chunk or the header claiming too much ends the reading.
  const MidiBytes track = MidiBytes().vlq(0).bytes({0xC0, 0x01});
  for (const MidiBytes& lying :
       {MidiBytes().header(1, 1, 96).chunk_head("XFIH", 0xFFFFFFFF).track(track),
        MidiBytes().chunk_head("MThd", 0xFFFFFFFF).u16(1).u16(1).u16(96).track(track)}) {
    sequence = load(lying);
    ASSERT_NE(sequence, nullptr);
    EXPECT_EQ(sequence->track_count, 0);
  }
  // Fewer track chunks than declared.
  sequence = load(MidiBytes().header(1, 65535, 96).track({0x00, 0xC0, 0x01}).track({}));
  ASSERT_NE(sequence, nullptr);
  EXPECT_EQ(sequence->track_count, 2);
}

// A count or length beyond the bytes left in the file ends its chunk only:
// the events before it stay, and the next chunk is read.
TEST(ReaderHugeCounts, ACountBeyondTheFileEndsItsChunkOnly) {
  const MidiBytes messages[] = {
      MidiBytes().vlq(0).byte(0xF0).bytes({0x8F, 0xFF, 0xFF, 0xFF, 0x7F}),  // 4 GB
      MidiBytes().vlq(0).byte(0xF7).vlq(0x7FFFFFFE),
      MidiBytes().vlq(0).byte(0xF0).vlq(0x7FFFFFFF),
      MidiBytes().vlq(0).byte(0xF0).vlq(200),
      MidiBytes().vlq(0).bytes({0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F}),
      MidiBytes().vlq(0).bytes({0xFF, 0x01}).vlq(0x80000000),
      MidiBytes().vlq(0).bytes({0xFF, 0x2F}).vlq(0x7FFFFFFF),
  };
  const Events expected{{0, 0, PROGRAM_CHANGE, 0, 1, 0, {}}, {1, 7, PROGRAM_CHANGE, 1, 2, 0, {}}};
  for (size_t i = 0; i < std::size(messages); ++i) {
    MidiBytes first = MidiBytes().vlq(0).bytes({0xC0, 0x01}).append(messages[i]).fill(92, 0);
    MidiBytes file = MidiBytes().header(1, 2, 96).track(first).track({0x07, 0xC1, 0x02});
    TempFile on_disk("huge-count.mid", file);
    SequencePtr loaded[] = {load(file), SequencePtr(sequence_load(on_disk.path()))};
    for (const SequencePtr& sequence : loaded) {
      ASSERT_NE(sequence, nullptr) << i;
      EXPECT_EQ(sequence_events(sequence.get()), expected) << i;
    }
  }
}

TEST(ReaderRandomDamage, StaysWellFormedWhateverBytesChange) {
  const MidiBytes file = sample_file();
  std::mt19937 random(2024);
  std::uniform_int_distribution<size_t> position(0, file.size() - 1);
  std::uniform_int_distribution<int> value(0, 255);
  for (int round = 0; round < 3000; ++round) {
    std::vector<unsigned char> bytes = file.data();
    for (int change = 0; change <= round % 4; ++change) {
      bytes[position(random)] = static_cast<unsigned char>(value(random));
    }
    SequencePtr sequence(internal::load_sequence_from_memory(bytes.data(), bytes.size()));
    if (sequence != nullptr) expect_well_formed(sequence.get());
    if (::testing::Test::HasFailure()) FAIL() << "round " << round;
  }
}

}  // namespace
}  // namespace tactus::test
