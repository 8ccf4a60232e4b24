#include "player/backends/posix/posix_platform.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <new>

#include "player/backends/posix/interrupt_signals.h"
#include "player/backends/posix/monotonic_clock.h"
#include "player/backends/posix/quiet_diagnostics.h"

namespace tactus::player {

Platform& system_platform() {
  static posix::PosixPlatform platform;
  return platform;
}

namespace posix {

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

PosixPlatform::PosixPlatform() {
  silence_system_diagnostics();
  const Notification wake{[](void* pipe) { static_cast<WakePipe*>(pipe)->wake(); }, &wake_pipe_};
  system_.notify_when_failed(wake, wake_pipe_.descriptor());
  jack_.notify_when_gone(wake);
}

const std::vector<OutputDevice>& PosixPlatform::devices() {
  if (!devices_) devices_ = list_output_devices(system_, jack_);
  return *devices_;
}

int32_t PosixPlatform::default_device() {
  const std::vector<OutputDevice>& list = devices();
  for (size_t number = 0; number < list.size(); ++number)
    if (!is_pass_through(list[number])) return static_cast<int32_t>(number);
  return -1;
}

int32_t PosixPlatform::output_device_count() { return static_cast<int32_t>(devices().size()); }

std::string PosixPlatform::output_device_name(int32_t device) {
  if (device < 0 || device >= output_device_count()) return {};
  return devices()[static_cast<size_t>(device)].name;
}

MidiPort* PosixPlatform::open_output(int32_t device) {
  if (device == kDefaultDevice) device = default_device();
  if (device < 0 || device >= output_device_count()) return nullptr;
  const OutputDevice& chosen = devices()[static_cast<size_t>(device)];
  std::unique_ptr<MidiPort> port(new (std::nothrow) MidiPort);
  if (!port) return nullptr;
  if (chosen.on_jack) {
    port->jack = jack_.open(chosen.name);
    if (port->jack == nullptr) return nullptr;
  } else {
    port->system = system_.open(chosen.name);
    if (port->system == nullptr) return nullptr;
  }
  return port.release();
}

void PosixPlatform::close_output(MidiPort* port) {
  if (port == nullptr) return;
  if (port->jack != nullptr) jack_.close(port->jack);
  if (port->system != nullptr) system_.close(port->system);
  delete port;
}

bool PosixPlatform::send_bytes(MidiPort& port, const unsigned char* bytes, size_t length) {
  if (port.jack != nullptr) return jack_.send(*port.jack, bytes, length);
  return system_.send(*port.system, bytes, length);
}

void PosixPlatform::send_short_message(MidiPort* port, uint32_t message) {
  if (port == nullptr) return;
  const unsigned char bytes[3] = {static_cast<unsigned char>(message),
                                  static_cast<unsigned char>(message >> 8),
                                  static_cast<unsigned char>(message >> 16)};
  send_bytes(*port, bytes, short_message_length(message));
}

// Both MIDI systems copy a message while sending it, so the port is done
// with the bytes when the send returns.
LongMessageSent PosixPlatform::send_long_message(MidiPort* port, const unsigned char* data, size_t length,
                                                 Notification) {
  if (port == nullptr || data == nullptr || length == 0) return LongMessageSent::kRefused;
  return send_bytes(*port, data, length) ? LongMessageSent::kDone : LongMessageSent::kRefused;
}

uint32_t PosixPlatform::clock_ms() { return monotonic_ms32(); }

// Keys are read on the same wait as the wake-ups, so that neither is lost
// and no thread is added; what has come is read at once, so that the next
// wait does not end for it again.
void PosixPlatform::wait(uint32_t timeout_ms) {
  const WatchedInput inputs[] = {system_.news()};
  wake_pipe_.wait(timeout_ms, keys_.watched_descriptor(), inputs);
  keys_.read_available();
}

bool PosixPlatform::start_keys() {
  return keys_.start({[](void* pipe) { static_cast<WakePipe*>(pipe)->wake(); }, &wake_pipe_});
}

int32_t PosixPlatform::next_key() { return keys_.next_key(); }

void PosixPlatform::stop_keys() { keys_.stop(); }

int32_t PosixPlatform::terminal_columns(std::FILE* stream) {
  winsize size{};
  if (stream == nullptr || ioctl(fileno(stream), TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

void PosixPlatform::wake() { wake_pipe_.wake(); }

// The handler's span is exactly that of playback, so the raised priority
// follows it too.
void PosixPlatform::install_interrupt_handler(Notification interrupt) {
  priority_.raise();
  interrupt_ = interrupt;
  install_interrupt_signals(&interrupt_);
}

void PosixPlatform::remove_interrupt_handler() {
  remove_interrupt_signals();
  priority_.restore();
}

// A JACK server that goes takes every JACK port with it; an ALSA destination
// that goes, or stops taking messages, fails its own port.
const char* PosixPlatform::output_failure() {
  return jack_.lost() ? "Lost the connection to the JACK server." : system_.failure();
}

bool PosixPlatform::is_terminal(std::FILE* stream) {
  return stream != nullptr && isatty(fileno(stream)) == 1;
}

}  // namespace posix
}  // namespace tactus::player
