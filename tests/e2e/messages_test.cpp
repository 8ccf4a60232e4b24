// Every kind of message reaches the port byte for byte, and nothing else.
#include <gtest/gtest.h>

#include "e2e_fixture.h"

namespace tactus::e2e {
namespace {

// 480 ticks a quarter at the default 120 beats a minute: 24 ticks = 25 ms.
constexpr uint32_t kStep = 24;

TEST_F(EndToEnd, EveryChannelMessageArrivesByteForByte) {
  SongBytes song(2, 480);
  song.add(0, 0, meta_event(0x03, {'t', 'e', 'm', 'p', 'o'})).add(0, 0, tempo_event(500000));
  const std::vector<Bytes> in_file{
      {0x90, 0x3C, 0x64},  // note start
      {0xA1, 0x3C, 0x50},  // key pressure
      {0xB2, 0x07, 0x64},  // control change
      {0xC3, 0x05},        // program change: one data byte
      {0xD4, 0x40},        // channel pressure: one data byte
      {0xE5, 0x00, 0x40},  // pitch wheel
      {0x96, 0x40, 0x64},  // note start ...
      {0x41, 0x65},        // ... and another by running status
      {0x90, 0x3C, 0x00},  // note end as a note start of velocity 0
      {0x86, 0x40, 0x00},  // note end ...
      {0x41, 0x00},        // ... and another by running status
      {0x9F, 0x7F, 0x7F},  // highest channel, note and velocity
      {0x8F, 0x7F, 0x7F},
  };
  uint32_t tick = 0;
  for (const Bytes& event : in_file) song.add(1, tick += kStep, event);
  song.add(1, tick += kStep, meta_event(0x01, {'n', 'o', 't', ' ', 's', 'e', 'n', 't'}));

  Played played = play(song, {"--out", kPort0});

  EXPECT_TRUE(played.run.finished);
  EXPECT_EQ(played.run.exit_status, 0);
  EXPECT_EQ(played.run.out, "");
  EXPECT_EQ(played.run.err, "");
  const std::vector<Bytes> expected{
      {0x90, 0x3C, 0x64}, {0xA1, 0x3C, 0x50}, {0xB2, 0x07, 0x64}, {0xC3, 0x05},       {0xD4, 0x40},
      {0xE5, 0x00, 0x40}, {0x96, 0x40, 0x64}, {0x96, 0x41, 0x65}, {0x90, 0x3C, 0x00}, {0x86, 0x40, 0x00},
      {0x86, 0x41, 0x00}, {0x9F, 0x7F, 0x7F}, {0x8F, 0x7F, 0x7F},
  };
  EXPECT_EQ(played.messages(), expected) << describe(played.messages());
  EXPECT_TRUE(played.messages(1).empty());
  EXPECT_EQ(played.recording.overflows, 0u);
}

// Sizes up to the largest that RtMidi's 16 KiB JACK queue takes (16383 bytes
// less the int that stores each message's length).
Bytes sysex_message(uint8_t lead, size_t size, uint8_t seed) {
  Bytes message(size);
  message[0] = lead;
  for (size_t i = 1; i + 1 < size; ++i) message[i] = static_cast<uint8_t>((i * 7 + seed) & 0x7F);
  message[size - 1] = 0xF7;
  return message;
}

TEST_F(EndToEnd, SystemExclusiveMessagesArriveWhole) {
  const std::vector<Bytes> messages{
      {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7},  // General MIDI on
      {0xF7, 0x01, 0x02, 0x03},              // the escape form, sent as it stands
      sysex_message(0xF0, 1000, 1),
      sysex_message(0xF0, 16379, 2),
  };
  SongBytes song(1, 480);
  uint32_t tick = 0;
  for (const Bytes& message : messages) {
    song.add(0, tick, sysex_event(message));
    song.add(0, tick += kStep, {0x90, 0x3C, 0x64});
    song.add(0, tick += kStep, {0x80, 0x3C, 0x00});
  }

  Played played = play(song, {"--out", kPort0});

  EXPECT_EQ(played.run.exit_status, 0);
  EXPECT_EQ(played.run.err, "");
  std::vector<Bytes> expected;
  for (const Bytes& message : messages) {
    expected.push_back(message);
    expected.push_back({0x90, 0x3C, 0x64});
    expected.push_back({0x80, 0x3C, 0x00});
  }
  EXPECT_EQ(played.messages(), expected) << describe(played.messages());
}

// RtMidi drops a message too large for its JACK queue without a word, so the
// port refuses it: playback must go on instead of awaiting a completion.
TEST_F(EndToEnd, AMessageTooLargeForThePortIsSkippedAndPlaybackGoesOn) {
  SongBytes song(1, 480);
  song.add(0, 0, {0x90, 0x3C, 0x64});
  song.add(0, kStep, sysex_event(sysex_message(0xF0, 20000, 3)));
  song.add(0, 2 * kStep, {0x80, 0x3C, 0x00});

  Played played = play(song, {"--out", kPort0});

  EXPECT_TRUE(played.run.finished);
  EXPECT_EQ(played.run.exit_status, 0);
  EXPECT_EQ(played.run.err, "");
  const std::vector<Bytes> expected{{0x90, 0x3C, 0x64}, {0x80, 0x3C, 0x00}};
  EXPECT_EQ(played.messages(), expected) << describe(played.messages());
}

// An interrupt releases many notes at once; RtMidi's JACK queue holds about
// 2300 short messages, so a port must wait for room instead of losing any.
TEST_F(EndToEnd, AFloodOfMessagesIsNotLost) {
  SongBytes song(1, 480);
  constexpr int kCount = 6000;
  for (int i = 0; i < kCount; ++i)
    song.add(0, 0, {0xB0, static_cast<uint8_t>(i % 120), static_cast<uint8_t>(i / 120)});

  Played played = play(song, {"--out", kPort0});

  EXPECT_EQ(played.run.exit_status, 0);
  const std::vector<Bytes> arrived = played.messages();
  ASSERT_EQ(arrived.size(), static_cast<size_t>(kCount));
  for (int i = 0; i < kCount; ++i) {
    const Bytes expected{0xB0, static_cast<uint8_t>(i % 120), static_cast<uint8_t>(i / 120)};
    ASSERT_EQ(arrived[static_cast<size_t>(i)], expected) << "message " << i;
  }
  EXPECT_EQ(played.recording.overflows, 0u);
}

}  // namespace
}  // namespace tactus::e2e
