// The distinct ports of the tracks, numbered in the order the tracks first
// name them, so that per-port tables can be plain arrays.
#ifndef TACTUS_PLAYER_CORE_PORT_TABLE_H
#define TACTUS_PLAYER_CORE_PORT_TABLE_H

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "player/platform.h"

namespace tactus::player {

class PortTable {
 public:
  explicit PortTable(std::span<MidiPort* const> track_ports) : index_of_track_(track_ports.size(), -1) {
    for (size_t track = 0; track < track_ports.size(); ++track) {
      MidiPort* port = track_ports[track];
      if (port == nullptr) continue;
      auto known = std::find(ports_.begin(), ports_.end(), port);
      index_of_track_[track] = static_cast<int32_t>(known - ports_.begin());
      if (known == ports_.end()) ports_.push_back(port);
    }
  }

  size_t size() const { return ports_.size(); }
  MidiPort* port(size_t index) const { return ports_[index]; }

  // -1 for a track without a port, or one beyond the table.
  int32_t index_of_track(int32_t track) const {
    if (track < 0 || static_cast<size_t>(track) >= index_of_track_.size()) return -1;
    return index_of_track_[static_cast<size_t>(track)];
  }

 private:
  std::vector<MidiPort*> ports_;
  std::vector<int32_t> index_of_track_;
};

}  // namespace tactus::player

#endif
