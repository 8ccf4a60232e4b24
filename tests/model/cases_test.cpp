// What the reference model does not show: null records, visits that change
// the lists under way, the event store's list of buffer owners.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "model/records.h"
#include "support/guard_table.h"
#include "tactus/timing.h"

namespace tactus::test {
namespace {

using Events = std::vector<Event*>;
const unsigned char kEnd[] = {0xF7};

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

// Every operation on a null record gives -1 (-1.0 for floats), 0 for predicates and words, null for records;
// so does a visit without visitor, and the lookup of a track that is not there. Setters give 0.
TEST(ModelGuards, NullRecordsGiveFailureResults) {
  Sequence* sequence = sequence_new(1, DIVISION_PPQ, 96);
  Track* track = sequence_add_track(sequence);
  expect_guards({GUARD(sequence_free(nullptr), -1),
                 GUARD(sequence_get_format(nullptr), -1),
                 GUARD(sequence_set_format(nullptr, 1), -1),
                 GUARD(sequence_get_division_type(nullptr), -1),
                 GUARD(sequence_set_division_type(nullptr, 1), -1),
                 GUARD(sequence_get_resolution(nullptr), -1),
                 GUARD(sequence_set_resolution(nullptr, 1), -1),
                 GUARD(sequence_get_beat_resolution(nullptr), -1),
                 GUARD(sequence_set_beat_resolution(nullptr, 1), -1),
                 GUARD(sequence_get_frame_rate(nullptr), -1),
                 GUARD(sequence_set_frame_rate(nullptr, 1.0f), -1),
                 GUARD(sequence_get_track_count(nullptr), -1),
                 GUARD(sequence_get_track_by_number(sequence, 1, 0) == nullptr, 1),
                 GUARD(sequence_get_track_by_number(sequence, -1, 0) == nullptr, 1),
                 GUARD(sequence_set_format(sequence, 0), 0),
                 GUARD(sequence_set_division_type(sequence, 0), 0),
                 GUARD(sequence_set_resolution(sequence, 96), 0),
                 GUARD(sequence_set_beat_resolution(sequence, 96), 0),
                 GUARD(sequence_set_frame_rate(sequence, 25.0f), 0),
                 GUARD(sysex_set_data(sysex_new(track, 0, 1, kEnd), 1, kEnd), 0),
                 GUARD(sequence_visit_events(nullptr, record, nullptr), -1),
                 GUARD(sequence_visit_events(sequence, nullptr, nullptr), -1),
                 GUARD(track_visit_events(nullptr, record, nullptr), -1),
                 GUARD(track_visit_events(track, nullptr, nullptr), -1),
                 GUARD(mb_position_free(nullptr), -1),
                 GUARD(mbt_position_free(nullptr), -1),
                 GUARD(hms_position_free(nullptr), -1),
                 GUARD(hmsf_position_free(nullptr), -1),
                 GUARD(track_free(nullptr), -1),
                 GUARD(track_get_number(nullptr), -1),
                 GUARD(track_get_end_tick(nullptr), -1),
                 GUARD(track_set_end_tick(nullptr, 0), -1),
                 GUARD(event_free(nullptr), -1),
                 GUARD(event_get_tick(nullptr), -1),
                 GUARD(event_set_tick(nullptr, 1), -1),
                 GUARD(event_get_kind(nullptr), -1),
                 GUARD(note_off_get_note(nullptr), -1),
                 GUARD(event_is_note_end(nullptr), 0)});
  EXPECT_EQ(sequence_free(sequence), 0);
}

// Moved ahead: seen at its new place; behind the walk: not seen; the successor moved: the walk jumps with it;
// the event seen moved ahead: not seen again. Created events are not seen.
TEST(Visits, SeeEveryEventPresentAtTheStartOnce) {
  Sequence* sequence = sequence_new(1, DIVISION_PPQ, 96);
  Track* tracks[] = {sequence_add_track(sequence), sequence_add_track(sequence)};
  Events e;
  for (int32_t i = 0; i < 6; ++i) e.push_back(note_on_new(tracks[i % 2], i * 10, 0, i, 1));
  Visit in_track{{}, e[1], e[1], 2000};  // moved ahead, not seen again
  EXPECT_EQ(track_visit_events(tracks[1], record, &in_track), 0);
  EXPECT_EQ(in_track.seen, (Events{e[1], e[3], e[5]}));
  const struct {
    int trigger, moved, tick;
    std::vector<int> seen;
  } moves[] = {{0, 3, 2000, {0, 1, 2, 4, 5, 3}},
               {2, 4, 0, {0, 1, 2, 3, 5}},
               {1, 2, 45, {0, 1, 2, 5}},
               {2, 2, 2000, {0, 1, 2, 3, 4, 5}}};
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
  Events left;
  for (Event* event = sequence_get_first_event(sequence); event; event = event_get_next_in_sequence(event))
    left.push_back(event);
  ASSERT_EQ(left.size(), 6u);
  for (Event* event : left) EXPECT_EQ(event_get_kind(event), NOTE_OFF);
  sequence_free(sequence);
}

// Well-formed UTF-8 is kept; anything else is Windows-1252 byte by byte: overlong forms and surrogates too.
TEST(MetaText, ValidUtf8IsKeptAnythingElseReadsAsWindows1252InWholeCharacters) {
  Sequence* sequence = sequence_new(1, DIVISION_PPQ, 96);
  Track* track = sequence_add_track(sequence);
  const struct {
    std::string bytes, utf8;
    int is_utf8;
  } rows[] = {{"", "", 1},
              {"Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5 \xC2\x9B", "Café € 🎵 \xC2\x9B", 1},
              {"Caf\xE9 Stra\xDF"
               "e \x80 \x93q\x94 \x91s\x92",
               "Café Straße € “q” ‘s’", 0},
              {"\x81\x8D\x8F\x90\x9D", "\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD", 0},
              {std::string("ok\0", 3), std::string("ok\0", 3), 1},
              {"\xC0\xAF", "À¯", 0},
              {"\xE0\x9F\xBF", "àŸ¿", 0},
              {"\xED\xA0\x80", "í\u00A0€", 0},
              {"\xF0\x8F\xBF\xBF", "ð\uFFFD¿¿", 0},
              {"\xF4\x90\x80\x80", "ô\uFFFD€€", 0},
              {"\xE2\x82", "â‚", 0},
              {"\xC3\xC3", "ÃÃ", 0}};
  for (const auto& row : rows) {
    Event* meta = meta_new(track, 0, 0x01, static_cast<int32_t>(row.bytes.size()),
                           reinterpret_cast<const unsigned char*>(row.bytes.data()));
    char text[64];
    EXPECT_EQ(meta_get_utf8_text(meta, text, sizeof text), static_cast<int32_t>(row.utf8.size())) << row.utf8;
    EXPECT_EQ(std::string(text, row.utf8.size()), row.utf8);
    EXPECT_EQ(meta_text_is_utf8(meta), row.is_utf8) << row.utf8;
  }
  // "é€" is 5 bytes: a buffer cuts after whole characters only, and always ends the text.
  Event* meta = lyric_new(track, 0, "\xE9\x80");
  const std::pair<int32_t, std::string> cuts[] = {{1, ""}, {3, "é"}, {5, "é"}, {6, "é€"}};
  for (const auto& [size, text] : cuts) {
    char buffer[8] = "xxxxxxx";
    EXPECT_EQ(meta_get_utf8_text(meta, buffer, size), 5) << size;
    EXPECT_EQ(buffer, text) << size;
  }
  char buffer[4];
  expect_guards(
      {GUARD(meta_get_utf8_text(meta, nullptr, 0), 5), GUARD(meta_get_utf8_text(meta, nullptr, 1), -1),
       GUARD(meta_get_utf8_text(meta, buffer, -1), -1), GUARD(meta_get_utf8_text(nullptr, buffer, 4), -1),
       GUARD(meta_get_utf8_text(note_on_new(track, 0, 0, 60, 1), buffer, 4), -1),
       GUARD(meta_text_is_utf8(nullptr), 0)});
  sequence_free(sequence);
}

// An event made and freed again and again reuses one place, listed as the
// owner of its buffer each time: compaction keeps the list as short as ever.
TEST(EventStore, RepeatedListingsOfOneOwnerAreCompacted) {
  Sequence* sequence = sequence_new(1, DIVISION_PPQ, 96);
  Track* track = sequence_add_track(sequence);
  const unsigned char long_message[16] = {0xF0};
  for (int i = 0; i < 1000; ++i) event_free(sysex_new(track, 0, 16, long_message));
  EXPECT_EQ(sequence->store.owner_capacity, 64u);
  sequence_free(sequence);
}

}  // namespace
}  // namespace tactus::test
