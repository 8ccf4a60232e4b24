// Nothing is allocated while the events are walked: the notes table and the
// long-message header are made before, the due times come from a cursor.
#include <gtest/gtest.h>

#include "allocation_count.h"
#include "playback_fixture.h"

namespace tactus::player::testing {
namespace {

using PlaybackAllocations = PlaybackTest;

void add_every_kind(Track* track) {
  const unsigned char sysex[] = {0xF0, 0x43, 0x12, 0x00, 0xF7};
  tempo_new(track, 0, 100.0f);
  for (int32_t i = 0; i < 200; ++i) {
    const int32_t tick = i * 60;
    if (i % 50 == 0) tempo_new(track, tick, 90.0f + static_cast<float>(i));
    note_on_new(track, tick, i % 16, 40 + i % 50, 90);
    control_change_new(track, tick, i % 16, 7, i % 128);
    program_change_new(track, tick, i % 16, i % 128);
    key_pressure_new(track, tick, i % 16, 40, 1);
    channel_pressure_new(track, tick, i % 16, 2);
    pitch_wheel_new(track, tick, i % 16, i * 40);
    sysex_new(track, tick, 5, sysex);
    if (i % 3 != 0) note_off_new(track, tick + 30, i % 16, 40 + i % 50, 0);
  }
}

TEST_F(PlaybackAllocations, NoneWhileTheEventsAreWalkedNorAfterAnInterrupt) {
  add_every_kind(track0);
  platform.long_messages = LongMessages::kDoneLater;
  platform.long_message_delay = 3;
  play(1200, 9000, 2.0f);
  EXPECT_GT(platform.sent.size(), 1000u);
  EXPECT_EQ(counted_allocations(), 0);
  platform.interrupt_at(platform.now() + 3000);
  play(-1, -1, 2.0f);
  EXPECT_EQ(counted_allocations(), 0);
}

int* volatile kept_allocation = nullptr;

TEST(AllocationCount, CountsTheCodeUnderTest) {
  start_counting_allocations();
  kept_allocation = new int(5);
  stop_counting_allocations();
  delete kept_allocation;
  EXPECT_EQ(counted_allocations(), 1);
}

}  // namespace
}  // namespace tactus::player::testing
