// What every Sequence the reader gives must satisfy, however damaged the
// file was.
#ifndef TACTUS_FUZZ_SEQUENCE_INVARIANTS_H
#define TACTUS_FUZZ_SEQUENCE_INVARIANTS_H

#include "tactus/model.h"

namespace tactus::fuzz {

// Aborts unless: the tracks are numbered 0, 1, ... and counted right; each
// track's events are sorted by tick, belong to it, and end no later than its
// end tick; the sequence order is sorted by tick, with events of one tick
// grouped by track number, and holds every track's events exactly once, in
// track order; every back link mirrors its forward link; every event's
// fields are what a file can give. Reads every data byte, so that the
// address sanitizer sees any buffer that is too short.
void check_loaded_sequence(Sequence* sequence);

}  // namespace tactus::fuzz

#endif
