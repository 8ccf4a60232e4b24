// The state of the 16 channels of a port as the channel messages received
// so far have set it (program, every controller, pitch bend, channel
// pressure, the registered and non-registered parameters' data), and how to
// bring a synthesizer from one such state to another with the fewest
// messages.
#ifndef TACTUS_PLAYER_CORE_CHANNEL_STATE_H
#define TACTUS_PLAYER_CORE_CHANNEL_STATE_H

#include <array>
#include <cstdint>
#include <vector>

#include "player/platform.h"

namespace tactus::player {

// One channel. Every value is -1 until a message sets it.
struct ChannelValues {
  // A parameter's number, with bit 14 set for a non-registered one, and its
  // data (entry MSB and LSB).
  struct Parameter {
    uint16_t key;
    uint8_t msb, lsb;
    bool operator==(const Parameter&) const = default;
  };

  std::array<int8_t, 128> controllers;
  int16_t program = -1;
  std::array<int8_t, 2> program_bank{-1, -1};  // bank MSB and LSB at the program change
  int16_t pressure = -1;
  int32_t pitch_bend = -1;              // 14 bits
  int8_t non_registered_selected = -1;  // which kind of parameter data entry goes to
  std::vector<Parameter> parameters;    // by key

  ChannelValues() { controllers.fill(-1); }

  // Follows a channel message of this channel as a General MIDI synthesizer
  // does: data entry (controllers 6 and 38) sets the selected parameter's
  // data and data increment and decrement (96, 97) step it by one, Reset
  // All Controllers (121) resets modulation, expression, the pedals, the
  // selection, pitch bend and pressure. Notes, key
  // pressure and the other channel mode messages change nothing kept here.
  void apply(uint32_t message);

  const Parameter* parameter(uint16_t key) const;
};

// The General MIDI power-on values, for what a state leaves unset.
int32_t power_on_controller(int32_t number);
ChannelValues::Parameter power_on_parameter(uint16_t key);

// Sends what brings a synthesizer that holds `output` to `target`, and
// updates `output` to match: each value that `target` sets and `output`
// lacks or holds otherwise, and for a value that only `output` sets, its
// power-on value unless it holds that. The program first, with the bank it
// was chosen in, then the controllers (a bank selected since among them), the parameters' data, the parameter
// selection, pitch bend and pressure, all to `port` on `channel`.
void bring_channel(const ChannelValues& target, ChannelValues& output, uint32_t channel, Platform& platform,
                   MidiPort* port);

}  // namespace tactus::player

#endif
