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

TEST_F(BadInput, ATickBeyond32BitsIsTheLastTick) {
  // From the last tick: no note is in range, the controller goes out at once.
  run({"--from", "tick:99999999999"});
  EXPECT_EQ(words(), (std::vector<uint32_t>{kVolume}));
  EXPECT_TRUE(platform.waits.empty());
}

TEST_F(BadInput, ATickBelow32BitsIsNoBound) {
  run({"--from", "tick:-99999999999", "--to", "tick:99999999999"});
  EXPECT_EQ(words(), (std::vector<uint32_t>{kVolume, kNoteOn, kNoteOff}));
  EXPECT_EQ(platform.now(), 1500u);
}

TEST_F(BadInput, PositionsBeyondEveryRangeGiveABoundOrNone) {
  // Beats and seconds beyond the float range are infinite: the last tick.
  for (const char* spec : {"beat:1e308", "time:1e308", "hms:99999999999:0:0", "mb:99999999999:1",
                           "mbt:1:99999999999:0", "hmsf:0:0:0:1e38"}) {
    SCOPED_TRACE(spec);
    platform.sent.clear();
    run({"--from", spec});
    EXPECT_EQ(words(), (std::vector<uint32_t>{kVolume}));
  }
  // NaN and negative infinities give negative ticks: no bound.
  for (const char* spec : {"beat:nan", "time:nan", "time:-inf", "beat:-1e308", "mb:-99999999999:1"}) {
    SCOPED_TRACE(spec);
    platform.sent.clear();
    run({"--to", spec});
    EXPECT_EQ(words(), (std::vector<uint32_t>{kVolume, kNoteOn, kNoteOff}));
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

TEST_F(BadInput, AnExtraTimeBeyondTheClockIsTheLongestTimedWait) {
  // 4294967.295 s is 2^32 - 1 ms, the value that would mean "no limit".
  platform.interrupt_at(1500 + 5000);
  run({"--extra-time", "4294967.295"});
  ASSERT_EQ(platform.waits.size(), 3u);
  EXPECT_EQ(platform.waits[2].limit, 0xFFFFFFFEu);
}

// Track numbers read beyond 32 bits saturate to the largest track number;
// they are never cut to their low 32 bits (2^32 + 1 is not track 1).
class BadTrackNumbers : public BadInput {
 protected:
  BadTrackNumbers() { platform.device_names = {"first"}; }

  std::vector<int32_t> devices_of_tracks() const {
    std::vector<int32_t> devices(3, -2);
    for (const SentMessage& message : platform.sent) {
      for (uint32_t t = 0; t < 3; ++t) {
        if (message.word == tag_of_track(t)) devices[t] = message.device;
      }
    }
    return devices;
  }

  test::TempFile three_tracks{"three.mid", tagged_tracks_file(3)};
};

TEST_F(BadTrackNumbers, SoloOfATrackBeyond32BitsSilencesAllButTrackZero) {
  EXPECT_EQ(run_tactus(platform, {"--solo-track", "4294967297", three_tracks.path()}).status, 0);
  EXPECT_EQ(devices_of_tracks(), (std::vector<int32_t>{kDefaultDevice, -2, -2}));
}

TEST_F(BadTrackNumbers, MuteOfTracksBeyond32BitsChangesNothing) {
  EXPECT_EQ(run_tactus(platform, {"--mute-track", "4294967297", "--mute-track", "-4294967295", "--mute-track",
                                  "99999999999999999999999", three_tracks.path()})
                .status,
            0);
  EXPECT_EQ(devices_of_tracks(), (std::vector<int32_t>{kDefaultDevice, kDefaultDevice, kDefaultDevice}));
}

TEST_F(BadTrackNumbers, ARouteForATrackBeyond32BitsRoutesNoTrack) {
  EXPECT_EQ(run_tactus(platform, {"--track-out", "4294967297", "0", three_tracks.path()}).status, 0);
  EXPECT_EQ(devices_of_tracks(), (std::vector<int32_t>{kDefaultDevice, kDefaultDevice, kDefaultDevice}));
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
