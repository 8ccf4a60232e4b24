#include "player/backends/posix/jack_queue.h"

#include <algorithm>

namespace tactus::player::posix {

JackQueue::JackQueue(size_t capacity) : ring_(capacity) {
  if (ring_.capacity() > sizeof(Head)) largest_message_ = ring_.capacity() - sizeof(Head);
}

// The head and the bytes become visible to the callback together.
bool JackQueue::push(uint32_t sent_frame, const unsigned char* bytes, size_t length) {
  if (length > largest_message_ || ring_.writable() < sizeof(Head) + length) return false;
  const Head head{sent_frame, static_cast<uint32_t>(length)};
  ring_.put(0, &head, sizeof head);
  ring_.put(sizeof head, bytes, length);
  ring_.publish(sizeof head + length);
  return true;
}

bool JackQueue::empty() const { return ring_.readable() == 0; }

void JackQueue::deliver(uint32_t period_start, uint32_t frames, PeriodBuffer& buffer) {
  uint32_t earliest = 0;
  bool wrote = false;
  Head head;
  while (ring_.readable() >= sizeof head) {
    ring_.get(0, &head, sizeof head);
    // Frame arithmetic wraps with JACK's 32-bit frame counter.
    const auto due = static_cast<int32_t>(head.sent_frame + frames - period_start);
    if (due >= static_cast<int32_t>(frames)) return;
    const bool fits = head.length <= buffer.room();
    // What does not fit waits for the next period's empty buffer; what fits
    // no empty buffer would block the queue for good and is dropped. The
    // port refuses such messages before it queues them; only one queued
    // just before the server made its periods smaller can come here.
    if (!fits && wrote) return;
    earliest = std::max(earliest, static_cast<uint32_t>(std::max(due, 0)));
    unsigned char* space = fits ? buffer.reserve(earliest, head.length) : nullptr;
    if (space != nullptr) {
      ring_.get(sizeof head, space, head.length);
      wrote = true;
    }
    ring_.consume(sizeof head + head.length);
  }
}

}  // namespace tactus::player::posix
