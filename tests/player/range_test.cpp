// The eight notations of the playback range's ends.
#include "player/core/range.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "run_fixture.h"
#include "tactus/model.h"

namespace tactus::player::testing {
namespace {

// 480 ticks per quarter note in 4/4: 120 beats per minute for the first two
// bars (a bar lasts 2 s), 60 from bar 3 on (tick 3840, 4 s).
class TimeSpec : public ::testing::Test {
 protected:
  TimeSpec() {
    sequence = sequence_new(1, DIVISION_PPQ, 480);
    Track* track = sequence_add_track(sequence);
    tempo_new(track, 3840, 60.0f);
    marker_new(track, 1920, "Chorus");
    marker_new(track, 2880, "Bridge: second half");
    marker_new(track, 4800, "Chorus");
  }
  ~TimeSpec() override { sequence_free(sequence); }

  Sequence* sequence;
};

TEST_F(TimeSpec, EachNotation) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  const struct {
    const char* text;
    int32_t tick;
  } cases[] = {
      // clang-format off
      {"tick:480", 480}, {"tick:  +12 beats", 12}, {"tick:-5", -5}, {"tick:", 0}, {"tick:many", 0},
      // Ticks beyond 32 bits saturate.
      {"tick:99999999999", kMax}, {"tick:2147483648", kMax}, {"tick:2147483647", kMax},
      {"tick:-2147483648", kMin}, {"tick:-99999999999999999999999", kMin},
      {"beat:2.5", 1200}, {"beat:0", 0}, {"beat:", 0}, {"beat:1e30", kMax},
      {"mb:2:1.0", 1920}, {"mb:1:3.5", 1200}, {"mb:", 0},
      {"mb:3", 3840},  // the beat keeps its start value, 1
      {"mbt:2:2:240", 2640}, {"mbt:1:1:0", 0},
      {"mbt:2:1:0", 1920},  // not "mb:" with the value "t:2:1:0", which gives bar 1
      {"time:1.5", 1440}, {"time:", 0},
      {"time:5", 4320},  // 4 s to bar 3, then a beat a second
      {"hms:0:00:01.5", 1440}, {"hms:0:00:05", 4320},
      // 30 frames a second: 15 frames are half a second.
      {"hmsf:0:00:01:15", 1440}, {"hmsf:0:00:04:15.0", 4080},
      {"hmsf:0:00:02:00", 1920},  // not "hms:" with the value "f:...", which gives zero
      {"marker:Chorus", 1920}, {"marker:Bridge: second half", 2880},
      {"marker:chorus", -1}, {"marker:Chorus ", -1}, {"marker:Coda", -1},
      // An unknown notation leaves that side open.
      {"TICK:5", -1}, {"Beat:1", -1}, {"5", -1}, {"", -1}, {"tick", -1}, {"beats:1", -1}, {" tick:5", -1},
      {"seconds:2", -1},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    int32_t tick = 480;
    resolve_time_spec(c.text, sequence, &tick);
    EXPECT_EQ(tick, c.tick);
  }
}

TEST_F(TimeSpec, NoTextLeavesTheTickAlone) {
  int32_t tick = 77;
  resolve_time_spec(nullptr, sequence, &tick);
  EXPECT_EQ(tick, 77);
}

// The range through the whole program: a note every beat for four beats
// (notes 60 to 63), a controller at each beat's half.
class RangeOptions : public ::testing::Test {
 protected:
  RangeOptions() {
    test::MidiBytes events;
    events.meta(0, 0x06, test::MidiBytes().ascii("Two"));  // a marker at tick 0 ...
    for (int beat = 0; beat < 4; ++beat) {
      events.vlq(0).bytes({0x90, 60 + beat, 100});
      events.vlq(240).bytes({0xB0, 1, beat});
      events.vlq(240).bytes({0x80, 60 + beat, 0});
    }
    events.end_of_track(0);
    test::MidiBytes file;
    file.header(0, 1, 480).track(events);
    song = std::make_unique<test::TempFile>("range.mid", file);
  }

  // The notes started, in order.
  std::vector<uint32_t> notes_started(std::vector<std::string> options) {
    platform.sent.clear();
    options.push_back(song->path());
    EXPECT_EQ(run_tactus(platform, options).status, 0);
    std::vector<uint32_t> notes;
    for (const SentMessage& message : platform.sent) {
      if ((message.word & 0xFF) == 0x90 && (message.word >> 16) != 0)
        notes.push_back((message.word >> 8) & 0x7F);
    }
    return notes;
  }

  TestPlatform platform;
  std::unique_ptr<test::TempFile> song;
};

TEST_F(RangeOptions, SelectTheNotesStarted) {
  using Notes = std::vector<uint32_t>;
  const struct {
    std::vector<std::string> options;
    Notes notes;
  } cases[] = {// Both ends are included, in every notation.
               {{"--from", "tick:480", "--to", "tick:960"}, {61, 62}},
               {{"--from", "beat:1", "--to", "beat:2"}, {61, 62}},
               {{"--from", "mb:1:2", "--to", "mbt:1:3:0"}, {61, 62}},
               {{"--from", "time:0.5", "--to", "hms:0:00:01.0"}, {61, 62}},
               {{"--from", "hmsf:0:00:00:15", "--to", "tick:960"}, {61, 62}},
               {{"--to", "marker:Two"}, {60}},
               // Only the last of each counts.
               {{"--from", "tick:1440", "--from", "tick:480", "--to", "beat:0", "--to", "beat:2"}, {61, 62}},
               // Unknown or negative bounds are open.
               {{"--from", "TICK:480", "--to", "tick:-1"}, {60, 61, 62, 63}},
               {{"--from", "marker:Nowhere"}, {60, 61, 62, 63}},
               {{"--to", "tick:99999999999"}, {60, 61, 62, 63}},
               {{"--from", "tick:99999999999"}, {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.options));
    EXPECT_EQ(notes_started(c.options), c.notes);
  }
  // Reversed bounds leave nothing in range to wait for, but the controllers
  // still go out.
  platform.waits.clear();
  EXPECT_EQ(notes_started({"--from", "beat:3", "--to", "beat:1"}), Notes{});
  EXPECT_EQ(platform.sent.size(), 4u);
  EXPECT_TRUE(platform.waits.empty());
}

}  // namespace
}  // namespace tactus::player::testing
