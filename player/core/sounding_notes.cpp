#include "player/core/sounding_notes.h"

namespace tactus::player {

SoundingNotes::SoundingNotes(const PortTable& ports) : ports_(ports), sounding_(ports.size()) {}

void SoundingNotes::message_sent(int32_t port_index, uint32_t message) {
  if (port_index < 0) return;
  // Judge by the bytes the port received: a velocity that the message word
  // cut to 0 is a note end to the synthesizer.
  const uint32_t status = message & 0xF0;
  if (status != 0x80 && status != 0x90) return;
  const size_t slot = (message & 0x0F) * 128 + ((message >> 8) & 0x7F);
  const bool starts = status == 0x90 && ((message >> 16) & 0xFF) != 0;
  sounding_[static_cast<size_t>(port_index)][slot] = starts;
}

void SoundingNotes::end_all(Platform& platform) {
  for (size_t port_index = 0; port_index < ports_.size(); ++port_index) {
    auto& notes = sounding_[port_index];
    for (size_t slot = 0; slot < kNotesPerPort && notes.any(); ++slot) {
      if (!notes[slot]) continue;
      const uint32_t channel = static_cast<uint32_t>(slot / 128);
      const uint32_t note = static_cast<uint32_t>(slot % 128);
      platform.send_short_message(ports_.port(port_index), 0x80 | channel | (note << 8));
      notes[slot] = false;
    }
  }
}

}  // namespace tactus::player
