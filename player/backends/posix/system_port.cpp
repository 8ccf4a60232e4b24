#include "player/backends/posix/system_port.h"

#include <exception>
#include <new>

#include "player/backends/posix/device_list.h"
#include "player/backends/posix/quiet_diagnostics.h"

namespace tactus::player::posix {

namespace {

void note_port_error(RtMidiError::Type, const std::string&, void* port) {
  static_cast<SystemPort*>(port)->failed = true;
}

// The destination's number may have moved since the list was made: find
// its name.
bool find_port_number(RtMidiOut& out, const std::string& name, unsigned int& number) {
  unsigned int count = out.getPortCount();
  for (number = 0; number < count; ++number)
    if (out.getPortName(number) == name) return true;
  return false;
}

}  // namespace

std::unique_ptr<SystemPort> open_system_port(const std::string& name) {
  std::unique_ptr<SystemPort> port(new (std::nothrow) SystemPort);
  if (!port) return nullptr;
  try {
    QuietStandardError quiet;
    port->out = std::make_unique<RtMidiOut>(kSystemApi, kClientName);
    port->out->setErrorCallback(note_port_error, port.get());
    unsigned int number = 0;
    if (!find_port_number(*port->out, name, number)) return nullptr;
    port->out->openPort(number, "out");
    if (port->failed || !port->out->isPortOpen()) return nullptr;
  } catch (const std::exception&) {
    return nullptr;
  }
  return port;
}

bool send_to_system_port(SystemPort& port, const unsigned char* bytes, size_t length) {
  port.failed = false;
  try {
    port.out->sendMessage(bytes, length);
  } catch (const std::exception&) {
    port.failed = true;
  }
  return !port.failed;
}

}  // namespace tactus::player::posix
