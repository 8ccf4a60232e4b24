// The platform of Linux and macOS: MIDI output to the system's destinations
// (the ALSA sequencer through alsa-lib, CoreMIDI through RtMidi) and to JACK
// through libjack, the
// monotonic clock, a wake-up pipe, signals, and a real-time priority for
// the span of playback where the system grants one.
#ifndef TACTUS_PLAYER_BACKENDS_POSIX_POSIX_PLATFORM_H
#define TACTUS_PLAYER_BACKENDS_POSIX_POSIX_PLATFORM_H

#include <memory>
#include <optional>
#include <vector>

#include "player/backends/posix/device_list.h"
#include "player/backends/posix/jack_client.h"
#include "player/backends/posix/playback_priority.h"
#include "player/backends/posix/system_midi.h"
#include "player/backends/posix/terminal_keys.h"
#include "player/backends/posix/wake_pipe.h"
#include "player/platform.h"

namespace tactus::player {

// One of the two, by the device's MIDI system.
struct MidiPort {
  posix::SystemOutput* system = nullptr;
  posix::JackOutput* jack = nullptr;
};

namespace posix {

class PosixPlatform final : public Platform {
 public:
  PosixPlatform();

  int32_t output_device_count() override;
  std::string output_device_name(int32_t device) override;
  MidiPort* open_output(int32_t device) override;
  void close_output(MidiPort* port) override;
  void send_short_message(MidiPort* port, uint32_t message) override;
  LongMessageSent send_long_message(MidiPort* port, const unsigned char* data, size_t length,
                                    Notification done) override;
  uint32_t clock_ms() override;
  void wait(uint32_t timeout_ms) override;
  void wake() override;
  void install_interrupt_handler(Notification interrupt) override;
  void remove_interrupt_handler() override;
  const char* output_failure() override;
  bool is_terminal(std::FILE* stream) override;
  int32_t terminal_columns(std::FILE* stream) override;
  bool start_keys() override;
  int32_t next_key() override;
  void stop_keys() override;

 private:
  // Listed once, at first use, so that the numbers stay the same for the
  // whole run.
  const std::vector<OutputDevice>& devices();
  int32_t default_device();
  bool send_bytes(MidiPort& port, const unsigned char* bytes, size_t length);

  // The pipe outlives both MIDI systems, whose failures wake it.
  WakePipe wake_pipe_;
  SystemMidi system_;
  JackClient jack_;
  std::optional<std::vector<OutputDevice>> devices_;
  Notification interrupt_;
  PlaybackPriority priority_;
  TerminalKeys keys_;
};

}  // namespace posix
}  // namespace tactus::player

#endif
