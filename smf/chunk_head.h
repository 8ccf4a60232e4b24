// The head of a chunk: four identifier characters and a 32-bit length.
#ifndef TACTUS_SMF_CHUNK_HEAD_H
#define TACTUS_SMF_CHUNK_HEAD_H

#include <cstdint>
#include <cstring>

#include "smf/byte_source.h"

namespace tactus::internal {

struct ChunkHead {
  char identifier[4];
  uint32_t length;
  uint64_t start;  // where the head stands
  uint64_t end;    // content start + length
};

inline bool read_chunk_head(ByteSource& source, ChunkHead& head) noexcept {
  head.start = source.position();
  const unsigned char* identifier;
  if (!source.read_block(4, identifier)) return false;
  std::memcpy(head.identifier, identifier, 4);
  if (!source.read_u32(head.length)) return false;
  head.end = source.position() + head.length;
  return true;
}

inline bool has_identifier(const ChunkHead& head, const char* identifier) noexcept {
  return std::memcmp(head.identifier, identifier, 4) == 0;
}

}  // namespace tactus::internal

#endif
