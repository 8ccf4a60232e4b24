// The writer's output: bytes gathered in a buffer and handed to a file in
// blocks. Without a file it only counts, so the same encoding code measures
// a track chunk before it is written.
#ifndef TACTUS_SMF_WRITER_SINK_H
#define TACTUS_SMF_WRITER_SINK_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace tactus::internal {

class WriterSink {
 public:
  // A null file makes a sink that only counts.
  explicit WriterSink(std::FILE* file) : file_(file) {}
  WriterSink(const WriterSink&) = delete;
  WriterSink& operator=(const WriterSink&) = delete;

  void put_byte(uint32_t value) {
    const auto byte = static_cast<unsigned char>(value);
    put_bytes(&byte, 1);
  }
  // Every message passes here, mostly a few bytes at a time: those are
  // copied inline, only a full buffer takes the slow path.
  void put_bytes(const unsigned char* bytes, size_t count) {
    count_ += count;
    if (file_ == nullptr) return;
    if (count > sizeof buffer_ - used_) {
      put_bytes_through(bytes, count);
      return;
    }
    for (size_t i = 0; i < count; ++i) buffer_[used_ + i] = bytes[i];
    used_ += count;
  }
  // Big-endian, the low 16 or all 32 bits.
  void put_u16(uint32_t value);
  void put_u32(uint32_t value);
  // A variable-length quantity: seven bits a byte, most significant first.
  // False, and nothing written, for a value the file cannot hold (negative,
  // or 2^28 or more, which would need a fifth byte).
  bool put_vlq(int64_t value);

  // Bytes put so far.
  uint64_t count() const { return count_; }
  // Hands the buffered bytes to the file; false if any write has failed.
  bool flush();
  // The errno of the write that failed; 0 while none has.
  int error() const { return error_; }

 private:
  // Fills the buffer, flushing it as often as it runs full.
  void put_bytes_through(const unsigned char* bytes, size_t count);

  std::FILE* file_;
  unsigned char buffer_[16384];
  size_t used_ = 0;
  uint64_t count_ = 0;
  bool failed_ = false;
  int error_ = 0;
};

}  // namespace tactus::internal

#endif
