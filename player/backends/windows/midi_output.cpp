// MIDI output through the multimedia API: devices, ports, short messages and
// system-exclusive messages whose completion the port reports.
#include <cstring>
#include <new>

#include "player/backends/windows/windows_platform.h"

namespace tactus::player {

namespace {

// The previous message's header, which the port is done with.
void release_header(MidiPort& port) {
  if (port.header_prepared) midiOutUnprepareHeader(port.handle, &port.header, sizeof port.header);
  port.header_prepared = false;
}

}  // namespace

// Runs on a thread of the multimedia system, which allows little more than
// SetEvent here. Opening and closing also notify (MOM_OPEN, MOM_CLOSE); only
// the completion of a long message concerns the player.
void CALLBACK output_notification(HMIDIOUT, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR) {
  const auto* port = reinterpret_cast<const MidiPort*>(instance);
  if (message == MOM_DONE && port->done.routine != nullptr) port->done();
}

int32_t WindowsPlatform::output_device_count() { return static_cast<int32_t>(midiOutGetNumDevs()); }

std::string WindowsPlatform::output_device_name(int32_t device) {
  // A negative number would name the MIDI mapper; a device that is gone
  // leaves the record empty. Either way the name is "".
  if (device < 0) return "";
  MIDIOUTCAPSA caps{};
  midiOutGetDevCapsA(static_cast<UINT>(device), &caps, sizeof caps);
  return std::string(caps.szPname, strnlen(caps.szPname, sizeof caps.szPname));
}

MidiPort* WindowsPlatform::open_output(int32_t device) {
  // Other negative numbers, cast to a device identifier, could pass for a
  // handle or the mapper.
  if (device < 0 && device != kDefaultDevice) return nullptr;
  auto* port = new (std::nothrow) MidiPort;
  if (port == nullptr) return nullptr;
  const UINT device_id = device == kDefaultDevice ? MIDI_MAPPER : static_cast<UINT>(device);
  // The port exists before the open, so notifications during the open find it.
  const MMRESULT result =
      midiOutOpen(&port->handle, device_id, reinterpret_cast<DWORD_PTR>(&output_notification),
                  reinterpret_cast<DWORD_PTR>(port), CALLBACK_FUNCTION);
  if (result != MMSYSERR_NOERROR || port->handle == nullptr) {
    delete port;
    return nullptr;
  }
  return port;
}

void WindowsPlatform::close_output(MidiPort* port) {
  release_header(*port);
  midiOutClose(port->handle);
  delete port;
}

void WindowsPlatform::send_short_message(MidiPort* port, uint32_t message) {
  midiOutShortMsg(port->handle, message);
}

LongMessageSent WindowsPlatform::send_long_message(MidiPort* port, const unsigned char* data, size_t length,
                                                   Notification done) {
  release_header(*port);
  MIDIHDR& header = port->header;
  header = MIDIHDR{};
  // The API takes a non-const buffer but only reads an output buffer.
  header.lpData = const_cast<LPSTR>(reinterpret_cast<const char*>(data));
  header.dwBufferLength = static_cast<DWORD>(length);
  header.dwFlags = 0;
  if (midiOutPrepareHeader(port->handle, &header, sizeof header) != MMSYSERR_NOERROR)
    return LongMessageSent::kRefused;
  port->header_prepared = true;
  port->done = done;
  if (midiOutLongMsg(port->handle, &header, sizeof header) == MMSYSERR_NOERROR)
    return LongMessageSent::kPending;
  release_header(*port);
  return LongMessageSent::kRefused;
}

}  // namespace tactus::player
