// Console interrupts and long-message completions: the two notifications
// that reach playback from other threads.
#include <gtest/gtest.h>

#include "playback_fixture.h"

namespace tactus::player::testing {
namespace {

using PlaybackInterrupts = PlaybackTest;
using PlaybackLongMessages = PlaybackTest;

// A note and a controller every 100 ms, notes 60, 61, 62 ...
void add_notes(Track* track, int count) {
  for (int i = 0; i < count; ++i) {
    note_on_new(track, i * 96, 0, 60 + i, 100);
    control_change_new(track, i * 96, 0, 1, i);
    note_off_new(track, i * 96 + 48, 0, 60 + i, 0);
  }
}

TEST_F(PlaybackInterrupts, BeforePlaybackOrBetweenWaitsNothingIsWaitedForNorStarted) {
  add_notes(track0, 3);
  std::vector<SentMessage> run_through;
  for (uint32_t i = 0; i < 3; ++i) {
    run_through.push_back(short_at(0, word(0xB0, 1, i)));
    run_through.push_back(short_at(0, word(0x80, 60 + i, 0)));
  }
  platform.interrupt_on_install();
  play(-1, -1, 2.0f);
  EXPECT_EQ(platform.sent, run_through);
  EXPECT_TRUE(platform.waits.empty());
  // A new playback starts uninterrupted; an interrupt right after its first
  // note start counts for the next event.
  TestPlatform second;
  second.device_names = {"only"};
  second.interrupt_after_message(0);
  std::vector<MidiPort*> ports = {second.open_output(0, output_done_callback)};
  play_sequence(second, sequence, ports, -1, -1, 1.0f);
  run_through.insert(run_through.begin(), short_at(0, word(0x90, 60, 100)));
  EXPECT_EQ(second.sent, run_through);
  EXPECT_TRUE(second.waits.empty());
}

TEST_F(PlaybackInterrupts, DuringAWaitEndsItAtOnce) {
  add_notes(track0, 3);
  platform.interrupt_at(130);  // while waiting for 150 ms
  play(-1, -1, 2.0f);
  EXPECT_EQ(platform.sent, (std::vector<SentMessage>{
                               short_at(0, word(0x90, 60, 100)),
                               short_at(0, word(0xB0, 1, 0)),
                               short_at(50, word(0x80, 60, 0)),
                               short_at(100, word(0x90, 61, 100)),
                               short_at(100, word(0xB0, 1, 1)),
                               short_at(130, word(0x80, 61, 0)),
                               short_at(130, word(0xB0, 1, 2)),
                               short_at(130, word(0x80, 62, 0)),
                           }));
  EXPECT_EQ(wait_limits(), (std::vector<uint32_t>{50, 50, 50}));
  EXPECT_EQ(platform.now(), 130u);
}

TEST_F(PlaybackInterrupts, JustBeforeAWaitBeginsIsNotLost) {
  add_notes(track0, 3);
  // The wake-up arrives between the flag test and the wait: the wait must
  // end at once all the same.
  platform.interrupt_at_wait(1);
  play();
  EXPECT_EQ(platform.waits.size(), 2u);
  EXPECT_EQ(platform.waits[1].start, 50u);
  EXPECT_EQ(platform.waits[1].end, 50u);
  EXPECT_EQ(platform.sent.back(), short_at(50, word(0x80, 62, 0)));
}

TEST_F(PlaybackInterrupts, DuringTheExtraTimeEndsItEarly) {
  add_notes(track0, 1);
  platform.interrupt_at(700);
  play(-1, -1, 2.0f);
  EXPECT_EQ(wait_limits(), (std::vector<uint32_t>{50, 2000}));
  EXPECT_EQ(platform.waits.back().end, 700u);
  EXPECT_EQ(platform.now(), 700u);
}

TEST_F(PlaybackInterrupts, AfterTheLastEventSkipsTheExtraTime) {
  add_notes(track0, 2);
  platform.interrupt_after_message(5);  // the last note end
  play(-1, -1, 2.0f);
  EXPECT_EQ(wait_limits(), (std::vector<uint32_t>{50, 50, 50}));
  EXPECT_EQ(platform.now(), 150u);
}

const std::vector<unsigned char> kSysex = {0xF7, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00};

TEST_F(PlaybackLongMessages, ACompletionBeforeTheWaitIsNotLost) {
  // The port completes inside send, before playback could wait.
  sysex_new(track0, 0, static_cast<int32_t>(kSysex.size()), kSysex.data());
  control_change_new(track0, 0, 0, 1, 2);
  play();
  EXPECT_EQ(platform.sent, (std::vector<SentMessage>{long_at(0, kSysex), short_at(0, word(0xB0, 1, 2))}));
  EXPECT_TRUE(platform.waits.empty());
}

TEST_F(PlaybackLongMessages, TheWalkGoesOnOnlyWhenThePortIsDone) {
  platform.long_messages = LongMessages::kDoneLater;
  platform.long_message_delay = 40;
  sysex_new(track0, 0, static_cast<int32_t>(kSysex.size()), kSysex.data());
  sysex_new(track0, 0, static_cast<int32_t>(kSysex.size()), kSysex.data());
  control_change_new(track0, 0, 0, 1, 2);
  play();
  EXPECT_EQ(platform.sent, (std::vector<SentMessage>{long_at(0, kSysex), long_at(40, kSysex),
                                                     short_at(80, word(0xB0, 1, 2))}));
  EXPECT_EQ(wait_limits(), (std::vector<uint32_t>{kWaitForever, kWaitForever}));
}

TEST_F(PlaybackLongMessages, AnInterruptDoesNotEndTheWaitForCompletion) {
  platform.long_messages = LongMessages::kDoneLater;
  platform.long_message_delay = 300;
  sysex_new(track0, 0, static_cast<int32_t>(kSysex.size()), kSysex.data());
  note_on_new(track0, 96, 0, 60, 100);
  control_change_new(track0, 96, 0, 1, 2);
  platform.interrupt_at(50);
  play(-1, -1, 1.0f);
  EXPECT_EQ(platform.sent, (std::vector<SentMessage>{long_at(0, kSysex), short_at(300, word(0xB0, 1, 2))}));
  EXPECT_EQ(wait_limits(), (std::vector<uint32_t>{kWaitForever, kWaitForever}));
  EXPECT_EQ(platform.now(), 300u);
}

TEST_F(PlaybackLongMessages, ARefusedMessageIsNotWaitedFor) {
  platform.long_messages = LongMessages::kRefused;
  sysex_new(track0, 0, static_cast<int32_t>(kSysex.size()), kSysex.data());
  sysex_new(track0, 96, static_cast<int32_t>(kSysex.size()), kSysex.data());
  control_change_new(track0, 192, 0, 1, 2);
  play();
  // The test platform checks that each message is released before the
  // next is prepared.
  EXPECT_EQ(platform.sent, (std::vector<SentMessage>{short_at(200, word(0xB0, 1, 2))}));
  EXPECT_EQ(wait_limits(), (std::vector<uint32_t>{100, 100}));
}

TEST_F(PlaybackLongMessages, NotificationsOutsidePlaybackDoNoHarm) {
  // The test platform notifies on every open and close.
  sysex_new(track0, 0, static_cast<int32_t>(kSysex.size()), kSysex.data());
  MidiPort* port = platform.open_output(0, output_done_callback);
  track_ports = {port};
  play();
  platform.close_output(port);
  output_done_callback();
  EXPECT_EQ(platform.sent.size(), 1u);
}

}  // namespace
}  // namespace tactus::player::testing
