// The output devices of a run: finding them by name or number, opening each
// at most once, and closing them all at the end.
#ifndef TACTUS_PLAYER_CORE_DEVICE_PORTS_H
#define TACTUS_PLAYER_CORE_DEVICE_PORTS_H

#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

#include "player/platform.h"

namespace tactus::player {

// The device whose name equals `text` exactly; else the number the text
// begins with (as "%d" reads it), whether or not such a device exists; else
// -1. A name match wins over a number.
int32_t find_output_device(Platform& platform, const char* text);

class DevicePorts {
 public:
  explicit DevicePorts(Platform& platform) : platform_(platform) {}

  // The port of a device (a number from find_output_device, not negative),
  // opened on first use. On failure writes "Error:  Cannot open MIDI output
  // port #<device>." to `err` and returns null.
  MidiPort* open_device(int32_t device, FILE* err);

  // The system's default output device. On failure writes "Error:  Cannot
  // open default MIDI output port." to `err` and returns null.
  MidiPort* open_default(FILE* err);

  // Closes the devices in ascending number, then the default device.
  void close_all();

 private:
  Platform& platform_;
  // Only devices that were opened are held, sorted by number: a huge
  // device number costs nothing.
  std::vector<std::pair<int32_t, MidiPort*>> device_ports_;
  MidiPort* default_device_port_ = nullptr;
};

}  // namespace tactus::player

#endif
