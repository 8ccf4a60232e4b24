// The notes that playback has started and not yet ended, per port, channel
// and note, so that none is left sounding when playback stops early (a range
// that ends inside a note) or goes on elsewhere.
#ifndef TACTUS_PLAYER_CORE_SOUNDING_NOTES_H
#define TACTUS_PLAYER_CORE_SOUNDING_NOTES_H

#include <bitset>
#include <cstdint>
#include <vector>

#include "player/core/port_table.h"
#include "player/platform.h"

namespace tactus::player {

class SoundingNotes {
 public:
  // Sizes every table for the ports of the table; nothing is allocated
  // afterwards.
  explicit SoundingNotes(const PortTable& ports);

  // Notes a short message sent to a port (its index in the table): a note
  // start marks its note sounding, a note end marks it silent. Other
  // messages change nothing.
  void message_sent(int32_t port_index, uint32_t message);

  // Sends a note end (0x80 | channel, note, velocity 0) for every sounding
  // note, port by port in the order of the table, channels and notes
  // ascending, and forgets them.
  void end_all(Platform& platform);

 private:
  static constexpr size_t kNotesPerPort = 16 * 128;

  const PortTable& ports_;
  std::vector<std::bitset<kNotesPerPort>> sounding_;
};

}  // namespace tactus::player

#endif
