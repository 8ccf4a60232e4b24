// Sorted insertion, moving and freeing events and tracks, checked in track
// order and sequence order alike.
#include <gtest/gtest.h>

#include <vector>

#include "tactus/model.h"
#include "tests/model/event_lists.h"

using namespace tactus;
using model_test::sequence_events;
using model_test::track_events;
using Events = std::vector<Event*>;

namespace {

class TwoTracks : public ::testing::Test {
 protected:
  void SetUp() override {
    sequence = sequence_new(1, DIVISION_PPQ, 480);
    track0 = sequence_add_track(sequence);
    track1 = sequence_add_track(sequence);
  }
  void TearDown() override { EXPECT_EQ(sequence_free(sequence), 0); }
  Sequence* sequence = nullptr;
  Track* track0 = nullptr;
  Track* track1 = nullptr;
};

TEST_F(TwoTracks, EqualTicksKeepInsertionOrderInBothLists) {
  Event* a = note_on_new(track0, 10, 0, 60, 100);
  Event* b = note_off_new(track0, 10, 0, 60, 0);
  Event* early = control_change_new(track0, 5, 0, 7, 100);
  EXPECT_EQ(track_events(track0), (Events{early, a, b}));
  EXPECT_EQ(sequence_events(sequence), (Events{early, a, b}));
}

TEST_F(TwoTracks, EqualTicksAcrossTracksStandInInsertionOrderNotTrackOrder) {
  Event* first1 = program_change_new(track1, 0, 1, 5);
  Event* first0 = program_change_new(track0, 0, 0, 5);
  EXPECT_EQ(sequence_events(sequence), (Events{first1, first0}));
  Event* second0 = program_change_new(track0, 0, 0, 6);
  Event* second1 = program_change_new(track1, 0, 1, 6);
  EXPECT_EQ(sequence_events(sequence), (Events{first1, first0, second0, second1}));
}

TEST_F(TwoTracks, EarlierOrNegativeTickGoesFirstAndLeavesEndTick) {
  Event* later = note_on_new(track0, 100, 0, 60, 1);
  Event* other = note_on_new(track1, 50, 0, 60, 1);
  Event* negative = note_on_new(track0, -5, 0, 60, 1);
  EXPECT_EQ(track_events(track0), (Events{negative, later}));
  EXPECT_EQ(sequence_events(sequence), (Events{negative, other, later}));
  EXPECT_EQ(track_get_end_tick(track0), 100);
  Event* only = note_on_new(sequence_add_track(sequence), -7, 0, 1, 1);
  EXPECT_EQ(track_get_end_tick(event_get_track(only)), 0);
  EXPECT_EQ(sequence_get_first_event(sequence), only);
}

TEST_F(TwoTracks, SetTickMovesBehindEqualTicksEvenToTheSameTick) {
  Event* a = note_on_new(track0, 10, 0, 60, 1);
  Event* b = note_on_new(track1, 10, 0, 61, 1);
  Event* c = note_on_new(track0, 10, 0, 62, 1);
  EXPECT_EQ(event_set_tick(a, 10), 0);
  EXPECT_EQ(track_events(track0), (Events{c, a}));
  EXPECT_EQ(sequence_events(sequence), (Events{b, c, a}));
  EXPECT_EQ(event_set_tick(c, 3), 0);
  EXPECT_EQ(sequence_events(sequence), (Events{c, b, a}));
  EXPECT_EQ(event_set_tick(c, 700), 0);
  EXPECT_EQ(sequence_events(sequence), (Events{b, a, c}));
  EXPECT_EQ(track_events(track0), (Events{a, c}));
  EXPECT_EQ(track_get_end_tick(track0), 700);
  EXPECT_EQ(event_set_tick(nullptr, 1), -1);
}

TEST_F(TwoTracks, EndTickIsRaisedByInsertionAndNotLoweredByFree) {
  EXPECT_EQ(track_set_end_tick(track0, 480), 0);
  Event* event = note_on_new(track0, 500, 0, 60, 1);
  EXPECT_EQ(track_get_end_tick(track0), 500);
  EXPECT_EQ(event_free(event), 0);
  EXPECT_EQ(track_get_end_tick(track0), 500);
  EXPECT_EQ(track_get_first_event(track0), nullptr);
  EXPECT_EQ(sequence_get_first_event(sequence), nullptr);
  EXPECT_EQ(sequence_get_last_event(sequence), nullptr);
}

TEST_F(TwoTracks, SetEndTickIsRefusedOnlyBelowTheLastEvent) {
  EXPECT_EQ(track_set_end_tick(track0, -20), 0);
  EXPECT_EQ(track_get_end_tick(track0), -20);
  note_on_new(track0, 30, 0, 60, 1);
  note_on_new(track0, 40, 0, 60, 1);
  EXPECT_EQ(track_set_end_tick(track0, 39), -1);
  EXPECT_EQ(track_get_end_tick(track0), 40);
  EXPECT_EQ(track_set_end_tick(track0, 40), 0);
  EXPECT_EQ(track_set_end_tick(track0, 1000), 0);
  EXPECT_EQ(track_get_end_tick(track0), 1000);
  EXPECT_EQ(track_set_end_tick(nullptr, 0), -1);
}

TEST_F(TwoTracks, FreeingEventsKeepsBothListsLinkedAndReusesTheirSpace) {
  Event* a = note_on_new(track0, 0, 0, 60, 1);
  Event* b = note_on_new(track1, 1, 0, 60, 1);
  Event* c = sysex_new(track0, 2, 2, std::vector<unsigned char>{0xF0, 0xF7}.data());
  Event* d = note_on_new(track1, 3, 0, 60, 1);
  EXPECT_EQ(event_free(c), 0);
  EXPECT_EQ(sequence_events(sequence), (Events{a, b, d}));
  EXPECT_EQ(event_free(a), 0);
  EXPECT_EQ(event_free(d), 0);
  EXPECT_EQ(sequence_events(sequence), (Events{b}));
  EXPECT_EQ(track_events(track0), Events{});
  EXPECT_EQ(track_events(track1), (Events{b}));
  Event* e = meta_new(track0, 1, 0x01, 3, reinterpret_cast<const unsigned char*>("abc"));
  Event* f = note_off_new(track1, 0, 0, 60, 1);
  EXPECT_EQ(sequence_events(sequence), (Events{f, b, e}));
  EXPECT_EQ(event_get_kind(e), META);
  EXPECT_EQ(event_get_next(f), b);
  EXPECT_EQ(event_get_previous(b), f);
  EXPECT_EQ(event_free(nullptr), -1);
}

TEST_F(TwoTracks, FreeingATrackTakesItsEventsOutOfSequenceOrder) {
  Track* track2 = sequence_add_track(sequence);
  Event* a = note_on_new(track0, 0, 0, 60, 1);
  note_on_new(track1, 0, 0, 60, 1);
  Event* c = note_on_new(track2, 1, 0, 60, 1);
  meta_new(track1, 2, 0x03, 4, reinterpret_cast<const unsigned char*>("name"));
  Event* e = note_on_new(track0, 3, 0, 60, 1);
  EXPECT_EQ(track_free(track1), 0);
  EXPECT_EQ(sequence_events(sequence), (Events{a, c, e}));
  EXPECT_EQ(sequence_get_track_count(sequence), 2);
  EXPECT_EQ(track_get_number(track2), 1);
  EXPECT_EQ(track_get_next(track0), track2);
  EXPECT_EQ(track_get_previous(track2), track0);
  EXPECT_EQ(track_free(track0), 0);
  EXPECT_EQ(sequence_get_first_track(sequence), track2);
  EXPECT_EQ(track_get_number(track2), 0);
  EXPECT_EQ(track_free(track2), 0);
  EXPECT_EQ(sequence_get_first_track(sequence), nullptr);
  EXPECT_EQ(sequence_get_last_track(sequence), nullptr);
  EXPECT_EQ(sequence_events(sequence), Events{});
  EXPECT_EQ(track_free(nullptr), -1);
}

TEST_F(TwoTracks, TrackNewBeforeRenumbersTheFollowingTracks) {
  Track* middle = track_new_before(track1);
  EXPECT_EQ(track_get_number(track0), 0);
  EXPECT_EQ(track_get_number(middle), 1);
  EXPECT_EQ(track_get_number(track1), 2);
  EXPECT_EQ(track_get_next(track0), middle);
  EXPECT_EQ(track_get_previous(track1), middle);
  Track* front = track_new_before(track0);
  EXPECT_EQ(sequence_get_first_track(sequence), front);
  EXPECT_EQ(track_get_previous(front), nullptr);
  EXPECT_EQ(track_get_number(front), 0);
  EXPECT_EQ(track_get_number(track1), 3);
  EXPECT_EQ(sequence_get_track_count(sequence), 4);
  EXPECT_EQ(sequence_get_track_by_number(sequence, 2, 0), middle);
  EXPECT_EQ(track_get_sequence(front), sequence);
  EXPECT_EQ(track_new_before(nullptr), nullptr);
}

TEST(Sequence, TrackNewBeforeOnTheOnlyTrack) {
  Sequence* sequence = sequence_new(0, DIVISION_PPQ, 96);
  Track* old = sequence_add_track(sequence);
  Track* added = track_new_before(old);
  EXPECT_EQ(track_get_number(added), 0);
  EXPECT_EQ(sequence_get_first_track(sequence), added);
  EXPECT_EQ(sequence_get_last_track(sequence), old);
  EXPECT_EQ(track_get_number(old), 1);
  EXPECT_EQ(sequence_get_track_count(sequence), 2);
  sequence_free(sequence);
}

TEST(Sequence, GetTrackByNumberCreatesOnlyWhenAsked) {
  Sequence* sequence = sequence_new(1, DIVISION_PPQ, 96);
  EXPECT_EQ(sequence_get_track_by_number(sequence, 0, 0), nullptr);
  Track* first = sequence_add_track(sequence);
  EXPECT_EQ(sequence_get_track_by_number(sequence, 3, 0), nullptr);
  EXPECT_EQ(sequence_get_track_by_number(sequence, -1, 1), nullptr);
  EXPECT_EQ(sequence_get_track_count(sequence), 1);
  Track* third = sequence_get_track_by_number(sequence, 3, 1);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(track_get_number(third), 3);
  EXPECT_EQ(sequence_get_track_count(sequence), 4);
  EXPECT_EQ(sequence_get_last_track(sequence), third);
  EXPECT_EQ(track_get_number(track_get_next(first)), 1);
  EXPECT_EQ(sequence_get_track_by_number(sequence, 0, 0), first);
  EXPECT_EQ(sequence_get_track_by_number(sequence, 2, 0), track_get_previous(third));
  sequence_free(sequence);
  Sequence* empty = sequence_new(1, DIVISION_PPQ, 96);
  Track* created = sequence_get_track_by_number(empty, 1, 1);
  EXPECT_EQ(track_get_number(created), 1);
  EXPECT_EQ(sequence_get_track_count(empty), 2);
  sequence_free(empty);
}

TEST(Sequence, DivisionTypeSetsBeatResolutionAndFrameRate) {
  struct Case {
    int32_t division_type, resolution, beat_resolution;
    float frame_rate;
  };
  for (Case c :
       {Case{0, 96, 96, 30.0f}, Case{1, 40, 960, 24.0f}, Case{2, 40, 960, 25.0f}, Case{3, 40, 960, 29.97f},
        Case{4, 80, 960, 30.0f}, Case{9, 80, 960, 30.0f}, Case{-1, 80, 960, 30.0f}}) {
    Sequence* sequence = sequence_new(1, c.division_type, c.resolution);
    EXPECT_EQ(sequence_get_beat_resolution(sequence), c.beat_resolution) << c.division_type;
    EXPECT_EQ(sequence_get_frame_rate(sequence), c.frame_rate) << c.division_type;
    EXPECT_EQ(sequence_get_resolution(sequence), c.resolution);
    EXPECT_EQ(sequence_get_division_type(sequence), c.division_type);
    sequence_free(sequence);
  }
}

TEST(Sequence, SettersStoreAsGivenAndRecomputeNothing) {
  Sequence* sequence = sequence_new(7, DIVISION_PPQ, 96);
  EXPECT_EQ(sequence_get_format(sequence), 7);
  EXPECT_EQ(sequence_set_division_type(sequence, DIVISION_SMPTE25), 0);
  EXPECT_EQ(sequence_set_resolution(sequence, -3), 0);
  EXPECT_EQ(sequence_get_beat_resolution(sequence), 96);
  EXPECT_EQ(sequence_get_frame_rate(sequence), 30.0f);
  EXPECT_EQ(sequence_set_beat_resolution(sequence, 120), 0);
  EXPECT_EQ(sequence_set_frame_rate(sequence, 12.5f), 0);
  EXPECT_EQ(sequence_set_format(sequence, 2), 0);
  EXPECT_EQ(sequence_get_resolution(sequence), -3);
  EXPECT_EQ(sequence_get_beat_resolution(sequence), 120);
  EXPECT_EQ(sequence_get_frame_rate(sequence), 12.5f);
  EXPECT_EQ(sequence_get_format(sequence), 2);
  sequence_free(sequence);
}

TEST(Sequence, NullRecordsGiveFailureResults) {
  EXPECT_EQ(sequence_free(nullptr), -1);
  EXPECT_EQ(sequence_get_format(nullptr), -1);
  EXPECT_EQ(sequence_set_format(nullptr, 1), -1);
  EXPECT_EQ(sequence_get_frame_rate(nullptr), -1.0f);
  EXPECT_EQ(sequence_set_frame_rate(nullptr, 1.0f), -1);
  EXPECT_EQ(sequence_get_track_count(nullptr), -1);
  EXPECT_EQ(sequence_add_track(nullptr), nullptr);
  EXPECT_EQ(sequence_get_first_event(nullptr), nullptr);
  EXPECT_EQ(track_get_number(nullptr), -1);
  EXPECT_EQ(track_get_end_tick(nullptr), -1);
  EXPECT_EQ(event_get_tick(nullptr), -1);
  EXPECT_EQ(event_get_kind(nullptr), -1);
  EXPECT_EQ(event_get_track(nullptr), nullptr);
  EXPECT_EQ(note_on_new(nullptr, 0, 0, 60, 1), nullptr);
  EXPECT_EQ(meta_new(nullptr, 0, 1, 0, nullptr), nullptr);
  EXPECT_EQ(mb_position_free(nullptr), -1);
  EXPECT_EQ(hmsf_position_free(nullptr), -1);
}

}  // namespace
