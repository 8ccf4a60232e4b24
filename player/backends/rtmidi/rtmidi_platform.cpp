#include "player/backends/rtmidi/rtmidi_platform.h"

#include "player/backends/rtmidi/interrupt_signals.h"
#include "player/backends/rtmidi/monotonic_clock.h"
#include "player/backends/rtmidi/output_port.h"
#include "player/backends/rtmidi/quiet_diagnostics.h"

namespace tactus::player {

Platform& system_platform() {
  static rtmidi::RtMidiPlatform platform;
  return platform;
}

namespace rtmidi {

namespace {

// Program change and channel pressure have one data byte, every other
// channel message two.
size_t short_message_length(uint32_t message) {
  switch (message & 0xF0) {
    case 0xC0:
    case 0xD0:
      return 2;
    default:
      return 3;
  }
}

}  // namespace

RtMidiPlatform::RtMidiPlatform() { silence_system_diagnostics(); }

const std::vector<OutputDevice>& RtMidiPlatform::devices() {
  if (!devices_) devices_ = list_output_devices(jack_);
  return *devices_;
}

int32_t RtMidiPlatform::default_device() {
  const std::vector<OutputDevice>& list = devices();
  for (size_t number = 0; number < list.size(); ++number)
    if (!is_pass_through(list[number])) return static_cast<int32_t>(number);
  return -1;
}

int32_t RtMidiPlatform::output_device_count() { return static_cast<int32_t>(devices().size()); }

std::string RtMidiPlatform::output_device_name(int32_t device) {
  if (device < 0 || device >= output_device_count()) return {};
  return devices()[static_cast<size_t>(device)].name;
}

MidiPort* RtMidiPlatform::open_output(int32_t device, OutputDoneRoutine done) {
  if (device == kDefaultDevice) device = default_device();
  if (device < 0 || device >= output_device_count()) return nullptr;
  return open_output_port(devices()[static_cast<size_t>(device)], jack_, done);
}

void RtMidiPlatform::close_output(MidiPort* port) {
  if (port != nullptr) close_output_port(port);
}

void RtMidiPlatform::send_short_message(MidiPort* port, uint32_t message) {
  if (port == nullptr) return;
  const unsigned char bytes[3] = {static_cast<unsigned char>(message),
                                  static_cast<unsigned char>(message >> 8),
                                  static_cast<unsigned char>(message >> 16)};
  send_to_port(*port, bytes, short_message_length(message));
}

// RtMidi copies a message while sending it, so there is nothing to prepare
// or release.
void RtMidiPlatform::prepare_long_message(MidiPort*, LongMessage&) {}

bool RtMidiPlatform::send_long_message(MidiPort* port, LongMessage& message) {
  if (port == nullptr || message.data == nullptr || message.length == 0) return false;
  if (!send_to_port(*port, message.data, message.length)) return false;
  // The message is copied into the MIDI system, so the port is done with it.
  if (port->done != nullptr) port->done();
  return true;
}

void RtMidiPlatform::release_long_message(MidiPort*, LongMessage&) {}

uint32_t RtMidiPlatform::clock_ms() { return monotonic_ms32(); }

void RtMidiPlatform::wait(uint32_t timeout_ms) { wake_pipe_.wait(timeout_ms); }

void RtMidiPlatform::wake() { wake_pipe_.wake(); }

void RtMidiPlatform::install_interrupt_handler(InterruptRoutine routine) {
  install_interrupt_signals(routine);
}

void RtMidiPlatform::remove_interrupt_handler() { remove_interrupt_signals(); }

}  // namespace rtmidi
}  // namespace tactus::player
