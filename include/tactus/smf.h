// tactus: reading and writing Standard MIDI Files.
#ifndef TACTUS_SMF_H
#define TACTUS_SMF_H

#include <cstddef>
#include <cstdint>

#include "tactus/export.h"
#include "tactus/model.h"

namespace tactus {

// Reads a Standard MIDI File, plain or wrapped in RIFF "RMID", into a new
// Sequence that the caller frees with sequence_free. Null when the file
// cannot be opened or is no MIDI file. A damaged file gives what could be
// read: reading stops where a length runs past the end of the file.
//
// Running status: a message without a status byte repeats the status of the
// message before it in its track. Meta and system-exclusive events do not
// count as that message when a channel message came before them, so that
// notes may go on by running status after text, marker or system-exclusive
// events; other system messages do count, and a data byte after them (or
// after a meta or system-exclusive event that no channel message preceded)
// is read under their status. System messages make no event: 0xF1 and 0xF3
// pass over one data byte, 0xF2 over two, the others over none.
TACTUS_API Sequence* sequence_load(const char* filename);

// Reads a file's `length` bytes from memory, with the same result as
// sequence_load of a file holding exactly these bytes. The bytes are only
// read during the call. Null when they are no MIDI file, or when `bytes` is
// null and `length` is not 0.
TACTUS_API Sequence* sequence_load_from_memory(const void* bytes, size_t length);

// Writes the sequence as a plain Standard MIDI File (no running status, an
// end-of-track event at each track's end tick). 0 on success; -1 when any
// write fails or a value cannot be represented in the file (a negative tick,
// a delta time or length of 2^28 or more); such values are found before any
// file is opened, and nothing is then written.
//
// An existing regular file is normally replaced only once the new one is
// complete and on disk (written beside it under a temporary name, given the
// old file's permissions, owner and group, then renamed over it), so a save
// that fails part way keeps the old file as it was. Three kinds of file are
// written in place instead, like a plain save, so that a failed save leaves
// them cut short: a file with more than one hard link (so that every name
// sees the new content), a file whose directory does not let the caller
// create the temporary file, and a file whose owner or group the caller
// cannot give to a new file. Devices and pipes are written in place too. A
// symbolic link stays a link to the file it names.
TACTUS_API int32_t sequence_save(Sequence* sequence, const char* filename);

}  // namespace tactus

#endif
