// The bytes of SYSEX and META events: inline in the event when they are
// few, which is most of a file's meta events and short system-exclusive
// messages, otherwise in a buffer of their own.
#include <cstdlib>
#include <cstring>

#include "model/records.h"

namespace tactus::internal {

unsigned char* reserve_event_bytes(Event* event, size_t count) {
  const bool meta = event->kind() == META;
  if (count <= static_cast<size_t>(meta ? Event::kInlineMetaBytes : Event::kInlineSysexBytes)) {
    event->packed |= Event::kInlineBit;
    if (!meta) return event->data + 4;
    event->data[4] = static_cast<unsigned char>(count);
    event->data[5 + count] = 0;
    return event->data + 5;
  }
  auto* buffer = static_cast<unsigned char*>(std::malloc(count + (meta ? 1 : 0)));
  if (buffer == nullptr) return nullptr;
  if (meta) {
    buffer[count] = 0;
    event->store_word(4, static_cast<int32_t>(count));
  }
  event->packed &= ~Event::kInlineBit;
  event->store_buffer(buffer);
  list_buffer_owner(sequence_of(event), event);
  return buffer;
}

bool store_event_bytes(Event* event, const unsigned char* bytes, size_t count) {
  const bool meta = event->kind() == META;
  const size_t inline_limit = meta ? Event::kInlineMetaBytes : Event::kInlineSysexBytes;
  unsigned char* old_buffer = event->owns_buffer() ? event->buffer() : nullptr;
  if (count <= inline_limit) {
    unsigned char* place = event->data + (meta ? 5 : 4);
    if (count > 0) std::memmove(place, bytes, count);
    if (meta) {
      place[count] = 0;
      event->data[4] = static_cast<unsigned char>(count);
    }
    event->packed |= Event::kInlineBit;
    std::free(old_buffer);
    return true;
  }
  auto* copy = static_cast<unsigned char*>(std::malloc(count + (meta ? 1 : 0)));
  if (copy == nullptr) return false;
  std::memcpy(copy, bytes, count);
  if (meta) {
    copy[count] = 0;
    event->store_word(4, static_cast<int32_t>(count));
  }
  const bool was_listed = old_buffer != nullptr;
  event->packed &= ~Event::kInlineBit;
  event->store_buffer(copy);
  std::free(old_buffer);
  if (!was_listed) list_buffer_owner(sequence_of(event), event);
  return true;
}

}  // namespace tactus::internal
