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
// cannot be opened or is no MIDI file, and with errno ENOMEM when memory
// ran out. A damaged file gives what could be read: reading stops where a
// length runs past the end of the file. A data byte above 127 in a channel
// message is kept as it stands.
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

// ---- Loading with remarks ---------------------------------------------------
//
// The loaders above go past what does not fit the file format without a
// word. These two say what they went past, one remark each, through a
// handler; the Sequence is the one the loaders above give for the same bytes.
// Nothing the format allows gives a remark: running status between channel
// messages is allowed, running status carried across a meta or
// system-exclusive event is not.

// What a remark is about, and what the reader did about it.
enum LoadRemark : int32_t {
  REMARK_HEADER_LENGTH = 1,        // header chunk longer than 6 bytes: the rest skipped
  REMARK_FORMAT_0_TRACKS = 2,      // format 0 declaring more than one track: all read
  REMARK_NOT_A_TRACK = 3,          // a chunk other than "MTrk": skipped
  REMARK_MISSING_TRACKS = 4,       // fewer track chunks than the header declares
  REMARK_EXTRA_TRACK = 5,          // a track chunk after the declared count: not read
  REMARK_NO_END_OF_TRACK = 6,      // a track chunk without an end-of-track event
  REMARK_AFTER_END_OF_TRACK = 7,   // bytes after end of track in its chunk: not read
  REMARK_EVENT_PAST_CHUNK = 8,     // an event running past the end of its chunk
  REMARK_LENGTH_PAST_FILE = 9,     // a chunk or event length past the end of the file
  REMARK_NO_STATUS = 10,           // a data byte with no status to repeat: skipped
  REMARK_RUNNING_STATUS = 11,      // running status across or of a meta or sysex event
  REMARK_SYSTEM_MESSAGE = 12,      // a system common or real-time message: skipped
  REMARK_BYTES_AFTER_CHUNKS = 13,  // bytes after the last chunk: not read
  REMARK_RIFF_SIZE = 14,           // a RIFF or "data" size that disagrees with the file
  REMARK_DATA_ABOVE_127 = 15       // a channel message's data byte above 127: kept as it stands
};

// Receives one remark: `offset` is the byte offset in the file where it
// happened, `track` the number of the track whose chunk holds it (-1 for
// the header and the space between chunks), `code` a LoadRemark, `text` a
// short English text naming the bytes and what the reader did, valid during
// the call only. Called on the loading thread, during the load call, in the
// order the reader meets the remarks (the RIFF sizes come last). A damaged
// file can give a remark for nearly every byte. The handler must not throw
// (the reader cannot pass an exception on: it would end the program) and
// must not call the library; a failure of its own it keeps in `context`.
using LoadRemarkHandler = void (*)(void* context, uint64_t offset, int32_t track, int32_t code,
                                   const char* text) noexcept;

// sequence_load, with each remark handed to `handler` together with
// `context`. With a handler the file is read to its end, to find what
// follows its last chunk; without one this is sequence_load. A load that
// gives null may have reported remarks before it failed.
TACTUS_API Sequence* sequence_load_with_remarks(const char* filename, LoadRemarkHandler handler,
                                                void* context);

// sequence_load_from_memory, with remarks as sequence_load_with_remarks.
TACTUS_API Sequence* sequence_load_from_memory_with_remarks(const void* bytes, size_t length,
                                                            LoadRemarkHandler handler, void* context);

// Writes the sequence as a plain Standard MIDI File (no running status, an
// end-of-track event at each track's end tick).
//
// 0: the file is complete and in place. errno is then 0 when the file and
// its name are on disk, or the error that kept its folder from being synced
// (or opened to be synced): the new file stands under the name, but the
// name may not survive a crash or a power loss.
// -1: nothing was saved, and an existing file is whole under every name
// (except as told below for a file written in place); errno is the cause:
//   EINVAL  a null sequence or file name, or a value the file cannot hold
//           (a negative tick, a delta time or length of 2^28 or more, more
//           than 65535 tracks, an unknown division type): found before any
//           file is opened;
//   EFBIG   more than the file size limit (RLIMIT_FSIZE) allows: found
//           before any byte is written, so that no SIGXFSZ is ever raised;
//   ENOSPC, EDQUOT, EIO, ...  writing, reserving room or syncing failed;
//   EACCES, EROFS, EISDIR, ENOENT, ELOOP, ...  the name cannot be written
//           (a read-only file is refused, not replaced; ELOOP also when the
//           name was turned into a symbolic link during the save);
//   ENOMEM  memory ran out.
//
// An existing regular file is normally replaced only once the new one is
// complete and on disk. On Linux the new file is made without a name in the
// same folder (O_TMPFILE), written and synced, then given the old file's
// owner, group, extended attributes (POSIX ACLs and file capabilities among
// them) and mode, set-ID bits included, as writing clears those; owner and
// group are changed only where they differ. It is then linked as
// .tactus-<pid>-<n>.tmp and at once renamed over the old file, and the
// folder synced. Where the file system has no files without a name, and on
// Windows, the new file is written under that temporary name instead, and a
// crash or a kill during the save can leave it behind; a save never removes
// such a file that it did not make. On Windows ReplaceFileW gives the new
// file the old one's access list, owner, attributes and alternate data
// streams. A new name is made in the same way.
//
// Some files are written in place instead: a file with more than one hard
// link (so that every name sees the new content), a file whose folder does
// not let the caller create a file or open the folder, and a file whose
// owner, group, attributes or mode the caller cannot give to a new file.
// Room for the whole new content is reserved first, so that a full disk or
// a quota refuses the save with the old content whole; the file is then
// overwritten, cut to the new length after the last byte, and given back
// set-ID bits that writing cleared where the caller may set them. A crash,
// a power loss or an I/O error in the middle of that writing can still
// leave it torn, as can running out of room on a copy-on-write file system,
// where overwriting takes new room. Devices and pipes are written as they
// are. A new name in a folder that can be written but not opened is created
// under that name, and removed again if the save fails.
//
// A symbolic link stays a link: the file at the end of its chain is
// written, or created when it does not exist yet. That name is opened once,
// relative to its folder and never through a link, and every check and the
// rename act on it and its folder.
TACTUS_API int32_t sequence_save(Sequence* sequence, const char* filename);

}  // namespace tactus

#endif
