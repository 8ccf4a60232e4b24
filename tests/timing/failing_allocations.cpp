#include <cstdlib>
#include <new>

#include "index_and_walk.h"

bool timing_test::allocations_fail = false;

namespace {
void* allocate(std::size_t size) noexcept {
  return timing_test::allocations_fail ? nullptr : std::malloc(size + 1);
}
}  // namespace

// The forms the library uses; array forms stay a sanitizer's, deletes too.
void* operator new(std::size_t size) {
  if (void* memory = allocate(size)) return memory;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
