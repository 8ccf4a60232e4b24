// Sorted insertion, moving, freeing and visiting events and tracks, checked
// in track order and sequence order alike; the guards of the whole model.
#include "model/records.h"
#include "tactus/timing.h"
#include "tests/model/model_test.h"

namespace tactus::test {
namespace {

using Lists = TwoTracks;

TEST_F(Lists, TicksSortBothListsAndEqualTicksKeepInsertionOrder) {
  Event* a = note_on_new(track1, 10, 0, 60, 100);
  Event* b = note_off_new(track0, 10, 0, 60, 0);
  Event* c = note_off_new(track1, 10, 0, 60, 0);
  Event* early = control_change_new(track1, 5, 0, 7, 100);
  Event* negative = note_on_new(track0, -5, 0, 60, 1);
  EXPECT_EQ(track_events(track1), (Events{early, a, c}));
  EXPECT_EQ(sequence_events(sequence), (Events{negative, early, a, b, c}));
  // Moving to its own tick puts an event behind the others of that tick.
  EXPECT_EQ(event_set_tick(a, 10) + event_set_tick(b, 700) + event_set_tick(c, -9), 0);
  EXPECT_EQ(track_events(track1), (Events{c, early, a}));
  EXPECT_EQ(sequence_events(sequence), (Events{c, negative, early, a, b}));
  // The end tick follows insertions, but not a negative tick nor a removal.
  EXPECT_EQ(track_get_end_tick(track0), 700);
  EXPECT_EQ(event_free(b), 0);
  EXPECT_EQ(track_get_end_tick(track0), 700);
  EXPECT_EQ(track_set_end_tick(track0, -5) + track_set_end_tick(track0, -6), -1);
  EXPECT_EQ(track_get_end_tick(track0), -5);
  EXPECT_EQ(track_get_end_tick(event_get_track(note_on_new(sequence_add_track(sequence), -7, 0, 1, 1))), 0);
  EXPECT_EQ(track_set_end_tick(sequence_add_track(sequence), -20), 0);  // no events: anything goes
}

TEST_F(Lists, TracksAreRenumberedAndCreatedOnlyWhenAsked) {
  Event* a = note_on_new(track0, 0, 0, 60, 1);
  note_on_new(track1, 1, 0, 60, 1);
  EXPECT_EQ(sequence_get_track_by_number(sequence, 3, 0), nullptr);
  EXPECT_EQ(sequence_get_track_by_number(sequence, -1, 1), nullptr);
  Track* fourth = sequence_get_track_by_number(sequence, 3, 1);
  Track* third = track_get_previous(fourth);
  Track* middle = track_new_before(track1);
  Track* front = track_new_before(track0);
  const std::vector<Track*> tracks = {front, track0, middle, track1, third, fourth};
  for (int32_t number = 0; number < 6; ++number) {
    EXPECT_EQ(track_get_number(tracks[number]), number);
    EXPECT_EQ(sequence_get_track_by_number(sequence, number, 0), tracks[number]);
    EXPECT_EQ(track_get_previous(tracks[number]), number > 0 ? tracks[number - 1] : nullptr);
  }
  EXPECT_EQ(track_free(track1), 0);
  EXPECT_EQ(sequence_events(sequence), (Events{a}));
  EXPECT_EQ(track_get_number(fourth) * 10 + sequence_get_track_count(sequence), 45);
  EXPECT_EQ(track_get_next(middle), third);
  for (Track* track : {track0, front, fourth, middle, third}) EXPECT_EQ(track_free(track), 0);
  EXPECT_EQ(sequence_get_last_track(sequence), nullptr);
  EXPECT_EQ(sequence_events(sequence), Events{});
  EXPECT_EQ(sequence_get_first_track(sequence), sequence_get_track_by_number(sequence, 0, 1));
}

TEST_F(Lists, AFirstTrackWhoseMetaArrayCouldNotGrowIsReadWhole) {
  tempo_new(track0, 0, 60.0f);
  internal::drop_meta_array(track0);  // what a failed growth leaves
  tempo_new(track0, 480, 30.0f);
  EXPECT_EQ(sequence_get_seconds_from_tick(sequence, 960), 1.0 + 2.0);
}

// What a visitor sees, when on seeing `trigger` it moves `moved` to `tick`.
struct Visit {
  Events seen;
  Event *trigger, *moved;
  int32_t tick;
};

int record(Event* event, void* user) {
  auto* visit = static_cast<Visit*>(user);
  visit->seen.push_back(event);
  if (event == visit->trigger) event_set_tick(visit->moved, visit->tick);
  return 0;
}

// Moved ahead: seen at its new place; behind the walk: not seen; the
// successor moved: the walk jumps with it. Created events are not seen.
TEST_F(Lists, VisitsSeeEveryEventPresentAtTheStartOnce) {
  for (int32_t i = 0; i < 6; ++i) note_on_new(i % 2 == 0 ? track0 : track1, i * 10, 0, i, 1);
  const Events e = sequence_events(sequence);
  Visit in_track{{}, nullptr, nullptr, 0};
  EXPECT_EQ(track_visit_events(track1, record, &in_track), 0);
  EXPECT_EQ(in_track.seen, (Events{e[1], e[3], e[5]}));
  const struct {
    int trigger, moved, tick;
    std::vector<int> seen;
  } moves[] = {{0, 3, 2000, {0, 1, 2, 4, 5, 3}}, {2, 4, 0, {0, 1, 2, 3, 5}}, {1, 2, 45, {0, 1, 2, 5}}};
  for (const auto& move : moves) {
    for (int32_t i = 0; i < 6; ++i) event_set_tick(e[i], i * 10);
    Visit visit{{}, e[move.trigger], e[move.moved], move.tick};
    EXPECT_EQ(sequence_visit_events(sequence, record, &visit), 0);
    Events expected;
    for (int index : move.seen) expected.push_back(e[index]);
    EXPECT_EQ(visit.seen, expected) << move.trigger;
  }
  auto create_and_free = [](Event* event, void*) {
    note_off_new(event_get_track(event), event_get_tick(event) + 5, 0, 0, 0);
    return event_free(event);
  };
  EXPECT_EQ(sequence_visit_events(sequence, create_and_free, nullptr), 0);
  EXPECT_EQ(sequence_events(sequence).size(), 6u);
  EXPECT_EQ(event_get_kind(sequence_get_first_event(sequence)), NOTE_OFF);
  EXPECT_EQ(sequence_visit_events(sequence, nullptr, nullptr) + track_visit_events(track0, nullptr, nullptr),
            -2);
}

// Every operation on a null record: -1 (-1.0 for floats), 0 for predicates
// and words, null for records; nothing created.
TEST(ModelGuards, NullRecordsGiveFailureResults) {
  const unsigned char byte = 1;
  EXPECT_EQ(sequence_free(nullptr) + sequence_get_format(nullptr) + sequence_set_format(nullptr, 1) +
                sequence_get_division_type(nullptr) + sequence_set_division_type(nullptr, 1) +
                sequence_get_resolution(nullptr) + sequence_set_resolution(nullptr, 1) +
                sequence_get_beat_resolution(nullptr) + sequence_set_beat_resolution(nullptr, 1) +
                sequence_set_frame_rate(nullptr, 1.0f) + sequence_get_track_count(nullptr) +
                track_free(nullptr) + sequence_visit_events(nullptr, record, nullptr) +
                track_visit_events(nullptr, record, nullptr) + track_get_number(nullptr) +
                track_get_end_tick(nullptr) + track_set_end_tick(nullptr, 0) + event_free(nullptr) +
                event_get_tick(nullptr) + event_set_tick(nullptr, 1) + event_get_kind(nullptr) +
                mb_position_free(nullptr) + mbt_position_free(nullptr) + hms_position_free(nullptr) +
                hmsf_position_free(nullptr) + note_off_get_note(nullptr) + note_on_set_note(nullptr, 1) +
                sysex_get_data_length(nullptr) + sysex_set_data(nullptr, 1, &byte) +
                meta_get_data_length(nullptr) + meta_set_data(nullptr, 1, &byte) + meta_get_number(nullptr) +
                time_signature_get_numerator(nullptr) + time_signature_get_denominator(nullptr) +
                note_start_get_note(nullptr) + note_end_set_velocity(nullptr, 1) +
                tempo_set_beats_per_minute(nullptr, 60) + time_signature_set(nullptr, 3, 4) +
                lyric_set_text(nullptr, "a") + marker_set_text(nullptr, "a"),
            -40);
  EXPECT_EQ(sequence_get_frame_rate(nullptr) + tempo_get_beats_per_minute(nullptr), -2.0f);
  EXPECT_EQ(event_is_note(nullptr) + event_is_note_start(nullptr) + event_is_note_end(nullptr) +
                event_is_voice(nullptr) + event_is_tempo(nullptr) + event_to_short_message(nullptr),
            0u);
  EXPECT_EQ(sequence_add_track(nullptr), track_new_before(nullptr));
  EXPECT_EQ(note_on_new(nullptr, 0, 0, 60, 1), nullptr);
}

}  // namespace
}  // namespace tactus::test
