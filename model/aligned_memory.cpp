#include "model/aligned_memory.h"

#include <cstdlib>

#if defined(_WIN32)
#include <malloc.h>
#endif

namespace tactus::internal {

void* allocate_aligned(size_t bytes, size_t alignment) {
#if defined(_WIN32)
  return _aligned_malloc(bytes, alignment);
#else
  void* memory = nullptr;
  return posix_memalign(&memory, alignment, bytes) == 0 ? memory : nullptr;
#endif
}

void free_aligned(void* memory) {
#if defined(_WIN32)
  _aligned_free(memory);
#else
  std::free(memory);
#endif
}

}  // namespace tactus::internal
