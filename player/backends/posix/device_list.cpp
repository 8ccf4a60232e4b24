#include "player/backends/posix/device_list.h"

namespace tactus::player::posix {

std::vector<OutputDevice> list_output_devices(SystemMidi& system, JackClient& jack) {
  std::vector<OutputDevice> devices;
  for (std::string& name : system.destinations(kClientName)) devices.push_back({false, std::move(name)});
  for (std::string& name : jack.connect(kClientName)) devices.push_back({true, std::move(name)});
  return devices;
}

bool is_pass_through(const OutputDevice& device) {
  return device.name.find("Midi Through") != std::string::npos;
}

}  // namespace tactus::player::posix
