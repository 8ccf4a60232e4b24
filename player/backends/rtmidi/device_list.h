// The output devices of this machine in one list: the system MIDI API's
// destinations first (the ALSA sequencer on Linux, CoreMIDI on macOS), then
// the JACK MIDI input ports. A MIDI system that cannot start contributes no
// devices and prints nothing.
#ifndef TACTUS_PLAYER_BACKENDS_RTMIDI_DEVICE_LIST_H
#define TACTUS_PLAYER_BACKENDS_RTMIDI_DEVICE_LIST_H

#include <rtmidi/RtMidi.h>

#include <string>
#include <vector>

#include "player/backends/rtmidi/jack_monitor.h"

namespace tactus::player::rtmidi {

// The client name the player shows in the MIDI systems.
inline constexpr const char* kClientName = "tactus";

struct OutputDevice {
  RtMidi::Api api;
  // The MIDI system's own name: RtMidi's for ALSA, "client:port" for JACK.
  std::string name;
};

// Connects `jack` to a running JACK server on the way, when there is one.
std::vector<OutputDevice> list_output_devices(JackMonitor& jack);

// A port that only passes its input on to other ports (ALSA's "Midi
// Through", also as bridged into JACK): never the default device.
bool is_pass_through(const OutputDevice& device);

}  // namespace tactus::player::rtmidi

#endif
