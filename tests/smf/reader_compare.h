// Reading a loaded Sequence back as plain values, to compare it with the
// expected one. Fields are taken from the records themselves, so these
// checks do not rest on the model's accessors.
#ifndef TACTUS_TESTS_SMF_READER_COMPARE_H
#define TACTUS_TESTS_SMF_READER_COMPARE_H

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

#include "model/records.h"
#include "smf/reader.h"
#include "support/midi_bytes.h"
#include "tactus/model.h"

namespace tactus::test {

struct SequenceDeleter {
  void operator()(Sequence* sequence) const { sequence_free(sequence); }
};
using SequencePtr = std::unique_ptr<Sequence, SequenceDeleter>;

// Loads a copy of exactly these bytes, so that a read past them is caught
// by the address sanitizer.
inline SequencePtr load(const MidiBytes& file) {
  std::vector<unsigned char> exact(file.data());
  return SequencePtr(internal::load_sequence_from_memory(exact.data(), exact.size()));
}

struct EventFields {
  int32_t track, tick, kind, word1, word2, word3;
  std::vector<unsigned char> bytes;  // SYSEX buffer; META payload with its trailing 0

  bool operator==(const EventFields&) const = default;
};
using Events = std::vector<EventFields>;

inline EventFields fields_of(Event* event) {
  EventFields fields{event->track->number, event->tick,  event->kind, event->word1,
                     event->word2,         event->word3, {}};
  if (event->kind == SYSEX) fields.bytes.assign(event->bytes, event->bytes + event->word1);
  if (event->kind == META) fields.bytes.assign(event->bytes, event->bytes + event->word2 + 1);
  return fields;
}

inline void PrintTo(const EventFields& fields, std::ostream* out) {
  *out << "{track " << fields.track << ", tick " << fields.tick << ", kind " << fields.kind << ", "
       << fields.word1 << " " << fields.word2 << " " << fields.word3 << ", " << fields.bytes.size()
       << " bytes}";
}

// The events in sequence order; every back link must mirror the forward link.
inline Events sequence_events(Sequence* sequence) {
  Events events;
  Event* previous = nullptr;
  for (Event* event = sequence->first_event; event != nullptr; event = event->next_in_sequence) {
    EXPECT_EQ(event->previous_in_sequence, previous);
    events.push_back(fields_of(event));
    previous = event;
  }
  EXPECT_EQ(sequence->last_event, previous);
  return events;
}

inline Events track_events(Track* track) {
  Events events;
  Event* previous = nullptr;
  for (Event* event = track->first_event; event != nullptr; event = event->next_in_track) {
    EXPECT_EQ(event->previous_in_track, previous);
    EXPECT_EQ(event->track, track);
    events.push_back(fields_of(event));
    previous = event;
  }
  EXPECT_EQ(track->last_event, previous);
  return events;
}

// Every track's events one track after another, in track order.
inline Events events_track_by_track(Sequence* sequence) {
  Events events;
  for (Track* track = sequence->first_track; track != nullptr; track = track->next) {
    Events own = track_events(track);
    events.insert(events.end(), own.begin(), own.end());
  }
  return events;
}

inline void expect_same_sequence(Sequence* actual, Sequence* expected) {
  ASSERT_NE(actual, nullptr);
  ASSERT_NE(expected, nullptr);
  EXPECT_EQ(actual->format, expected->format);
  EXPECT_EQ(actual->division_type, expected->division_type);
  EXPECT_EQ(actual->resolution, expected->resolution);
  EXPECT_EQ(actual->beat_resolution, expected->beat_resolution);
  EXPECT_EQ(actual->frame_rate, expected->frame_rate);
  ASSERT_EQ(actual->track_count, expected->track_count);
  for (Track *a = actual->first_track, *e = expected->first_track; a != nullptr && e != nullptr;
       a = a->next, e = e->next) {
    EXPECT_EQ(a->number, e->number);
    EXPECT_EQ(a->end_tick, e->end_tick) << "track " << e->number;
    EXPECT_EQ(track_events(a), track_events(e)) << "track " << e->number;
  }
  EXPECT_EQ(sequence_events(actual), sequence_events(expected));
}

}  // namespace tactus::test

#endif
