// Channel events as short message words: status in bits 0-7, first data
// byte in 8-15, second in 16-23. Fields enter their byte with their low eight
// bits; only the pitch wheel value is split into two seven-bit halves.
#include "model/midi_messages.h"
#include "model/records.h"

namespace tactus {
namespace {

uint32_t low_byte(int32_t value) { return static_cast<uint32_t>(value) & 0xFFu; }

}  // namespace

uint32_t event_to_short_message(Event* event) {
  if (event_is_voice(event) == 0) return 0;
  uint32_t status = (internal::status_of_kind(event->kind()) | low_byte(event->word1())) & 0xFFu;
  uint32_t first = 0;
  uint32_t second = 0;
  switch (event->kind()) {
    case PROGRAM_CHANGE:
    case CHANNEL_PRESSURE:
      first = low_byte(event->word2());
      break;
    case PITCH_WHEEL:
      first = static_cast<uint32_t>(event->word2()) & 0x7Fu;
      second = (static_cast<uint32_t>(event->word2()) >> 7) & 0xFFu;
      break;
    default:
      first = low_byte(event->word2());
      second = low_byte(event->word3());
      break;
  }
  return status | first << 8 | second << 16;
}

Event* event_new_from_short_message(Track* track, int32_t tick, uint32_t message) {
  if (track == nullptr) return nullptr;
  const int32_t kind = internal::kind_of_status(message);
  auto channel = static_cast<int32_t>(message & 0x0Fu);
  auto first = static_cast<int32_t>((message >> 8) & 0xFFu);
  auto second = static_cast<int32_t>((message >> 16) & 0xFFu);
  switch (kind) {
    case NOTE_OFF:
      return note_off_new(track, tick, channel, first, second);
    case NOTE_ON:
      return note_on_new(track, tick, channel, first, second);
    case KEY_PRESSURE:
      return key_pressure_new(track, tick, channel, first, second);
    case CONTROL_CHANGE:
      return control_change_new(track, tick, channel, first, second);
    case PROGRAM_CHANGE:
      return program_change_new(track, tick, channel, first);
    case CHANNEL_PRESSURE:
      return channel_pressure_new(track, tick, channel, first);
    case PITCH_WHEEL:
      return pitch_wheel_new(track, tick, channel, first | second << 7);
    default:
      return nullptr;
  }
}

}  // namespace tactus
