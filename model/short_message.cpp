// Channel events as short message words: status in bits 0-7, first data
// byte in 8-15, second in 16-23. Fields enter their byte with their low eight
// bits; only the pitch wheel value is split into two seven-bit halves.
#include "model/records.h"

namespace tactus {
namespace {

uint32_t low_byte(int32_t value) { return static_cast<uint32_t>(value) & 0xFFu; }

uint32_t status_of_kind(int32_t kind) { return 0x80u + (static_cast<uint32_t>(kind) << 4); }

}  // namespace

uint32_t event_to_short_message(Event* event) {
  if (event_is_voice(event) == 0) return 0;
  uint32_t status = (status_of_kind(event->kind) | low_byte(event->word1)) & 0xFFu;
  uint32_t first = 0;
  uint32_t second = 0;
  switch (event->kind) {
    case PROGRAM_CHANGE:
    case CHANNEL_PRESSURE:
      first = low_byte(event->word2);
      break;
    case PITCH_WHEEL:
      first = static_cast<uint32_t>(event->word2) & 0x7Fu;
      second = (static_cast<uint32_t>(event->word2) >> 7) & 0xFFu;
      break;
    default:
      first = low_byte(event->word2);
      second = low_byte(event->word3);
      break;
  }
  return status | first << 8 | second << 16;
}

Event* event_new_from_short_message(Track* track, int32_t tick, uint32_t message) {
  if (track == nullptr) return nullptr;
  uint32_t status = message & 0xF0u;
  if (status < 0x80u || status > 0xE0u) return nullptr;
  auto channel = static_cast<int32_t>(message & 0x0Fu);
  auto first = static_cast<int32_t>((message >> 8) & 0xFFu);
  auto second = static_cast<int32_t>((message >> 16) & 0xFFu);
  switch (status) {
    case 0x80u:
      return note_off_new(track, tick, channel, first, second);
    case 0x90u:
      return note_on_new(track, tick, channel, first, second);
    case 0xA0u:
      return key_pressure_new(track, tick, channel, first, second);
    case 0xB0u:
      return control_change_new(track, tick, channel, first, second);
    case 0xC0u:
      return program_change_new(track, tick, channel, first);
    case 0xD0u:
      return channel_pressure_new(track, tick, channel, first);
    default:
      return pitch_wheel_new(track, tick, channel, first | second << 7);
  }
}

}  // namespace tactus
