// Encoding a Sequence in the Standard MIDI File layout: the header chunk and
// the content of each track chunk.
#ifndef TACTUS_SMF_WRITER_CHUNKS_H
#define TACTUS_SMF_WRITER_CHUNKS_H

#include "smf/writer_sink.h"
#include "tactus/model.h"

namespace tactus::internal {

// The 14-byte header chunk. False for a division type that has no division
// word, or more tracks than the 16-bit track count can hold.
bool writer_put_header(WriterSink& sink, Sequence* sequence);

// A track chunk's content: every event with its delta time and full status
// byte, then end-of-track at the track's end tick. False when the track
// holds a value the file cannot represent: a negative tick, a delta time, a
// system-exclusive count or a meta length of 2^28 or more. The sink may then
// have received part of the content.
bool writer_put_track_content(WriterSink& sink, Track* track);

}  // namespace tactus::internal

#endif
