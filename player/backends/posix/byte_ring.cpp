#include "player/backends/posix/byte_ring.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace tactus::player::posix {

ByteRing::ByteRing(size_t capacity)
    : bytes_(capacity < 2 ? nullptr : new (std::nothrow) unsigned char[capacity]) {
  if (bytes_ != nullptr) size_ = capacity;
}

// The acquire load of the other side's position orders this side's access
// to the bytes after the other side's own, which its release store ended.
size_t ByteRing::readable() const {
  const size_t write = write_.load(std::memory_order_acquire);
  const size_t read = read_.load(std::memory_order_acquire);
  return write >= read ? write - read : write + size_ - read;
}

size_t ByteRing::writable() const { return capacity() - readable(); }

void ByteRing::put(size_t offset, const void* data, size_t length) {
  const size_t start = advanced(write_.load(std::memory_order_relaxed), offset);
  const size_t first = std::min(length, size_ - start);
  std::memcpy(&bytes_[start], data, first);
  std::memcpy(&bytes_[0], static_cast<const unsigned char*>(data) + first, length - first);
}

void ByteRing::publish(size_t length) {
  write_.store(advanced(write_.load(std::memory_order_relaxed), length), std::memory_order_release);
}

void ByteRing::get(size_t offset, void* data, size_t length) const {
  const size_t start = advanced(read_.load(std::memory_order_relaxed), offset);
  const size_t first = std::min(length, size_ - start);
  std::memcpy(data, &bytes_[start], first);
  std::memcpy(static_cast<unsigned char*>(data) + first, &bytes_[0], length - first);
}

void ByteRing::consume(size_t length) {
  read_.store(advanced(read_.load(std::memory_order_relaxed), length), std::memory_order_release);
}

}  // namespace tactus::player::posix
