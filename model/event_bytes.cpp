// The bytes of SYSEX and META events: inline in the event when they are
// few, which is most of a file's meta events and short system-exclusive
// messages, otherwise in a buffer of their own.
#include <cstdlib>
#include <cstring>

#include "model/records.h"

namespace tactus::internal {
namespace {

bool fits_inline(const Event* event, int32_t word1, size_t count) {
  if (event->kind() == SYSEX) return count <= Event::kInlineSysexBytes;
  return count <= Event::kInlineMetaBytes && word1 >= 0 && word1 <= 0xFF;
}

// Where the bytes go, with the count or number and the length set; the 0
// byte after a META payload too. Null when a buffer cannot be had.
unsigned char* place_bytes(Event* event, int32_t word1, size_t count) {
  const bool meta = event->kind() == META;
  if (fits_inline(event, word1, count)) {
    event->packed |= Event::kInlineBit;
    event->data[0] = static_cast<unsigned char>(word1);
    if (!meta) return event->data + 1;
    event->data[1] = static_cast<unsigned char>(count);
    event->data[2 + count] = 0;
    return event->data + 2;
  }
  auto* block = static_cast<unsigned char*>(std::malloc(Event::kBufferHeader + count + (meta ? 1 : 0)));
  if (block == nullptr) return nullptr;
  const auto length = static_cast<int32_t>(count);
  std::memcpy(block, &length, sizeof length);
  unsigned char* buffer = block + Event::kBufferHeader;
  if (meta) buffer[count] = 0;
  event->packed &= ~Event::kInlineBit;
  event->store_word(0, word1);
  event->store_buffer(buffer);
  return buffer;
}

}  // namespace

unsigned char* reserve_event_bytes(Event* event, int32_t word1, size_t count) {
  unsigned char* place = place_bytes(event, word1, count);
  if (place != nullptr && !event->bytes_inline()) list_buffer_owner(sequence_of(event), event);
  return place;
}

// Bytes that lie in the event's own inline place (its current payload) are
// copied aside first, since placing the new bytes overwrites that place.
// Bytes in the old buffer stay readable until it is freed, after the copy.
bool store_event_bytes(Event* event, const unsigned char* bytes, size_t count) {
  const int32_t word1 = event->kind() == SYSEX ? static_cast<int32_t>(count) : event->word1();
  const bool was_listed = event->owns_buffer();
  unsigned char* old_block = was_listed ? event->buffer() - Event::kBufferHeader : nullptr;
  unsigned char aside[sizeof event->data];
  const unsigned char* source = bytes;
  if (bytes >= event->data && bytes < event->data + sizeof event->data) {
    if (count > static_cast<size_t>(event->data + sizeof event->data - bytes)) return false;
    std::memcpy(aside, bytes, count);
    source = aside;
  }
  const Event before = *event;
  unsigned char* place = place_bytes(event, word1, count);
  if (place == nullptr) {
    *event = before;
    return false;
  }
  if (count > 0) std::memcpy(place, source, count);
  std::free(old_block);
  if (!was_listed && !event->bytes_inline()) list_buffer_owner(sequence_of(event), event);
  return true;
}

bool store_meta_number(Event* event, int32_t number) {
  if (!event->bytes_inline() || (number >= 0 && number <= 0xFF)) {
    if (event->bytes_inline()) {
      event->data[0] = static_cast<unsigned char>(number);
    } else {
      event->store_word(0, number);
    }
    return true;
  }
  // An inline payload is at most 8 bytes: copied aside before it moves.
  unsigned char payload[Event::kInlineMetaBytes];
  const auto length = static_cast<size_t>(event->word2());
  std::memcpy(payload, event->bytes(), length);
  const Event before = *event;
  unsigned char* place = place_bytes(event, number, length);
  if (place == nullptr) {
    *event = before;
    return false;
  }
  std::memcpy(place, payload, length);
  list_buffer_owner(sequence_of(event), event);
  return true;
}

}  // namespace tactus::internal
