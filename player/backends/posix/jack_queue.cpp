#include "player/backends/posix/jack_queue.h"

#include <algorithm>

namespace tactus::player::posix {

JackQueue::JackQueue(size_t capacity) : ring_(jack_ringbuffer_create(capacity)) {
  // The ring rounds its size up to a power of two and keeps one byte free.
  if (ring_ != nullptr) largest_message_ = jack_ringbuffer_write_space(ring_) - sizeof(Head);
}

JackQueue::~JackQueue() {
  if (ring_ != nullptr) jack_ringbuffer_free(ring_);
}

bool JackQueue::push(uint32_t sent_frame, const unsigned char* bytes, size_t length) {
  if (length > largest_message_ || jack_ringbuffer_write_space(ring_) < sizeof(Head) + length) return false;
  const Head head{sent_frame, static_cast<uint32_t>(length)};
  jack_ringbuffer_write(ring_, reinterpret_cast<const char*>(&head), sizeof head);
  jack_ringbuffer_write(ring_, reinterpret_cast<const char*>(bytes), length);
  return true;
}

bool JackQueue::empty() const { return jack_ringbuffer_read_space(ring_) == 0; }

void JackQueue::deliver(uint32_t period_start, uint32_t frames, PeriodBuffer& buffer) {
  uint32_t earliest = 0;
  bool wrote = false;
  Head head;
  // The head is written before its bytes: take a record only when whole.
  while (jack_ringbuffer_peek(ring_, reinterpret_cast<char*>(&head), sizeof head) == sizeof head &&
         jack_ringbuffer_read_space(ring_) >= sizeof head + head.length) {
    // Frame arithmetic wraps with JACK's 32-bit frame counter.
    const auto due = static_cast<int32_t>(head.sent_frame + frames - period_start);
    if (due >= static_cast<int32_t>(frames)) return;
    const bool fits = head.length <= buffer.room();
    // What does not fit waits for the next period's empty buffer; what fits
    // no empty buffer would block the queue for good and is dropped (the
    // port refuses such messages before it queues them).
    if (!fits && wrote) return;
    jack_ringbuffer_read_advance(ring_, sizeof head);
    earliest = std::max(earliest, static_cast<uint32_t>(std::max(due, 0)));
    unsigned char* space = fits ? buffer.reserve(earliest, head.length) : nullptr;
    if (space == nullptr) {
      jack_ringbuffer_read_advance(ring_, head.length);
      continue;
    }
    jack_ringbuffer_read(ring_, reinterpret_cast<char*>(space), head.length);
    wrote = true;
  }
}

}  // namespace tactus::player::posix
