// The variable-length data of SYSEX and META events. A replacement is copied
// before the old buffer is released, so the caller may hand in bytes that lie
// inside the current buffer, and a failed allocation keeps the old data.
#include "model/records.h"

namespace tactus {

int32_t sysex_get_data_length(Event* event) {
  return event != nullptr && event->kind() == SYSEX ? event->word1() : -1;
}

unsigned char* sysex_get_data(Event* event) {
  return event != nullptr && event->kind() == SYSEX ? event->bytes() : nullptr;
}

int32_t sysex_set_data(Event* event, int32_t count, const unsigned char* bytes) {
  if (event == nullptr || event->kind() != SYSEX || count < 1 || bytes == nullptr) return -1;
  return internal::store_event_bytes(event, bytes, static_cast<size_t>(count)) ? 0 : -1;
}

int32_t meta_get_data_length(Event* event) {
  return event != nullptr && event->kind() == META ? event->word2() : -1;
}

unsigned char* meta_get_data(Event* event) {
  return event != nullptr && event->kind() == META ? event->bytes() : nullptr;
}

int32_t meta_set_data(Event* event, int32_t length, const unsigned char* bytes) {
  if (event == nullptr || event->kind() != META || length < 1 || bytes == nullptr) return -1;
  if (!internal::store_event_bytes(event, bytes, static_cast<size_t>(length))) return -1;
  internal::invalidate_time_index(event);
  return 0;
}

}  // namespace tactus
