// tactus-ports: lists the MIDI output devices, one a line as
// "number<TAB>name", numbered as tactus --out and --track-out number them.
#include <cstdio>

#include "player/platform.h"

int main() {
  tactus::player::Platform& platform = tactus::player::system_platform();
  const int32_t count = platform.output_device_count();
  for (int32_t device = 0; device < count; ++device)
    std::printf("%d\t%s\n", static_cast<int>(device), platform.output_device_name(device).c_str());
  return 0;
}
