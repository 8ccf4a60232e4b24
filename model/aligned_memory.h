// Memory aligned to more than malloc() promises, for the event store's
// chunks, whose alignment lets an event find its chunk from its address.
#ifndef TACTUS_MODEL_ALIGNED_MEMORY_H
#define TACTUS_MODEL_ALIGNED_MEMORY_H

#include <cstddef>

namespace tactus::internal {

// `bytes` aligned to `alignment` (a power of two, a multiple of the pointer
// size); null when memory is exhausted.
void* allocate_aligned(size_t bytes, size_t alignment);
void free_aligned(void* memory);

}  // namespace tactus::internal

#endif
