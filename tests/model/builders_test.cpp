// Tempo, time-signature, lyric and marker events built from musical values,
// and their setters; expected payloads worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "tactus/model.h"
#include "tests/model/event_lists.h"

using namespace tactus;
using model_test::track_events;
using Bytes = std::vector<unsigned char>;

namespace {

Bytes payload(Event* event) {
  const unsigned char* data = meta_get_data(event);
  const int32_t length = meta_get_data_length(event);
  if (data == nullptr || length < 0) return {};
  return Bytes(data, data + length);
}

class Builders : public ::testing::Test {
 protected:
  void SetUp() override {
    sequence = sequence_new(1, DIVISION_PPQ, 480);
    track = sequence_add_track(sequence);
  }
  void TearDown() override { EXPECT_EQ(sequence_free(sequence), 0); }
  Sequence* sequence = nullptr;
  Track* track = nullptr;
};

TEST_F(Builders, TempoStoresTruncatedMicrosecondsPerQuarterBigEndian) {
  Event* at_120 = tempo_new(track, 0, 120.0f);
  Event* at_140 = tempo_new(track, 10, 140.0f);
  Event* at_90 = tempo_new(track, 20, 90.0f);
  ASSERT_NE(at_120, nullptr);
  EXPECT_EQ(meta_get_number(at_120), 0x51);
  EXPECT_EQ(event_get_tick(at_140), 10);
  EXPECT_EQ(payload(at_120), (Bytes{0x07, 0xA1, 0x20}));  // 500000
  EXPECT_EQ(payload(at_140), (Bytes{0x06, 0x8A, 0x1B}));  // 428571.43
  EXPECT_EQ(payload(at_90), (Bytes{0x0A, 0x2C, 0x2A}));   // 666666.67
  EXPECT_FLOAT_EQ(tempo_get_beats_per_minute(at_120), 120.0f);
}

TEST_F(Builders, SlowTemposKeepTheLowTwentyFourBitsOfTheQuotient) {
  // 60000000 = 0x3938700; 120000000 = 0x7270E00; for 1e-12 (the float
  // 9.99999996e-13) the quotient 60000000239748169728 is beyond every
  // integer type and ends in 0x8AC000.
  EXPECT_EQ(payload(tempo_new(track, 0, 1.0f)), (Bytes{0x93, 0x87, 0x00}));
  EXPECT_EQ(payload(tempo_new(track, 0, 0.5f)), (Bytes{0x27, 0x0E, 0x00}));
  EXPECT_EQ(payload(tempo_new(track, 0, 1e-12f)), (Bytes{0x8A, 0xC0, 0x00}));
}

TEST_F(Builders, TempoWithoutAValidPayloadIsRefused) {
  const float refused[] = {0.0f,
                           -0.0f,
                           -120.0f,
                           std::nanf(""),
                           std::numeric_limits<float>::infinity(),
                           -std::numeric_limits<float>::infinity(),
                           60000008.0f,  // quotient below 1
                           std::numeric_limits<float>::max(),
                           1e-20f,  // a multiple of 2^24: stored bits all 0
                           std::numeric_limits<float>::denorm_min()};
  for (float beats_per_minute : refused) {
    EXPECT_EQ(tempo_new(track, 0, beats_per_minute), nullptr) << beats_per_minute;
  }
  EXPECT_TRUE(track_events(track).empty());
  EXPECT_EQ(payload(tempo_new(track, 0, 60000000.0f)), (Bytes{0x00, 0x00, 0x01}));
  EXPECT_EQ(tempo_new(nullptr, 0, 120.0f), nullptr);
}

TEST_F(Builders, TempoSetterRewritesOnlyTempoEvents) {
  Event* tempo = tempo_new(track, 0, 120.0f);
  EXPECT_EQ(tempo_set_beats_per_minute(tempo, 90.0f), 0);
  EXPECT_EQ(payload(tempo), (Bytes{0x0A, 0x2C, 0x2A}));
  EXPECT_EQ(tempo_set_beats_per_minute(tempo, 0.0f), -1);
  EXPECT_EQ(tempo_set_beats_per_minute(tempo, std::nanf("")), -1);
  EXPECT_EQ(tempo_set_beats_per_minute(tempo, 1e9f), -1);
  EXPECT_EQ(payload(tempo), (Bytes{0x0A, 0x2C, 0x2A}));

  Event* marker = marker_new(track, 0, "A");
  EXPECT_EQ(tempo_set_beats_per_minute(marker, 120.0f), -1);
  EXPECT_EQ(payload(marker), (Bytes{'A'}));
  EXPECT_EQ(tempo_set_beats_per_minute(note_on_new(track, 0, 0, 60, 1), 120.0f), -1);
  EXPECT_EQ(tempo_set_beats_per_minute(nullptr, 120.0f), -1);
}

TEST_F(Builders, TimeSignatureStoresNumeratorPowerClocksAndThirtySeconds) {
  Event* six_eight = time_signature_new(track, 0, 6, 8);
  ASSERT_NE(six_eight, nullptr);
  EXPECT_EQ(meta_get_number(six_eight), 0x58);
  EXPECT_EQ(payload(six_eight), (Bytes{0x06, 0x03, 0x0C, 0x08}));
  EXPECT_EQ(payload(time_signature_new(track, 0, 3, 4)), (Bytes{0x03, 0x02, 0x18, 0x08}));
  EXPECT_EQ(time_signature_get_numerator(six_eight), 6);
  EXPECT_EQ(time_signature_get_denominator(six_eight), 8);
}

TEST_F(Builders, TimeSignatureAcceptsEveryPowerOfTwoUpTo128) {
  const struct {
    int32_t denominator;
    unsigned char power;
    unsigned char clocks;
  } rows[] = {{1, 0, 96}, {2, 1, 48}, {4, 2, 24}, {8, 3, 12},
              {16, 4, 6}, {32, 5, 3}, {64, 6, 1}, {128, 7, 0}};
  for (const auto& row : rows) {
    EXPECT_EQ(payload(time_signature_new(track, 0, 5, row.denominator)), (Bytes{5, row.power, row.clocks, 8}))
        << row.denominator;
  }
}

TEST_F(Builders, TimeSignatureNumeratorKeepsItsLowEightBits) {
  EXPECT_EQ(payload(time_signature_new(track, 0, 300, 4)), (Bytes{44, 2, 24, 8}));
  EXPECT_EQ(payload(time_signature_new(track, 0, -1, 4)), (Bytes{255, 2, 24, 8}));
}

TEST_F(Builders, TimeSignatureRefusesOtherDenominators) {
  for (int32_t denominator : {3, 0, 256, -4, 6, 1 << 30}) {
    EXPECT_EQ(time_signature_new(track, 0, 4, denominator), nullptr) << denominator;
  }
  EXPECT_TRUE(track_events(track).empty());
  EXPECT_EQ(time_signature_new(nullptr, 0, 4, 4), nullptr);
}

TEST_F(Builders, TimeSignatureSetterWorksOnAnyMetaEvent) {
  Event* signature = time_signature_new(track, 0, 4, 4);
  EXPECT_EQ(time_signature_set(signature, 6, 8), 0);
  EXPECT_EQ(payload(signature), (Bytes{0x06, 0x03, 0x0C, 0x08}));
  for (int32_t denominator : {3, 0, 256}) {
    EXPECT_EQ(time_signature_set(signature, 3, denominator), -1);
  }
  EXPECT_EQ(payload(signature), (Bytes{0x06, 0x03, 0x0C, 0x08}));

  Event* lyric = lyric_new(track, 0, "la");
  EXPECT_EQ(time_signature_set(lyric, 3, 4), 0);
  EXPECT_EQ(meta_get_number(lyric), 0x05);
  EXPECT_EQ(payload(lyric), (Bytes{0x03, 0x02, 0x18, 0x08}));

  Event* note = note_on_new(track, 0, 0, 60, 100);
  EXPECT_EQ(time_signature_set(note, 3, 4), -1);
  EXPECT_EQ(note_on_get_velocity(note), 100);
  EXPECT_EQ(time_signature_set(nullptr, 3, 4), -1);
}

TEST_F(Builders, LyricsAndMarkersHoldTheirTextWithoutTheTerminator) {
  Event* lyric = lyric_new(track, 5, "Hel-");
  Event* marker = marker_new(track, 7, "chorus");
  ASSERT_NE(lyric, nullptr);
  ASSERT_NE(marker, nullptr);
  EXPECT_EQ(meta_get_number(lyric), 0x05);
  EXPECT_EQ(meta_get_number(marker), 0x06);
  EXPECT_EQ(payload(lyric), (Bytes{'H', 'e', 'l', '-'}));
  EXPECT_EQ(payload(marker), (Bytes{'c', 'h', 'o', 'r', 'u', 's'}));
  EXPECT_STREQ(lyric_get_text(lyric), "Hel-");
  EXPECT_STREQ(marker_get_text(marker), "chorus");
  EXPECT_EQ(event_get_tick(marker), 7);
}

TEST_F(Builders, EmptyTextsMakeEmptyPayloads) {
  Event* lyric = lyric_new(track, 0, "");
  Event* marker = marker_new(track, 0, "");
  EXPECT_EQ(meta_get_data_length(lyric), 0);
  EXPECT_EQ(meta_get_data_length(marker), 0);
  EXPECT_STREQ(lyric_get_text(lyric), "");
  EXPECT_STREQ(marker_get_text(marker), "");
}

TEST_F(Builders, NullTextsAndTracksAreRefused) {
  EXPECT_EQ(lyric_new(track, 0, nullptr), nullptr);
  EXPECT_EQ(marker_new(track, 0, nullptr), nullptr);
  EXPECT_EQ(lyric_new(nullptr, 0, "a"), nullptr);
  EXPECT_EQ(marker_new(nullptr, 0, "a"), nullptr);
  EXPECT_TRUE(track_events(track).empty());
}

TEST_F(Builders, TextSettersReplaceTheTextOfTheirOwnKindOnly) {
  Event* lyric = lyric_new(track, 0, "one");
  Event* marker = marker_new(track, 0, "intro");
  EXPECT_EQ(lyric_set_text(lyric, "two words"), 0);
  EXPECT_EQ(marker_set_text(marker, "verse"), 0);
  EXPECT_STREQ(lyric_get_text(lyric), "two words");
  EXPECT_EQ(meta_get_data_length(lyric), 9);
  EXPECT_STREQ(marker_get_text(marker), "verse");

  EXPECT_EQ(lyric_set_text(marker, "x"), -1);
  EXPECT_EQ(marker_set_text(lyric, "x"), -1);
  EXPECT_EQ(lyric_set_text(lyric, ""), -1);
  EXPECT_EQ(marker_set_text(marker, ""), -1);
  EXPECT_EQ(lyric_set_text(lyric, nullptr), -1);
  EXPECT_EQ(marker_set_text(marker, nullptr), -1);
  EXPECT_EQ(lyric_set_text(nullptr, "x"), -1);
  EXPECT_EQ(marker_set_text(nullptr, "x"), -1);
  EXPECT_STREQ(lyric_get_text(lyric), "two words");
  EXPECT_STREQ(marker_get_text(marker), "verse");
}

}  // namespace
