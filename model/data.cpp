// The variable-length data of SYSEX and META events. A replacement is copied
// before the old buffer is released, so the caller may hand in bytes that lie
// inside the current buffer, and a failed allocation keeps the old data.
#include <cstdlib>
#include <cstring>

#include "model/records.h"

namespace tactus {
namespace {

// `size` is the buffer size: `count` bytes plus a 0 byte for meta payloads.
int32_t replace_bytes(Event* event, const unsigned char* bytes, size_t count, size_t size) {
  auto* copy = static_cast<unsigned char*>(std::malloc(size));
  if (copy == nullptr) return -1;
  std::memcpy(copy, bytes, count);
  std::memset(copy + count, 0, size - count);
  std::free(event->bytes);
  event->bytes = copy;
  internal::invalidate_time_index(event);
  return 0;
}

}  // namespace

int32_t sysex_get_data_length(Event* event) {
  return event != nullptr && event->kind == SYSEX ? event->word1 : -1;
}

unsigned char* sysex_get_data(Event* event) {
  return event != nullptr && event->kind == SYSEX ? event->bytes : nullptr;
}

int32_t sysex_set_data(Event* event, int32_t count, const unsigned char* bytes) {
  if (event == nullptr || event->kind != SYSEX || count < 1 || bytes == nullptr) return -1;
  auto size = static_cast<size_t>(count);
  if (replace_bytes(event, bytes, size, size) != 0) return -1;
  event->word1 = count;
  return 0;
}

int32_t meta_get_data_length(Event* event) {
  return event != nullptr && event->kind == META ? event->word2 : -1;
}

unsigned char* meta_get_data(Event* event) {
  return event != nullptr && event->kind == META ? event->bytes : nullptr;
}

int32_t meta_set_data(Event* event, int32_t length, const unsigned char* bytes) {
  if (event == nullptr || event->kind != META || length < 1 || bytes == nullptr) return -1;
  auto size = static_cast<size_t>(length);
  if (replace_bytes(event, bytes, size, size + 1) != 0) return -1;
  event->word2 = length;
  return 0;
}

}  // namespace tactus
