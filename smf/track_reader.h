// Reading the events of one track chunk.
#ifndef TACTUS_SMF_TRACK_READER_H
#define TACTUS_SMF_TRACK_READER_H

#include <cstdint>

#include "model/records.h"
#include "smf/byte_source.h"
#include "smf/remarks.h"

namespace tactus::internal {

// Reads events from the source's position into `track` (appended at its
// end, not yet in sequence order) until the position reaches `chunk_end`, an
// end-of-track meta event sets the track's end tick, the file ends, or a
// length runs past the end of the file. The last message is read whole even
// when it runs past `chunk_end`. False only when memory ran out.
bool read_track_events(ByteSource& source, Track* track, uint64_t chunk_end) noexcept;

// The same, telling `remarks` what it goes past. A function of its own, so
// that the compiler keeps the remarks out of the plain reading loop.
bool read_track_events_with_remarks(ByteSource& source, Track* track, uint64_t chunk_end,
                                    Remarks& remarks) noexcept;

}  // namespace tactus::internal

#endif
