// The notes that playback has started and not yet ended, per port, channel
// and note, so that none is left sounding when playback stops early (a range
// that ends inside a note).
#ifndef TACTUS_PLAYER_CORE_SOUNDING_NOTES_H
#define TACTUS_PLAYER_CORE_SOUNDING_NOTES_H

#include <bitset>
#include <cstdint>
#include <span>
#include <vector>

#include "player/platform.h"

namespace tactus::player {

class SoundingNotes {
 public:
  // Sizes every table for the ports of `track_ports`; nothing is allocated
  // afterwards.
  explicit SoundingNotes(std::span<MidiPort* const> track_ports);

  // Notes a short message sent to the port of a track: a note start marks its
  // note sounding, a note end marks it silent. Other messages change nothing.
  void message_sent(int32_t track, uint32_t message);

  // Sends a note end (0x80 | channel, note, velocity 0) for every sounding
  // note, port by port in the order the tracks first name them, channels and
  // notes ascending, and forgets them.
  void end_all(Platform& platform);

 private:
  static constexpr size_t kNotesPerPort = 16 * 128;

  std::vector<MidiPort*> ports_;
  std::vector<int32_t> port_index_of_track_;
  std::vector<std::bitset<kNotesPerPort>> sounding_;
};

}  // namespace tactus::player

#endif
