// tactus: reading and writing Standard MIDI Files.
#ifndef TACTUS_SMF_H
#define TACTUS_SMF_H

#include <cstdint>

#include "tactus/export.h"
#include "tactus/model.h"

namespace tactus {

// Reads a Standard MIDI File, plain or wrapped in RIFF "RMID", into a new
// Sequence that the caller frees with sequence_free. Null when the file
// cannot be opened or is no MIDI file. A damaged file gives what could be
// read: reading stops where a length runs past the end of the file.
TACTUS_API Sequence* sequence_load(const char* filename);

// Writes the sequence as a plain Standard MIDI File (no running status, an
// end-of-track event at each track's end tick). 0 on success; -1 when any
// write fails or a value cannot be represented in the file (a negative tick,
// a delta time or length of 2^28 or more). An existing regular file is
// replaced only once the new one is complete.
TACTUS_API int32_t sequence_save(Sequence* sequence, const char* filename);

}  // namespace tactus

#endif
