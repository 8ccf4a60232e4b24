// The tactus program: plays a Standard MIDI File to MIDI output ports.
#include <cstdio>

#include "player/core/player.h"
#include "player/platform.h"

int main(int argc, char** argv) {
  return tactus::player::run_player(argc, argv, tactus::player::system_platform(), stdout, stderr);
}
