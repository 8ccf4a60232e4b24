// Damaged files of the fuzzing corpus that the other reader tests do not
// reach: damage beyond the reader's first block of a file on disk, values
// only a damaged file holds going through the writer, and running ticks at
// the end of the 32-bit range.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tactus/smf.h"
#include "tests/smf/reader_compare.h"

namespace tactus::test {
namespace {

// Program changes in running status, two bytes each, `count` of them.
MidiBytes program_changes(int count) {
  MidiBytes events;
  events.vlq(0).bytes({0xC3, 0x00});
  for (int i = 1; i < count; ++i) events.vlq(1).byte(i & 0x7F);
  return events;
}

// The public loader reads a file in growing blocks (64 KB first): damage
// that lies beyond the first block must read as it reads from memory.
TEST(RegressionDamagedFiles, DamageBeyondTheFirstBlockReadsAsFromMemory) {
  const MidiBytes events = program_changes(60000);  // about 120 KB
  const MidiBytes lying = MidiBytes().header(0, 1, 96).chunk_head("MTrk", 0x7FFFFFF0).append(events);
  const MidiBytes files[] = {
      MidiBytes(lying).bytes({0x00, 0x90}),  // the file ends inside a message
      MidiBytes(lying).bytes({0x00, 0xF0, 0xFF, 0xFF, 0xFF, 0x7F, 0x01, 0x02}),  // a count of 2^28 - 1
      MidiBytes().header(1, 3, 96).track(events).ascii("MTr"),  // a second chunk head cut short
  };
  for (const MidiBytes& file : files) {
    TempFile on_disk("damaged.mid", file);
    SequencePtr from_disk(sequence_load(on_disk.path()));
    expect_same_sequence(from_disk.get(), load(file).get());
    ASSERT_NE(from_disk, nullptr);
    EXPECT_EQ(track_events(from_disk->first_track).size(), 60000u);
  }
}

// Data bytes with their top bit set, which only a damaged file holds, and a
// meta number that the writer's seven bits turn into end of track.
TEST(RegressionDamagedFiles, ValuesOnlyADamagedFileHoldsComeBackAsTheWriterCutsThem) {
  MidiBytes events;
  events.vlq(0).bytes({0x91, 0x3C, 0xC8});        // velocity 200
  events.vlq(10).bytes({0xE2, 0xFF, 0x80});       // pitch wheel 0xFF | 0x80 << 7
  events.vlq(10).bytes({0xFF, 0x81, 0x01, 'x'});  // meta 0x81, written as 0x01
  events.vlq(10).bytes({0xFF, 0xAF, 0x00});       // meta 0xAF, written as 0x2F
  events.vlq(10).bytes({0xC0, 0x05});             // lost behind the end of track
  const MidiBytes file = MidiBytes().header(0, 1, 96).track(events);
  SequencePtr loaded = load(file);
  ASSERT_NE(loaded, nullptr);
  ASSERT_EQ(track_events(loaded->first_track).size(), 5u);

  const std::string path = TempFile::unique_path("saved.mid");
  ASSERT_EQ(sequence_save(loaded.get(), path.c_str()), 0);
  SequencePtr reloaded(sequence_load(path.c_str()));
  std::remove(path.c_str());
  ASSERT_NE(reloaded, nullptr);
  const std::vector<EventFields> expected = {
      {0, 0, NOTE_ON, 1, 0x3C, 200 & 0x7F, {}},
      // Read as 0xFF + (0x80 << 7) = 16639; written as its low 14 bits.
      {0, 10, PITCH_WHEEL, 2, 16639 - 16384, 0, {}},
      {0, 20, META, 0x01, 1, 0, {'x', 0}},
  };
  EXPECT_EQ(track_events(reloaded->first_track), expected);
  EXPECT_EQ(reloaded->first_track->end_tick, 30);
}

// Delta times summing beyond 2^31 - 1 leave the events at the last tick,
// and such a track still goes through the writer: its deltas stay below
// 2^28. A single delta of 2^28 or more (a five-byte quantity) is refused by
// the writer, which then leaves no file behind.
TEST(RegressionDamagedFiles, TicksAtTheEndOfTheRange) {
  MidiBytes events;
  for (int i = 0; i < 9; ++i) events.vlq(0x0FFFFFFF).bytes({0x90, 0x3C, 0x40});
  SequencePtr loaded = load(MidiBytes().header(0, 1, 96).track(events));
  ASSERT_NE(loaded, nullptr);
  const std::vector<EventFields> read = track_events(loaded->first_track);
  ASSERT_EQ(read.size(), 9u);
  EXPECT_EQ(read[7].tick, 2147483640);  // 8 * (2^28 - 1) = 2^31 - 8
  EXPECT_EQ(read[8].tick, INT32_MAX);   // 9 * (2^28 - 1) is past 2^31 - 1
  EXPECT_EQ(loaded->first_track->end_tick, INT32_MAX);
  const std::string saved = TempFile::unique_path("saved.mid");
  ASSERT_EQ(sequence_save(loaded.get(), saved.c_str()), 0);
  SequencePtr reloaded(sequence_load(saved.c_str()));
  std::remove(saved.c_str());
  expect_same_sequence(reloaded.get(), loaded.get());

  MidiBytes far;
  far.bytes({0x84, 0x80, 0x80, 0x80, 0x00}).bytes({0x90, 0x3C, 0x40});  // a delta of 2^30
  loaded = load(MidiBytes().header(0, 1, 96).track(far));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(track_events(loaded->first_track).at(0).tick, 1 << 30);
  const std::string refused = TempFile::unique_path("refused.mid");
  EXPECT_EQ(sequence_save(loaded.get(), refused.c_str()), -1);
  std::FILE* left_behind = std::fopen(refused.c_str(), "rb");
  EXPECT_EQ(left_behind, nullptr);
  if (left_behind != nullptr) std::fclose(left_behind);
}

}  // namespace
}  // namespace tactus::test
