// The options of the tactus command line.
#ifndef TACTUS_PLAYER_CORE_COMMAND_LINE_H
#define TACTUS_PLAYER_CORE_COMMAND_LINE_H

#include <cstdint>
#include <cstdio>
#include <vector>

#include "player/core/device_ports.h"
#include "player/core/practice_options.h"
#include "player/platform.h"

namespace tactus::player {

// A --track-out choice: the track's events go to this port. Routes are kept
// as given; only those for tracks that the file has are ever used.
struct TrackRoute {
  int32_t track;
  MidiPort* port;
};

struct Options {
  int32_t out_device = -1;  // -1: no --out, play to the default device
  std::vector<TrackRoute> track_routes;
  std::vector<int32_t> solo_tracks;
  std::vector<int32_t> mute_tracks;
  const char* from_text = nullptr;  // the last --from, if any
  const char* to_text = nullptr;    // the last --to, if any
  float extra_time = 0;             // seconds
  // The words go to standard output, the status line and the keys' table to
  // standard error.
  PracticeOptions practice;
  const char* file_name = nullptr;
};

enum class ParseOutcome {
  kParsed,  // run with the options
  kUsage,   // show the usage text
  kHelp,    // show the usage text and the keys
  kFailed,  // a message has been written
};

// Reads the arguments after the program's name from left to right. A
// --track-out device is opened at once through `ports`; --out is only looked
// up. Stops at the first failure, after writing its message ("No such MIDI
// output device" to `out`, others to `err`).
ParseOutcome parse_command_line(int argc, char** argv, Platform& platform, DevicePorts& ports,
                                Options& options, FILE* out, FILE* err);

// Writes the usage text with the program's name to `err`.
void print_usage(const char* program, FILE* err);

}  // namespace tactus::player

#endif
