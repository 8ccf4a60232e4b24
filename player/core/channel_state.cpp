#include "player/core/channel_state.h"

#include <algorithm>

namespace tactus::player {

namespace {

constexpr int kBankMsb = 0, kDataMsb = 6, kBankLsb = 32, kDataLsb = 38;
constexpr int kNrpnLsb = 98, kNrpnMsb = 99, kRpnLsb = 100, kRpnMsb = 101;
constexpr int kDataIncrement = 96, kDataDecrement = 97;
constexpr int kResetAllControllers = 121;
constexpr uint16_t kNonRegistered = 1u << 14;

// A controller that holds a value of its own: not data entry, increment or
// decrement (kept as the parameters' data), nor a channel mode message.
bool holds_value(int number) {
  return number != kDataMsb && number != kDataLsb && number != kDataIncrement && number != kDataDecrement &&
         number < 120;
}

// Brought in the order of their own: bank first, the selection last.
bool is_plain_controller(int number) {
  return holds_value(number) && number != kBankMsb && number != kBankLsb &&
         !(number >= kNrpnLsb && number <= kRpnMsb);
}

int value_or(int value, int fallback) { return value >= 0 ? value : fallback; }

// The value to send: the target's, or the power-on value for what only the
// output has set; -1 when the output holds it already or neither sets it.
int wanted(int target, int output, int power_on) {
  const int value = target >= 0 ? target : output >= 0 ? power_on : -1;
  return value == output ? -1 : value;
}

// The value the channel is to hold, sent or not: -1 when neither sets it.
int held(int target, int output, int power_on) { return target >= 0 ? target : output >= 0 ? power_on : -1; }

}  // namespace

int32_t power_on_controller(int32_t number) {
  switch (number) {
    case 7:
      return 100;
    case 10:
      return 64;
    case 11:
      return 127;
    default:
      return 0;
  }
}

// Pitch-bend range 2 semitones; fine and coarse tuning at their centres.
ChannelValues::Parameter power_on_parameter(uint16_t key) {
  switch (key) {
    case 0:
      return {key, 2, 0};
    case 1:
    case 2:
      return {key, 64, 0};
    default:
      return {key, 0, 0};
  }
}

const ChannelValues::Parameter* ChannelValues::parameter(uint16_t key) const {
  auto found = std::lower_bound(parameters.begin(), parameters.end(), key,
                                [](const Parameter& p, uint16_t wanted_key) { return p.key < wanted_key; });
  return found != parameters.end() && found->key == key ? &*found : nullptr;
}

void ChannelValues::apply(uint32_t message) {
  const uint32_t status = message & 0xF0;
  const int first = static_cast<int>((message >> 8) & 0x7F);
  const int second = static_cast<int>((message >> 16) & 0x7F);
  if (status == 0xC0) {
    program = static_cast<int16_t>(first);
    program_bank = {static_cast<int8_t>(value_or(controllers[kBankMsb], 0)),
                    static_cast<int8_t>(value_or(controllers[kBankLsb], 0))};
  }
  if (status == 0xD0) pressure = static_cast<int16_t>(first);
  if (status == 0xE0) pitch_bend = first | second << 7;
  if (status != 0xB0) return;
  if (first == kDataMsb || first == kDataLsb || first == kDataIncrement || first == kDataDecrement) {
    // Data entry goes to the parameter selected last; 127/127 selects none.
    const bool non_registered = non_registered_selected == 1;
    const int msb = value_or(controllers[non_registered ? kNrpnMsb : kRpnMsb], 0);
    const int lsb = value_or(controllers[non_registered ? kNrpnLsb : kRpnLsb], 0);
    if (msb == 127 && lsb == 127) return;
    const uint16_t key = static_cast<uint16_t>((non_registered ? kNonRegistered : 0) | msb << 7 | lsb);
    auto place = std::lower_bound(parameters.begin(), parameters.end(), key,
                                  [](const Parameter& p, uint16_t wanted_key) { return p.key < wanted_key; });
    if (place == parameters.end() || place->key != key)
      place = parameters.insert(place, power_on_parameter(key));
    if (first == kDataMsb) place->msb = static_cast<uint8_t>(second);
    if (first == kDataLsb) place->lsb = static_cast<uint8_t>(second);
    if (first == kDataIncrement || first == kDataDecrement) {
      // A step of one in the 14-bit data, within its range.
      const int data =
          std::clamp((place->msb << 7 | place->lsb) + (first == kDataIncrement ? 1 : -1), 0, 16383);
      place->msb = static_cast<uint8_t>(data >> 7);
      place->lsb = static_cast<uint8_t>(data & 0x7F);
    }
  } else if (first >= kNrpnLsb && first <= kRpnMsb) {
    controllers[first] = static_cast<int8_t>(second);
    non_registered_selected = first <= kNrpnMsb ? 1 : 0;
  } else if (first == kResetAllControllers) {
    // As the MIDI Manufacturers Association recommends: modulation, the four
    // pedals and the parameter selection; expression to full.
    for (int number : {1, 64, 65, 66, 67}) controllers[number] = 0;
    controllers[11] = 127;
    controllers[kNrpnLsb] = controllers[kNrpnMsb] = controllers[kRpnLsb] = controllers[kRpnMsb] = 127;
    pitch_bend = 8192;
    pressure = 0;
  } else if (holds_value(first)) {
    controllers[first] = static_cast<int8_t>(second);
  }
}

namespace {

class Bringer {
 public:
  Bringer(const ChannelValues& target, ChannelValues& output, uint32_t channel, Platform& platform,
          MidiPort* port)
      : target_(target), output_(output), channel_(channel), platform_(platform), port_(port) {}

