// A ring of bytes between one writer thread and one reader thread, without
// locks. The writer puts a record's bytes in, then publishes them all at
// once; the reader sees only published bytes and consumes them when it has
// copied them out.
//
// libjack has a ring of this kind, but up to JACK 1.9.21 (Debian bookworm)
// it moves its positions without memory barriers: on a weakly ordered CPU
// (ARM: a Raspberry Pi, Apple silicon) the reader can see the advanced
// write position before the bytes behind it, and read garbage. Here the
// positions are atomics, stored with release and loaded with acquire, so
// the bytes are in place before the other side can see them, whatever
// libjack version the program runs with.
#ifndef TACTUS_PLAYER_BACKENDS_POSIX_BYTE_RING_H
#define TACTUS_PLAYER_BACKENDS_POSIX_BYTE_RING_H

#include <atomic>
#include <cstddef>
#include <memory>

namespace tactus::player::posix {

class ByteRing {
 public:
  // Holds up to capacity - 1 bytes: one position stays free, so that a full
  // ring and an empty one differ. Nothing when the memory is not there.
  explicit ByteRing(size_t capacity);

  bool usable() const { return bytes_ != nullptr; }
  // The most that an empty ring takes.
  size_t capacity() const { return size_ == 0 ? 0 : size_ - 1; }

  // Writer: room for more; bytes put `offset` bytes past the published
  // ones; then the first `length` of the unpublished bytes made readable.
  size_t writable() const;
  void put(size_t offset, const void* data, size_t length);
  void publish(size_t length);

  // Reader: the published bytes not yet consumed; a copy of some, `offset`
  // bytes from the first; then the first `length` of them given back.
  size_t readable() const;
  void get(size_t offset, void* data, size_t length) const;
  void consume(size_t length);

 private:
  size_t advanced(size_t position, size_t by) const { return (position + by) % size_; }

  std::unique_ptr<unsigned char[]> bytes_;
  size_t size_ = 0;
  // Positions in [0, size_): the writer alone stores write_, the reader
  // alone read_.
  std::atomic<size_t> write_{0};
  std::atomic<size_t> read_{0};
};

}  // namespace tactus::player::posix

#endif
