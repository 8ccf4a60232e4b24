// Playback on the virtual-time platform: what is sent and when, by kind,
// range and interrupt; due times; notifications; note ends at the close.
#include "player/core/playback.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>

#include "player/core/due_time.h"
#include "tactus/model.h"
#include "test_platform.h"

namespace tactus::player::testing {
namespace {

const unsigned char kSysex[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};

// Adds events "<tick>:<status> <data bytes in hex>", joined by ", ", through
// the model's builders: "30:90 3C 64, 60:E0 05 40, 90:F0" (F0: kSysex).
void add(Track* track, const std::string& events) {
  std::istringstream list(events);
  for (std::string event; std::getline(list, event, ',');) {
    std::istringstream fields(event);
    int32_t tick = 0, status = 0, first = 0, second = 0;
    char colon;
    fields >> tick >> colon >> std::hex >> status >> first >> second;
    const int32_t kind = status & 0xF0;
    const int32_t channel = status & 0x0F;
    if (kind == 0x80) note_off_new(track, tick, channel, first, second);
    if (kind == 0x90) note_on_new(track, tick, channel, first, second);
    if (kind == 0xA0) key_pressure_new(track, tick, channel, first, second);
    if (kind == 0xB0) control_change_new(track, tick, channel, first, second);
    if (kind == 0xC0) program_change_new(track, tick, channel, first);
    if (kind == 0xD0) channel_pressure_new(track, tick, channel, first);
    if (kind == 0xE0) pitch_wheel_new(track, tick, channel, first | second << 7);
    if (kind == 0xF0) sysex_new(track, tick, sizeof kSysex, kSysex);
  }
}

// 480 ticks a quarter at the default 120 beats a minute: 48 ticks are 50 ms.
class Playback : public ::testing::Test {
 protected:
  Playback() {
    platform.clock_start = 123457;
    platform.device_names = {"first", "second"};
  }
  ~Playback() override { sequence_free(sequence); }

  // Every track to device 0 unless `ports` was set. The record starts anew.
  void play(int32_t from_tick = -1, int32_t to_tick = -1, float extra_time = 0) {
    if (ports.empty())
      ports.assign(static_cast<size_t>(sequence_get_track_count(sequence)), platform.open_output(0));
    start_ = platform.now();
    platform.sent.clear();
    platform.wait_limits.clear();
    ASSERT_NO_THROW(play_sequence(platform, sequence, ports, from_tick, to_tick, extra_time, practice));
    EXPECT_FALSE(platform.handler_installed());
  }
  // The messages sent, timed from the start of the playback.
  std::string sent() const {
    std::vector<SentMessage> messages = platform.sent;
    for (SentMessage& message : messages) message.time -= start_;
    return describe(messages);
  }

