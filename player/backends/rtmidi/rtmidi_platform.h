// The platform of Linux and macOS: MIDI output through RtMidi (ALSA or
// CoreMIDI, and JACK), the monotonic clock, a wake-up pipe and signals.
#ifndef TACTUS_PLAYER_BACKENDS_RTMIDI_RTMIDI_PLATFORM_H
#define TACTUS_PLAYER_BACKENDS_RTMIDI_RTMIDI_PLATFORM_H

#include <optional>
#include <vector>

#include "player/backends/rtmidi/device_list.h"
#include "player/backends/rtmidi/jack_monitor.h"
#include "player/backends/rtmidi/wake_pipe.h"
#include "player/platform.h"

namespace tactus::player::rtmidi {

class RtMidiPlatform final : public Platform {
 public:
  RtMidiPlatform();

  int32_t output_device_count() override;
  std::string output_device_name(int32_t device) override;
  MidiPort* open_output(int32_t device, OutputDoneRoutine done) override;
  void close_output(MidiPort* port) override;
  void send_short_message(MidiPort* port, uint32_t message) override;
  void prepare_long_message(MidiPort* port, LongMessage& message) override;
  bool send_long_message(MidiPort* port, LongMessage& message) override;
  void release_long_message(MidiPort* port, LongMessage& message) override;
  uint32_t clock_ms() override;
  void wait(uint32_t timeout_ms) override;
  void wake() override;
  void install_interrupt_handler(InterruptRoutine routine) override;
  void remove_interrupt_handler() override;

 private:
  // Listed once, at first use, so that the numbers stay the same for the
  // whole run.
  const std::vector<OutputDevice>& devices();
  int32_t default_device();

  JackMonitor jack_;
  WakePipe wake_pipe_;
  std::optional<std::vector<OutputDevice>> devices_;
};

}  // namespace tactus::player::rtmidi

#endif
