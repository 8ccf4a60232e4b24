// The player's own JACK client. It tells whether a JACK server is running
// without ever starting one, lists the JACK MIDI input ports, and counts the
// server's process cycles: RtMidi hands JACK messages to a queue that its
// client empties once per cycle, so a count of cycles after a send is how
// the ports know that the message has left.
#ifndef TACTUS_PLAYER_BACKENDS_RTMIDI_JACK_MONITOR_H
#define TACTUS_PLAYER_BACKENDS_RTMIDI_JACK_MONITOR_H

#include <jack/jack.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace tactus::player::rtmidi {

class JackMonitor {
 public:
  JackMonitor() = default;
  ~JackMonitor();
  JackMonitor(const JackMonitor&) = delete;
  JackMonitor& operator=(const JackMonitor&) = delete;

  // Opens the client on the running server; false, silently, when no server
  // runs (JackNoStartServer: a server is never started).
  bool connect(const char* client_name);

  // Connected and not shut down by the server since.
  bool running() const;

  // Full names ("client:port") of every MIDI input port, in the server's order.
  std::vector<std::string> midi_input_ports() const;

  // Process cycles run so far; wraps.
  uint32_t cycle_count() const { return cycles_.load(); }

  // Whether `count` cycles have run since cycle_count() gave `mark`.
  bool cycles_passed(uint32_t mark, uint32_t count) const;

  // Waits, sleeping, until cycles_passed(mark, count). False when the server
  // went away or the cycles did not come within a second more than they
  // should take.
  bool wait_for_cycles(uint32_t mark, uint32_t count) const;

 private:
  static int on_process(jack_nframes_t frames, void* self);
  static void on_shutdown(void* self);

  jack_client_t* client_ = nullptr;
  std::atomic<uint32_t> cycles_{0};
  std::atomic<bool> alive_{false};
  uint64_t period_ns_ = 0;
};

}  // namespace tactus::player::rtmidi

#endif
