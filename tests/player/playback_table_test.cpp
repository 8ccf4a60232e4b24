// What playback does with each kind of event, by range and interrupt.
#include <gtest/gtest.h>

#include "playback_fixture.h"

namespace tactus::player::testing {
namespace {

using PlaybackRules = PlaybackTest;

const std::vector<unsigned char> kSysex = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};

TEST_F(PlaybackRules, EventsInRangeGoOutAtTheirDueTimes) {
  program_change_new(track0, 0, 0, 5);
  note_on_new(track0, 48, 0, 60, 100);
  key_pressure_new(track0, 96, 0, 60, 30);
  control_change_new(track0, 144, 0, 7, 100);
  channel_pressure_new(track0, 192, 0, 40);
  pitch_wheel_new(track0, 240, 0, 8197);
  sysex_new(track0, 288, static_cast<int32_t>(kSysex.size()), kSysex.data());
  note_on_new(track0, 336, 0, 60, 0);
  note_off_new(track0, 384, 0, 62, 64);
  play();
  EXPECT_EQ(platform.sent, (std::vector<SentMessage>{
                               short_at(0, word(0xC0, 5)),
                               short_at(50, word(0x90, 60, 100)),
                               short_at(100, word(0xA0, 60, 30)),
                               short_at(150, word(0xB0, 7, 100)),
                               short_at(200, word(0xD0, 40)),
                               short_at(250, word(0xE0, 8197 & 0x7F, 8197 >> 7)),
                               long_at(300, kSysex),
                               short_at(350, word(0x90, 60, 0)),
                               short_at(400, word(0x80, 62, 64)),
                           }));
  // One wait per event after the first, each for exactly the time left; the
  // long message's completion also wakes the next wait, which then waits
  // again for the same time.
  EXPECT_EQ(wait_limits(), (std::vector<uint32_t>(9, 50)));
  EXPECT_EQ(platform.waits[6].end, platform.waits[6].start);
}

TEST_F(PlaybackRules, EventsOutsideTheRangeAreNotWaitedForAndOnlyNonNotesAreSent) {
  // Before the range.
  note_on_new(track0, 0, 0, 60, 100);
  control_change_new(track0, 48, 0, 7, 90);
  sysex_new(track0, 96, static_cast<int32_t>(kSysex.size()), kSysex.data());
  note_off_new(track0, 144, 0, 60, 0);
  program_change_new(track0, 192, 1, 9);
  key_pressure_new(track0, 240, 1, 61, 20);
  channel_pressure_new(track0, 288, 1, 30);
  pitch_wheel_new(track0, 336, 1, 0);
  // The range, both ends included.
  note_on_new(track0, 960, 2, 64, 90);
  control_change_new(track0, 1056, 2, 10, 64);
  note_off_new(track0, 1440, 2, 64, 0);
  // After the range.
  note_on_new(track0, 1488, 3, 65, 90);
  note_off_new(track0, 1536, 3, 65, 0);
  control_change_new(track0, 1584, 3, 11, 1);
  sysex_new(track0, 1632, static_cast<int32_t>(kSysex.size()), kSysex.data());
  play(960, 1440);
  EXPECT_EQ(platform.sent, (std::vector<SentMessage>{
                               short_at(0, word(0xB0, 7, 90)),
                               long_at(0, kSysex),
                               short_at(0, word(0xC1, 9)),
                               short_at(0, word(0xA1, 61, 20)),
                               short_at(0, word(0xD1, 30)),
                               short_at(0, word(0xE1, 0, 0)),
                               short_at(0, word(0x92, 64, 90)),
                               short_at(100, word(0xB2, 10, 64)),
                               short_at(500, word(0x82, 64, 0)),
                               short_at(500, word(0xB3, 11, 1)),
                               long_at(500, kSysex),
                           }));
  // The long message's completion ends the first wait at once.
  EXPECT_EQ(wait_limits(), (std::vector<uint32_t>{100, 100, 400}));
}

TEST_F(PlaybackRules, AfterAnInterruptEverythingButNoteStartsGoesOutAtOnce) {
  note_on_new(track0, 0, 0, 60, 100);
  // Due at 200 ms; the interrupt comes at 120 ms, during the wait.
  note_on_new(track0, 192, 0, 62, 100);
  note_off_new(track0, 192, 0, 60, 0);
  control_change_new(track0, 192, 0, 64, 0);
  sysex_new(track0, 192, static_cast<int32_t>(kSysex.size()), kSysex.data());
  pitch_wheel_new(track0, 192, 0, 8192);
  // Beyond the range: an interrupt sends them all the same.
  note_on_new(track0, 960, 0, 64, 100);
  note_on_new(track0, 960, 0, 62, 0);
  key_pressure_new(track0, 960, 0, 64, 1);
  program_change_new(track0, 960, 0, 3);
  channel_pressure_new(track0, 960, 0, 2);
  sysex_new(track0, 960, static_cast<int32_t>(kSysex.size()), kSysex.data());
  platform.interrupt_at(120);
  play(-1, 480, 1.0f);
  EXPECT_EQ(platform.sent, (std::vector<SentMessage>{
                               short_at(0, word(0x90, 60, 100)),
                               short_at(120, word(0x80, 60, 0)),
                               short_at(120, word(0xB0, 64, 0)),
                               long_at(120, kSysex),
                               short_at(120, word(0xE0, 0, 64)),
                               short_at(120, word(0x90, 62, 0)),
                               short_at(120, word(0xA0, 64, 1)),
                               short_at(120, word(0xC0, 3)),
                               short_at(120, word(0xD0, 2)),
                               long_at(120, kSysex),
                           }));
  // The wait for 200 ms ended at the interrupt; the extra time is skipped.
  ASSERT_EQ(platform.waits.size(), 1u);
  EXPECT_EQ(platform.waits[0].limit, 200u);
  EXPECT_EQ(platform.waits[0].end, 120u);
  EXPECT_EQ(platform.now(), 120u);
}

TEST_F(PlaybackRules, MetaEventsAreNeverSentNorWaitedFor) {
  const unsigned char name[] = {'P', 'i', 'a', 'n', 'o'};
  meta_new(track0, 0, 0x03, 5, name);
  tempo_new(track0, 0, 120.0f);
  marker_new(track0, 960, "Verse");
  lyric_new(track0, 1920, "la");
  play(-1, -1, 0.5f);
  EXPECT_TRUE(platform.sent.empty());
  // Only the extra time is waited for.
  EXPECT_EQ(wait_limits(), (std::vector<uint32_t>{500}));
  EXPECT_EQ(platform.now(), 500u);
}

TEST_F(PlaybackRules, EventsOfOneTickGoOutBackToBackInListOrder) {
  Track* track1 = sequence_add_track(sequence);
  control_change_new(track0, 480, 0, 1, 1);
  control_change_new(track1, 480, 1, 2, 2);
  control_change_new(track0, 480, 0, 3, 3);
  control_change_new(track1, 960, 1, 4, 4);
  control_change_new(track0, 960, 0, 5, 5);
  play();
  EXPECT_EQ(platform.sent, (std::vector<SentMessage>{
                               short_at(0, word(0xB0, 1, 1)),
                               short_at(0, word(0xB1, 2, 2)),
                               short_at(0, word(0xB0, 3, 3)),
                               short_at(500, word(0xB1, 4, 4)),
                               short_at(500, word(0xB0, 5, 5)),
                           }));
  EXPECT_EQ(wait_limits(), (std::vector<uint32_t>{500}));
}

TEST_F(PlaybackRules, SilencedTracksAndTracksBeyondThePortTableStillPaceThePlayback) {
  Track* track1 = sequence_add_track(sequence);
  control_change_new(track0, 0, 0, 1, 1);
  note_on_new(track1, 480, 1, 60, 100);
  control_change_new(track0, 960, 0, 2, 2);
  MidiPort* port = platform.open_output(0, output_done_callback);
  for (const std::vector<MidiPort*>& ports :
       {std::vector<MidiPort*>{port, nullptr}, std::vector<MidiPort*>{port}}) {
    platform.sent.clear();
    platform.waits.clear();
    const uint64_t start = platform.now();
    track_ports = ports;
    play();
    // No note start, and so no note end either.
    EXPECT_EQ(platform.sent, (std::vector<SentMessage>{short_at(start, word(0xB0, 1, 1)),
                                                       short_at(start + 1000, word(0xB0, 2, 2))}));
    EXPECT_EQ(wait_limits(), (std::vector<uint32_t>{500, 500}));
  }
}

}  // namespace
}  // namespace tactus::player::testing
