// The output devices of this machine in one list: the system MIDI API's
// destinations first (the ALSA sequencer on Linux, CoreMIDI on macOS), then
// the JACK MIDI input ports. A MIDI system that cannot start contributes no
// devices and prints nothing.
#ifndef TACTUS_PLAYER_BACKENDS_POSIX_DEVICE_LIST_H
#define TACTUS_PLAYER_BACKENDS_POSIX_DEVICE_LIST_H

#include <string>
#include <vector>

#include "player/backends/posix/jack_client.h"
#include "player/backends/posix/system_midi.h"

namespace tactus::player::posix {

// The client name the player shows in the MIDI systems.
inline constexpr const char* kClientName = "tactus";

struct OutputDevice {
  bool on_jack;
  // The MIDI system's own name: "client:port c:p" for ALSA, "client:port"
  // for JACK.
  std::string name;
};

// Connects `jack` to a running JACK server on the way, when there is one.
std::vector<OutputDevice> list_output_devices(SystemMidi& system, JackClient& jack);

// A port that only passes its input on to other ports (ALSA's "Midi
// Through", also as bridged into JACK): never the default device.
bool is_pass_through(const OutputDevice& device);

}  // namespace tactus::player::posix

#endif
