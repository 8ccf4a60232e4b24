// Channel events to and from short message words.
#include <gtest/gtest.h>

#include "tactus/model.h"

using namespace tactus;

namespace {

uint32_t word(uint32_t status, uint32_t first, uint32_t second) { return status | first << 8 | second << 16; }

class ShortMessages : public ::testing::Test {
 protected:
  void SetUp() override {
    sequence = sequence_new(1, DIVISION_PPQ, 96);
    track = sequence_add_track(sequence);
  }
  void TearDown() override { sequence_free(sequence); }
  Sequence* sequence = nullptr;
  Track* track = nullptr;
};

TEST_F(ShortMessages, PackingExamples) {
  EXPECT_EQ(event_to_short_message(note_on_new(track, 0, 9, 60, 100)), word(0x99, 0x3C, 0x64));
  EXPECT_EQ(event_to_short_message(pitch_wheel_new(track, 0, 0, 8192)), word(0xE0, 0x00, 0x40));
  EXPECT_EQ(event_to_short_message(pitch_wheel_new(track, 0, 0, 16383)), word(0xE0, 0x7F, 0x7F));
  EXPECT_EQ(event_to_short_message(pitch_wheel_new(track, 0, 0, 4660)), word(0xE0, 0x34, 0x24));
  EXPECT_EQ(event_to_short_message(program_change_new(track, 0, 15, 5)), word(0xCF, 0x05, 0x00));
  unsigned char sysex[] = {0xF0, 0xF7};
  EXPECT_EQ(event_to_short_message(sysex_new(track, 0, 2, sysex)), 0u);
  EXPECT_EQ(event_to_short_message(meta_new(track, 0, 0x51, 2, sysex)), 0u);
  EXPECT_EQ(event_to_short_message(nullptr), 0u);
}

// Fields enter with their low eight bits; only the pitch wheel's low half
// is cut to seven.
TEST_F(ShortMessages, PackingKeepsLowEightBits) {
  EXPECT_EQ(event_to_short_message(note_off_new(track, 0, 0x1F, 200, 0x1C8)), word(0x9F, 0xC8, 0xC8));
  EXPECT_EQ(event_to_short_message(control_change_new(track, 0, -1, 128, 255)), word(0xFF, 0x80, 0xFF));
  EXPECT_EQ(event_to_short_message(channel_pressure_new(track, 0, 2, 0x180)), word(0xD2, 0x80, 0x00));
  EXPECT_EQ(event_to_short_message(pitch_wheel_new(track, 0, 1, -1)), word(0xE1, 0x7F, 0xFF));
  EXPECT_EQ(event_to_short_message(pitch_wheel_new(track, 0, 1, 0x8000)), word(0xE1, 0x00, 0x00));
}

TEST_F(ShortMessages, DecodingExamples) {
  Event* bend = event_new_from_short_message(track, 5, word(0xE3, 0x7F, 0x00));
  EXPECT_EQ(event_get_kind(bend), PITCH_WHEEL);
  EXPECT_EQ(pitch_wheel_get_channel(bend), 3);
  EXPECT_EQ(pitch_wheel_get_value(bend), 127);
  EXPECT_EQ(event_get_tick(bend), 5);
  EXPECT_EQ(pitch_wheel_get_value(event_new_from_short_message(track, 0, word(0xE0, 0x00, 0x40))), 8192);
  // Data bytes are not masked to seven bits, and halves are ORed.
  EXPECT_EQ(pitch_wheel_get_value(event_new_from_short_message(track, 0, word(0xE0, 0xFF, 0x01))), 255);
  Event* on = event_new_from_short_message(track, 0, word(0x92, 0xFF, 0x00) | 0xAB000000u);
  EXPECT_EQ(event_get_kind(on), NOTE_ON);
  EXPECT_EQ(note_on_get_note(on), 255);
  EXPECT_EQ(event_is_note_end(on), 1);
  Event* program = event_new_from_short_message(track, 0, word(0xC4, 0x05, 0x66));
  EXPECT_EQ(program_change_get_number(program), 5);
  EXPECT_EQ(event_to_short_message(program), word(0xC4, 0x05, 0x00));
  EXPECT_EQ(track_get_end_tick(track), 5);
}

TEST_F(ShortMessages, NonChannelStatusCreatesNothing) {
  for (uint32_t status : {0xF8u, 0xFFu, 0x3Cu, 0x00u, 0xF0u, 0x7Fu}) {
    EXPECT_EQ(event_new_from_short_message(track, 0, word(status, 1, 2)), nullptr) << status;
  }
  EXPECT_EQ(track_get_first_event(track), nullptr);
  EXPECT_EQ(event_new_from_short_message(nullptr, 0, 0x90u), nullptr);
}

TEST_F(ShortMessages, EveryWellFormedWordRoundTrips) {
  const int32_t kinds[] = {NOTE_OFF,       NOTE_ON,          KEY_PRESSURE, CONTROL_CHANGE,
                           PROGRAM_CHANGE, CHANNEL_PRESSURE, PITCH_WHEEL};
  for (uint32_t status = 0x80; status <= 0xEF; ++status) {
    bool one_data_byte = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0;
    for (uint32_t first = 0; first < 0x80; ++first) {
      for (uint32_t second = 0; second < (one_data_byte ? 1u : 0x80u); ++second) {
        uint32_t message = word(status, first, second);
        Event* event = event_new_from_short_message(track, 0, message);
        ASSERT_EQ(event_get_kind(event), kinds[(status >> 4) - 8]) << message;
        ASSERT_EQ(event_to_short_message(event), message);
        event_free(event);
      }
    }
  }
}

}  // namespace
