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

  int32_t resolve(const char* text) {
    int32_t tick = -1;
    resolve_time_spec(text, sequence, &tick);
    return tick;
  }

  Sequence* sequence;
};

TEST_F(TimeSpec, Ticks) {
  EXPECT_EQ(resolve("tick:480"), 480);
  EXPECT_EQ(resolve("tick:  +12 beats"), 12);
  EXPECT_EQ(resolve("tick:-5"), -5);
  EXPECT_EQ(resolve("tick:"), 0);
  EXPECT_EQ(resolve("tick:many"), 0);
}

TEST_F(TimeSpec, TicksBeyond32BitsSaturate) {
  EXPECT_EQ(resolve("tick:99999999999"), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(resolve("tick:2147483648"), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(resolve("tick:2147483647"), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(resolve("tick:-2147483648"), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(resolve("tick:-99999999999999999999999"), std::numeric_limits<int32_t>::min());
}

TEST_F(TimeSpec, Beats) {
  EXPECT_EQ(resolve("beat:2.5"), 1200);
  EXPECT_EQ(resolve("beat:0"), 0);
  EXPECT_EQ(resolve("beat:"), 0);
  EXPECT_EQ(resolve("beat:1e30"), std::numeric_limits<int32_t>::max());
}

TEST_F(TimeSpec, BarsAndBeats) {
  EXPECT_EQ(resolve("mb:2:1.0"), 1920);
  EXPECT_EQ(resolve("mb:1:3.5"), 1200);
  EXPECT_EQ(resolve("mb:3"), 3840);  // the beat keeps its start value, 1
  EXPECT_EQ(resolve("mb:"), 0);
}

TEST_F(TimeSpec, BarsBeatsAndTicks) {
  EXPECT_EQ(resolve("mbt:2:2:240"), 2640);
  EXPECT_EQ(resolve("mbt:1:1:0"), 0);
  // Not read as "mb:" with the value "t:2:1:0", which would give bar 1.
  EXPECT_EQ(resolve("mbt:2:1:0"), 1920);
}

TEST_F(TimeSpec, Seconds) {
  EXPECT_EQ(resolve("time:1.5"), 1440);
  EXPECT_EQ(resolve("time:5"), 4320);  // 4 s to bar 3, then a beat a second
  EXPECT_EQ(resolve("time:"), 0);
}

TEST_F(TimeSpec, HoursMinutesSeconds) {
  EXPECT_EQ(resolve("hms:0:00:01.5"), 1440);
  EXPECT_EQ(resolve("hms:0:00:05"), 4320);
}

TEST_F(TimeSpec, HoursMinutesSecondsFrames) {
  // 30 frames a second: 15 frames are half a second.
  EXPECT_EQ(resolve("hmsf:0:00:01:15"), 1440);
  EXPECT_EQ(resolve("hmsf:0:00:04:15.0"), 4080);
  // Not read as "hms:" with the value "f:...", which would give time zero.
  EXPECT_EQ(resolve("hmsf:0:00:02:00"), 1920);
}

TEST_F(TimeSpec, Markers) {
  EXPECT_EQ(resolve("marker:Chorus"), 1920);
  EXPECT_EQ(resolve("marker:Bridge: second half"), 2880);
  EXPECT_EQ(resolve("marker:chorus"), -1);
  EXPECT_EQ(resolve("marker:Chorus "), -1);
  EXPECT_EQ(resolve("marker:Coda"), -1);
}

TEST_F(TimeSpec, AnUnknownNotationLeavesThatSideOpen) {
  for (const char* text : {"TICK:5", "Beat:1", "5", "", "tick", "beats:1", " tick:5", "seconds:2"}) {
    SCOPED_TRACE(text);
    int32_t tick = 480;
    resolve_time_spec(text, sequence, &tick);
    EXPECT_EQ(tick, -1);
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

TEST_F(RangeOptions, BothEndsAreIncluded) {
  EXPECT_EQ(notes_started({"--from", "tick:480", "--to", "tick:960"}), (std::vector<uint32_t>{61, 62}));
  EXPECT_EQ(notes_started({"--from", "beat:1", "--to", "beat:2"}), (std::vector<uint32_t>{61, 62}));
  EXPECT_EQ(notes_started({"--from", "mb:1:2", "--to", "mbt:1:3:0"}), (std::vector<uint32_t>{61, 62}));
  EXPECT_EQ(notes_started({"--from", "time:0.5", "--to", "hms:0:00:01.0"}), (std::vector<uint32_t>{61, 62}));
  EXPECT_EQ(notes_started({"--from", "hmsf:0:00:00:15", "--to", "tick:960"}),
            (std::vector<uint32_t>{61, 62}));
}

TEST_F(RangeOptions, OnlyTheLastOfEachCounts) {
  EXPECT_EQ(notes_started({"--from", "tick:1440", "--from", "tick:480", "--to", "beat:0", "--to", "beat:2"}),
            (std::vector<uint32_t>{61, 62}));
}

TEST_F(RangeOptions, UnknownOrNegativeBoundsAreOpen) {
  EXPECT_EQ(notes_started({"--from", "TICK:480", "--to", "tick:-1"}),
            (std::vector<uint32_t>{60, 61, 62, 63}));
  EXPECT_EQ(notes_started({"--from", "marker:Nowhere"}), (std::vector<uint32_t>{60, 61, 62, 63}));
}

TEST_F(RangeOptions, AMarkerBoundsTheRange) {
  EXPECT_EQ(notes_started({"--to", "marker:Two"}), (std::vector<uint32_t>{60}));
}

TEST_F(RangeOptions, BeyondTheLastEventAndReversedBounds) {
  EXPECT_EQ(notes_started({"--from", "tick:99999999999"}), (std::vector<uint32_t>{}));
  EXPECT_EQ(notes_started({"--to", "tick:99999999999"}), (std::vector<uint32_t>{60, 61, 62, 63}));
  EXPECT_EQ(notes_started({"--from", "beat:3", "--to", "beat:1"}), (std::vector<uint32_t>{}));
  // The controllers still go out.
  EXPECT_EQ(platform.sent.size(), 4u);
}

}  // namespace
}  // namespace tactus::player::testing
