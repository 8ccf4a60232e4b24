// Typed fields, variable-length data, decoded meta values and events made
// from short message words.
#include <cmath>

#include "tests/model/model_test.h"

namespace tactus::test {
namespace {

using Fields = TwoTracks;

// Data is copied in, and may be replaced from inside the event's own buffer.
TEST_F(Fields, ValuesAreStoredForTheirKindOnlyAndDataIsCopied) {
  Event* on = note_on_new(track0, 10, 300, -4, 1000);
  EXPECT_EQ(note_on_set_note(on, 99) + note_off_set_channel(on, 3) + note_off_get_velocity(on), -2);
  EXPECT_EQ(note_on_get_note(on) + note_on_get_channel(on), 399);
  Bytes bytes = {0xF0, 0x7E, 0x7F, 0xF7};
  EXPECT_EQ(sysex_new(track1, 0, 0, bytes.data()), sysex_new(track1, 0, 1, nullptr));
  EXPECT_EQ(meta_new(track1, 0, 0x01, -1, bytes.data()), meta_new(track1, 0, 0x01, 1, nullptr));
  EXPECT_EQ(track_get_first_event(track1), nullptr);
  Event* sysex = sysex_new(track0, 0, 4, bytes.data());
  bytes[1] = 0;
  EXPECT_EQ(sysex_set_data(sysex, 0, bytes.data()) + sysex_set_data(sysex, 2, nullptr), -2);
  EXPECT_EQ(Bytes(sysex_get_data(sysex), sysex_get_data(sysex) + 4), (Bytes{0xF0, 0x7E, 0x7F, 0xF7}));
  EXPECT_EQ(sysex_set_data(sysex, 3, sysex_get_data(sysex) + 1), 0);
  EXPECT_EQ(Bytes(sysex_get_data(sysex), sysex_get_data(sysex) + sysex_get_data_length(sysex)),
            (Bytes{0x7E, 0x7F, 0xF7}));
  EXPECT_EQ(meta_get_data(sysex), nullptr);
  Event* empty = meta_new(track0, 0, 0x01, 0, nullptr);
  EXPECT_EQ(meta_get_data(empty)[0], 0);
  EXPECT_EQ(meta_set_data(empty, 0, bytes.data()) + meta_set_data(empty, 1, nullptr), -2);
  EXPECT_EQ(meta_set_data(empty, 1, bytes.data()) + meta_get_data_length(empty), 1);
  Event* text = meta(0x03, {'P', 'i', 'a', 'n', 'o'});
  EXPECT_EQ(meta_set_data(text, 3, meta_get_data(text) + 2), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(meta_get_data(text)), "ano");
  EXPECT_EQ(meta_get_data_length(text), 3);
  EXPECT_EQ(sysex_get_data(text), nullptr);
}

// Short payloads read their missing bytes as 0; a tempo of 0 is infinite.
TEST_F(Fields, TempoAndTimeSignatureAreDecodedInsideThePayload) {
  EXPECT_EQ(tempo_get_beats_per_minute(meta(0x51, {0x07, 0xA1, 0x20})), 120.0f);
  EXPECT_EQ(tempo_get_beats_per_minute(meta(0x51, {0x0F, 0x42, 0x40})), 60.0f);
  EXPECT_EQ(tempo_get_beats_per_minute(meta(0x58, {0x07, 0xA1, 0x20})), -1.0f);
  EXPECT_NEAR(tempo_get_beats_per_minute(meta(0x51, {0x07, 0xA1})), 120.0077f, 1e-4f);  // 499968 us
  EXPECT_TRUE(std::isinf(tempo_get_beats_per_minute(meta(0x51, {}))));
  EXPECT_EQ(time_signature_get_numerator(meta(0x58, {6, 3, 24, 8})), 6);
  EXPECT_EQ(time_signature_get_denominator(meta(0x58, {6, 3, 24, 8})), 8);
  EXPECT_EQ(time_signature_get_denominator(meta(0x58, {4, 7})), 128);
  EXPECT_EQ(
      time_signature_get_denominator(meta(0x58, {4, 8})) + time_signature_get_numerator(meta(0x51, {6})), -2);
  EXPECT_EQ(time_signature_get_numerator(meta(0x58, {255, 0})), 255);
  EXPECT_EQ(time_signature_get_denominator(meta(0x58, {6})), 1);
}

uint32_t word(uint32_t status, uint32_t first, uint32_t second) { return status | first << 8 | second << 16; }

TEST_F(Fields, ShortMessageWordsMakeChannelEvents) {
  Event* bend = event_new_from_short_message(track0, 5, word(0xE3, 0x7F, 0x00));
  EXPECT_EQ(pitch_wheel_get_channel(bend) * 1000 + pitch_wheel_get_value(bend), 3127);
  EXPECT_EQ(track_get_end_tick(track0), 5);
  EXPECT_EQ(pitch_wheel_get_value(event_new_from_short_message(track0, 0, word(0xE0, 0xFF, 0x01))), 255);
  Event* on = event_new_from_short_message(track0, 0, word(0x92, 0xFF, 0x00) | 0xAB000000u);
  EXPECT_EQ(note_on_get_note(on) + event_is_note_end(on), 256);
  Event* program = event_new_from_short_message(track0, 0, word(0xC4, 0x05, 0x66));
  EXPECT_EQ(event_to_short_message(program), word(0xC4, 0x05, 0x00));
  for (uint32_t status : {0xF8u, 0xFFu, 0x3Cu, 0x00u, 0xF0u, 0x7Fu})
    EXPECT_EQ(event_new_from_short_message(track1, 0, word(status, 1, 2)), nullptr) << status;
  EXPECT_EQ(event_new_from_short_message(nullptr, 0, 0x90u), nullptr);
  // Every well-formed word comes back from the event made of it.
  for (uint32_t status = 0x80; status <= 0xEF; ++status) {
    for (uint32_t first = 0; first < 0x80; ++first) {
      for (uint32_t second = 0; second < ((status & 0xE0) == 0xC0 ? 1u : 0x80u); ++second) {
        Event* event = event_new_from_short_message(track1, 0, word(status, first, second));
        ASSERT_EQ(event_get_kind(event), static_cast<int32_t>((status >> 4) - 8));
        ASSERT_EQ(event_to_short_message(event), word(status, first, second));
        event_free(event);
      }
    }
  }
}

}  // namespace
}  // namespace tactus::test
