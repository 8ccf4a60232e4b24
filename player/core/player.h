// The tactus program: one run from the command line to the exit status.
#ifndef TACTUS_PLAYER_CORE_PLAYER_H
#define TACTUS_PLAYER_CORE_PLAYER_H

#include <cstdio>

#include "player/platform.h"

namespace tactus::player {

// Parses the command line, loads the file, routes its tracks, resolves the
// playback range, plays and shuts down. Returns the exit status: 0 after a
// complete run, 1 after a usage text or an error message. "No such MIDI
// output device" messages go to `out`, every other message to `err`.
int run_player(int argc, char** argv, Platform& platform, FILE* out, FILE* err);

}  // namespace tactus::player

#endif
