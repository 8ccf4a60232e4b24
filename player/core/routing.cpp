#include "player/core/routing.h"

#include <algorithm>

namespace tactus::player {

std::vector<MidiPort*> route_tracks(Sequence* sequence, const std::vector<TrackRoute>& routes,
                                    MidiPort* default_port) {
  const int32_t track_count = std::max(sequence_get_track_count(sequence), 0);
  std::vector<MidiPort*> track_ports(static_cast<size_t>(track_count), nullptr);
  for (const TrackRoute& route : routes) {
    if (route.track < track_count) track_ports[route.track] = route.port;
  }
  std::replace(track_ports.begin(), track_ports.end(), static_cast<MidiPort*>(nullptr), default_port);
  return track_ports;
}

void apply_solo_or_mute(Sequence* sequence, const std::vector<int32_t>& solo_tracks,
                        const std::vector<int32_t>& mute_tracks, std::vector<MidiPort*>& track_ports) {
  const bool solo = !solo_tracks.empty();
  if (!solo && mute_tracks.empty()) return;
  const std::vector<int32_t>& listed_tracks = solo ? solo_tracks : mute_tracks;
  for (Track* track = sequence_get_track_by_number(sequence, 1, 0); track != nullptr;
       track = track_get_next(track)) {
    const int32_t number = track_get_number(track);
    const bool listed = std::find(listed_tracks.begin(), listed_tracks.end(), number) != listed_tracks.end();
    if (listed != solo && number >= 0 && static_cast<size_t>(number) < track_ports.size()) {
      track_ports[number] = nullptr;
    }
  }
}

}  // namespace tactus::player
