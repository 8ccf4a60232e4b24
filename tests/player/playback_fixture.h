// A sequence built in memory, played with the test platform.
#ifndef TACTUS_TESTS_PLAYER_PLAYBACK_FIXTURE_H
#define TACTUS_TESTS_PLAYER_PLAYBACK_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "player/core/playback.h"
#include "tactus/model.h"
#include "test_platform.h"

namespace tactus::player::testing {

constexpr uint32_t word(uint32_t status, uint32_t data1 = 0, uint32_t data2 = 0) {
  return status | data1 << 8 | data2 << 16;
}

class PlaybackTest : public ::testing::Test {
 protected:
  explicit PlaybackTest(uint32_t clock_start = 123457) : platform(clock_start) {
    platform.device_names = {"first", "second"};
    sequence = sequence_new(1, DIVISION_PPQ, 480);
    track0 = sequence_add_track(sequence);
  }
  ~PlaybackTest() override { sequence_free(sequence); }

  // Every track of the sequence on device 0.
  void play(int32_t from_tick = -1, int32_t to_tick = -1, float extra_time = 0) {
    if (track_ports.empty()) {
      MidiPort* port = platform.open_output(0, output_done_callback);
      track_ports.assign(static_cast<size_t>(sequence_get_track_count(sequence)), port);
    }
    ASSERT_NO_THROW(play_sequence(platform, sequence, track_ports, from_tick, to_tick, extra_time));
    EXPECT_FALSE(platform.handler_installed());
  }

  SentMessage short_at(uint64_t time, uint32_t message, int32_t device = 0) const {
    return {device, time, message, {}};
  }
  SentMessage long_at(uint64_t time, std::vector<unsigned char> bytes, int32_t device = 0) const {
    return {device, time, 0, std::move(bytes)};
  }

  std::vector<uint32_t> wait_limits() const {
    std::vector<uint32_t> limits;
    for (const WaitRecord& wait : platform.waits) limits.push_back(wait.limit);
    return limits;
  }

  TestPlatform platform;
  Sequence* sequence;
  Track* track0;
  std::vector<MidiPort*> track_ports;
};

}  // namespace tactus::player::testing

#endif
