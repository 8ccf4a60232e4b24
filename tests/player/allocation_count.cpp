#include "allocation_count.h"

#include <cstdlib>
#include <new>

namespace tactus::player::testing {

namespace {
thread_local bool counting = false;
thread_local int not_counted_depth = 0;
thread_local long allocations = 0;
}  // namespace

void start_counting_allocations() {
  allocations = 0;
  counting = true;
}
void stop_counting_allocations() { counting = false; }
long counted_allocations() { return allocations; }

NotCounted::NotCounted() { ++not_counted_depth; }
NotCounted::~NotCounted() { --not_counted_depth; }

}  // namespace tactus::player::testing

// The replaceable allocation functions of this test program. Every form is
// replaced, so that a sanitizer's own forms never meet these.
namespace {

void* allocate(std::size_t size) noexcept {
  using namespace tactus::player::testing;
  if (counting && not_counted_depth == 0) ++allocations;
  return std::malloc(size == 0 ? 1 : size);
}

void* allocate_or_throw(std::size_t size) {
  void* memory = allocate(size);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}

}  // namespace

void* operator new(std::size_t size) { return allocate_or_throw(size); }
void* operator new[](std::size_t size) { return allocate_or_throw(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
