// Playing a loaded sequence in real time to the ports of its tracks.
#ifndef TACTUS_PLAYER_CORE_PLAYBACK_H
#define TACTUS_PLAYER_CORE_PLAYBACK_H

#include <cstdint>
#include <span>

#include "player/core/practice_options.h"
#include "player/platform.h"
#include "tactus/model.h"

namespace tactus::player {

// Walks the events of the sequence in time order and sends each one to the
// port of its track (track_ports[track number]; null or beyond the table:
// not sent). Events with from_tick <= tick <= to_tick are in range (a
// negative bound is no bound) and are sent at their due time; the others
// are not waited for, and only those that are no notes are sent, at once.
// After an interrupt, or once an output fails (Platform::output_failure),
// the rest goes out at once without note starts. Then the ports stay open
// for extra_time seconds, and every note still sounding gets a note end.
//
// `practice` changes the tempo, transposes, loops over the range (then a
// pass is from_tick <= tick < to_tick, each pass lasts the range's full
// length from its start, and between passes the channels are brought to
// the state the file has at the start), clicks the beats, counts in, shows
// the words and a status line, and takes keys from the console
// (Platform::start_keys) to pause, jump, change the tempo and the key,
// silence tracks and loop; wherever playback goes on from elsewhere, the
// sounding notes end and the channels are brought to the file's state
// there. Main thread only.
void play_sequence(Platform& platform, Sequence* sequence, std::span<MidiPort* const> track_ports,
                   int32_t from_tick, int32_t to_tick, float extra_time,
                   const PracticeOptions& practice = {});

}  // namespace tactus::player

#endif
