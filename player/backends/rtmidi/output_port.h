// An open output port: one RtMidiOut connected to one device.
//
// JACK ports need care that ALSA ports do not: RtMidi's JACK output hands
// each message to a 16 KiB queue that its client empties once per process
// cycle. RtMidi drops a message that can never fit the queue without a word,
// and spins while the queue is full. So the port keeps its own account of the
// bytes queued since the last few cycles: a message too large for the queue
// fails, a full queue is waited out cycle by cycle (never forever), and a
// close lets the queue empty before the port goes.
#ifndef TACTUS_PLAYER_BACKENDS_RTMIDI_OUTPUT_PORT_H
#define TACTUS_PLAYER_BACKENDS_RTMIDI_OUTPUT_PORT_H

#include <rtmidi/RtMidi.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "player/backends/rtmidi/device_list.h"
#include "player/backends/rtmidi/jack_monitor.h"
#include "player/platform.h"

namespace tactus::player {

struct MidiPort {
  std::unique_ptr<RtMidiOut> out;
  OutputDoneRoutine done = nullptr;
  // Set by RtMidi's error callback; every error means the call failed.
  bool failed = false;
  // JACK ports only: the monitor, the bytes queued since the queue was last
  // known empty, and the cycle count after the last send.
  rtmidi::JackMonitor* jack = nullptr;
  size_t queued_bytes = 0;
  uint32_t queue_mark = 0;
};

namespace rtmidi {

// Null when the device is gone or cannot be connected.
MidiPort* open_output_port(const OutputDevice& device, JackMonitor& jack, OutputDoneRoutine done);

// False when the port did not take the message.
bool send_to_port(MidiPort& port, const unsigned char* bytes, size_t length);

// Lets everything sent reach the device first (bounded), then closes.
void close_output_port(MidiPort* port);

}  // namespace rtmidi
}  // namespace tactus::player

#endif
