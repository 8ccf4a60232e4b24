// Sorted insertion, moving and freeing events and tracks, checked in track
// order and sequence order alike.
#include "tests/model/event_lists.h"

using namespace tactus;
using namespace model_test;

namespace {

using Lists = TwoTracks;

TEST_F(Lists, EqualTicksKeepInsertionOrderAcrossTracksToo) {
  Event* a = note_on_new(track1, 10, 0, 60, 100);
  Event* b = note_off_new(track0, 10, 0, 60, 0);
  Event* c = note_off_new(track1, 10, 0, 60, 0);
  Event* early = control_change_new(track1, 5, 0, 7, 100);
  EXPECT_EQ(track_events(track1), (Events{early, a, c}));
  EXPECT_EQ(sequence_events(sequence), (Events{early, a, b, c}));
}

TEST_F(Lists, NegativeTickGoesFirstAndLeavesTheEndTick) {
  Event* later = note_on_new(track0, 100, 0, 60, 1);
  Event* other = note_on_new(track1, 50, 0, 60, 1);
  Event* negative = note_on_new(track1, -5, 0, 60, 1);
  EXPECT_EQ(track_events(track1), (Events{negative, other}));
  EXPECT_EQ(sequence_events(sequence), (Events{negative, other, later}));
  EXPECT_EQ(track_get_end_tick(track1), 50);
  EXPECT_EQ(track_get_end_tick(event_get_track(note_on_new(sequence_add_track(sequence), -7, 0, 1, 1))), 0);
}

TEST_F(Lists, SetTickMovesBehindEqualTicksEvenToItsOwnTick) {
  Event* a = note_on_new(track0, 10, 0, 60, 1);
  Event* b = note_on_new(track1, 10, 0, 61, 1);
  Event* c = note_on_new(track0, 10, 0, 62, 1);
  EXPECT_EQ(event_set_tick(a, 10), 0);
  EXPECT_EQ(track_events(track0), (Events{c, a}));
  EXPECT_EQ(sequence_events(sequence), (Events{b, c, a}));
  EXPECT_EQ(event_set_tick(c, 700), 0);
  EXPECT_EQ(event_set_tick(b, 3), 0);
  EXPECT_EQ(sequence_events(sequence), (Events{b, a, c}));
  EXPECT_EQ(track_events(track0), (Events{a, c}));
  EXPECT_EQ(track_get_end_tick(track0), 700);
}

TEST_F(Lists, EndTickIsRaisedByInsertionAndRefusedBelowTheLastEvent) {
  EXPECT_EQ(track_set_end_tick(track0, -20), 0);  // no events: anything goes
  EXPECT_EQ(track_set_end_tick(track0, 480), 0);
  Event* event = note_on_new(track0, 500, 0, 60, 1);
  EXPECT_EQ(track_get_end_tick(track0), 500);
  EXPECT_EQ(track_set_end_tick(track0, 499), -1);
  EXPECT_EQ(track_get_end_tick(track0), 500);
  EXPECT_EQ(track_set_end_tick(track0, 500), 0);
  EXPECT_EQ(event_free(event), 0);
  EXPECT_EQ(track_get_end_tick(track0), 500);
}

TEST_F(Lists, FreedEventsLeaveBothListsAndTheirSpaceIsReused) {
  Event* a = note_on_new(track0, 0, 0, 60, 1);
  Event* b = note_on_new(track1, 1, 0, 60, 1);
  Event* c = sysex_new(track0, 2, 2, std::vector<unsigned char>{0xF0, 0xF7}.data());
  Event* d = note_on_new(track1, 3, 0, 60, 1);
  EXPECT_EQ(event_free(c), 0);
  EXPECT_EQ(sequence_events(sequence), (Events{a, b, d}));
  EXPECT_EQ(event_free(a), 0);
  EXPECT_EQ(event_free(d), 0);
  EXPECT_EQ(track_events(track0), Events{});
  EXPECT_EQ(track_events(track1), (Events{b}));
  Event* e = meta(0x01, {'a', 'b'});
  Event* f = note_off_new(track1, 0, 0, 60, 1);
  EXPECT_EQ(sequence_events(sequence), (Events{e, f, b}));
  EXPECT_EQ(event_get_next(f), b);
  EXPECT_EQ(event_get_previous(b), f);
}

TEST_F(Lists, FreeingATrackTakesItsEventsOutAndRenumbers) {
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
  EXPECT_EQ(track_get_previous(track2), track0);
  EXPECT_EQ(track_free(track0), 0);
  EXPECT_EQ(track_free(track2), 0);
  EXPECT_EQ(sequence_get_first_track(sequence), nullptr);
  EXPECT_EQ(sequence_get_last_track(sequence), nullptr);
  EXPECT_EQ(sequence_events(sequence), Events{});
}

TEST_F(Lists, NewTracksRenumberTheFollowingOnesAndAreCreatedOnlyWhenAsked) {
  EXPECT_EQ(sequence_get_track_by_number(sequence, 3, 0), nullptr);
  EXPECT_EQ(sequence_get_track_by_number(sequence, -1, 1), nullptr);
  EXPECT_EQ(sequence_get_track_count(sequence), 2);
  Track* fourth = sequence_get_track_by_number(sequence, 3, 1);
  EXPECT_EQ(track_get_number(fourth), 3);
  EXPECT_EQ(track_get_number(track_get_next(track1)), 2);
  Track* middle = track_new_before(track1);
  Track* front = track_new_before(track0);
  EXPECT_EQ(sequence_get_first_track(sequence), front);
  EXPECT_EQ(sequence_get_last_track(sequence), fourth);
  EXPECT_EQ(track_get_next(track0), middle);
  EXPECT_EQ(track_get_previous(track1), middle);
  EXPECT_EQ((std::vector<int32_t>{track_get_number(front), track_get_number(track0), track_get_number(middle),
                                  track_get_number(track1), track_get_number(fourth)}),
            (std::vector<int32_t>{0, 1, 2, 3, 5}));
  EXPECT_EQ(sequence_get_track_count(sequence), 6);
  EXPECT_EQ(sequence_get_track_by_number(sequence, 2, 0), middle);
  Sequence* empty = sequence_new(1, DIVISION_PPQ, 96);
  EXPECT_EQ(sequence_get_track_by_number(empty, 0, 0), nullptr);
  sequence_free(empty);
}

TEST(Sequences, DivisionTypeSetsBeatResolutionAndFrameRate) {
  struct Case {
    int32_t division_type, resolution, beat_resolution;
    float frame_rate;
  };
  for (Case c : {Case{0, 96, 96, 30.0f}, Case{1, 40, 960, 24.0f}, Case{2, 40, 960, 25.0f},
                 Case{3, 40, 960, 29.97f}, Case{4, 80, 960, 30.0f}, Case{9, 80, 960, 30.0f}}) {
    Sequence* sequence = sequence_new(1, c.division_type, c.resolution);
    EXPECT_EQ(sequence_get_beat_resolution(sequence), c.beat_resolution) << c.division_type;
    EXPECT_EQ(sequence_get_frame_rate(sequence), c.frame_rate) << c.division_type;
    EXPECT_EQ(sequence_set_division_type(sequence, DIVISION_SMPTE25), 0);  // recomputes nothing
    EXPECT_EQ(sequence_get_frame_rate(sequence), c.frame_rate);
    sequence_free(sequence);
  }
}

TEST(Sequences, NullRecordsGiveFailureResults) {
  EXPECT_EQ(sequence_free(nullptr), -1);
  EXPECT_EQ(sequence_get_frame_rate(nullptr), -1.0f);
  EXPECT_EQ(sequence_add_track(nullptr), nullptr);
  EXPECT_EQ(track_free(nullptr), -1);
  EXPECT_EQ(track_set_end_tick(nullptr, 0), -1);
  EXPECT_EQ(track_new_before(nullptr), nullptr);
  EXPECT_EQ(event_free(nullptr), -1);
  EXPECT_EQ(event_set_tick(nullptr, 1), -1);
  EXPECT_EQ(note_on_new(nullptr, 0, 0, 60, 1), nullptr);
  EXPECT_EQ(mb_position_free(nullptr), -1);
}

}  // namespace
