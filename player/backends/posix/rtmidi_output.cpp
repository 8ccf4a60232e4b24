// The system's MIDI destinations through RtMidi where it is the platform's
// layer (CoreMIDI on macOS). RtMidi copies every message as it sends it; a
// destination that goes away refuses each message on its own.
#include <rtmidi/RtMidi.h>

#include <exception>
#include <iostream>

#include "player/backends/posix/system_midi.h"

namespace tactus::player::posix {

namespace {

#if defined(__APPLE__)
const RtMidi::Api kSystemApi = RtMidi::MACOSX_CORE;
#else
const RtMidi::Api kSystemApi = RtMidi::RTMIDI_DUMMY;
#endif

// RtMidi prints to std::cerr when a constructor fails, before any error
// callback can be set: that is discarded while this lives.
class QuietStandardError {
 public:
  QuietStandardError() : saved_(std::cerr.rdbuf(nullptr)) {}
  ~QuietStandardError() {
    std::cerr.rdbuf(saved_);
    std::cerr.clear();
  }
  QuietStandardError(const QuietStandardError&) = delete;
  QuietStandardError& operator=(const QuietStandardError&) = delete;

 private:
  std::streambuf* saved_;
};

void ignore_rtmidi_error(RtMidiError::Type, const std::string&, void*) {}

}  // namespace

struct SystemOutput {
  std::unique_ptr<RtMidiOut> out;
  // Set by RtMidi's error callback; every error means the call failed.
  bool failed = false;
};

struct SystemMidi::State {
  std::string client_name;
};

namespace {

void note_port_error(RtMidiError::Type, const std::string&, void* port) {
  static_cast<SystemOutput*>(port)->failed = true;
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

SystemMidi::SystemMidi() : state_(std::make_unique<State>()) {}

SystemMidi::~SystemMidi() = default;

void SystemMidi::notify_when_failed(Notification, int) {}

std::vector<std::string> SystemMidi::destinations(const char* client_name) {
  state_->client_name = client_name;
  std::vector<std::string> names;
  if (kSystemApi == RtMidi::RTMIDI_DUMMY) return names;
  try {
    QuietStandardError quiet;
    RtMidiOut lister(kSystemApi, client_name);
    lister.setErrorCallback(ignore_rtmidi_error, nullptr);
    unsigned int count = lister.getPortCount();
    for (unsigned int number = 0; number < count; ++number) names.push_back(lister.getPortName(number));
  } catch (const std::exception&) {
    names.clear();  // the system's MIDI failed half-way: its devices are left out
  }
  return names;
}

SystemOutput* SystemMidi::open(const std::string& name) {
  auto port = std::make_unique<SystemOutput>();
  try {
    QuietStandardError quiet;
    port->out = std::make_unique<RtMidiOut>(kSystemApi, state_->client_name);
    port->out->setErrorCallback(note_port_error, port.get());
    unsigned int number = 0;
    if (!find_port_number(*port->out, name, number)) return nullptr;
    port->out->openPort(number, "out");
    if (port->failed || !port->out->isPortOpen()) return nullptr;
  } catch (const std::exception&) {
    return nullptr;
  }
  return port.release();
}

bool SystemMidi::send(SystemOutput& port, const unsigned char* bytes, size_t length) {
  port.failed = false;
  try {
    port.out->sendMessage(bytes, length);
  } catch (const std::exception&) {
    port.failed = true;
  }
  return !port.failed;
}

void SystemMidi::close(SystemOutput* output) { delete output; }

const char* SystemMidi::failure() const { return nullptr; }

WatchedInput SystemMidi::news() { return {}; }

}  // namespace tactus::player::posix
