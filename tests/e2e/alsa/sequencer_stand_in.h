// The stand-in sequencer that the ALSA backend's tests link in place of the kernel's.
#ifndef TACTUS_TESTS_E2E_ALSA_SEQUENCER_STAND_IN_H
#define TACTUS_TESTS_E2E_ALSA_SEQUENCER_STAND_IN_H

#include <alsa/asoundlib.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace tactus::test {

struct StandInPort {
  int client, port;
  std::string client_name, name;
  unsigned int type, caps;
  int cells = 200;        // the input pool, in the kernel's cells of 28 bytes
  int taken_per_ms = -1;  // how fast the destination reads them: -1 at once, 0 not at all
  int used = 0, refused = 0;
  std::chrono::steady_clock::time_point read_at{};
  std::string received{};
};

struct StandIn {
  std::vector<StandInPort> ports;
  std::function<void(StandInPort&)> on_taken;  // after each event a port takes
  bool heard = false;                          // the announcements are heard
  std::vector<snd_seq_event_t> announcements;
  int news[2] = {-1, -1};  // a byte for each announcement
  StandInPort* find(int client, int port);
  // Removes a port, or its whole client for port -1, announced unless told not to be.
  void remove(int client, int port, bool announce = true);
};

extern StandIn sequencer;

}  // namespace tactus::test

#endif
