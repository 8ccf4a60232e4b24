// Which port receives the events of each track.
#ifndef TACTUS_PLAYER_CORE_ROUTING_H
#define TACTUS_PLAYER_CORE_ROUTING_H

#include <cstdint>
#include <vector>

#include "player/core/command_line.h"
#include "tactus/model.h"

namespace tactus::player {

// One entry per track of the sequence: the port of its last --track-out
// route, or `default_port` for a track without one. Routes for tracks that
// the sequence does not have are left out.
std::vector<MidiPort*> route_tracks(Sequence* sequence, const std::vector<TrackRoute>& routes,
                                    MidiPort* default_port);

// Silences tracks from track 1 on (track 0 always sounds): with a solo list,
// every track not in it; otherwise every track in the mute list.
void apply_solo_or_mute(Sequence* sequence, const std::vector<int32_t>& solo_tracks,
                        const std::vector<int32_t>& mute_tracks, std::vector<MidiPort*>& track_ports);

}  // namespace tactus::player

#endif
