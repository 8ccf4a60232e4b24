#include "smf/writer_sink.h"

#include <cerrno>
#include <cstring>

namespace tactus::internal {

void WriterSink::put_bytes_through(const unsigned char* bytes, size_t count) {
  while (count > 0 && !failed_) {
    if (used_ == sizeof buffer_ && !flush()) return;
    const size_t room = sizeof buffer_ - used_;
    const size_t part = count < room ? count : room;
    std::memcpy(buffer_ + used_, bytes, part);
    used_ += part;
    bytes += part;
    count -= part;
  }
}

void WriterSink::put_u16(uint32_t value) {
  const unsigned char bytes[2] = {static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
  put_bytes(bytes, sizeof bytes);
}

void WriterSink::put_u32(uint32_t value) {
  const unsigned char bytes[4] = {static_cast<unsigned char>(value >> 24),
                                  static_cast<unsigned char>(value >> 16),
                                  static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
  put_bytes(bytes, sizeof bytes);
}

bool WriterSink::put_vlq(int64_t value) {
  if (value < 0 || value >= (int64_t{1} << 28)) return false;
  // Filled from the end: the last byte has its top bit clear, every byte
  // before it has the top bit set.
  unsigned char bytes[4];
  size_t first = sizeof bytes - 1;
  auto rest = static_cast<uint32_t>(value);
  bytes[first] = static_cast<unsigned char>(rest & 0x7F);
  for (rest >>= 7; rest != 0; rest >>= 7) bytes[--first] = static_cast<unsigned char>(0x80 | (rest & 0x7F));
  put_bytes(bytes + first, sizeof bytes - first);
  return true;
}

bool WriterSink::flush() {
  if (file_ != nullptr && !failed_ && used_ > 0) {
    failed_ = std::fwrite(buffer_, 1, used_, file_) != used_;
    if (failed_) error_ = errno;
    used_ = 0;
  }
  return !failed_;
}

}  // namespace tactus::internal
