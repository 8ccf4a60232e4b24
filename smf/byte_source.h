// The bytes of a MIDI file as the reader walks them.
#ifndef TACTUS_SMF_BYTE_SOURCE_H
#define TACTUS_SMF_BYTE_SOURCE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace tactus::internal {

// A cursor over a file's bytes that never reads past their end.
//
// Over memory, every byte is there from the start. Over a stream, bytes are
// read in blocks into a growing buffer only when the cursor needs them, so a
// source without end (/dev/zero, a pipe) is read only as far as parsing gets,
// and the buffer holds at most about twice the bytes the stream delivered:
// a length field claiming gigabytes costs no more than the file really has.
// Once the stream reports its end, or a read fails, it is not read again.
//
// Positions are absolute offsets from the start of the file, in 64 bits, so
// that a chunk start plus a 32-bit length never wraps.
class ByteSource {
 public:
  ByteSource(const unsigned char* data, size_t size) noexcept;
  explicit ByteSource(std::FILE* stream) noexcept;
  ~ByteSource();
  ByteSource(const ByteSource&) = delete;
  ByteSource& operator=(const ByteSource&) = delete;

  uint64_t position() const noexcept { return position_; }
  // May move beyond the last byte; reads from there then fail.
  void seek(uint64_t position) noexcept { position_ = position; }
  // Gives back the byte just read, so that it is read again.
  void step_back() noexcept { --position_; }

  // False at the end of the file (the cursor stays where it was).
  bool read_byte(unsigned char& byte) noexcept {
    if (position_ < size_) {
      byte = data_[position_++];
      return true;
    }
    return read_byte_after_fill(byte);
  }
  // Points `block` at the next `count` bytes, valid until the next read;
  // false (cursor unmoved) when fewer remain in the file.
  bool read_block(uint64_t count, const unsigned char*& block) noexcept {
    if (position_ > size_ || count > size_ - position_) return read_block_after_fill(count, block);
    block = data_ + position_;
    position_ += count;
    return true;
  }
  // Big-endian unsigned fields.
  bool read_u16(uint32_t& value) noexcept;
  bool read_u32(uint32_t& value) noexcept;

  // The file's size, or `end` when the file holds at least that many bytes;
  // a stream is read as far as that takes.
  uint64_t size_up_to(uint64_t end) noexcept {
    fill_to(end);
    return size_ < end ? size_ : end;
  }

  // The bytes available so far (all of them over memory), for loops that
  // walk them directly; valid until the next read that fills the buffer.
  const unsigned char* bytes() const noexcept { return data_; }
  size_t size() const noexcept { return size_; }

  // Set when a buffer could not grow: the bytes seen so far are incomplete.
  bool out_of_memory() const noexcept { return out_of_memory_; }

 private:
  bool read_byte_after_fill(unsigned char& byte) noexcept;
  bool read_block_after_fill(uint64_t count, const unsigned char*& block) noexcept;
  // Makes the bytes before `end` available; false if the file ends first.
  bool fill_to(uint64_t end) noexcept;
  bool grow_buffer() noexcept;

  const unsigned char* data_;
  size_t size_;
  uint64_t position_ = 0;
  std::FILE* stream_ = nullptr;  // null once exhausted, or for memory
  unsigned char* buffer_ = nullptr;
  size_t capacity_ = 0;
  bool out_of_memory_ = false;
};

}  // namespace tactus::internal

#endif
