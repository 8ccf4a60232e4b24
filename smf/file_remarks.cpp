#include "smf/file_remarks.h"

#include <algorithm>
#include <cinttypes>

namespace tactus::internal {
namespace {

constexpr uint32_t kHeaderFieldsSize = 6;
constexpr uint64_t kChunkHeadSize = 8;
// A RIFF file: "RIFF" and its length, "RMID", then "data" (at 12) and its
// length, then the MIDI chunks (from 20).
constexpr uint64_t kRiffHeadSize = 8;
constexpr uint64_t kDataHeadStart = 12;
constexpr uint64_t kMidiDataStart = 20;

const char* plural(uint64_t count) noexcept { return count == 1 ? "" : "s"; }

// Garbage after the last chunk seldom reads as four printable characters.
bool is_printable(const ChunkHead& head) noexcept {
  return std::all_of(head.identifier, head.identifier + 4, [](char c) {
    return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F;
  });
}

void remark_length_past_file(Remarks& remarks, ByteSource& source, const ChunkHead& head,
                             int32_t track) noexcept {
  const uint64_t size = source.size_up_to(head.end);
  if (size == head.end) return;
  const uint64_t content = head.start + kChunkHeadSize;
  char name[17];
  identifier_text(head.identifier, name);
  remarks.add(head.start, track, REMARK_LENGTH_PAST_FILE,
              "chunk \"%s\" claims %" PRIu32 " bytes, the file holds %" PRIu64 ": cut short", name,
              head.length, size > content ? size - content : 0);
}

void remark_bytes_after_chunks(Remarks& remarks, uint64_t position, uint64_t end) noexcept {
  if (end <= position) return;
  remarks.add(position, kNoTrack, REMARK_BYTES_AFTER_CHUNKS,
              "%" PRIu64 " byte%s after the last chunk: not read", end - position, plural(end - position));
}

// The reader reads nothing after the declared tracks; this walks what
// stands there up to `limit`, chunk by chunk while their heads look like
// chunk heads. Returns where the last chunk walked ends.
uint64_t remark_chunks_after_tracks(Remarks& remarks, ByteSource& source, uint64_t position, uint64_t limit,
                                    uint32_t declared_tracks) noexcept {
  while (position < limit) {
    source.seek(position);
    ChunkHead head;
    if (!read_chunk_head(source, head) || !is_printable(head) || position + kChunkHeadSize > limit) {
      remark_bytes_after_chunks(remarks, position, source.size_up_to(limit));
      return position;
    }
    if (has_identifier(head, "MTrk")) {
      remarks.add(position, kNoTrack, REMARK_EXTRA_TRACK,
                  "track chunk after the %" PRIu32 " declared: not read", declared_tracks);
      remark_length_past_file(remarks, source, head, kNoTrack);
    } else {
      remark_chunk(remarks, source, head, kNoTrack);
    }
    position = head.end;
  }
  return position;
}

void remark_riff_sizes(Remarks& remarks, const RiffSizes& riff, uint64_t size, uint64_t midi_end) noexcept {
  if (kRiffHeadSize + riff.riff_length != size) {
    remarks.add(0, kNoTrack, REMARK_RIFF_SIZE,
                "RIFF chunk claims %" PRIu32 " bytes, the file holds %" PRIu64
                " after its head: size not used",
                riff.riff_length, size - kRiffHeadSize);
  }
  const uint64_t data_end = kMidiDataStart + riff.data_length;
  if (data_end > size) {
    remarks.add(kDataHeadStart, kNoTrack, REMARK_RIFF_SIZE,
                "\"data\" chunk claims %" PRIu32 " bytes, the file holds %" PRIu64
                " after its head: size not used",
                riff.data_length, size - kMidiDataStart);
  } else if (data_end < midi_end) {
    remarks.add(kDataHeadStart, kNoTrack, REMARK_RIFF_SIZE,
                "\"data\" chunk claims %" PRIu32 " bytes, its MIDI chunks take %" PRIu64 ": size not used",
                riff.data_length, midi_end - kMidiDataStart);
  }
}

}  // namespace

void remark_header(Remarks& remarks, ByteSource& source, const ChunkHead& header, uint32_t format,
                   uint32_t declared_tracks) noexcept {
  remark_length_past_file(remarks, source, header, kNoTrack);
  const uint64_t fields = header.start + kChunkHeadSize;
  if (format == 0 && declared_tracks > 1) {
    remarks.add(fields + 2, kNoTrack, REMARK_FORMAT_0_TRACKS,
                "format 0 declares %" PRIu32 " track chunks, not 1: all read", declared_tracks);
  }
  if (header.length > kHeaderFieldsSize) {
    remarks.add(fields + kHeaderFieldsSize, kNoTrack, REMARK_HEADER_LENGTH,
                "header chunk is %" PRIu32 " bytes long, not 6: %" PRIu32 " byte%s skipped", header.length,
                header.length - kHeaderFieldsSize, plural(header.length - kHeaderFieldsSize));
  }
}

void remark_chunk(Remarks& remarks, ByteSource& source, const ChunkHead& head, int32_t track) noexcept {
  if (!has_identifier(head, "MTrk")) {
    char name[17];
    identifier_text(head.identifier, name);
    remarks.add(head.start, kNoTrack, REMARK_NOT_A_TRACK, "chunk \"%s\" is not a track: skipped", name);
  }
  remark_length_past_file(remarks, source, head, track);
}

void remark_file_end(Remarks& remarks, ByteSource& source, const ChunkWalk& walk, uint32_t declared_tracks,
                     const RiffSizes& riff) noexcept {
  const uint64_t size = source.size_up_to(UINT64_MAX);
  uint64_t midi_end = walk.next_chunk;
  if (walk.tracks_read < declared_tracks) {
    // The walk stopped where no whole chunk head was left.
    const uint64_t stop = std::min(walk.next_chunk, size);
    remarks.add(stop, kNoTrack, REMARK_MISSING_TRACKS,
                "the header declares %" PRIu32 " track chunk%s, the file has %" PRIu32, declared_tracks,
                plural(declared_tracks), walk.tracks_read);
    remark_bytes_after_chunks(remarks, stop, size);
  } else {
    // In a RIFF file the MIDI chunks end with the "data" chunk; other RIFF
    // chunks may follow it.
    const uint64_t limit = riff.wrapped ? std::min(size, kMidiDataStart + riff.data_length) : size;
    midi_end = remark_chunks_after_tracks(remarks, source, walk.next_chunk, limit, declared_tracks);
  }
  if (riff.wrapped) remark_riff_sizes(remarks, riff, size, midi_end);
}

}  // namespace tactus::internal
