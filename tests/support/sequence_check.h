// Two views of a Sequence, shared by the tests and the fuzz targets: a text
// to compare Sequences by, and the invariants of every Sequence the reader
// gives. Both read through the public accessors only.
#ifndef TACTUS_TESTS_SUPPORT_SEQUENCE_CHECK_H
#define TACTUS_TESTS_SUPPORT_SEQUENCE_CHECK_H

#include <string>

#include "tactus/model.h"

namespace tactus::test {

// Which values the text holds: as stored, or as a save and a load give them
// back: format & 0xFFFF, channels & 0x0F, data values & 0x7F, pitch wheel
// values & 0x3FFF, meta numbers & 0x7F; a meta event that thus becomes end
// of track ends its track (its tick is the end tick, later events are gone).
enum class Kept { kAsStored, kAsWritten };

// A header line, then per track "track N: <event>, <event>; end <tick>",
// each event "<tick> <KIND> <fields> <bytes in hex>", then the sequence
// order as track:index pairs. Links that do not mirror each other add a
// "!" note, so equal texts mean equal, well-linked Sequences.
std::string describe_sequence(Sequence* sequence, Kept kept = Kept::kAsStored);

// Empty when the Sequence keeps every invariant of a loaded file, else the
// first one broken: tracks numbered 0, 1, ... and counted right; each
// track's events sorted by tick from 0, none after its end tick; the
// sequence order sorted by tick, ties by track number, holding each track's
// events once and in track order; links mirrored; every field a value a
// file can give. Reads every data byte, for the address sanitizer.
std::string loaded_sequence_flaw(Sequence* sequence);

}  // namespace tactus::test

#endif
