// Channel events to and from short message words.
#include "tests/model/event_lists.h"

using namespace tactus;

namespace {

uint32_t word(uint32_t status, uint32_t first, uint32_t second) { return status | first << 8 | second << 16; }

using ShortMessages = model_test::TwoTracks;

TEST_F(ShortMessages, Packing) {
  EXPECT_EQ(event_to_short_message(note_on_new(track0, 0, 9, 60, 100)), word(0x99, 0x3C, 0x64));
  EXPECT_EQ(event_to_short_message(pitch_wheel_new(track0, 0, 0, 8192)), word(0xE0, 0x00, 0x40));
  EXPECT_EQ(event_to_short_message(pitch_wheel_new(track0, 0, 0, 16383)), word(0xE0, 0x7F, 0x7F));
  EXPECT_EQ(event_to_short_message(pitch_wheel_new(track0, 0, 0, 4660)), word(0xE0, 0x34, 0x24));
  EXPECT_EQ(event_to_short_message(program_change_new(track0, 0, 15, 5)), word(0xCF, 0x05, 0x00));
  EXPECT_EQ(event_to_short_message(meta(0x51, {1, 2, 3})), 0u);
  EXPECT_EQ(event_to_short_message(sysex_new(track0, 0, 1, std::vector<unsigned char>{0xF0}.data())), 0u);
  EXPECT_EQ(event_to_short_message(nullptr), 0u);
  // Fields enter with their low eight bits; only the pitch wheel's low half
  // is cut to seven.
  EXPECT_EQ(event_to_short_message(note_off_new(track0, 0, 0x1F, 200, 0x1C8)), word(0x9F, 0xC8, 0xC8));
  EXPECT_EQ(event_to_short_message(control_change_new(track0, 0, -1, 128, 255)), word(0xFF, 0x80, 0xFF));
  EXPECT_EQ(event_to_short_message(channel_pressure_new(track0, 0, 2, 0x180)), word(0xD2, 0x80, 0x00));
  EXPECT_EQ(event_to_short_message(pitch_wheel_new(track0, 0, 1, -1)), word(0xE1, 0x7F, 0xFF));
}

TEST_F(ShortMessages, Decoding) {
  Event* bend = event_new_from_short_message(track0, 5, word(0xE3, 0x7F, 0x00));
  EXPECT_EQ(event_get_kind(bend), PITCH_WHEEL);
  EXPECT_EQ(pitch_wheel_get_channel(bend), 3);
  EXPECT_EQ(pitch_wheel_get_value(bend), 127);
  EXPECT_EQ(track_get_end_tick(track0), 5);
  // Data bytes are not masked to seven bits; the halves are ORed.
  EXPECT_EQ(pitch_wheel_get_value(event_new_from_short_message(track0, 0, word(0xE0, 0xFF, 0x01))), 255);
  Event* on = event_new_from_short_message(track0, 0, word(0x92, 0xFF, 0x00) | 0xAB000000u);
  EXPECT_EQ(note_on_get_note(on), 255);
  EXPECT_EQ(event_is_note_end(on), 1);
  Event* program = event_new_from_short_message(track0, 0, word(0xC4, 0x05, 0x66));
  EXPECT_EQ(event_to_short_message(program), word(0xC4, 0x05, 0x00));
  for (uint32_t status : {0xF8u, 0xFFu, 0x3Cu, 0x00u, 0xF0u, 0x7Fu})
    EXPECT_EQ(event_new_from_short_message(track1, 0, word(status, 1, 2)), nullptr) << status;
  EXPECT_EQ(track_get_first_event(track1), nullptr);
  EXPECT_EQ(event_new_from_short_message(nullptr, 0, 0x90u), nullptr);
}

TEST_F(ShortMessages, EveryWellFormedWordRoundTrips) {
  for (uint32_t status = 0x80; status <= 0xEF; ++status) {
    bool one_data_byte = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0;
    for (uint32_t first = 0; first < 0x80; ++first) {
      for (uint32_t second = 0; second < (one_data_byte ? 1u : 0x80u); ++second) {
        Event* event = event_new_from_short_message(track0, 0, word(status, first, second));
        ASSERT_EQ(event_get_kind(event), static_cast<int32_t>((status >> 4) - 8));
        ASSERT_EQ(event_to_short_message(event), word(status, first, second));
        event_free(event);
      }
    }
  }
}

}  // namespace
