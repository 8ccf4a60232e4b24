#include "player/backends/rtmidi/output_port.h"

#include <exception>
#include <new>

#include "player/backends/rtmidi/quiet_diagnostics.h"

namespace tactus::player::rtmidi {

namespace {

constexpr const char* kPortName = "out";

// RtMidi's JACK queue is a 16384-byte ring buffer, of which one byte always
// stays free; each message is stored after its length as an int.
constexpr size_t kJackQueueBytes = 16383;
constexpr size_t kJackLengthBytes = sizeof(int);

// A message queued before cycle n is taken from the queue during cycle n+1 at
// the latest (our client may run before RtMidi's in cycle n) and read by its
// destination in that cycle or, when the destination runs first, the next.
constexpr uint32_t kCyclesToDeliver = 3;

void note_port_error(RtMidiError::Type, const std::string&, void* port) {
  static_cast<MidiPort*>(port)->failed = true;
}

// The device's number may have moved since the list was made: find its name.
bool find_port_number(RtMidiOut& out, const std::string& name, unsigned int& number) {
  unsigned int count = out.getPortCount();
  for (number = 0; number < count; ++number)
    if (out.getPortName(number) == name) return true;
  return false;
}

bool make_room_in_jack_queue(MidiPort& port, size_t needed) {
  if (needed > kJackQueueBytes || !port.jack->running()) return false;
  if (port.queued_bytes + needed > kJackQueueBytes &&
      !port.jack->wait_for_cycles(port.queue_mark, kCyclesToDeliver))
    return false;
  if (port.jack->cycles_passed(port.queue_mark, kCyclesToDeliver)) port.queued_bytes = 0;
  return true;
}

}  // namespace

MidiPort* open_output_port(const OutputDevice& device, JackMonitor& jack, OutputDoneRoutine done) {
  const bool is_jack = device.api == RtMidi::UNIX_JACK;
  if (is_jack && !jack.running()) return nullptr;
  std::unique_ptr<MidiPort> port(new (std::nothrow) MidiPort);
  if (!port) return nullptr;
  try {
    QuietStandardError quiet;
    port->out = std::make_unique<RtMidiOut>(device.api, kClientName);
    port->out->setErrorCallback(note_port_error, port.get());
    unsigned int number = 0;
    if (!find_port_number(*port->out, device.name, number)) return nullptr;
    port->out->openPort(number, kPortName);
    if (port->failed || !port->out->isPortOpen()) return nullptr;
  } catch (const std::exception&) {
    return nullptr;
  }
  port->done = done;
  if (is_jack) port->jack = &jack;
  return port.release();
}

bool send_to_port(MidiPort& port, const unsigned char* bytes, size_t length) {
  if (port.jack != nullptr && !make_room_in_jack_queue(port, length + kJackLengthBytes)) return false;
  port.failed = false;
  try {
    port.out->sendMessage(bytes, length);
  } catch (const std::exception&) {
    port.failed = true;
  }
  if (port.jack != nullptr) {
    port.queued_bytes += length + kJackLengthBytes;
    port.queue_mark = port.jack->cycle_count();
  }
  return !port.failed;
}

void close_output_port(MidiPort* port) {
  if (port->jack != nullptr && port->queued_bytes > 0)
    port->jack->wait_for_cycles(port->queue_mark, kCyclesToDeliver);
  try {
    port->out->closePort();
  } catch (const std::exception&) {
    // Closing cannot fail in a way the player could act on.
  }
  delete port;
}

}  // namespace tactus::player::rtmidi
