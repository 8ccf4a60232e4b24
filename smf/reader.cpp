#include "smf/reader.h"

#include <cstdio>
#include <cstring>

#include "model/records.h"
#include "model/time_division.h"
#include "smf/byte_source.h"
#include "smf/track_reader.h"
#include "tactus/smf.h"

namespace tactus {
namespace internal {
namespace {

constexpr uint32_t kHeaderFieldsSize = 6;

struct ChunkHead {
  char identifier[4];
  uint32_t length;
  uint64_t end;  // content start + length
};

bool read_chunk_head(ByteSource& source, ChunkHead& head) noexcept {
  const unsigned char* identifier;
  if (!source.read_block(4, identifier)) return false;
  std::memcpy(head.identifier, identifier, 4);
  if (!source.read_u32(head.length)) return false;
  head.end = source.position() + head.length;
  return true;
}

bool has_identifier(const ChunkHead& head, const char* identifier) noexcept {
  return std::memcmp(head.identifier, identifier, 4) == 0;
}

// The RIFF wrapper has a fixed layout: "RMID", then a "data" chunk head
// directly followed by the header chunk. Its lengths bound nothing; `head`
// becomes the head after the wrapper.
bool read_past_riff_wrapper(ByteSource& source, ChunkHead& head) noexcept {
  const unsigned char* form;
  if (!source.read_block(4, form) || std::memcmp(form, "RMID", 4) != 0) return false;
  if (!read_chunk_head(source, head) || !has_identifier(head, "data")) return false;
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
bool read_track_chunks(ByteSource& source, Sequence* sequence, uint32_t declared_tracks,
                       uint64_t header_end) noexcept {
  uint64_t next_chunk = header_end;
  for (uint32_t tracks_read = 0; tracks_read < declared_tracks;) {
    source.seek(next_chunk);
    ChunkHead head;
    if (!read_chunk_head(source, head)) return true;
    next_chunk = head.end;
    if (!has_identifier(head, "MTrk")) continue;
    Track* track = sequence_add_track(sequence);
    if (track == nullptr || !read_track_events(source, track, head.end)) return false;
    ++tracks_read;
  }
  return true;
}

Sequence* load_sequence(ByteSource& source) noexcept {
  ChunkHead head;
  if (!read_chunk_head(source, head)) return nullptr;
  if (has_identifier(head, "RIFF") && !read_past_riff_wrapper(source, head)) return nullptr;
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
  if (sequence == nullptr) return nullptr;
  if (!read_track_chunks(source, sequence, declared_tracks, head.end) || source.out_of_memory()) {
    sequence_free(sequence);
    return nullptr;
  }
  // Each track was filled in file order; one merge gives the sequence order.
  link_sequence_order(sequence);
  return sequence;
}

}  // namespace

Sequence* load_sequence_from_memory(const unsigned char* data, size_t size) noexcept {
  if (data == nullptr && size > 0) return nullptr;
  ByteSource source(data, size);
  return load_sequence(source);
}

}  // namespace internal

Sequence* sequence_load_from_memory(const void* bytes, size_t length) {
  if (bytes == nullptr && length > 0) return nullptr;
  return internal::load_sequence_from_memory(static_cast<const unsigned char*>(bytes), length);
}

Sequence* sequence_load(const char* filename) {
  if (filename == nullptr) return nullptr;
  std::FILE* file = std::fopen(filename, "rb");
  if (file == nullptr) return nullptr;
  Sequence* sequence;
  {
    // The file is read lazily, only as far as parsing gets.
    internal::ByteSource source(file);
    sequence = internal::load_sequence(source);
  }
  std::fclose(file);
  return sequence;
}

}  // namespace tactus
