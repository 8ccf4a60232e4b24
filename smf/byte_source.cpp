#include "smf/byte_source.h"

#include <cstdlib>

namespace tactus::internal {
namespace {

constexpr size_t kFirstBlockSize = 64 * 1024;

}  // namespace

ByteSource::ByteSource(const unsigned char* data, size_t size) noexcept : data_(data), size_(size) {}

ByteSource::ByteSource(std::FILE* stream) noexcept : data_(nullptr), size_(0), stream_(stream) {}

ByteSource::~ByteSource() { std::free(buffer_); }

bool ByteSource::read_block_after_fill(uint64_t count, const unsigned char*& block) noexcept {
  if (!fill_to(position_ + count)) return false;
  block = data_ + position_;
  position_ += count;
  return true;
}

bool ByteSource::read_u16(uint32_t& value) noexcept {
  const unsigned char* bytes;
  if (!read_block(2, bytes)) return false;
  value = uint32_t{bytes[0]} << 8 | bytes[1];
  return true;
}

bool ByteSource::read_u32(uint32_t& value) noexcept {
  const unsigned char* bytes;
  if (!read_block(4, bytes)) return false;
  value = uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
  return true;
}

bool ByteSource::read_byte_after_fill(unsigned char& byte) noexcept {
  if (!fill_to(position_ + 1)) return false;
  byte = data_[position_++];
  return true;
}

bool ByteSource::fill_to(uint64_t end) noexcept {
  while (size_ < end) {
    if (stream_ == nullptr) return false;
    if (size_ == capacity_ && !grow_buffer()) {
      out_of_memory_ = true;
      stream_ = nullptr;
      return false;
    }
    const size_t wanted = capacity_ - size_;
    const size_t got = std::fread(buffer_ + size_, 1, wanted, stream_);
    size_ += got;
    // A short read means the end of the file or an error; either way the
    // stream has given all it will.
    if (got < wanted) stream_ = nullptr;
  }
  return true;
}

bool ByteSource::grow_buffer() noexcept {
  const size_t capacity = capacity_ == 0 ? kFirstBlockSize : capacity_ * 2;
  if (capacity < capacity_) return false;
  auto* grown = static_cast<unsigned char*>(std::realloc(buffer_, capacity));
  if (grown == nullptr) return false;
  buffer_ = grown;
  data_ = grown;
  capacity_ = capacity;
  return true;
}

}  // namespace tactus::internal
