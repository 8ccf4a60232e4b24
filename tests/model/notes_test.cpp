// Notes as start/end pairs: the accessors of both sides, the searches from
// one side to the other, and the replacement of a zero-velocity end.
#include <gtest/gtest.h>

#include <vector>

#include "tactus/model.h"
#include "tests/model/event_lists.h"

using namespace tactus;
using model_test::sequence_events;
using model_test::track_events;
using Events = std::vector<Event*>;

namespace {

class Notes : public ::testing::Test {
 protected:
  void SetUp() override {
    sequence = sequence_new(1, DIVISION_PPQ, 480);
    track = sequence_add_track(sequence);
    other_track = sequence_add_track(sequence);
  }
  void TearDown() override { EXPECT_EQ(sequence_free(sequence), 0); }
  Sequence* sequence = nullptr;
  Track* track = nullptr;
  Track* other_track = nullptr;
};

TEST_F(Notes, StartAccessorsReadAndWriteTheNoteOn) {
  Event* start = note_on_new(track, 0, 3, 60, 100);
  EXPECT_EQ(note_start_get_channel(start), 3);
  EXPECT_EQ(note_start_get_note(start), 60);
  EXPECT_EQ(note_start_get_velocity(start), 100);
  EXPECT_EQ(note_start_set_channel(start, 4), 0);
  EXPECT_EQ(note_start_set_note(start, 61), 0);
  EXPECT_EQ(note_start_set_velocity(start, 90), 0);
  EXPECT_EQ(note_on_get_channel(start), 4);
  EXPECT_EQ(note_on_get_note(start), 61);
  EXPECT_EQ(note_on_get_velocity(start), 90);
}

TEST_F(Notes, StartAccessorsRefuseEverythingButANoteStart) {
  Event* silent_on = note_on_new(track, 0, 3, 60, 0);
  Event* off = note_off_new(track, 0, 3, 60, 64);
  Event* control = control_change_new(track, 0, 3, 7, 100);
  for (Event* event : {silent_on, off, control, static_cast<Event*>(nullptr)}) {
    EXPECT_EQ(note_start_get_channel(event), -1);
    EXPECT_EQ(note_start_get_note(event), -1);
    EXPECT_EQ(note_start_get_velocity(event), -1);
    EXPECT_EQ(note_start_set_channel(event, 1), -1);
    EXPECT_EQ(note_start_set_note(event, 1), -1);
    EXPECT_EQ(note_start_set_velocity(event, 1), -1);
    EXPECT_EQ(note_start_get_note_end(event), nullptr);
  }
  EXPECT_EQ(note_on_get_velocity(silent_on), 0);
  EXPECT_EQ(note_off_get_channel(off), 3);
}

TEST_F(Notes, StartWithVelocityZeroBecomesAnEndAndStaysANoteOn) {
  Event* start = note_on_new(track, 0, 0, 60, 100);
  EXPECT_EQ(note_start_set_velocity(start, 0), 0);
  EXPECT_EQ(event_get_kind(start), NOTE_ON);
  EXPECT_TRUE(event_is_note_end(start));
  EXPECT_EQ(note_start_get_velocity(start), -1);
  EXPECT_EQ(note_end_get_velocity(start), 0);
}

TEST_F(Notes, EndAccessorsUseTheFieldsOfEitherForm) {
  Event* off = note_off_new(track, 0, 2, 62, 40);
  Event* silent_on = note_on_new(track, 0, 5, 64, 0);
  EXPECT_EQ(note_end_get_channel(off), 2);
  EXPECT_EQ(note_end_get_note(off), 62);
  EXPECT_EQ(note_end_get_velocity(off), 40);
  EXPECT_EQ(note_end_get_channel(silent_on), 5);
  EXPECT_EQ(note_end_get_note(silent_on), 64);
  EXPECT_EQ(note_end_get_velocity(silent_on), 0);

  EXPECT_EQ(note_end_set_channel(off, 7), 0);
  EXPECT_EQ(note_end_set_note(off, 70), 0);
  EXPECT_EQ(note_end_set_velocity(off, 33), 0);
  EXPECT_EQ(note_off_get_channel(off), 7);
  EXPECT_EQ(note_off_get_note(off), 70);
  EXPECT_EQ(note_off_get_velocity(off), 33);
  EXPECT_EQ(note_end_set_channel(silent_on, 8), 0);
  EXPECT_EQ(note_end_set_note(silent_on, 71), 0);
  EXPECT_EQ(note_on_get_channel(silent_on), 8);
  EXPECT_EQ(note_on_get_note(silent_on), 71);
}

TEST_F(Notes, EndAccessorsRefuseEverythingButANoteEnd) {
  Event* start = note_on_new(track, 0, 3, 60, 1);
  Event* pressure = key_pressure_new(track, 0, 3, 60, 10);
  for (Event* event : {start, pressure, static_cast<Event*>(nullptr)}) {
    EXPECT_EQ(note_end_get_channel(event), -1);
    EXPECT_EQ(note_end_get_note(event), -1);
    EXPECT_EQ(note_end_get_velocity(event), -1);
    EXPECT_EQ(note_end_set_channel(event, 1), -1);
    EXPECT_EQ(note_end_set_note(event, 1), -1);
    EXPECT_EQ(note_end_set_velocity(event, 1), -1);
    EXPECT_EQ(note_end_get_note_start(event), nullptr);
  }
  EXPECT_EQ(note_on_get_velocity(start), 1);
  EXPECT_EQ(track_events(track).size(), 2u);
}

TEST_F(Notes, ReleaseVelocityReplacesAZeroVelocityEndByANoteOffBehindItsTick) {
  Event* start = note_on_new(track, 0, 4, 60, 100);
  Event* before = control_change_new(track, 100, 4, 64, 0);
  Event* silent_on = note_on_new(track, 100, 4, 60, 0);
  Event* same_tick = program_change_new(track, 100, 4, 5);
  Event* elsewhere = control_change_new(other_track, 100, 0, 7, 1);
  Event* later = pitch_wheel_new(track, 200, 4, 8192);

  EXPECT_EQ(note_end_set_velocity(silent_on, 77), 0);

  const Events events = track_events(track);
  ASSERT_EQ(events.size(), 5u);
  Event* note_off = events[3];
  EXPECT_EQ(events, (Events{start, before, same_tick, note_off, later}));
  EXPECT_EQ(event_get_kind(note_off), NOTE_OFF);
  EXPECT_EQ(event_get_tick(note_off), 100);
  EXPECT_EQ(note_off_get_channel(note_off), 4);
  EXPECT_EQ(note_off_get_note(note_off), 60);
  EXPECT_EQ(note_off_get_velocity(note_off), 77);
  EXPECT_EQ(sequence_events(sequence), (Events{start, before, same_tick, elsewhere, note_off, later}));
  EXPECT_EQ(note_start_get_note_end(start), note_off);
}

TEST_F(Notes, NestedStartsAndEndsPairWithTheNearestPartner) {
  Event* first_start = note_on_new(track, 0, 0, 60, 100);
  Event* second_start = note_on_new(track, 10, 0, 60, 100);
  Event* first_end = note_off_new(track, 20, 0, 60, 0);
  Event* second_end = note_off_new(track, 30, 0, 60, 0);
  EXPECT_EQ(note_start_get_note_end(first_start), first_end);
  EXPECT_EQ(note_start_get_note_end(second_start), first_end);
  EXPECT_EQ(note_end_get_note_start(first_end), second_start);
  EXPECT_EQ(note_end_get_note_start(second_end), second_start);
}

TEST_F(Notes, OtherChannelsNotesAndTracksAreNeverPartners) {
  Event* start = note_on_new(track, 0, 0, 60, 100);
  note_off_new(track, 5, 1, 60, 0);        // other channel
  note_off_new(track, 6, 0, 61, 0);        // other note
  note_off_new(other_track, 7, 0, 60, 0);  // other track
  EXPECT_EQ(note_start_get_note_end(start), nullptr);
  Event* end = note_on_new(track, 8, 0, 60, 0);
  EXPECT_EQ(note_start_get_note_end(start), end);

  Event* lone_end = note_off_new(other_track, 20, 2, 50, 0);
  note_on_new(track, 10, 2, 50, 100);        // other track
  note_on_new(other_track, 11, 3, 50, 100);  // other channel
  note_on_new(other_track, 12, 2, 51, 100);  // other note
  EXPECT_EQ(note_end_get_note_start(lone_end), nullptr);
  Event* lone_start = note_on_new(other_track, 1, 2, 50, 100);
  EXPECT_EQ(note_end_get_note_start(lone_end), lone_start);
}

TEST_F(Notes, SearchesDoNotLookBehindTheStartOrBeyondTheEnd) {
  note_off_new(track, 0, 0, 60, 0);
  Event* start = note_on_new(track, 10, 0, 60, 100);
  EXPECT_EQ(note_start_get_note_end(start), nullptr);
  Event* end = note_off_new(track, 20, 0, 60, 0);
  note_on_new(track, 30, 0, 60, 100);
  EXPECT_EQ(note_end_get_note_start(end), start);
}

TEST_F(Notes, AnEndAtTheStartsTickInsertedLaterIsFound) {
  Event* start = note_on_new(track, 40, 0, 60, 100);
  Event* end = note_off_new(track, 40, 0, 60, 0);
  EXPECT_EQ(note_start_get_note_end(start), end);
  EXPECT_EQ(note_end_get_note_start(end), start);
}

TEST_F(Notes, PairCreatesBothEventsAndReturnsTheStart) {
  Event* start = note_pair_new(track, 100, 340, 9, 38, 110, 20);
  ASSERT_NE(start, nullptr);
  const Events events = track_events(track);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0], start);
  EXPECT_EQ(event_get_kind(start), NOTE_ON);
  EXPECT_EQ(event_get_tick(start), 100);
  EXPECT_EQ(note_on_get_channel(start), 9);
  EXPECT_EQ(note_on_get_note(start), 38);
  EXPECT_EQ(note_on_get_velocity(start), 110);
  EXPECT_EQ(event_get_kind(events[1]), NOTE_OFF);
  EXPECT_EQ(event_get_tick(events[1]), 340);
  EXPECT_EQ(note_off_get_channel(events[1]), 9);
  EXPECT_EQ(note_off_get_note(events[1]), 38);
  EXPECT_EQ(note_off_get_velocity(events[1]), 20);
  EXPECT_EQ(note_start_get_note_end(start), events[1]);
  EXPECT_EQ(track_get_end_tick(track), 340);
}

TEST_F(Notes, PairWithItsEndBeforeItsStartIsCreatedButNotPaired) {
  Event* start = note_pair_new(track, 100, 50, 0, 60, 100, 0);
  const Events events = track_events(track);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1], start);
  EXPECT_EQ(event_get_kind(events[0]), NOTE_OFF);
  EXPECT_EQ(note_start_get_note_end(start), nullptr);
}

TEST_F(Notes, PairOnANullTrackCreatesNothing) {
  EXPECT_EQ(note_pair_new(nullptr, 0, 10, 0, 60, 100, 0), nullptr);
}

}  // namespace
