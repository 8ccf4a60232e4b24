#include "player/backends/posix/device_list.h"

#include <exception>
#include <memory>

#include "player/backends/posix/quiet_diagnostics.h"

#if defined(__linux__)
#include <alsa/asoundlib.h>
#endif

namespace tactus::player::posix {

#if defined(__linux__)
const RtMidi::Api kSystemApi = RtMidi::LINUX_ALSA;
#elif defined(__APPLE__)
const RtMidi::Api kSystemApi = RtMidi::MACOSX_CORE;
#else
const RtMidi::Api kSystemApi = RtMidi::RTMIDI_DUMMY;
#endif

namespace {

void ignore_rtmidi_error(RtMidiError::Type, const std::string&, void*) {}

#if defined(__linux__)
// RtMidi reports a sequencer that cannot be opened only by printing and
// throwing from its constructor, so the sequencer is tried here first.
bool system_midi_available() {
  snd_seq_t* sequencer = nullptr;
  if (snd_seq_open(&sequencer, "default", SND_SEQ_OPEN_OUTPUT, SND_SEQ_NONBLOCK) < 0) return false;
  snd_seq_close(sequencer);
  return true;
}
#elif defined(__APPLE__)
bool system_midi_available() { return true; }
#else
bool system_midi_available() { return false; }
#endif

void append_system_devices(std::vector<OutputDevice>& devices) {
  if (!system_midi_available()) return;
  try {
    QuietStandardError quiet;
    RtMidiOut lister(kSystemApi, kClientName);
    lister.setErrorCallback(ignore_rtmidi_error, nullptr);
    unsigned int count = lister.getPortCount();
    for (unsigned int number = 0; number < count; ++number)
      devices.push_back({false, lister.getPortName(number)});
  } catch (const std::exception&) {
    // The system's MIDI failed half-way: its devices are left out.
  }
}

void append_jack_devices(std::vector<OutputDevice>& devices, JackClient& jack) {
  for (std::string& name : jack.connect(kClientName)) devices.push_back({true, std::move(name)});
}

}  // namespace

std::vector<OutputDevice> list_output_devices(JackClient& jack) {
  std::vector<OutputDevice> devices;
  try {
    append_system_devices(devices);
    append_jack_devices(devices, jack);
  } catch (const std::exception&) {
    devices.clear();
  }
  return devices;
}

bool is_pass_through(const OutputDevice& device) {
  return device.name.find("Midi Through") != std::string::npos;
}

}  // namespace tactus::player::posix
