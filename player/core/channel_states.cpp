#include "player/core/channel_states.h"

#include <algorithm>

namespace tactus::player {

ChannelStates::ChannelStates(const EventIndex& events, const PortTable& ports)
    : events_(events), ports_(ports), output_(ports.size()), target_(ports.size()) {}

void ChannelStates::prepare() {
  if (!checkpoints_.empty()) return;
  std::vector<PortChannels> state(ports_.size());
  for (size_t index = 0; index < events_.size(); ++index) {
    if (index % kEventsPerCheckpoint == 0) checkpoints_.push_back(state);
    apply_event(index, state);
  }
  if (checkpoints_.empty()) checkpoints_.push_back(state);
}

void ChannelStates::apply_event(size_t index, std::vector<PortChannels>& state) const {
  Event* event = events_.event(index);
  const int32_t kind = event_get_kind(event);
  if (kind == META || kind == SYSEX || event_is_note(event)) return;
  const int32_t port_index = ports_.index_of_track(track_get_number(event_get_track(event)));
  if (port_index < 0) return;
  const uint32_t message = event_to_short_message(event);
  state[static_cast<size_t>(port_index)][message & 0x0F].apply(message);
}

void ChannelStates::message_sent(int32_t port_index, uint32_t message) {
  if (port_index < 0) return;
  const uint32_t status = message & 0xF0;
  if (status < 0xB0 || status > 0xE0) return;
  output_[static_cast<size_t>(port_index)][message & 0x0F].apply(message);
}

void ChannelStates::bring_to(size_t event_index, Platform& platform) {
  prepare();
  const size_t checkpoint = std::min(event_index / kEventsPerCheckpoint, checkpoints_.size() - 1);
  target_ = checkpoints_[checkpoint];
  for (size_t index = checkpoint * kEventsPerCheckpoint; index < event_index && index < events_.size();
       ++index)
    apply_event(index, target_);
  for (size_t port = 0; port < ports_.size(); ++port)
    for (uint32_t channel = 0; channel < 16; ++channel)
      bring_channel(target_[port][channel], output_[port][channel], channel, platform, ports_.port(port));
}

}  // namespace tactus::player
