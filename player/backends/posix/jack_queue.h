// The messages of one JACK output port on their way from the main thread to
// the process callback: a lock-free ring of records, each the frame at which
// the message was sent, its length and its bytes.
//
// The callback writes each message one period after the frame at which it
// was sent. A message sent during a period can only be taken in the next
// one, so one period is the smallest latency that every message can have:
// each keeps its place within the period, and how late it sounds no longer
// depends on where in the period it was sent.
#ifndef TACTUS_PLAYER_BACKENDS_POSIX_JACK_QUEUE_H
#define TACTUS_PLAYER_BACKENDS_POSIX_JACK_QUEUE_H

#include <cstddef>
#include <cstdint>

#include "player/backends/posix/byte_ring.h"

namespace tactus::player::posix {

// Where the callback puts the messages of one period: the port's MIDI
// buffer, or a recording in the tests.
class PeriodBuffer {
 public:
  virtual ~PeriodBuffer() = default;
  // The size of the largest message that still fits.
  virtual size_t room() = 0;
  // Space for a message at a frame offset within the period; the offsets
  // of one period never decrease.
  virtual unsigned char* reserve(uint32_t offset, size_t length) = 0;
};

class JackQueue {
 public:
  // Records of `capacity` bytes in all: the largest message and its head.
  explicit JackQueue(size_t capacity);

  // False when the ring could not be allocated.
  bool usable() const { return ring_.usable(); }
  size_t largest_message() const { return largest_message_; }

  // Main thread. Queues a message sent at `sent_frame` (JACK's frame time);
  // false when there is no room for it now.
  bool push(uint32_t sent_frame, const unsigned char* bytes, size_t length);
  // Main thread: the callback has taken every message.
  bool empty() const;

  // Process callback, for the period of `frames` frames that starts at frame
  // `period_start`: writes, in order, every message due in this period or
  // earlier (a late one at once), until the buffer has no room for the next.
  void deliver(uint32_t period_start, uint32_t frames, PeriodBuffer& buffer);

 private:
  struct Head {
    uint32_t sent_frame;
    uint32_t length;
  };

  ByteRing ring_;
  size_t largest_message_ = 0;
};

}  // namespace tactus::player::posix

#endif
