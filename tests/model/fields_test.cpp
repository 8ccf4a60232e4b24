// Typed fields, variable-length data, predicates and decoded meta values.
#include <cmath>

#include "tests/model/event_lists.h"

using namespace tactus;
using Bytes = std::vector<unsigned char>;

namespace {

using Fields = model_test::TwoTracks;

TEST_F(Fields, ValuesAreStoredAsGivenAndOnlyForTheirKind) {
  Event* on = note_on_new(track0, 10, 300, -4, 1000);
  Event* later = note_on_new(track0, 20, 0, 0, 1);
  EXPECT_EQ(note_on_get_channel(on) + note_on_get_note(on) + note_on_get_velocity(on), 1296);
  EXPECT_EQ(note_off_get_velocity(on), -1);
  EXPECT_EQ(note_off_set_channel(on, 3), -1);
  EXPECT_EQ(note_on_get_channel(on), 300);
  EXPECT_EQ(note_on_set_note(on, 99), 0);
  EXPECT_EQ(note_on_get_note(on), 99);
  EXPECT_EQ(event_get_next_in_sequence(on), later);  // setters re-sort nothing
  Event* wheel = pitch_wheel_new(track0, 0, 2, 20000);
  EXPECT_EQ(pitch_wheel_get_value(wheel), 20000);
  EXPECT_EQ(control_change_get_value(wheel), -1);
  EXPECT_EQ(program_change_get_number(program_change_new(track0, 0, 1, 128)), 128);
  EXPECT_EQ(channel_pressure_get_amount(channel_pressure_new(track0, 0, 1, 70)), 70);
  EXPECT_EQ(key_pressure_get_amount(key_pressure_new(track0, 0, 1, 60, 33)), 33);
  EXPECT_EQ(control_change_get_number(control_change_new(track0, 0, 4, 7, 99)), 7);
  EXPECT_EQ(note_off_get_note(nullptr), -1);
}

// The replacement may come from inside the event's own buffer.
TEST_F(Fields, SysexDataIsCopiedAndReplacedFromItself) {
  Bytes bytes = {0xF0, 0x7E, 0x7F, 0xF7};
  EXPECT_EQ(sysex_new(track0, 0, 0, bytes.data()), nullptr);
  EXPECT_EQ(sysex_new(track0, 0, 4, nullptr), nullptr);
  EXPECT_EQ(sequence_get_first_event(sequence), nullptr);
  Event* sysex = sysex_new(track0, 0, 4, bytes.data());
  bytes[1] = 0;
  EXPECT_EQ(Bytes(sysex_get_data(sysex), sysex_get_data(sysex) + 4), (Bytes{0xF0, 0x7E, 0x7F, 0xF7}));
  EXPECT_EQ(sysex_set_data(sysex, 0, bytes.data()), -1);
  EXPECT_EQ(sysex_set_data(sysex, 2, nullptr), -1);
  EXPECT_EQ(sysex_set_data(sysex, 3, sysex_get_data(sysex) + 1), 0);
  EXPECT_EQ(sysex_set_data(sysex, 3, sysex_get_data(sysex)), 0);
  EXPECT_EQ(sysex_get_data_length(sysex), 3);
  EXPECT_EQ(Bytes(sysex_get_data(sysex), sysex_get_data(sysex) + 3), (Bytes{0x7E, 0x7F, 0xF7}));
  EXPECT_EQ(meta_get_data(sysex), nullptr);
}

TEST_F(Fields, MetaPayloadIsCopiedWithATrailingZeroAndReplacedFromItself) {
  Event* empty = meta_new(track0, 0, 0x01, 0, nullptr);
  EXPECT_EQ(meta_get_data_length(empty), 0);
  EXPECT_EQ(meta_get_data(empty)[0], 0);
  EXPECT_EQ(meta_set_data(empty, 0, Bytes{1}.data()), -1);
  Event* text = meta(0x03, {'P', 'i', 'a', 'n', 'o'});
  EXPECT_EQ(meta_set_data(text, 3, meta_get_data(text) + 2), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(meta_get_data(text)), "ano");
  EXPECT_EQ(meta_set_data(text, 2, meta_get_data(text)), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(meta_get_data(text)), "an");
  EXPECT_EQ(meta_get_data_length(text), 2);
  EXPECT_EQ(meta_set_data(text, 1, nullptr), -1);
  EXPECT_EQ(sysex_get_data(text), nullptr);
  // A negative length, or missing bytes for a positive one, creates nothing.
  unsigned char byte = 1;
  EXPECT_EQ(meta_new(track1, 0, 0x01, -1, &byte), nullptr);
  EXPECT_EQ(meta_new(track1, 0, 0x01, 2, nullptr), nullptr);
  EXPECT_EQ(track_get_first_event(track1), nullptr);
}

TEST_F(Fields, Predicates) {
  auto classes = [](Event* event) {
    return std::vector<int>{event_is_note(event), event_is_note_start(event), event_is_note_end(event),
                            event_is_voice(event)};
  };
  EXPECT_EQ(classes(note_on_new(track0, 0, 0, 60, 1)), (std::vector<int>{1, 1, 0, 1}));
  EXPECT_EQ(classes(note_on_new(track0, 0, 0, 60, 0)), (std::vector<int>{1, 0, 1, 1}));
  EXPECT_EQ(classes(note_off_new(track0, 0, 0, 60, 64)), (std::vector<int>{1, 0, 1, 1}));
  EXPECT_EQ(classes(note_on_new(track0, 0, 0, 60, -1)), (std::vector<int>{1, 0, 0, 1}));
  EXPECT_EQ(classes(pitch_wheel_new(track0, 0, 0, 1)), (std::vector<int>{0, 0, 0, 1}));
  EXPECT_EQ(classes(meta(0x51, {})), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(classes(nullptr), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(event_is_lyric(meta(0x05, {})) + event_is_marker(meta(0x06, {})) +
                event_is_tempo(meta(0x51, {})) + event_is_time_signature(meta(0x58, {})),
            4);
  EXPECT_EQ(event_is_marker(meta(0x05, {})) + event_is_tempo(nullptr), 0);
}

TEST_F(Fields, TempoAndTimeSignatureAreDecodedInsideThePayload) {
  EXPECT_EQ(tempo_get_beats_per_minute(meta(0x51, {0x07, 0xA1, 0x20})), 120.0f);
  EXPECT_EQ(tempo_get_beats_per_minute(meta(0x51, {0x0F, 0x42, 0x40})), 60.0f);
  EXPECT_EQ(tempo_get_beats_per_minute(meta(0x58, {0x07, 0xA1, 0x20})), -1.0f);
  Event* signature = meta(0x58, {6, 3, 24, 8});
  EXPECT_EQ(time_signature_get_numerator(signature), 6);
  EXPECT_EQ(time_signature_get_denominator(signature), 8);
  EXPECT_EQ(time_signature_get_denominator(meta(0x58, {4, 7})), 128);
  EXPECT_EQ(time_signature_get_denominator(meta(0x58, {4, 8})), -1);
  EXPECT_EQ(time_signature_get_numerator(meta(0x58, {255, 0})), 255);
  EXPECT_EQ(time_signature_get_numerator(meta(0x51, {6, 3})), -1);
  // Short payloads read their missing bytes as 0; a tempo of 0 is infinite.
  EXPECT_NEAR(tempo_get_beats_per_minute(meta(0x51, {0x07, 0xA1})), 120.0077f, 1e-4f);  // 499968 us
  EXPECT_TRUE(std::isinf(tempo_get_beats_per_minute(meta(0x51, {}))));
  EXPECT_TRUE(std::isinf(tempo_get_beats_per_minute(meta(0x51, {0, 0, 0}))));
  EXPECT_EQ(time_signature_get_numerator(meta(0x58, {6})), 6);
  EXPECT_EQ(time_signature_get_denominator(meta(0x58, {6})), 1);
  EXPECT_EQ(time_signature_get_numerator(meta(0x58, {})), 0);
}

}  // namespace
