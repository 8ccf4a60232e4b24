#include "player/core/device_ports.h"

#include <algorithm>

#include "player/core/number_text.h"

namespace tactus::player {

int32_t find_output_device(Platform& platform, const char* text) {
  const int32_t count = platform.output_device_count();
  for (int32_t device = 0; device < count; ++device) {
    if (platform.output_device_name(device) == text) return device;
  }
  int32_t number = -1;
  return read_decimal_int(text, &number) ? number : -1;
}

MidiPort* DevicePorts::open_device(int32_t device, FILE* err) {
  auto entry = std::lower_bound(device_ports_.begin(), device_ports_.end(), device,
                                [](const auto& held, int32_t wanted) { return held.first < wanted; });
  if (entry != device_ports_.end() && entry->first == device) return entry->second;
  MidiPort* port = platform_.open_output(device);
  if (port == nullptr) {
    std::fprintf(err, "Error:  Cannot open MIDI output port #%d.\n", device);
    return nullptr;
  }
  device_ports_.insert(entry, {device, port});
  return port;
}

MidiPort* DevicePorts::open_default(FILE* err) {
  default_device_port_ = platform_.open_output(kDefaultDevice);
  if (default_device_port_ == nullptr) std::fprintf(err, "Error:  Cannot open default MIDI output port.\n");
  return default_device_port_;
}

void DevicePorts::close_all() {
  for (const auto& [device, port] : device_ports_) platform_.close_output(port);
  device_ports_.clear();
  if (default_device_port_ != nullptr) platform_.close_output(default_device_port_);
  default_device_port_ = nullptr;
}

}  // namespace tactus::player
