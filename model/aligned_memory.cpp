#include "model/aligned_memory.h"

#include <cstdlib>

#if defined(_WIN32)
#include <malloc.h>
#elif defined(__linux__)
#include <sys/mman.h>
#endif

namespace tactus::internal {

void* allocate_aligned(size_t bytes, size_t alignment, bool large_pages) {
#if defined(_WIN32)
  (void)large_pages;
  return _aligned_malloc(bytes, alignment);
#else
  void* memory = nullptr;
  if (posix_memalign(&memory, alignment, bytes) != 0) return nullptr;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (large_pages) madvise(memory, bytes, MADV_HUGEPAGE);
#else
  (void)large_pages;
#endif
  return memory;
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
