// Finding the tick of a marker by its text in the first track.
#include <gtest/gtest.h>

#include "timing_fixtures.h"

using namespace tactus;
using timing_test::add_text;
using timing_test::make_sequence;

namespace {

constexpr int32_t kMarker = 0x06;
constexpr int32_t kLyric = 0x05;

TEST(Markers, FirstExactMatchInFirstTrack) {
  auto sequence = make_sequence(DIVISION_PPQ, 480, 2);
  add_text(sequence, 1, 10, kMarker, "Chorus");
  add_text(sequence, 0, 50, kMarker, "Chorus");
  add_text(sequence, 0, 100, kMarker, "Chorus");
  add_text(sequence, 0, 20, kLyric, "Verse");
  add_text(sequence, 1, 30, kMarker, "Bridge");
  EXPECT_EQ(sequence_get_tick_from_marker(sequence.get(), "Chorus"), 50);
  EXPECT_EQ(sequence_get_tick_from_marker(sequence.get(), "chorus"), -1);
  EXPECT_EQ(sequence_get_tick_from_marker(sequence.get(), "Chorus "), -1);
  EXPECT_EQ(sequence_get_tick_from_marker(sequence.get(), "Chor"), -1);
  // Lyrics are not markers; markers of other tracks are not searched.
  EXPECT_EQ(sequence_get_tick_from_marker(sequence.get(), "Verse"), -1);
  EXPECT_EQ(sequence_get_tick_from_marker(sequence.get(), "Bridge"), -1);
}

TEST(Markers, EmptyName) {
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  add_text(sequence, 0, 5, kMarker, "A");
  add_text(sequence, 0, 7, kMarker, "");
  EXPECT_EQ(sequence_get_tick_from_marker(sequence.get(), ""), 7);
}

TEST(Markers, NothingToFind) {
  auto empty = make_sequence(DIVISION_PPQ, 480, 0);
  EXPECT_EQ(sequence_get_tick_from_marker(empty.get(), "A"), -1);
  EXPECT_EQ(sequence_get_tick_from_marker(nullptr, "A"), -1);
  auto sequence = make_sequence(DIVISION_PPQ, 480);
  add_text(sequence, 0, 5, kMarker, "A");
  EXPECT_EQ(sequence_get_tick_from_marker(sequence.get(), nullptr), -1);
}

}  // namespace
