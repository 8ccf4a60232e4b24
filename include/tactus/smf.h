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
// message before it in its track. A meta event does not count as that
// message when a channel message came before it, so that notes may go on by
// running status after text or marker events; system-exclusive and other
// system messages do count, and a data byte after them (or after a meta
// event that no channel message preceded) is read under their status.
TACTUS_API Sequence* sequence_load(const char* filename);

// Reads a file's `length` bytes from memory, with the same result as
// sequence_load of a file holding exactly these bytes. The bytes are only
// read during the call. Null when they are no MIDI file, or when `bytes` is
// null and `length` is not 0.
TACTUS_API Sequence* sequence_load_from_memory(const void* bytes, size_t length);

// Writes the sequence as a plain Standard MIDI File (no running status, an
// end-of-track event at each track's end tick). 0 when the file is complete
// and on disk. -1 when a value cannot be represented in the file (a negative
// tick, a delta time or length of 2^28 or more: found before any file is
// opened, and nothing is then written), when an existing file cannot be
// opened for writing (a read-only file is refused, not replaced), or when
// any write fails.
//
// An existing regular file is normally replaced only once the new one is
// complete and on disk: written beside it under a temporary name, given the
// old file's permissions, owner, group and extended attributes (POSIX ACLs
// among them; owner and group are changed only where they differ), renamed
// over it, and the folder synced. A save that fails keeps the old file as
// it was. Some files are written in place instead: a file with more than one
// hard link (so that every name sees the new content), a file whose folder
// does not let the caller create the temporary file or open the folder, and
// a file whose owner, group or attributes the caller cannot give to a new
// file. Room for the whole new content is reserved first, so that a full
// disk, a quota or a file size limit refuses the save with the old content
// whole; the file is then overwritten and cut to the new length after the
// last byte. A crash, a power loss or an I/O error in the middle of that
// writing can still leave it torn, as can running out of room on a
// copy-on-write file system, where overwriting takes new room. Devices and
// pipes are written as they are. A symbolic link stays a link to the file it
// names, which is created if it does not exist yet.
TACTUS_API int32_t sequence_save(Sequence* sequence, const char* filename);

}  // namespace tactus

#endif
