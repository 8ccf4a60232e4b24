#include "player/core/transpose.h"

namespace tactus::player {

bool transpose_message(uint32_t& message, int32_t semitones) {
  const uint32_t status = message & 0xF0;
  if (status != 0x80 && status != 0x90 && status != 0xA0) return true;
  // A damaged file's note byte above 127 is no note: masked, it would sound
  // as another.
  if (((message >> 8) & 0xFF) > 127) return false;
  if (semitones == 0 || (message & 0x0F) == kPercussionChannel) return true;
  // In 64 bits, so that no shift, however large, overflows.
  const int64_t note = int64_t{(message >> 8) & 0x7F} + semitones;
  if (note < 0 || note > 127) return false;
  message = (message & ~0xFF00u) | static_cast<uint32_t>(note) << 8;
  return true;
}

}  // namespace tactus::player
