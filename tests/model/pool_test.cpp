// Buffers are released exactly once however their events are freed and
// their space reused (the sanitizer build reports leaks and double frees).
#include <cstdlib>

#include "model/records.h"
#include "tests/model/event_lists.h"

using namespace tactus;

namespace {

using Pool = model_test::TwoTracks;

TEST_F(Pool, FreedAndReusedEventsReleaseTheirBuffersOnce) {
  const unsigned char bytes[] = {0xF0, 1, 2, 0xF7};
  for (int32_t i = 0; i < 1000; ++i) {
    Event* sysex = sysex_new(track0, i, 4, bytes);
    Event* text = meta_new(track1, i, 0x01, 3, bytes);
    EXPECT_EQ(meta_set_data(text, 2, bytes), 0);
    if (i % 3 == 0) continue;
    // The freed space goes to a note or to a new meta event.
    EXPECT_EQ(event_free(sysex), 0);
    EXPECT_EQ(event_free(text), 0);
    if (i % 2 == 0) {
      note_on_new(track0, i, 0, 60, 1);
    } else {
      meta_new(track0, i, 0x02, 1, bytes);
    }
  }
  EXPECT_EQ(track_free(track1), 0);
  EXPECT_EQ(model_test::sequence_events(sequence).size(), 334u + 666u);
}

TEST_F(Pool, BuffersOfAppendedEventsAreReleasedWithTheSequence) {
  for (int32_t tick = 0; tick < 200; ++tick) {
    Event* event = internal::allocate_event(sequence);
    event->track = track0;
    event->tick = tick;
    event->kind = META;
    event->word1 = 0x01;
    event->word2 = 1;
    event->bytes = static_cast<unsigned char*>(std::calloc(2, 1));
    internal::append_event_to_track(event);
  }
  internal::link_sequence_order(sequence);
  EXPECT_EQ(model_test::sequence_events(sequence).size(), 200u);
}

}  // namespace