  TestPlatform platform;
  Sequence* sequence = sequence_new(1, DIVISION_PPQ, 480);
  Track* track0 = sequence_add_track(sequence);
  std::vector<MidiPort*> ports;
  PracticeOptions practice;
  uint64_t start_ = 0;
};

using Limits = std::vector<uint32_t>;

TEST_F(Playback, EveryKindInRangeGoesOutAtItsDueTimeAndMetaEventsNever) {
  add(track0, "0:C0 05, 48:90 3C 64, 96:A0 3C 1E, 144:B0 07 64, 192:D0 28");
  lyric_new(track0, 216, "la");
  add(track0, "240:E0 05 40, 288:F0, 336:90 3C 00, 384:80 3E 40");
  play();
  EXPECT_EQ(
      sent(),
      "0 C00500, 50 903C64, 100 A03C1E, 150 B00764, 200 D02800, 250 E00540, 300 F07E7F0901F7, 350 903C00, "
      "400 803E40");
  // Each wait is for exactly the time left; the long message's completion
  // also ends the next wait at once, which then waits again: nine waits.
  EXPECT_EQ(platform.wait_limits, Limits(9, 50));
}

TEST_F(Playback, OutsideTheRangeNothingIsWaitedForAndOnlyNonNotesAreSent) {
  add(track0,
      "0:90 3C 64, 48:B0 07 5A, 96:F0, 144:80 3C 00, 192:C1 09, 240:A1 3D 14, 288:D1 1E, 336:E1 00 00");
  add(track0, "960:92 40 5A, 1056:B2 0A 40, 1440:82 40 00");  // the range, both ends included
  add(track0, "1488:93 41 5A, 1536:83 41 00, 1584:B3 0B 01, 1632:F0");
  play(960, 1440);
  EXPECT_EQ(
      sent(),
      "0 B0075A, 0 F07E7F0901F7, 0 C10900, 0 A13D14, 0 D11E00, 0 E10000, 0 92405A, 100 B20A40, 500 824000, "
      "500 B30B01, 500 F07E7F0901F7");
  EXPECT_EQ(platform.wait_limits, (Limits{100, 100, 400}));
}

TEST_F(Playback, AfterAnInterruptEverythingButNoteStartsGoesOutAtOnceWithoutExtraTime) {
  // Due at 200 ms, the interrupt comes at 120; those at 960 lie beyond the
  // range, which an interrupt ignores.
  add(track0, "0:90 3C 64, 0:99 24 64, 192:90 3E 64, 192:80 3C 00, 192:B0 40 00, 192:F0, 192:E0 00 40");
  add(track0, "960:90 40 64, 960:90 3E 00, 960:A0 40 01, 960:C0 03, 960:D0 02, 960:F0");
  platform.interrupt_at(120);
  play(-1, 480, 1.0f);
  EXPECT_EQ(
      sent(),
      "0 903C64, 0 992464, 120 803C00, 120 B04000, 120 F07E7F0901F7, 120 E00040, 120 903E00, 120 A04001, "
      "120 C00300, 120 D00200, 120 F07E7F0901F7, 120 892400");
  EXPECT_EQ(platform.wait_limits, Limits{200});
  EXPECT_EQ(platform.now(), 120u);
}

TEST_F(Playback, EventsOfOneTickGoBackToBackInListOrderAndSilencedTracksStillPace) {
  Track* track1 = sequence_add_track(sequence);
  add(track0, "480:B0 01 01");
  add(track1, "480:B1 02 02");
  add(track0, "480:B0 03 03");
  add(sequence_add_track(sequence), "960:92 3C 64");
  add(track1, "1440:B1 04 04");
  MidiPort* second = platform.open_output(1);
  // Track 2 has no port, or none in the table: no note start, so no end.
  for (const std::vector<MidiPort*>& table :
       {std::vector<MidiPort*>{second, second, nullptr}, {second, second}}) {
    ports = table;
    play();
    EXPECT_EQ(sent(), "0 B00101@1, 0 B10202@1, 0 B00303@1, 1000 B10404@1");
    EXPECT_EQ(platform.wait_limits, (Limits{500, 500}));
  }
}

TEST_F(Playback, TheFirstWaitedEventIsDueAtOnceHoweverLateItLies) {
  // It is due at 1000 ms when the clock reads 1000: origin 0 holds for the next.
  platform.clock_start = 1000;
  lyric_new(track0, 0, "Up");
  add(track0, "960:B0 01 00, 1440:B0 02 00");
  play();
  EXPECT_EQ(sent(), "0 B00100, 500 B00200");
}

TEST_F(Playback, DueTimesFollowTheTempoMapAndAreTruncated) {
  tempo_new(track0, 960, 60.0f);  // 120 beats a minute for 1 s, then 60
  // Tick 13 lies at 13.54 ms, tick 23 at 23.96 ms, tick 1500 at 2125 ms.
  add(track0, "0:B0 01 00, 13:B0 01 01, 23:B0 01 02, 960:B0 01 03, 1500:B0 01 04");
  play();
  EXPECT_EQ(sent(), "0 B00100, 13 B00101, 23 B00102, 1000 B00103, 2125 B00104");
}

TEST(PlaybackDueTime, WrapsModulo2To32AndCountsNonFiniteTimesAsZero) {
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  // Negative times truncate toward zero, then wrap; 2^30 s is 2^32 * 250000 ms,
  // 1e15 s is 1e18 ms; 1e308 s has more milliseconds than a double holds.
  const struct {
    double seconds;
    uint32_t ms;
  } cases[] = {// clang-format off
      {0.0019, 1}, {0.0, 0}, {1.5, 1500}, {4294967.25, 4294967250u}, {4294967.5, 204}, {-0.0015, 4294967295u},
      {-0.5, 4294966796u}, {1073741824.0, 0}, {1073741824.5, 500}, {1e15, 2808348672u}, {1e308, 0},
      {std::numeric_limits<double>::quiet_NaN(), 0}, {kInfinity, 0}, {-kInfinity, 0}};
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(due_time_ms(c.seconds), c.ms) << c.seconds;
}

TEST_F(Playback, ClockWrapDoesNotDisturbTheTiming) {
  platform.clock_start = 0xFFFFFFFFu - 120;
  add(track0, "0:B0 01 00, 96:B0 01 01, 192:B0 01 02");
  play(-1, -1, 0.5f);
  EXPECT_EQ(sent(), "0 B00100, 100 B00101, 200 B00102");
  EXPECT_EQ(platform.wait_limits, (Limits{100, 100, 500}));
  EXPECT_EQ(platform.now(), 700u);
}

TEST_F(Playback, AWaitWokenEarlyWaitsForTheRestAndALateEventGoesOutAtOnce) {
  // The long message is done 250 ms after it is sent: the event due at
  // 100 ms is late then, and nothing is skipped to catch up.
  platform.long_messages = LongMessages::kDoneLater;
  platform.long_message_delay = 250;
  add(track0, "0:F0, 96:B0 01 00, 480:B0 02 00");
  platform.wake_at(330);
  play();
  EXPECT_EQ(sent(), "0 F07E7F0901F7, 250 B00100, 500 B00200");
  EXPECT_EQ(platform.wait_limits, (Limits{kWaitForever, 250, 170}));
}

TEST_F(Playback, AnInterruptDuringAWaitOrJustBeforeOneEndsItAtOnce) {
  // A note and a controller every 100 ms, notes 60, 61, 62.
  add(track0, "0:90 3C 64, 0:B0 01 00, 48:80 3C 00, 96:90 3D 64, 96:B0 01 01, 144:80 3D 00, 192:90 3E 64");
  add(track0, "192:B0 01 02, 240:80 3E 00");
  platform.interrupt_at(130);  // while waiting for 150 ms
  play(-1, -1, 2.0f);
  EXPECT_EQ(sent(),
            "0 903C64, 0 B00100, 50 803C00, 100 903D64, 100 B00101, 130 803D00, 130 B00102, 130 803E00");
  EXPECT_EQ(platform.wait_limits, (Limits{50, 50, 50}));
  platform.interrupt_at_wait(1);  // the wake-up comes between the flag test and the wait
  play();
  EXPECT_EQ(platform.wait_limits.size(), 2u);
  EXPECT_EQ(platform.now() - start_, 50u);
}

TEST_F(Playback, AFailedOutputEndsTheWaitingAsAnInterruptDoes) {
  add(track0, "0:90 3C 64, 96:90 3D 64, 192:80 3C 00, 480:B0 01 02");
  platform.fail_outputs_at(130, "gone");  // while waiting for 200 ms
  play(-1, -1, 2.0f);
  EXPECT_EQ(sent(), "0 903C64, 100 903D64, 130 803C00, 130 B00102, 130 803D00");
  EXPECT_EQ(platform.wait_limits, (Limits{100, 100}));
  EXPECT_EQ(platform.now() - start_, 130u);
}

TEST_F(Playback, TheWalkGoesOnWhenThePortIsDoneEvenAfterAnInterrupt) {
  platform.long_messages = LongMessages::kDoneLater;
  platform.long_message_delay = 300;
  add(track0, "0:F0, 0:F0, 96:90 3C 64, 96:B0 01 02");
  platform.interrupt_at(50);
  play(-1, -1, 1.0f);
  EXPECT_EQ(sent(), "0 F07E7F0901F7, 300 F07E7F0901F7, 600 B00102");
  EXPECT_EQ(platform.wait_limits, (Limits{kWaitForever, kWaitForever, kWaitForever}));
}

TEST_F(Playback, ALongMessageCopiedOrRefusedIsNotWaitedFor) {
  add(track0, "0:F0, 96:F0, 192:B0 01 02");
  for (LongMessages mode : {LongMessages::kCopied, LongMessages::kRefused}) {
    platform.long_messages = mode;
    play();
    EXPECT_EQ(sent(),
              mode == LongMessages::kCopied ? "0 F07E7F0901F7, 100 F07E7F0901F7, 200 B00102" : "200 B00102");
    EXPECT_EQ(platform.wait_limits, (Limits{100, 100}));
  }
}

TEST_F(Playback, NotesStillSoundingAtTheEndAreEndedPortByPort) {
  Track* track1 = sequence_add_track(sequence);
  Track* track2 = sequence_add_track(sequence);
  add(track0, "0:93 3C 64");
  add(track1, "0:90 3C 64");
  add(track2, "0:9F 7F 01, 0:99 00 01, 0:9E 10 80");
  add(track0, "0:90 3D 64, 96:80 3D 0A, 480:90 40 64, 960:83 3C 40");
  // Ended by a velocity whose byte is 0; key pressure is no note.
  add(track1, "96:90 3E 64, 144:90 3E 100, 144:A0 3F 64");
  MidiPort* second = platform.open_output(1);
  ports = {second, platform.open_output(0), second};
  play(-1, 200, 1.0f);
  // After the extra time: ports in the order the tracks name them, then
  // channels and notes ascending.
  EXPECT_EQ(describe({platform.sent.end() - 5, platform.sent.end()}),
            "1150 833C00@1, 1150 890000@1, 1150 8E1000@1, 1150 8F7F00@1, 1150 803C00");
  EXPECT_EQ(platform.sent.size(), 15u);
}

}  // namespace
}  // namespace tactus::player::testing
