// Notes as start/end pairs: the accessors of both sides, the searches from
// one side to the other, and the replacement of a zero-velocity end.
#include "tests/model/event_lists.h"

using namespace tactus;
using namespace model_test;

namespace {

using Notes = TwoTracks;
using Values = std::vector<int32_t>;
using Getter = int32_t (*)(Event*);
using Setter = int32_t (*)(Event*, int32_t);

// Channel, note, velocity of each side, and of the events underneath.
const Getter start_getters[] = {note_start_get_channel, note_start_get_note, note_start_get_velocity};
const Setter start_setters[] = {note_start_set_channel, note_start_set_note, note_start_set_velocity};
const Getter end_getters[] = {note_end_get_channel, note_end_get_note, note_end_get_velocity};
const Setter end_setters[] = {note_end_set_channel, note_end_set_note, note_end_set_velocity};
const Getter on_fields[] = {note_on_get_channel, note_on_get_note, note_on_get_velocity};
const Getter off_fields[] = {note_off_get_channel, note_off_get_note, note_off_get_velocity};

Values read(Event* event, const Getter (&getters)[3]) {
  Values values;
  for (Getter get : getters) values.push_back(get(event));
  return values;
}

// Applies the first values.size() setters; gives their results.
Values write(Event* event, const Setter (&setters)[3], const Values& values) {
  Values results;
  for (size_t i = 0; i < values.size(); ++i) results.push_back(setters[i](event, values[i]));
  return results;
}

TEST_F(Notes, AccessorsUseTheFieldsOfEitherFormAndRefuseEverythingElse) {
  Event* start = note_on_new(track0, 0, 3, 60, 100);
  Event* off = note_off_new(track0, 0, 2, 62, 40);
  Event* silent_on = note_on_new(track0, 0, 5, 64, 0);
  Event* pressure = key_pressure_new(track0, 0, 3, 60, 10);
  Event* control = control_change_new(track0, 0, 3, 7, 100);
  const Values refused = {-1, -1, -1};
  for (Event* event : {silent_on, off, pressure, control, static_cast<Event*>(nullptr)}) {
    EXPECT_EQ(read(event, start_getters), refused);
    EXPECT_EQ(write(event, start_setters, {1, 1, 1}), refused);
    EXPECT_EQ(note_start_get_note_end(event), nullptr);
  }
  for (Event* event : {start, pressure, control, static_cast<Event*>(nullptr)}) {
    EXPECT_EQ(read(event, end_getters), refused);
    EXPECT_EQ(write(event, end_setters, {1, 1, 1}), refused);
    EXPECT_EQ(note_end_get_note_start(event), nullptr);
  }
  EXPECT_EQ(read(start, start_getters), (Values{3, 60, 100}));
  EXPECT_EQ(read(off, end_getters), (Values{2, 62, 40}));
  EXPECT_EQ(read(silent_on, end_getters), (Values{5, 64, 0}));
  EXPECT_EQ(write(start, start_setters, {4, 61, 90}), (Values{0, 0, 0}));
  EXPECT_EQ(write(off, end_setters, {7, 70, 33}), (Values{0, 0, 0}));
  EXPECT_EQ(write(silent_on, end_setters, {8, 71}), (Values{0, 0}));
  EXPECT_EQ(read(start, on_fields), (Values{4, 61, 90}));
  EXPECT_EQ(read(off, off_fields), (Values{7, 70, 33}));
  EXPECT_EQ(read(silent_on, on_fields), (Values{8, 71, 0}));
  EXPECT_EQ(track_events(track0).size(), 5u);
}

TEST_F(Notes, StartWithVelocityZeroBecomesAnEndAndStaysANoteOn) {
  Event* start = note_on_new(track0, 0, 0, 60, 100);
  EXPECT_EQ(note_start_set_velocity(start, 0), 0);
  EXPECT_EQ(event_get_kind(start), NOTE_ON);
  EXPECT_TRUE(event_is_note_end(start));
  EXPECT_EQ(note_start_get_velocity(start), -1);
  EXPECT_EQ(note_end_get_velocity(start), 0);
}

TEST_F(Notes, ReleaseVelocityReplacesAZeroVelocityEndByANoteOffBehindItsTick) {
  Event* start = note_on_new(track0, 0, 4, 60, 100);
  Event* before = control_change_new(track0, 100, 4, 64, 0);
  Event* silent_on = note_on_new(track0, 100, 4, 60, 0);
  Event* same_tick = program_change_new(track0, 100, 4, 5);
  Event* elsewhere = control_change_new(track1, 100, 0, 7, 1);
  Event* later = pitch_wheel_new(track0, 200, 4, 8192);

  EXPECT_EQ(note_end_set_velocity(silent_on, 77), 0);

  const Events events = track_events(track0);
  ASSERT_EQ(events.size(), 5u);
  Event* note_off = events[3];
  EXPECT_EQ(events, (Events{start, before, same_tick, note_off, later}));
  EXPECT_EQ(event_get_tick(note_off), 100);
  EXPECT_EQ(read(note_off, off_fields), (Values{4, 60, 77}));
  EXPECT_EQ(sequence_events(sequence), (Events{start, before, same_tick, elsewhere, note_off, later}));
  EXPECT_EQ(note_start_get_note_end(start), note_off);
}

TEST_F(Notes, SearchesFindTheNearestPartnerBetweenStartAndEnd) {
  Event* first_start = note_on_new(track0, 0, 0, 60, 100);
  Event* second_start = note_on_new(track0, 10, 0, 60, 100);
  Event* first_end = note_off_new(track0, 20, 0, 60, 0);
  Event* second_end = note_off_new(track0, 30, 0, 60, 0);
  EXPECT_EQ(note_start_get_note_end(first_start), first_end);
  EXPECT_EQ(note_start_get_note_end(second_start), first_end);
  EXPECT_EQ(note_end_get_note_start(first_end), second_start);
  EXPECT_EQ(note_end_get_note_start(second_end), second_start);
  // Searches look neither behind the start nor beyond the end.
  note_off_new(track1, 0, 0, 60, 0);
  Event* start = note_on_new(track1, 10, 0, 60, 100);
  EXPECT_EQ(note_start_get_note_end(start), nullptr);
  Event* end = note_off_new(track1, 20, 0, 60, 0);
  note_on_new(track1, 30, 0, 60, 100);
  EXPECT_EQ(note_end_get_note_start(end), start);
  // An end at the start's own tick, inserted after it, is found.
  Event* start_at_40 = note_on_new(track1, 40, 0, 60, 100);
  Event* end_at_40 = note_off_new(track1, 40, 0, 60, 0);
  EXPECT_EQ(note_start_get_note_end(start_at_40), end_at_40);
  EXPECT_EQ(note_end_get_note_start(end_at_40), start_at_40);
}

TEST_F(Notes, OtherChannelsNotesAndTracksAreNeverPartners) {
  Event* start = note_on_new(track0, 0, 0, 60, 100);
  note_off_new(track0, 5, 1, 60, 0);  // other channel
  note_off_new(track0, 6, 0, 61, 0);  // other note
  note_off_new(track1, 7, 0, 60, 0);  // other track
  EXPECT_EQ(note_start_get_note_end(start), nullptr);
  Event* end = note_on_new(track0, 8, 0, 60, 0);
  EXPECT_EQ(note_start_get_note_end(start), end);

  Event* lone_end = note_off_new(track1, 20, 2, 50, 0);
  note_on_new(track0, 10, 2, 50, 100);  // other track
  note_on_new(track1, 11, 3, 50, 100);  // other channel
  note_on_new(track1, 12, 2, 51, 100);  // other note
  EXPECT_EQ(note_end_get_note_start(lone_end), nullptr);
  Event* lone_start = note_on_new(track1, 1, 2, 50, 100);
  EXPECT_EQ(note_end_get_note_start(lone_end), lone_start);
}

TEST_F(Notes, PairCreatesBothEventsAndReturnsTheStart) {
  Event* start = note_pair_new(track0, 100, 340, 9, 38, 110, 20);
  const Events events = track_events(track0);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0], start);
  EXPECT_EQ(event_get_tick(start), 100);
  EXPECT_EQ(read(start, on_fields), (Values{9, 38, 110}));
  EXPECT_EQ(event_get_tick(events[1]), 340);
  EXPECT_EQ(read(events[1], off_fields), (Values{9, 38, 20}));
  EXPECT_EQ(note_start_get_note_end(start), events[1]);
  EXPECT_EQ(track_get_end_tick(track0), 340);

  // An end before its start is created, but not paired.
  Event* backwards = note_pair_new(track1, 100, 50, 0, 60, 100, 0);
  const Events backwards_events = track_events(track1);
  ASSERT_EQ(backwards_events.size(), 2u);
  EXPECT_EQ(backwards_events[1], backwards);
  EXPECT_EQ(event_get_kind(backwards_events[0]), NOTE_OFF);
  EXPECT_EQ(note_start_get_note_end(backwards), nullptr);
  EXPECT_EQ(note_pair_new(nullptr, 0, 10, 0, 60, 100, 0), nullptr);
}

}  // namespace
