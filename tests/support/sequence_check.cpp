#include "support/sequence_check.h"

#include <cstdio>
#include <unordered_map>
#include <vector>

namespace tactus::test {
namespace {

using Fields = std::vector<int32_t>;
using Getter = int32_t (*)(Event*);

// By kind: its name, then the getters of its channel and data values, of a
// sysex count, or of a meta number and length.
const struct {
  const char* name;
  std::vector<Getter> getters;
} kKinds[] = {
    {"NOTE_OFF", {note_off_get_channel, note_off_get_note, note_off_get_velocity}},
    {"NOTE_ON", {note_on_get_channel, note_on_get_note, note_on_get_velocity}},
    {"KEY_PRESSURE", {key_pressure_get_channel, key_pressure_get_note, key_pressure_get_amount}},
    {"CONTROL_CHANGE", {control_change_get_channel, control_change_get_number, control_change_get_value}},
    {"PROGRAM_CHANGE", {program_change_get_channel, program_change_get_number}},
    {"CHANNEL_PRESSURE", {channel_pressure_get_channel, channel_pressure_get_amount}},
    {"PITCH_WHEEL", {pitch_wheel_get_channel, pitch_wheel_get_value}},
    {"SYSEX", {sysex_get_data_length}},
    {"META", {meta_get_number, meta_get_data_length}}};

Fields fields_of(Event* event, Kept kept) {
  const int32_t kind = event_get_kind(event);
  Fields fields;
  for (Getter get : kKinds[kind].getters) fields.push_back(get(event));
  if (kept == Kept::kAsStored || kind == SYSEX) return fields;
  fields[0] &= kind == META ? 0x7F : 0x0F;
  for (size_t i = 1; i < fields.size() && kind != META; ++i) fields[i] &= kind == PITCH_WHEEL ? 0x3FFF : 0x7F;
  return fields;
}

// The sysex bytes, or the meta payload with the zero byte kept after it.
std::vector<unsigned char> bytes_of(Event* event) {
  const bool sysex = event_get_kind(event) == SYSEX;
  const unsigned char* bytes = sysex ? sysex_get_data(event) : meta_get_data(event);
  const int32_t count = sysex ? sysex_get_data_length(event) : meta_get_data_length(event) + 1;
  return bytes == nullptr || count < 0 ? std::vector<unsigned char>{} : std::vector(bytes, bytes + count);
}

}  // namespace

std::string event_line(int32_t tick, int32_t kind, const Fields& fields,
                       const std::vector<unsigned char>& bytes) {
  std::string text = std::to_string(tick) + " " + kKinds[kind].name;
  for (int32_t field : fields) text += " " + std::to_string(field);
  if (kind >= SYSEX) text += " ";
  for (unsigned char byte : bytes)
    text.append({"0123456789ABCDEF"[byte >> 4], "0123456789ABCDEF"[byte & 15]});
  return text;
}

std::string describe_sequence(Sequence* sequence, Kept kept) {
  if (sequence == nullptr) return "no sequence\n";
  char header[160];
  std::snprintf(header, sizeof header, "format %d division %d/%d beat %d fps %g tracks %d\n",
                sequence_get_format(sequence) & (kept == Kept::kAsWritten ? 0xFFFF : -1),
                sequence_get_division_type(sequence), sequence_get_resolution(sequence),
                sequence_get_beat_resolution(sequence), sequence_get_frame_rate(sequence),
                sequence_get_track_count(sequence));
  std::string text = header;
  std::unordered_map<Event*, std::string> names;
  Track* previous_track = nullptr;
  for (Track* track = sequence_get_first_track(sequence); track != nullptr; track = track_get_next(track)) {
    const std::string number = std::to_string(track_get_number(track));
    text += "track " + number + (track_get_previous(track) != previous_track ? " !link:" : ":");
    int32_t end_tick = track_get_end_tick(track);
    Event* previous = nullptr;
    Event* event = track_get_first_event(track);
    for (int index = 0; event != nullptr; event = event_get_next_in_track(event), ++index) {
      if (event_get_previous_in_track(event) != previous || event_get_track(event) != track) text += " !link";
      if (kept == Kept::kAsWritten && event_get_kind(event) == META &&
          (meta_get_number(event) & 0x7F) == 0x2F) {
        end_tick = event_get_tick(event);
        break;
      }
      names[event] = number + ":" + std::to_string(index);
      text += (index > 0 ? ", " : " ") + event_line(event_get_tick(event), event_get_kind(event),
                                                    fields_of(event, kept), bytes_of(event));
      previous = event;
    }
    if (event == nullptr && track_get_last_event(track) != previous) text += " !last";
    text += (previous == nullptr ? " end " : "; end ") + std::to_string(end_tick) + "\n";
    previous_track = track;
  }
  text += sequence_get_last_track(sequence) != previous_track ? "!last track\norder:" : "order:";
  Event* previous = nullptr;
  for (Event* event = sequence_get_first_event(sequence); event != nullptr;
       event = event_get_next_in_sequence(event)) {
    if (event_get_previous_in_sequence(event) != previous) text += " !link";
    const auto name = names.find(event);
    if (name != names.end() || kept == Kept::kAsStored)
      text += " " + (name != names.end() ? name->second : "?");
    previous = event;
  }
  return text + (sequence_get_last_event(sequence) != previous ? " !last\n" : "\n");
}

#define REQUIRE(condition) \
  if (!(condition)) return "broken: " #condition

std::string loaded_sequence_flaw(Sequence* sequence) {
  REQUIRE(describe_sequence(sequence).find('!') == std::string::npos);
  REQUIRE(sequence_get_division_type(sequence) >= DIVISION_PPQ &&
          sequence_get_division_type(sequence) <= DIVISION_SMPTE30);
  std::vector<Event*> next_of_track;  // per track, its first event not yet met in sequence order
  for (Track* track = sequence_get_first_track(sequence); track != nullptr; track = track_get_next(track)) {
    REQUIRE(track_get_sequence(track) == sequence);
    REQUIRE(track_get_number(track) == static_cast<int32_t>(next_of_track.size()));
    next_of_track.push_back(track_get_first_event(track));
    int32_t tick = 0;
    for (Event* event = track_get_first_event(track); event != nullptr;
         event = event_get_next_in_track(event)) {
      REQUIRE(event_get_tick(event) >= tick);
      tick = event_get_tick(event);
      const int32_t kind = event_get_kind(event);
      const Fields fields = fields_of(event, Kept::kAsStored);
      const std::vector<unsigned char> bytes = bytes_of(event);
      for (size_t i = 0; i < fields.size() && kind < SYSEX; ++i)
        REQUIRE(fields[i] >= 0 && fields[i] <= (i == 0 ? 15 : kind == PITCH_WHEEL ? 0x7FFF : 0xFF));
      if (kind == SYSEX) REQUIRE(fields[0] >= 1 && (bytes.at(0) == 0xF0 || bytes.at(0) == 0xF7));
      if (kind == META) REQUIRE(fields[0] >= 0 && fields[0] <= 0xFF && fields[0] != 0x2F);
      if (kind == META) REQUIRE(fields[1] >= 0 && bytes.size() == size_t(fields[1]) + 1 && bytes.back() == 0);
    }
    REQUIRE(track_get_end_tick(track) >= tick);
  }
  REQUIRE(sequence_get_track_count(sequence) == static_cast<int32_t>(next_of_track.size()));
  Event* previous = nullptr;
  for (Event* event = sequence_get_first_event(sequence); event != nullptr;
       event = event_get_next_in_sequence(event)) {
    const int32_t number = track_get_number(event_get_track(event));
    REQUIRE(number >= 0 && static_cast<size_t>(number) < next_of_track.size() &&
            next_of_track[number] == event);
    next_of_track[number] = event_get_next_in_track(event);
    const int32_t tick = previous == nullptr ? 0 : event_get_tick(previous);
    REQUIRE(previous == nullptr || tick < event_get_tick(event) ||
            (tick == event_get_tick(event) && track_get_number(event_get_track(previous)) <= number));
    previous = event;
  }
  for (Event* unmet : next_of_track) REQUIRE(unmet == nullptr);
  return "";
}

}  // namespace tactus::test