  void bring() {
    bring_instrument();
    bring_controller(kBankMsb, true);
    bring_controller(kBankLsb, false);
    for (int number = 1; number < 120; ++number)
      if (is_plain_controller(number)) bring_controller(number, number < 32);
    bring_parameters();
    bring_selection();
    const int bend = wanted(target_.pitch_bend, output_.pitch_bend, 8192);
    if (bend >= 0) send(0xE0, bend & 0x7F, bend >> 7);
    const int pressure = wanted(target_.pressure, output_.pressure, 0);
    if (pressure >= 0) send(0xD0, pressure, 0);
  }

 private:
  void send(uint32_t status, int first, int second) {
    const uint32_t message =
        status | channel_ | static_cast<uint32_t>(first) << 8 | static_cast<uint32_t>(second) << 16;
    platform_.send_short_message(port_, message);
    output_.apply(message);
  }

  void control(int number, int value) { send(0xB0, number, value); }

  // A bank select takes effect at the next program change only: the program
  // goes with the bank it was chosen in, and a bank selected after it
  // follows as a controller of its own.
  void bring_instrument() {
    const bool target_set = target_.program >= 0;
    if (!target_set && output_.program < 0) return;
    const int program = target_set ? target_.program : 0;
    const int msb = target_set ? target_.program_bank[0] : 0;
    const int lsb = target_set ? target_.program_bank[1] : 0;
    if (output_.program == program && output_.program_bank[0] == msb && output_.program_bank[1] == lsb)
      return;
    control(kBankMsb, msb);
    control(kBankLsb, lsb);
    send(0xC0, program, 0);
  }

  // Some synthesizers clear a controller's LSB when its MSB comes, so an
  // MSB that is sent takes the LSB it pairs with along.
  bool bring_controller(int number, bool has_lsb) {
    const int value =
        wanted(target_.controllers[number], output_.controllers[number], power_on_controller(number));
    if (value < 0) return false;
    control(number, value);
    if (has_lsb) {
      const int lsb = number + 32;
      const int lsb_value =
          held(target_.controllers[lsb], output_.controllers[lsb], power_on_controller(lsb));
      if (lsb_value >= 0) control(lsb, lsb_value);
    }
    return true;
  }

  // Each parameter whose data differs is selected and given its data; the
  // selection itself is put right afterwards.
  void bring_parameters() {
    std::vector<uint16_t> keys;
    for (const auto& p : target_.parameters) keys.push_back(p.key);
    for (const auto& p : output_.parameters)
      if (target_.parameter(p.key) == nullptr) keys.push_back(p.key);
    for (uint16_t key : keys) {
      const ChannelValues::Parameter* in_target = target_.parameter(key);
      const ChannelValues::Parameter value = in_target != nullptr ? *in_target : power_on_parameter(key);
      const ChannelValues::Parameter* in_output = output_.parameter(key);
      if (in_output != nullptr && *in_output == value) continue;
      const bool non_registered = (key & kNonRegistered) != 0;
      control(non_registered ? kNrpnMsb : kRpnMsb, (key >> 7) & 0x7F);
      control(non_registered ? kNrpnLsb : kRpnLsb, key & 0x7F);
      control(kDataMsb, value.msb);
      control(kDataLsb, value.lsb);
    }
  }

  // The kind selected last goes last, so that later data entry reaches it;
  // a synthesizer starts with the registered kind.
  void bring_selection() {
    const int kind = std::max<int>(target_.non_registered_selected, 0);
    const bool non_registered = kind == 1;
    bring_pair(non_registered ? kRpnMsb : kNrpnMsb, false);
    const int held_kind = output_.non_registered_selected;
    bring_pair(non_registered ? kNrpnMsb : kRpnMsb, held_kind >= 0 && held_kind != kind);
  }

  void bring_pair(int msb, bool select_anyway) {
    const int lsb = msb - 1;
    const auto& t = target_.controllers;
    const auto& o = output_.controllers;
    if (!select_anyway && wanted(t[msb], o[msb], 0) < 0 && wanted(t[lsb], o[lsb], 0) < 0) return;
    const int msb_value = value_or(held(t[msb], o[msb], 0), 0);
    const int lsb_value = value_or(held(t[lsb], o[lsb], 0), 0);
    control(msb, msb_value);
    control(lsb, lsb_value);
  }

  const ChannelValues& target_;
  ChannelValues& output_;
  uint32_t channel_;
  Platform& platform_;
  MidiPort* port_;
};

}  // namespace

void bring_channel(const ChannelValues& target, ChannelValues& output, uint32_t channel, Platform& platform,
                   MidiPort* port) {
  Bringer(target, output, channel, platform, port).bring();
}

}  // namespace tactus::player
