#include "smf/reader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "model/records.h"
#include "model/time_division.h"
#include "smf/byte_source.h"
#include "smf/chunk_head.h"
#include "smf/file_remarks.h"
#include "smf/track_reader.h"
#include "tactus/smf.h"

namespace tactus {
namespace internal {
namespace {

constexpr uint32_t kHeaderFieldsSize = 6;

// The RIFF wrapper has a fixed layout: "RMID", then a "data" chunk head
// directly followed by the header chunk. Its lengths bound nothing; `head`
// becomes the head after the wrapper, `riff` keeps the two lengths.
bool read_past_riff_wrapper(ByteSource& source, ChunkHead& head, RiffSizes& riff) noexcept {
  riff.wrapped = true;
  riff.riff_length = head.length;
  const unsigned char* form;
  if (!source.read_block(4, form) || std::memcmp(form, "RMID", 4) != 0) return false;
  if (!read_chunk_head(source, head) || !has_identifier(head, "data")) return false;
  riff.data_length = head.length;
  return read_chunk_head(source, head);
}

struct Division {
  int32_t type;
  int32_t resolution;
};

// Only the four SMPTE frame rates give a timecode division; any other first
// byte, top bit set or not, makes the word a PPQ resolution.
Division decode_division(unsigned first, unsigned second) noexcept {
  const int32_t type = division_of_smpte_code(first);
  if (type != DIVISION_PPQ) return {type, static_cast<int32_t>(second)};
  return {DIVISION_PPQ, static_cast<int32_t>(first << 8 | second)};
}

// Reads up to `declared_tracks` track chunks, skipping chunks of any other
// kind, each from its content start to its declared end. A file that ends
// early simply ends the reading. False only when memory ran out.
bool read_track_chunks(ByteSource& source, Sequence* sequence, uint32_t declared_tracks, Remarks* remarks,
                       ChunkWalk& walk) noexcept {
  while (walk.tracks_read < declared_tracks) {
    source.seek(walk.next_chunk);
    ChunkHead head;
    if (!read_chunk_head(source, head)) return true;
    walk.next_chunk = head.end;
    const bool is_track = has_identifier(head, "MTrk");
    if (remarks != nullptr)
      remark_chunk(*remarks, source, head, is_track ? static_cast<int32_t>(walk.tracks_read) : kNoTrack);
    if (!is_track) continue;
    Track* track = sequence_add_track(sequence);
    if (track == nullptr) return false;
    const bool read = remarks == nullptr ? read_track_events(source, track, head.end)
                                         : read_track_events_with_remarks(source, track, head.end, *remarks);
    if (!read) return false;
    ++walk.tracks_read;
  }
  return true;
}

Sequence* load_sequence(ByteSource& source, Remarks* remarks) noexcept {
  ChunkHead head;
  if (!read_chunk_head(source, head)) return nullptr;
  RiffSizes riff;
  if (has_identifier(head, "RIFF") && !read_past_riff_wrapper(source, head, riff)) return nullptr;
  // A shorter header would put the first chunk head inside its own fields.
  if (!has_identifier(head, "MThd") || head.length < kHeaderFieldsSize) return nullptr;
  uint32_t format, declared_tracks;
  const unsigned char* division_bytes;
  if (!source.read_u16(format) || !source.read_u16(declared_tracks) ||
      !source.read_block(2, division_bytes)) {
    return nullptr;
  }
  const Division division = decode_division(division_bytes[0], division_bytes[1]);
  Sequence* sequence = sequence_new(static_cast<int32_t>(format), division.type, division.resolution);
  // Only memory running out fails from here on.
  if (sequence == nullptr) {
    errno = ENOMEM;
    return nullptr;
  }
  if (remarks != nullptr) remark_header(*remarks, source, head, format, declared_tracks);
  ChunkWalk walk{head.end, 0};
  if (!read_track_chunks(source, sequence, declared_tracks, remarks, walk) || source.out_of_memory()) {
    sequence_free(sequence);
    errno = ENOMEM;
    return nullptr;
  }
  // Reading on to the end of the file changes nothing in the Sequence, even
  // if memory runs out.
  if (remarks != nullptr) remark_file_end(*remarks, source, walk, declared_tracks, riff);
  // Each track was filled in file order; one merge gives the sequence order.
  link_sequence_order(sequence);
  return sequence;
}

Sequence* load_sequence_from_file(const char* filename, Remarks* remarks) noexcept {
  std::FILE* file = std::fopen(filename, "rb");
  if (file == nullptr) return nullptr;
  Sequence* sequence;
  {
    // The file is read lazily, only as far as parsing gets.
    ByteSource source(file);
    sequence = load_sequence(source, remarks);
  }
  std::fclose(file);
  return sequence;
}

}  // namespace

Sequence* load_sequence_from_memory(const unsigned char* data, size_t size) noexcept {
  if (data == nullptr && size > 0) return nullptr;
  ByteSource source(data, size);
  return load_sequence(source, nullptr);
}

}  // namespace internal

Sequence* sequence_load_from_memory(const void* bytes, size_t length) {
  if (bytes == nullptr && length > 0) return nullptr;
  return internal::load_sequence_from_memory(static_cast<const unsigned char*>(bytes), length);
}

Sequence* sequence_load(const char* filename) {
  if (filename == nullptr) return nullptr;
  return internal::load_sequence_from_file(filename, nullptr);
}

Sequence* sequence_load_from_memory_with_remarks(const void* bytes, size_t length, LoadRemarkHandler handler,
                                                 void* context) {
  if (bytes == nullptr && length > 0) return nullptr;
  internal::Remarks remarks(handler, context);
  internal::ByteSource source(static_cast<const unsigned char*>(bytes), length);
  return internal::load_sequence(source, handler != nullptr ? &remarks : nullptr);
}

Sequence* sequence_load_with_remarks(const char* filename, LoadRemarkHandler handler, void* context) {
  if (filename == nullptr) return nullptr;
  internal::Remarks remarks(handler, context);
  return internal::load_sequence_from_file(filename, handler != nullptr ? &remarks : nullptr);
}

}  // namespace tactus
