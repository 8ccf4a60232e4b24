// Typed fields, variable-length data, predicates and decoded meta values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "tactus/model.h"

using namespace tactus;
using Bytes = std::vector<unsigned char>;

namespace {

class Fields : public ::testing::Test {
 protected:
  void SetUp() override {
    sequence = sequence_new(1, DIVISION_PPQ, 96);
    track = sequence_add_track(sequence);
  }
  void TearDown() override { sequence_free(sequence); }
  Event* meta(int32_t number, Bytes payload) {
    return meta_new(track, 0, number, static_cast<int32_t>(payload.size()), payload.data());
  }
  Sequence* sequence = nullptr;
  Track* track = nullptr;
};

TEST_F(Fields, ValuesAreStoredAsGivenAndOnlyForTheirKind) {
  Event* on = note_on_new(track, 0, 300, -4, 1000);
  EXPECT_EQ(note_on_get_channel(on), 300);
  EXPECT_EQ(note_on_get_note(on), -4);
  EXPECT_EQ(note_on_get_velocity(on), 1000);
  EXPECT_EQ(note_off_get_velocity(on), -1);
  EXPECT_EQ(note_off_set_channel(on, 3), -1);
  EXPECT_EQ(note_on_get_channel(on), 300);
  EXPECT_EQ(note_on_set_velocity(on, 0), 0);
  EXPECT_EQ(note_on_get_velocity(on), 0);

  Event* wheel = pitch_wheel_new(track, 0, 2, 20000);
  EXPECT_EQ(pitch_wheel_get_value(wheel), 20000);
  EXPECT_EQ(pitch_wheel_set_value(wheel, -1), 0);
  EXPECT_EQ(pitch_wheel_get_value(wheel), -1);
  EXPECT_EQ(control_change_get_value(wheel), -1);

  Event* program = program_change_new(track, 0, 1, 5);
  EXPECT_EQ(program_change_set_number(program, 128), 0);
  EXPECT_EQ(program_change_get_number(program), 128);
  Event* pressure = channel_pressure_new(track, 0, 1, 70);
  EXPECT_EQ(channel_pressure_get_amount(pressure), 70);
  Event* key = key_pressure_new(track, 0, 1, 60, 33);
  EXPECT_EQ(key_pressure_get_amount(key), 33);
  Event* control = control_change_new(track, 0, 4, 7, 99);
  EXPECT_EQ(control_change_get_number(control), 7);
  EXPECT_EQ(control_change_set_channel(nullptr, 1), -1);
  EXPECT_EQ(note_off_get_note(nullptr), -1);
}

TEST_F(Fields, SettersResortNothing) {
  Event* a = note_on_new(track, 10, 0, 60, 1);
  Event* b = note_on_new(track, 20, 0, 61, 1);
  EXPECT_EQ(note_on_set_note(a, 99), 0);
  EXPECT_EQ(track_get_first_event(track), a);
  EXPECT_EQ(event_get_next_in_sequence(a), b);
}

TEST_F(Fields, SysexDataIsCopiedAndReplaced) {
  Bytes bytes = {0xF0, 0x7E, 0x7F, 0xF7};
  EXPECT_EQ(sysex_new(track, 0, 0, bytes.data()), nullptr);
  EXPECT_EQ(sysex_new(track, 0, 4, nullptr), nullptr);
  EXPECT_EQ(track_get_first_event(track), nullptr);
  Event* sysex = sysex_new(track, 0, 4, bytes.data());
  bytes[1] = 0;
  EXPECT_EQ(sysex_get_data_length(sysex), 4);
  EXPECT_EQ(Bytes(sysex_get_data(sysex), sysex_get_data(sysex) + 4), (Bytes{0xF0, 0x7E, 0x7F, 0xF7}));
  EXPECT_EQ(sysex_set_data(sysex, 0, bytes.data()), -1);
  EXPECT_EQ(sysex_set_data(sysex, 2, nullptr), -1);
  EXPECT_EQ(sysex_get_data_length(sysex), 4);
  // The caller's bytes may lie inside the current buffer.
  EXPECT_EQ(sysex_set_data(sysex, 3, sysex_get_data(sysex) + 1), 0);
  EXPECT_EQ(Bytes(sysex_get_data(sysex), sysex_get_data(sysex) + 3), (Bytes{0x7E, 0x7F, 0xF7}));
  EXPECT_EQ(sysex_set_data(sysex, 3, sysex_get_data(sysex)), 0);
  EXPECT_EQ(sysex_get_data_length(sysex), 3);
  EXPECT_EQ(Bytes(sysex_get_data(sysex), sysex_get_data(sysex) + 3), (Bytes{0x7E, 0x7F, 0xF7}));
  EXPECT_EQ(meta_get_data(sysex), nullptr);
  EXPECT_EQ(sysex_get_data(note_on_new(track, 0, 0, 1, 1)), nullptr);
}

TEST_F(Fields, MetaPayloadIsCopiedWithATrailingZero) {
  Event* empty = meta_new(track, 0, 0x01, 0, nullptr);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(meta_get_data_length(empty), 0);
  EXPECT_EQ(meta_get_data(empty)[0], 0);
  EXPECT_EQ(meta_set_data(empty, 0, Bytes{1}.data()), -1);
  EXPECT_EQ(meta_get_data_length(empty), 0);

  Event* text = meta(0x03, {'P', 'i', 'a', 'n', 'o'});
  EXPECT_STREQ(reinterpret_cast<const char*>(meta_get_data(text)), "Piano");
  EXPECT_EQ(meta_set_data(text, 3, meta_get_data(text) + 2), 0);
  EXPECT_EQ(meta_get_data_length(text), 3);
  EXPECT_STREQ(reinterpret_cast<const char*>(meta_get_data(text)), "ano");
  EXPECT_EQ(meta_set_data(text, 2, meta_get_data(text)), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(meta_get_data(text)), "an");
  EXPECT_EQ(meta_set_data(text, 1, nullptr), -1);
  EXPECT_EQ(meta_set_number(text, 0x7F), 0);
  EXPECT_EQ(meta_get_number(text), 0x7F);
  EXPECT_EQ(meta_get_number(note_on_new(track, 0, 0, 1, 1)), -1);
}

TEST_F(Fields, MetaNewRefusesNegativeLengthsAndMissingBytes) {
  unsigned char byte = 1;
  EXPECT_EQ(meta_new(track, 0, 0x01, -1, &byte), nullptr);
  EXPECT_EQ(meta_new(track, 0, 0x01, 2, nullptr), nullptr);
  EXPECT_EQ(track_get_first_event(track), nullptr);
  EXPECT_EQ(sequence_get_first_event(sequence), nullptr);
}

TEST_F(Fields, NotePredicates) {
  Event* start = note_on_new(track, 0, 0, 60, 1);
  Event* silent_on = note_on_new(track, 0, 0, 60, 0);
  Event* off = note_off_new(track, 0, 0, 60, 64);
  Event* negative = note_on_new(track, 0, 0, 60, -1);
  Event* control = control_change_new(track, 0, 0, 1, 1);
  Event* text = meta(0x01, {});
  EXPECT_EQ(event_is_note_start(start) * 10 + event_is_note_end(start), 10);
  EXPECT_EQ(event_is_note_start(silent_on) * 10 + event_is_note_end(silent_on), 1);
  EXPECT_EQ(event_is_note_start(off) * 10 + event_is_note_end(off), 1);
  EXPECT_EQ(event_is_note_start(negative) * 10 + event_is_note_end(negative), 0);
  EXPECT_EQ(event_is_note(negative), 1);
  EXPECT_EQ(event_is_note(control), 0);
  EXPECT_EQ(event_is_voice(control), 1);
  EXPECT_EQ(event_is_voice(text), 0);
  EXPECT_EQ(event_is_note(nullptr) + event_is_note_start(nullptr) + event_is_note_end(nullptr) +
                event_is_voice(nullptr) + event_is_tempo(nullptr) + event_is_lyric(nullptr),
            0);
}

TEST_F(Fields, TempoAndTimeSignature) {
  Event* tempo = meta(0x51, {0x07, 0xA1, 0x20});
  EXPECT_EQ(event_is_tempo(tempo), 1);
  EXPECT_EQ(tempo_get_beats_per_minute(tempo), 120.0f);
  EXPECT_NEAR(tempo_get_beats_per_minute(meta(0x51, {0x0F, 0x42, 0x40})), 60.0f, 0.0f);
  EXPECT_EQ(tempo_get_beats_per_minute(meta(0x58, {0x07, 0xA1, 0x20})), -1.0f);

  Event* signature = meta(0x58, {6, 3, 24, 8});
  EXPECT_EQ(event_is_time_signature(signature), 1);
  EXPECT_EQ(time_signature_get_numerator(signature), 6);
  EXPECT_EQ(time_signature_get_denominator(signature), 8);
  EXPECT_EQ(time_signature_get_denominator(meta(0x58, {4, 7})), 128);
  EXPECT_EQ(time_signature_get_denominator(meta(0x58, {4, 8})), -1);
  EXPECT_EQ(time_signature_get_numerator(meta(0x58, {255, 0})), 255);
  EXPECT_EQ(time_signature_get_numerator(tempo), -1);
}

// Short payloads read their missing bytes as 0; a tempo of 0 is infinite.
TEST_F(Fields, ShortPayloadsStayInsideTheirBuffer) {
  EXPECT_NEAR(tempo_get_beats_per_minute(meta(0x51, {0x07, 0xA1})), 120.0077f,
              1e-4f);  // 0x07A100 = 499968 us
  EXPECT_TRUE(std::isinf(tempo_get_beats_per_minute(meta(0x51, {}))));
  EXPECT_TRUE(std::isinf(tempo_get_beats_per_minute(meta(0x51, {0, 0, 0}))));
  Event* one_byte = meta(0x58, {6});
  EXPECT_EQ(time_signature_get_numerator(one_byte), 6);
  EXPECT_EQ(time_signature_get_denominator(one_byte), 1);
  EXPECT_EQ(time_signature_get_numerator(meta(0x58, {})), 0);
}

TEST_F(Fields, LyricAndMarkerTexts) {
  Event* lyric = meta(0x05, {'l', 'a'});
  Event* marker = meta(0x06, {'C', 'o', 'd', 'a'});
  EXPECT_STREQ(lyric_get_text(lyric), "la");
  EXPECT_STREQ(marker_get_text(marker), "Coda");
  EXPECT_EQ(event_is_marker(lyric) + event_is_lyric(marker), 0);
  EXPECT_EQ(lyric_get_text(marker), nullptr);
  EXPECT_EQ(marker_get_text(lyric), nullptr);
  EXPECT_STREQ(marker_get_text(meta(0x06, {})), "");
}

}  // namespace
