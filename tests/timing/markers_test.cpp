// Finding the tick of a marker by its text in the first track.
#include <gtest/gtest.h>

#include <cstring>

#include "timing_fixtures.h"

using namespace tactus;
using namespace timing_test;

namespace {

void add_text(const SequencePtr& sequence, int32_t track_number, int32_t tick, int32_t meta_number,
              const char* text) {
  meta_new(track(sequence, track_number), tick, meta_number, static_cast<int32_t>(std::strlen(text)),
           reinterpret_cast<const unsigned char*>(text));
}

constexpr int32_t kMarker = 0x06, kLyric = 0x05;

TEST(Markers, FirstExactMatchInFirstTrack) {
  auto sequence = make_sequence(DIVISION_PPQ, 480, 2);
  add_text(sequence, 1, 10, kMarker, "Chorus");
  add_text(sequence, 0, 50, kMarker, "Chorus");
  add_text(sequence, 0, 100, kMarker, "Chorus");
  add_text(sequence, 0, 20, kLyric, "Verse");
  add_text(sequence, 1, 30, kMarker, "Bridge");
  add_text(sequence, 0, 70, kMarker, "");
  EXPECT_EQ(sequence_get_tick_from_marker(sequence.get(), "Chorus"), 50);
  EXPECT_EQ(sequence_get_tick_from_marker(sequence.get(), ""), 70);
  // Other letter cases, longer or shorter texts, lyrics and markers of other
  // tracks do not match; nor does a null name.
  for (const char* name :
       {"chorus", "Chorus ", "Chor", "Verse", "Bridge", static_cast<const char*>(nullptr)}) {
    EXPECT_EQ(sequence_get_tick_from_marker(sequence.get(), name), -1) << (name ? name : "null");
  }
  EXPECT_EQ(sequence_get_tick_from_marker(nullptr, "Chorus"), -1);
  EXPECT_EQ(sequence_get_tick_from_marker(make_sequence(DIVISION_PPQ, 480, 0).get(), "Chorus"), -1);
}

}  // namespace
