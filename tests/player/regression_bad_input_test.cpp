// Whole runs with absurd option values and damaged files: every run ends
// with a defined result, nothing hangs, and what a value cannot mean is
// handled as documented (numbers beyond 32 bits saturate, a NaN or
// non-positive extra time is no wait, an infinite one the longest timed
// wait).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "run_fixture.h"

namespace tactus::player::testing {
namespace {

constexpr uint32_t kNoteOn = 0x90 | 60 << 8 | 100 << 16;
constexpr uint32_t kNoteOff = 0x80 | 60 << 8;
constexpr uint32_t kVolume = 0xB0 | 7 << 8 | 90 << 16;

// 480 ticks per quarter at 120 beats per minute: a volume controller at
// tick 0, a note from tick 960 (1 s) to tick 1440 (1.5 s).
test::MidiBytes one_note_file() {
  test::MidiBytes events;
  events.vlq(0).bytes({0xB0, 7, 90}).vlq(960).bytes({0x90, 60, 100}).vlq(480).bytes({0x80, 60, 0});
  events.end_of_track(0);
  return test::MidiBytes().header(0, 1, 480).track(events);
}

class BadInput : public ::testing::Test {
 protected:
  RunResult run(std::vector<std::string> arguments) {
    arguments.push_back(song.path());
    RunResult result = run_tactus(platform, arguments);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    return result;
  }

  std::vector<uint32_t> words() const {
    std::vector<uint32_t> sent;
    for (const SentMessage& message : platform.sent) sent.push_back(message.word);
    return sent;
  }

  TestPlatform platform;
  test::TempFile song{"song.mid", one_note_file()};
};

TEST_F(BadInput, PositionsBeyondEveryRangeGiveABoundOrNone) {
  // A tick beyond 32 bits, and beats and seconds beyond the float range, are
  // the last tick: no note is in range, the controller goes out at once.
  for (const char* spec : {"tick:99999999999", "beat:1e308", "time:1e308", "hms:99999999999:0:0",
                           "mb:99999999999:1", "mbt:1:99999999999:0", "hmsf:0:0:0:1e38"}) {
    SCOPED_TRACE(spec);
    platform.sent.clear();
    platform.waits.clear();
    run({"--from", spec});
    EXPECT_EQ(words(), (std::vector<uint32_t>{kVolume}));
    EXPECT_TRUE(platform.waits.empty());
  }
  // Ticks below 32 bits, NaN and negative infinities give negative ticks: no bound.
  for (const char* spec :
       {"tick:-99999999999", "beat:nan", "time:nan", "time:-inf", "beat:-1e308", "mb:-99999999999:1"}) {
    SCOPED_TRACE(spec);
    platform.sent.clear();
    const uint64_t start = platform.now();
    run({"--from", spec, "--to", spec});
    EXPECT_EQ(words(), (std::vector<uint32_t>{kVolume, kNoteOn, kNoteOff}));
    EXPECT_EQ(platform.now(), start + 1500);
  }
}

TEST_F(BadInput, ExtraTimesThatAreNoPositiveNumberGiveNoWait) {
  for (const char* seconds : {"nan", "-nan", "-inf", "-1e308", "0", "1e-300", "0x"}) {
    SCOPED_TRACE(seconds);
    platform.waits.clear();
    run({"--extra-time", seconds});
    // Only the waits before the note's start and end.
    EXPECT_EQ(platform.waits.size(), 2u);
  }
}

TEST_F(BadInput, AnExtraTimeBeyondTheClockIsTheLongestTimedWaitUntilInterrupted) {
  // 4294967.295 s is 2^32 - 1 ms, the value that would mean "no limit".
  for (const char* seconds : {"4294967.295", "1e308", "inf", "1e30"}) {
    SCOPED_TRACE(seconds);
    const uint64_t start = platform.now();
    platform.waits.clear();
    platform.interrupt_at(start + 1500 + 60000);
    run({"--extra-time", seconds});
    ASSERT_EQ(platform.waits.size(), 3u);
    EXPECT_EQ(platform.waits[2].limit, 0xFFFFFFFEu);
    EXPECT_EQ(platform.now(), start + 61500);
  }
}

// Track numbers read beyond 32 bits saturate to the largest track number;
// they are never cut to their low 32 bits (2^32 + 1 is not track 1).
TEST_F(BadInput, TrackNumbersBeyond32Bits) {
  platform.device_names = {"first"};
  const test::TempFile three_tracks("three.mid", tagged_tracks_file(3));
  constexpr int32_t kDefault = kDefaultDevice;
  struct Case {
    std::vector<std::string> arguments;
    std::vector<int32_t> devices;
  };
  const Case cases[] = {{{"--solo-track", "4294967297"}, {kDefault, kSilent, kSilent}},
                        {{"--mute-track", "4294967297", "--mute-track", "-4294967295", "--mute-track",
                          "99999999999999999999999"},
                         {kDefault, kDefault, kDefault}},
                        {{"--track-out", "4294967297", "0"}, {kDefault, kDefault, kDefault}}};
  for (Case c : cases) {
    SCOPED_TRACE(c.arguments.front());
    platform.sent.clear();
    c.arguments.push_back(three_tracks.path());
    EXPECT_EQ(run_tactus(platform, c.arguments).status, 0);
    EXPECT_EQ(devices_of_tracks(platform, 3), c.devices);
  }
  // A number below the 32-bit range is negative, which names no track.
  EXPECT_EQ(run_tactus(platform, {"--track-out", "-4294967295", "0", three_tracks.path()}).status, 1);
}

// Damaged files play what could be read.
TEST(DamagedFilePlayback, AFileCutInsideItsLastNotePlaysWhatCameBefore) {
  TestPlatform platform;
  const test::MidiBytes whole = one_note_file();
  test::TempFile cut("cut.mid", whole.prefix(whole.size() - 6));  // inside the note's end
  const RunResult result = run_tactus(platform, {cut.path()});
  EXPECT_EQ(result.status, 0);
  std::vector<uint32_t> sent;
  for (const SentMessage& message : platform.sent) sent.push_back(message.word);
  // The note that started is ended when playback ends.
  EXPECT_EQ(sent, (std::vector<uint32_t>{kVolume, kNoteOn, kNoteOff}));
  EXPECT_EQ(platform.sent[1].time, 1000u);
}

TEST(DamagedFilePlayback, ATrackLengthBeyondTheFileAndTicksAtTheEndOfTimeFinish) {
  // Delta times summing beyond 2^31 - 1 ticks stand at the last tick, about
  // 26 days into the file at 120 beats per minute: still a finite wait.
  test::MidiBytes events;
  events.vlq(0).bytes({0x90, 60, 100}).vlq(0x0FFFFFFF).bytes({0x80, 60, 0});
  for (int i = 0; i < 8; ++i) events.vlq(0x0FFFFFFF).bytes({0xB0, 7, i});
  test::TempFile file("far.mid",
                      test::MidiBytes().header(0, 1, 480).chunk_head("MTrk", 0x7FFFFFF0).append(events));
  TestPlatform platform;
  EXPECT_EQ(run_tactus(platform, {file.path()}).status, 0);
  ASSERT_EQ(platform.sent.size(), 10u);
  // The tick enters the tempo map as a float: 2^31.
  EXPECT_EQ(platform.sent.back().time, (uint64_t{1} << 31) * 500 / 480);
}

}  // namespace
}  // namespace tactus::player::testing
