// Remarks about a file's chunks: the header, chunks that are no tracks,
// lengths past the end of the file, what follows the tracks, RIFF sizes.
#ifndef TACTUS_SMF_FILE_REMARKS_H
#define TACTUS_SMF_FILE_REMARKS_H

#include <cstdint>

#include "smf/byte_source.h"
#include "smf/chunk_head.h"
#include "smf/remarks.h"

namespace tactus::internal {

// The two lengths of a RIFF "RMID" wrapper; `wrapped` false for a plain file.
struct RiffSizes {
  bool wrapped = false;
  uint32_t riff_length = 0;
  uint32_t data_length = 0;
};

// Where the walk over the track chunks stopped.
struct ChunkWalk {
  uint64_t next_chunk;   // where the next chunk head stands, or would
  uint32_t tracks_read;  // track chunks read
};

void remark_header(Remarks& remarks, ByteSource& source, const ChunkHead& header, uint32_t format,
                   uint32_t declared_tracks) noexcept;

// A chunk met by the walk: one that is not a track, one whose length runs
// past the end of the file. `track` is its track's number, or kNoTrack.
void remark_chunk(Remarks& remarks, ByteSource& source, const ChunkHead& head, int32_t track) noexcept;

// After the walk: missing track chunks, chunks and bytes after the
// declared ones, and the RIFF sizes. Reads the file to its end.
void remark_file_end(Remarks& remarks, ByteSource& source, const ChunkWalk& walk, uint32_t declared_tracks,
                     const RiffSizes& riff) noexcept;

}  // namespace tactus::internal

#endif
