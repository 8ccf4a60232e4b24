#include "player/backends/rtmidi/device_list.h"

#include <exception>
#include <memory>

#include "player/backends/rtmidi/quiet_diagnostics.h"

#if defined(__linux__)
#include <alsa/asoundlib.h>
#endif

namespace tactus::player::rtmidi {

namespace {

void ignore_rtmidi_error(RtMidiError::Type, const std::string&, void*) {}

#if defined(__linux__)
constexpr RtMidi::Api kSystemApi = RtMidi::LINUX_ALSA;

// RtMidi reports a sequencer that cannot be opened only by printing and
// throwing from its constructor, so the sequencer is tried here first.
bool system_midi_available() {
  snd_seq_t* sequencer = nullptr;
  if (snd_seq_open(&sequencer, "default", SND_SEQ_OPEN_OUTPUT, SND_SEQ_NONBLOCK) < 0) return false;
  snd_seq_close(sequencer);
  return true;
}
#elif defined(__APPLE__)
constexpr RtMidi::Api kSystemApi = RtMidi::MACOSX_CORE;

bool system_midi_available() { return true; }
#else
constexpr RtMidi::Api kSystemApi = RtMidi::RTMIDI_DUMMY;

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
      devices.push_back({kSystemApi, lister.getPortName(number)});
  } catch (const std::exception&) {
    // The system's MIDI failed half-way: its devices are left out.
  }
}

void append_jack_devices(std::vector<OutputDevice>& devices, JackMonitor& jack) {
  if (!jack.connect(kClientName)) return;
  for (std::string& name : jack.midi_input_ports()) devices.push_back({RtMidi::UNIX_JACK, std::move(name)});
}

}  // namespace

std::vector<OutputDevice> list_output_devices(JackMonitor& jack) {
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

}  // namespace tactus::player::rtmidi
