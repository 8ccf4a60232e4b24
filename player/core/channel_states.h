// The state of every channel of every port: what the file sets up to any
// event, and what the output holds from what playback sent, so that playback
// can go on from anywhere with the synthesizer as if it had played the file
// from its start.
#ifndef TACTUS_PLAYER_CORE_CHANNEL_STATES_H
#define TACTUS_PLAYER_CORE_CHANNEL_STATES_H

#include <array>
#include <cstdint>
#include <vector>

#include "player/core/channel_state.h"
#include "player/core/event_index.h"
#include "player/core/port_table.h"
#include "player/platform.h"

namespace tactus::player {

class ChannelStates {
 public:
  using PortChannels = std::array<ChannelValues, 16>;

  ChannelStates(const EventIndex& events, const PortTable& ports);

  // Reads the channel events of the tracks that have a port once, keeping
  // the state at every few thousand events, so that the state before any
  // event is a short walk from the nearest one. Done at the first
  // bring_to() unless done before, where it costs no time.
  void prepare();

  // Notes a channel message sent to a port (its index in the table).
  void message_sent(int32_t port_index, uint32_t message);

  // Brings every port to the state that the events before `event_index`
  // set (see bring_channel): only what differs is sent. Sends no notes and
  // no system-exclusive message; sounding notes are to be ended before.
  // Allocates nothing once prepared and the parameters' tables have grown.
  void bring_to(size_t event_index, Platform& platform);

 private:
  static constexpr size_t kEventsPerCheckpoint = 4096;

  void apply_event(size_t index, std::vector<PortChannels>& state) const;

  const EventIndex& events_;
  const PortTable& ports_;
  std::vector<std::vector<PortChannels>> checkpoints_;  // before events 0, 4096, 8192, ...
  std::vector<PortChannels> output_;
  std::vector<PortChannels> target_;  // scratch, kept for its memory
};

}  // namespace tactus::player

#endif
