// The player's one JACK client. It lists the JACK MIDI input ports and gives
// each opened JACK device an output port of its own, connected to that
// input; its process callback empties the ports' queues once a period. It
// never starts a JACK server, and wakes every period only once a port is
// open.
#ifndef TACTUS_PLAYER_BACKENDS_POSIX_JACK_CLIENT_H
#define TACTUS_PLAYER_BACKENDS_POSIX_JACK_CLIENT_H

#include <jack/jack.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "player/backends/posix/jack_queue.h"
#include "player/platform.h"

namespace tactus::player::posix {

struct JackOutput {
  explicit JackOutput(size_t queue_bytes) : queue(queue_bytes) {}
  jack_port_t* port = nullptr;
  JackQueue queue;
};

class JackClient {
 public:
  JackClient() = default;
  ~JackClient();
  JackClient(const JackClient&) = delete;
  JackClient& operator=(const JackClient&) = delete;

  // Called, on a thread of libjack's, when the server goes away or drops
  // this client. Set before connect.
  void notify_when_gone(Notification gone) { gone_ = gone; }

  // Opens the client on the running server and returns the full names
  // ("client:port") of its MIDI input ports, in the server's order; nothing,
  // silently, when no server runs.
  std::vector<std::string> connect(const char* client_name);

  // A new output port connected to the input `destination`; null when that
  // fails. There is room for one port per listed input and one more (the
  // default device may also be opened by number).
  JackOutput* open(const std::string& destination);

  // Queues a message to go out one period after now. While the queue is
  // full the sender waits for the callback to make room. False when the
  // message is larger than a period's buffer now takes, or the server is
  // gone or has run no period for a second.
  bool send(JackOutput& output, const unsigned char* bytes, size_t length);

  // Lets the queue drain and its last period reach the destination, for as
  // long as the server runs, then removes the port.
  void close(JackOutput* output);

  // The server went away, or dropped this client, after a port was opened:
  // nothing sent reaches any destination any more.
  bool lost() const { return active_ && !alive_.load(); }

 private:
  static int on_process(jack_nframes_t frames, void* self);
  static int on_buffer_size(jack_nframes_t frames, void* self);
  static void on_shutdown(void* self);
  bool activate();
  size_t largest_message(const JackOutput& output) const;
  // How long a wait for the callback lasts when no period comes.
  enum class Patience { kWhileServerRuns, kUntilASecondWithoutPeriod };
  // Sleeps part of a period at a time until `done` holds. False when the
  // server is gone, or when it has run no period for too long.
  template <class Condition>
  bool wait_until(Condition done, Patience patience) const;
  bool wait_periods(uint32_t count) const;
  // Takes the port from the callback and unregisters it.
  void remove(JackOutput* output);

  jack_client_t* client_ = nullptr;
  Notification gone_;
  bool active_ = false;
  std::atomic<bool> alive_{false};
  // Process cycles completed; wraps.
  std::atomic<uint32_t> periods_{0};
  // While the callback runs a cycle.
  std::atomic<bool> in_cycle_{false};
  // The largest message an empty period buffer takes, learnt from the
  // first period with a port: it depends on the server and its period
  // size, not the port. 0 while unknown, also after the size changed.
  std::atomic<size_t> largest_event_{0};
  // Set again when the server changes the period size.
  std::atomic<uint64_t> period_ns_{0};
  // Read by the callback; a slot is filled once its port is ready and
  // emptied before the port goes (see remove).
  std::vector<std::atomic<JackOutput*>> outputs_;
  int ports_opened_ = 0;
};

}  // namespace tactus::player::posix

#endif
