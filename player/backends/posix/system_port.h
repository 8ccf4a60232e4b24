// An ALSA sequencer or CoreMIDI destination, reached through RtMidi, which
// copies every message as it sends it.
#ifndef TACTUS_PLAYER_BACKENDS_POSIX_SYSTEM_PORT_H
#define TACTUS_PLAYER_BACKENDS_POSIX_SYSTEM_PORT_H

#include <rtmidi/RtMidi.h>

#include <cstddef>
#include <memory>
#include <string>

namespace tactus::player::posix {

struct SystemPort {
  std::unique_ptr<RtMidiOut> out;
  // Set by RtMidi's error callback; every error means the call failed.
  bool failed = false;
};

// Null when the destination is gone or cannot be connected.
std::unique_ptr<SystemPort> open_system_port(const std::string& name);

// False when the port did not take the message.
bool send_to_system_port(SystemPort& port, const unsigned char* bytes, size_t length);

}  // namespace tactus::player::posix

#endif
