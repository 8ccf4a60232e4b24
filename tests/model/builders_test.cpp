// Tempo, time-signature, lyric and marker events built from musical values,
// and their setters; expected payloads worked out by hand.
#include <cmath>
#include <limits>

#include "tests/model/event_lists.h"

using namespace tactus;
using model_test::track_events;
using Bytes = std::vector<unsigned char>;

namespace {

using Builders = model_test::TwoTracks;

Bytes payload(Event* event) {
  const unsigned char* data = meta_get_data(event);
  const int32_t length = meta_get_data_length(event);
  if (data == nullptr || length < 0) return {};
  return Bytes(data, data + length);
}

// 60000000 / beats per minute, truncated, big-endian, in 24 bits: 60000000 =
// 0x3938700 and 120000000 = 0x7270E00 keep their low bits; for 1e-12 (the
// float 9.99999996e-13) the quotient 60000000239748169728 is beyond every
// integer type and ends in 0x8AC000.
TEST_F(Builders, TempoStoresTheLowTwentyFourBitsOfTheTruncatedQuotient) {
  const struct {
    float beats_per_minute;
    Bytes bytes;
  } rows[] = {{120.0f, {0x07, 0xA1, 0x20}},  // 500000
              {140.0f, {0x06, 0x8A, 0x1B}},  // 428571.43
              {90.0f, {0x0A, 0x2C, 0x2A}},   // 666666.67
              {1.0f, {0x93, 0x87, 0x00}},   {0.5f, {0x27, 0x0E, 0x00}},
              {1e-12f, {0x8A, 0xC0, 0x00}}, {60000000.0f, {0x00, 0x00, 0x01}}};
  for (const auto& row : rows) {
    Event* tempo = tempo_new(track0, 10, row.beats_per_minute);
    ASSERT_NE(tempo, nullptr) << row.beats_per_minute;
    EXPECT_EQ(meta_get_number(tempo), 0x51);
    EXPECT_EQ(event_get_tick(tempo), 10);
    EXPECT_EQ(payload(tempo), row.bytes) << row.beats_per_minute;
  }
}

// 60000008 gives a quotient below 1, 1e-20 one whose low 24 bits are all 0.
TEST_F(Builders, TempoWithoutAValidPayloadIsRefused) {
  using limits = std::numeric_limits<float>;
  for (float beats_per_minute : {0.0f, -0.0f, -120.0f, std::nanf(""), limits::infinity(), -limits::infinity(),
                                 60000008.0f, limits::max(), 1e-20f, limits::denorm_min()}) {
    EXPECT_EQ(tempo_new(track0, 0, beats_per_minute), nullptr) << beats_per_minute;
  }
  EXPECT_TRUE(track_events(track0).empty());
  EXPECT_EQ(tempo_new(nullptr, 0, 120.0f), nullptr);
}

// Numerator (low eight bits), power of two of the denominator, MIDI clocks
// per click (96 / denominator, truncated), 32nds per quarter.
TEST_F(Builders, TimeSignatureStoresNumeratorPowerClocksAndThirtySeconds) {
  const struct {
    int32_t numerator, denominator;
    Bytes bytes;
  } rows[] = {{6, 8, {6, 3, 12, 8}},   {3, 4, {3, 2, 24, 8}},  {5, 1, {5, 0, 96, 8}},
              {5, 2, {5, 1, 48, 8}},   {5, 16, {5, 4, 6, 8}},  {5, 32, {5, 5, 3, 8}},
              {5, 64, {5, 6, 1, 8}},   {5, 128, {5, 7, 0, 8}}, {300, 4, {44, 2, 24, 8}},
              {-1, 4, {255, 2, 24, 8}}};
  for (const auto& row : rows) {
    Event* signature = time_signature_new(track0, 0, row.numerator, row.denominator);
    ASSERT_NE(signature, nullptr) << row.numerator << "/" << row.denominator;
    EXPECT_EQ(meta_get_number(signature), 0x58);
    EXPECT_EQ(payload(signature), row.bytes) << row.numerator << "/" << row.denominator;
  }
  for (int32_t denominator : {3, 0, 256, -4, 6, 1 << 30}) {
    EXPECT_EQ(time_signature_new(track1, 0, 4, denominator), nullptr) << denominator;
  }
  EXPECT_TRUE(track_events(track1).empty());
  EXPECT_EQ(time_signature_new(nullptr, 0, 4, 4), nullptr);
}

// The tempo setter takes tempo events only, the time-signature setter any
// meta event; refused values change nothing.
TEST_F(Builders, SettersRewriteOnlyTheEventsTheyServe) {
  Event* tempo = tempo_new(track0, 0, 120.0f);
  EXPECT_EQ(tempo_set_beats_per_minute(tempo, 90.0f), 0);
  EXPECT_EQ(payload(tempo), (Bytes{0x0A, 0x2C, 0x2A}));
  for (float refused : {0.0f, std::nanf(""), 1e9f}) EXPECT_EQ(tempo_set_beats_per_minute(tempo, refused), -1);
  EXPECT_EQ(payload(tempo), (Bytes{0x0A, 0x2C, 0x2A}));

  Event* marker = marker_new(track0, 0, "A");
  EXPECT_EQ(tempo_set_beats_per_minute(marker, 120.0f), -1);
  EXPECT_EQ(payload(marker), (Bytes{'A'}));
  EXPECT_EQ(tempo_set_beats_per_minute(nullptr, 120.0f), -1);

  Event* signature = time_signature_new(track0, 0, 4, 4);
  EXPECT_EQ(time_signature_set(signature, 6, 8), 0);
  EXPECT_EQ(payload(signature), (Bytes{0x06, 0x03, 0x0C, 0x08}));
  for (int32_t denominator : {3, 0, 256}) EXPECT_EQ(time_signature_set(signature, 3, denominator), -1);
  EXPECT_EQ(payload(signature), (Bytes{0x06, 0x03, 0x0C, 0x08}));

  Event* lyric = lyric_new(track0, 0, "la");
  EXPECT_EQ(time_signature_set(lyric, 3, 4), 0);
  EXPECT_EQ(meta_get_number(lyric), 0x05);
  EXPECT_EQ(payload(lyric), (Bytes{0x03, 0x02, 0x18, 0x08}));

  Event* note = note_on_new(track0, 0, 0, 60, 100);
  EXPECT_EQ(time_signature_set(note, 3, 4), -1);
  EXPECT_EQ(tempo_set_beats_per_minute(note, 120.0f), -1);
  EXPECT_EQ(note_on_get_velocity(note), 100);
  EXPECT_EQ(time_signature_set(nullptr, 3, 4), -1);
}

struct TextKind {
  const char* name;
  int32_t number;
  Event* (*make)(Track*, int32_t, const char*);
  int32_t (*set)(Event*, const char*);
  const char* (*get)(Event*);
};
const TextKind text_kinds[] = {{"lyric", 0x05, lyric_new, lyric_set_text, lyric_get_text},
                               {"marker", 0x06, marker_new, marker_set_text, marker_get_text}};

TEST_F(Builders, TextsAreHeldWithoutTheTerminatorAndReplacedInTheirOwnKindOnly) {
  for (size_t k = 0; k < 2; ++k) {
    const TextKind& kind = text_kinds[k];
    const TextKind& other = text_kinds[1 - k];
    SCOPED_TRACE(kind.name);
    Event* event = kind.make(track0, 7, "Hel-");
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(meta_get_number(event), kind.number);
    EXPECT_EQ(event_get_tick(event), 7);
    EXPECT_EQ(payload(event), (Bytes{'H', 'e', 'l', '-'}));
    EXPECT_STREQ(kind.get(event), "Hel-");
    EXPECT_EQ(other.get(event), nullptr);
    EXPECT_EQ(kind.set(event, "two words"), 0);
    EXPECT_EQ(meta_get_data_length(event), 9);
    // Setters refuse empty and null texts, the other kind and null events.
    EXPECT_EQ(kind.set(event, ""), -1);
    EXPECT_EQ(kind.set(event, nullptr), -1);
    EXPECT_EQ(other.set(event, "x"), -1);
    EXPECT_EQ(kind.set(nullptr, "x"), -1);
    EXPECT_STREQ(kind.get(event), "two words");
    // Built, an empty text is an empty payload; a null text or track is refused.
    Event* empty = kind.make(track0, 0, "");
    EXPECT_EQ(meta_get_data_length(empty), 0);
    EXPECT_STREQ(kind.get(empty), "");
    EXPECT_EQ(kind.make(track1, 0, nullptr), nullptr);
    EXPECT_EQ(kind.make(nullptr, 0, "a"), nullptr);
  }
  EXPECT_TRUE(track_events(track1).empty());
}

}  // namespace
