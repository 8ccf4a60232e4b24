// tactus: a library for Standard MIDI Files.
//
//   model.h   Sequence, Track and Event records, fields, predicates, notes,
//             meta-event builders
//   smf.h     reading and writing files
//   timing.h  ticks, beats, seconds, bar/beat and clock positions, markers
#ifndef TACTUS_TACTUS_H
#define TACTUS_TACTUS_H

#include "tactus/model.h"
#include "tactus/smf.h"
#include "tactus/timing.h"

#endif
