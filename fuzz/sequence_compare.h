// Comparing two Sequences field by field.
#ifndef TACTUS_FUZZ_SEQUENCE_COMPARE_H
#define TACTUS_FUZZ_SEQUENCE_COMPARE_H

#include "tactus/model.h"

namespace tactus::fuzz {

// Aborts unless both have the same header values, tracks, end ticks and
// events, every field and byte equal.
void check_same_sequence(Sequence* expected, Sequence* actual);

// Aborts unless `reloaded`, read back from what the writer made of `loaded`
// (itself read from a file), is `loaded` less what the file format cannot
// carry: channel data values come back as their low seven bits, a pitch
// wheel value as its low fourteen, a meta number as its low seven; and a
// meta event whose number thus becomes 0x2F (end of track) ends its track
// there on reading, so that track's later events are gone and its end tick
// is that event's tick.
void check_same_after_round_trip(Sequence* loaded, Sequence* reloaded);

}  // namespace tactus::fuzz

#endif
