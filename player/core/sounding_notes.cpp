#include "player/core/sounding_notes.h"

#include <algorithm>

namespace tactus::player {

SoundingNotes::SoundingNotes(std::span<MidiPort* const> track_ports)
    : port_index_of_track_(track_ports.size(), -1) {
  for (size_t track = 0; track < track_ports.size(); ++track) {
    MidiPort* port = track_ports[track];
    if (port == nullptr) continue;
    auto known = std::find(ports_.begin(), ports_.end(), port);
    port_index_of_track_[track] = static_cast<int32_t>(known - ports_.begin());
    if (known == ports_.end()) ports_.push_back(port);
  }
  sounding_.resize(ports_.size());
}

void SoundingNotes::message_sent(int32_t track, uint32_t message) {
  if (track < 0 || static_cast<size_t>(track) >= port_index_of_track_.size()) return;
  const int32_t port_index = port_index_of_track_[track];
  if (port_index < 0) return;
  // Judge by the bytes the port received: a velocity that the message word
  // cut to 0 is a note end to the synthesizer.
  const uint32_t status = message & 0xF0;
  if (status != 0x80 && status != 0x90) return;
  const size_t slot = (message & 0x0F) * 128 + ((message >> 8) & 0x7F);
  const bool starts = status == 0x90 && ((message >> 16) & 0xFF) != 0;
  sounding_[port_index][slot] = starts;
}

void SoundingNotes::end_all(Platform& platform) {
  for (size_t port_index = 0; port_index < ports_.size(); ++port_index) {
    auto& notes = sounding_[port_index];
    for (size_t slot = 0; slot < kNotesPerPort && notes.any(); ++slot) {
      if (!notes[slot]) continue;
      const uint32_t channel = static_cast<uint32_t>(slot / 128);
      const uint32_t note = static_cast<uint32_t>(slot % 128);
      platform.send_short_message(ports_[port_index], 0x80 | channel | (note << 8));
      notes[slot] = false;
    }
  }
}

}  // namespace tactus::player
