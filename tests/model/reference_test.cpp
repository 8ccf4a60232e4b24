// Random edits of every kind applied to a Sequence and to a plain vector of records, compared after every
// step: the whole Sequence through describe_sequence, and every answer of every event against its record.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/sequence_check.h"
#include "tactus/model.h"

namespace tactus::test {
namespace {

using Bytes = std::vector<unsigned char>;
using Fields = std::vector<int32_t>;
using Getter = int32_t (*)(Event*);
using Setter = int32_t (*)(Event*, int32_t);

Event* (*const kThreeFieldKinds[])(Track*, int32_t, int32_t, int32_t, int32_t) = {
    note_off_new, note_on_new, key_pressure_new, control_change_new};
Event* (*const kTwoFieldKinds[])(Track*, int32_t, int32_t, int32_t) = {program_change_new,
                                                                       channel_pressure_new, pitch_wheel_new};
// By kind, the setters of its fields in the order describe_sequence lists them.
const std::vector<Setter> kSetters[] = {
    {note_off_set_channel, note_off_set_note, note_off_set_velocity},
    {note_on_set_channel, note_on_set_note, note_on_set_velocity},
    {key_pressure_set_channel, key_pressure_set_note, key_pressure_set_amount},
    {control_change_set_channel, control_change_set_number, control_change_set_value},
    {program_change_set_channel, program_change_set_number},
    {channel_pressure_set_channel, channel_pressure_set_amount},
    {pitch_wheel_set_channel, pitch_wheel_set_value},
    {},
    {meta_set_number}};
const Getter kStartGetters[] = {note_start_get_channel, note_start_get_note, note_start_get_velocity};
const Setter kStartSetters[] = {note_start_set_channel, note_start_set_note, note_start_set_velocity};
const Getter kEndGetters[] = {note_end_get_channel, note_end_get_note, note_end_get_velocity};
const Setter kEndSetters[] = {note_end_set_channel, note_end_set_note, note_end_set_velocity};
const char* const kTexts[] = {"la", "", "two words", nullptr};
// 1e-12 is the float 9.99999996e-13: its quotient ends in 0x8AC000.
const float kTempos[] = {120.0f, 140.0f, 1e-12f, 6e7f, 0.0f, -120.0f, NAN, INFINITY, 6.0000008e7f, 1e-20f};

// An event as describe_sequence lists it: channel and data values, a sysex count, or a meta number and
// length; the sysex bytes, or the meta payload with its 0 byte.
struct Record {
  int32_t track, tick, kind;
  Fields fields;
  Bytes bytes;

  bool is_start() const { return kind == NOTE_ON && fields[2] > 0; }
  bool is_end() const { return kind == NOTE_OFF || (kind == NOTE_ON && fields[2] == 0); }
  int32_t meta_number() const { return kind == META ? fields[0] : -1; }
  // Bytes beyond the payload read as 0.
  unsigned payload(size_t at) const { return kind == META && at + 1 < bytes.size() ? bytes[at] : 0; }
  std::string text(int32_t number) const {
    return meta_number() == number ? reinterpret_cast<const char*>(bytes.data()) : "(null)";
  }
};

Record meta_record(int32_t track, int32_t tick, int32_t number, Bytes payload) {
  const auto length = static_cast<int32_t>(payload.size());
  payload.push_back(0);
  return {track, tick, META, {number, length}, payload};
}

// What the Sequence should hold: its header line, its tracks' end ticks and its records in sequence order.
struct Reference {
  std::string header;
  std::vector<int32_t> end_ticks;
  std::vector<Record> records;

  // After every record of the same or a lower tick.
  void insert(const Record& record) {
    auto place =
        std::find_if(records.begin(), records.end(), [&](auto& other) { return other.tick > record.tick; });
    records.insert(place, record);
    end_ticks[record.track] = std::max(end_ticks[record.track], record.tick);
  }

  void erase(size_t index) { records.erase(records.begin() + static_cast<ptrdiff_t>(index)); }

  // describe_sequence's text of the Sequence this should be.
  std::string text() const {
    std::vector<std::string> lines(end_ticks.size());
    std::vector<int> listed(end_ticks.size());
    std::string order = "order:";
    for (const Record& record : records) {
      order += " " + std::to_string(record.track) + ":" + std::to_string(listed[record.track]);
      std::string& line = lines[record.track];
      line += (listed[record.track]++ > 0 ? ", " : " ") +
              event_line(record.tick, record.kind, record.fields, record.bytes);
    }
    std::string text = header + std::to_string(end_ticks.size()) + "\n";
    for (size_t track = 0; track < lines.size(); ++track) {
      text += "track " + std::to_string(track) + ":" + lines[track] +
              (listed[track] > 0 ? "; end " : " end ") + std::to_string(end_ticks[track]) + "\n";
    }
    return text + order + "\n";
  }
};

class ReferenceModel : public ::testing::Test {
 protected:
  void TearDown() override { sequence_free(sequence); }

  int32_t below(size_t bound) { return static_cast<int32_t>(random() % bound); }
  int32_t pick(std::initializer_list<int32_t> values) { return values.begin()[below(values.size())]; }
  // Mostly ticks that events share, now and then an end of the range.
  int32_t tick() { return below(20) == 0 ? pick({INT32_MIN, INT32_MAX}) : below(12) * 10 - 20; }
  // Few values, so that notes find partners and velocities are often 0.
  int32_t value() { return below(10) == 0 ? pick({-1, 255, 16383, 70000}) : below(4); }
  // Counts for sysex bytes and meta payloads: mostly a few, now and then
  // around the longest that an event holds inline (8 and 11).
  int32_t count() { return below(4) == 0 ? 7 + below(7) : below(6) - 1; }
  Bytes bytes(int32_t count) {
    Bytes made(static_cast<size_t>(std::max(count, 0)));
    made.reserve(1);  // an empty buffer still has an address: only a missing one is none
    for (unsigned char& byte : made) byte = static_cast<unsigned char>(below(256));
    return made;
  }

  std::vector<Event*> events() {
    std::vector<Event*> all;
    for (Event* event = sequence_get_first_event(sequence); event; event = event_get_next_in_sequence(event))
      all.push_back(event);
    return all;
  }

  // An existing track, or one created on the way.
  Track* track(int32_t number) {
    const bool exists = static_cast<size_t>(number) < reference.end_ticks.size();
    if (!exists) reference.end_ticks.resize(number + 1);
    return sequence_get_track_by_number(sequence, number, exists ? below(2) : 1);
  }

  // Every kind through its creator, a pair of notes, or a short message word, well formed or not, with a
  // stray top byte. The bytes of a sysex or a meta event may be missing (refused unless a meta event has
  // none); they are copied in, as the caller's buffer is overwritten afterwards.
  void create(int32_t kind, int32_t number) {
    const int32_t at = tick(), a = value(), b = value(), c = value(), count = this->count();
    Bytes given = bytes(count);
    const unsigned char* data = below(6) == 0 ? nullptr : given.data();
    if (kind < SYSEX) {
      Event* made = kind < PROGRAM_CHANGE ? kThreeFieldKinds[kind](track(number), at, a, b, c)
                                          : kTwoFieldKinds[kind - PROGRAM_CHANGE](track(number), at, a, b);
      ASSERT_NE(made, nullptr);
      reference.insert({number, at, kind, kind < PROGRAM_CHANGE ? Fields{a, b, c} : Fields{a, b}, {}});
    } else if (kind == SYSEX) {
      EXPECT_EQ(sysex_new(track(number), at, count, data) == nullptr, count < 1 || data == nullptr);
      if (count >= 1 && data != nullptr) reference.insert({number, at, kind, {count}, given});
    } else if (kind == META) {
      const bool refused = count < 0 || (data == nullptr && count > 0);
      const int32_t meta_number = pick({0x51, 0x58, 0x05, 0x06, a});
      EXPECT_EQ(meta_new(track(number), at, meta_number, count, data) == nullptr, refused);
      if (!refused) reference.insert(meta_record(number, at, meta_number, given));
    } else if (kind == META + 1) {
      const int32_t end = tick();
      ASSERT_NE(note_pair_new(track(number), at, end, a, b, c, count), nullptr);
      reference.insert({number, at, NOTE_ON, {a, b, c}, {}});
      reference.insert({number, end, NOTE_OFF, {a, b, count}, {}});
    } else {
      const int32_t status = below(256), first = below(256), second = below(256), channel = status & 15;
      const auto word = static_cast<uint32_t>(status | first << 8 | second << 16 | below(256) << 24);
      const int32_t made = (status >> 4) - 8;
      ASSERT_EQ(event_new_from_short_message(track(number), at, word) == nullptr, made < 0 || made >= SYSEX);
      Fields fields = {channel, first, second};
      if (made == PROGRAM_CHANGE || made == CHANNEL_PRESSURE) fields.pop_back();
      if (made == PITCH_WHEEL) fields = {channel, first | second << 7};
      if (made >= NOTE_OFF && made < SYSEX) reference.insert({number, at, made, fields, {}});
    }
    std::fill(given.begin(), given.end(), 0xEE);
  }

  // A tempo (60000000 / beats per minute, truncated, big-endian, its low 24 bits), time signature (numerator,
  // power of two, MIDI clocks per click, 8), lyric or marker, made anew or written over `record`. Refused: a
  // tempo of no microseconds, a denominator that is no power of two up to 128, a missing text. A tempo goes
  // over a tempo, a time signature over any meta event, a text over one of its own kind if it is not empty.
  void build(Event* event, Record* record, int32_t number) {
    const int32_t made = pick({0x51, 0x58, 0x05, 0x06}), numerator = value();
    const float beats_per_minute = kTempos[below(std::size(kTempos))];
    const int32_t denominator = pick({1, 2, 4, 8, 16, 32, 64, 128, 3, 0, 256, -4});
    const char* text = kTexts[below(4)];
    int32_t power = 0;
    while (power < 8 && (1 << power) != denominator) ++power;
    const double quotient = std::trunc(60000000.0 / static_cast<double>(beats_per_minute));
    const auto microseconds =
        beats_per_minute > 0 ? static_cast<uint32_t>(std::fmod(quotient, 16777216.0)) : 0;
    const auto bytes_of = [](std::initializer_list<uint32_t> values) {
      return Bytes(values.begin(), values.end());
    };
    Bytes payload = text != nullptr ? Bytes(text, text + std::strlen(text)) : Bytes{};
    if (made == 0x51) payload = bytes_of({microseconds >> 16, microseconds >> 8 & 255, microseconds & 255});
    if (made == 0x58) payload = bytes_of({numerator & 255u, power & 7u, 96u >> (power & 7), 8});
    const bool valid = made == 0x51 ? microseconds > 0 : made == 0x58 ? power < 8 : text != nullptr;
    Event* (*const make_text)(Track*, int32_t, const char*) = made == 0x05 ? lyric_new : marker_new;
    int32_t (*const set_text)(Event*, const char*) = made == 0x05 ? lyric_set_text : marker_set_text;
    if (event == nullptr) {
      const int32_t at = tick();
      Event* built = made == 0x51   ? tempo_new(track(number), at, beats_per_minute)
                     : made == 0x58 ? time_signature_new(track(number), at, numerator, denominator)
                                    : make_text(track(number), at, text);
      EXPECT_EQ(built != nullptr, valid);
      if (valid) reference.insert(meta_record(number, at, made, payload));
      return;
    }
    const bool taken =
        valid && record->kind == META && (made == 0x58 || (record->fields[0] == made && !payload.empty()));
    EXPECT_EQ(made == 0x51   ? tempo_set_beats_per_minute(event, beats_per_minute)
              : made == 0x58 ? time_signature_set(event, numerator, denominator)
                             : set_text(event, text),
              taken ? 0 : -1);
    if (taken) *record = meta_record(record->track, record->tick, record->fields[0], payload);
  }

  // New bytes, the event's own from the second on, or none.
  void replace_data(Event* event, Record& record) {
    const bool sysex = below(2) == 0;
    unsigned char* own = sysex ? sysex_get_data(event) : meta_get_data(event);
    const int32_t own_count = sysex ? sysex_get_data_length(event) : meta_get_data_length(event);
    Bytes given = bytes(count());
    const unsigned char* data = below(3) == 0 ? nullptr : given.data();
    if (below(2) == 0 && own_count >= 1) {
      given.assign(own + 1, own + own_count);
      data = own + 1;
    }
    const auto count = static_cast<int32_t>(given.size());
    const bool refused = record.kind != (sysex ? SYSEX : META) || count < 1 || data == nullptr;
    EXPECT_EQ(sysex ? sysex_set_data(event, count, data) : meta_set_data(event, count, data),
              refused ? -1 : 0);
    if (!refused && sysex) record = {record.track, record.tick, SYSEX, {count}, given};
    if (!refused && !sysex) record = meta_record(record.track, record.tick, record.fields[0], given);
  }

  // A field through the setters of one kind, or of one side of a note.
  void set_field(Event* event, size_t index) {
    Record& record = reference.records[index];
    const int32_t kind = below(9), field = below(3), to = value();
    const bool ends = record.is_end();
    if (field < static_cast<int32_t>(kSetters[kind].size())) {
      EXPECT_EQ(kSetters[kind][field](event, to), record.kind == kind ? 0 : -1);
      if (record.kind == kind) record.fields[field] = to;
    } else if (below(2) == 0) {
      EXPECT_EQ(kStartSetters[field](event, to), record.is_start() ? 0 : -1);
      if (record.is_start()) record.fields[field] = to;
    } else {
      EXPECT_EQ(kEndSetters[field](event, to), ends ? 0 : -1);
      if (ends && (field < 2 || record.kind == NOTE_OFF)) record.fields[field] = to;
      if (!ends || field < 2 || record.kind == NOTE_OFF) return;
      // A release velocity turns a NOTE_ON into a NOTE_OFF at the end of its tick.
      const Record note_off = {
          record.track, record.tick, NOTE_OFF, {record.fields[0], record.fields[1], to}, {}};
      reference.erase(index);
      reference.insert(note_off);
    }
  }

  // A track added at the end or before another, freed with its events, or
  // given an end tick (refused below its last event).
  void edit_tracks(int32_t number) {
    std::vector<int32_t>& end_ticks = reference.end_ticks;
    const auto count = static_cast<int32_t>(end_ticks.size()), way = below(4), to = tick();
    if (way == 0 || number == count) {
      EXPECT_EQ(track_get_number(sequence_add_track(sequence)), count);
      end_ticks.push_back(0);
    } else if (way == 1) {
      EXPECT_EQ(track_get_number(track_new_before(track(number))), number);
      end_ticks.insert(end_ticks.begin() + number, 0);
      for (Record& record : reference.records) record.track += record.track >= number ? 1 : 0;
    } else if (way == 2) {
      EXPECT_EQ(track_free(track(number)), 0);
      end_ticks.erase(end_ticks.begin() + number);
      std::erase_if(reference.records, [&](const Record& record) { return record.track == number; });
      for (Record& record : reference.records) record.track -= record.track > number ? 1 : 0;
    } else {
      const bool refused = std::any_of(reference.records.begin(), reference.records.end(), [&](auto& record) {
        return record.track == number && record.tick > to;
      });
      EXPECT_EQ(track_set_end_tick(track(number), to), refused ? -1 : 0);
      if (!refused) end_ticks[number] = to;
    }
  }

  void step() {
    const int32_t number = below(std::min<size_t>(reference.end_ticks.size() + 1, 4));
    const size_t count = reference.records.size(), index = count > 0 ? below(count) : 0;
    Event* event = count > 0 ? events()[index] : nullptr;
    Record* record = count > 0 ? &reference.records[index] : nullptr;
    const int32_t op = below(20);
    if (op < 11) create(op, number);
    if (op == 11 || (op == 12 && event != nullptr)) build(op == 11 ? nullptr : event, record, number);
    if (op == 13) edit_tracks(number);
    if (event == nullptr) return;
    if (op == 14 || op == 15) set_field(event, index);
    if (op == 16) replace_data(event, *record);
    if (op == 17) {
      EXPECT_EQ(event_free(event), 0);
      reference.erase(index);
    }
    if (op >= 18) {
      // Moved to its own tick too, it goes behind the others of that tick.
      Record moved = *record;
      moved.tick = op == 18 ? moved.tick : tick();
      EXPECT_EQ(event_set_tick(event, moved.tick), 0);
      reference.erase(index);
      reference.insert(moved);
    }
  }

  // The place in sequence order of the nearest record of the same track,
  // channel and note after or before `index` that is `wanted`; -1 if none.
  int partner(size_t index, int direction, bool (Record::*wanted)() const) const {
    const std::vector<Record>& records = reference.records;
    for (auto other = static_cast<int>(index) + direction; other >= 0 && other < std::ssize(records);
         other += direction) {
      if (records[other].track == records[index].track && (records[other].*wanted)() &&
          records[other].fields[0] == records[index].fields[0] &&
          records[other].fields[1] == records[index].fields[1])
        return other;
    }
    return -1;
  }

  void compare() {
    ASSERT_EQ(describe_sequence(sequence), reference.text());
    const std::vector<Event*> all = events();
    const auto place = [&](Event* event) {
      return event != nullptr ? static_cast<int>(std::find(all.begin(), all.end(), event) - all.begin()) : -1;
    };
    const auto read = [](Event* event, const Getter(&get)[3]) {
      return Fields{get[0](event), get[1](event), get[2](event)};
    };
    const auto text_or_null = [](const char* text) { return std::string(text != nullptr ? text : "(null)"); };
    for (size_t index = 0; index < all.size(); ++index) {
      SCOPED_TRACE("event " + std::to_string(index));
      Event* event = all[index];
      const Record& record = reference.records[index];
      const int32_t number = record.meta_number();
      EXPECT_EQ(event_is_note(event), record.kind == NOTE_OFF || record.kind == NOTE_ON);
      EXPECT_EQ(event_is_tempo(event), number == 0x51);
      EXPECT_EQ(event_is_note_start(event), record.is_start());
      EXPECT_EQ(event_is_note_end(event), record.is_end());
      EXPECT_EQ(event_is_voice(event), record.kind < SYSEX);
      EXPECT_EQ(sysex_get_data_length(event), record.kind == SYSEX ? record.fields[0] : -1);
      EXPECT_EQ(meta_get_data_length(event), record.kind == META ? record.fields[1] : -1);
      EXPECT_EQ(meta_get_data(event) != nullptr, record.kind == META);
      // Status, then the data values' low bytes; a pitch wheel value in two halves of seven bits.
      uint32_t word = 0;
      if (record.kind < SYSEX) {
        const auto byte = [&](size_t field, int shift) {
          return static_cast<uint32_t>(record.fields[field]) >> shift & 255;
        };
        word = (((0x80u + 16 * record.kind) | byte(0, 0)) & 255) | byte(1, 0) << 8;
        if (record.kind < PROGRAM_CHANGE) word |= byte(2, 0) << 16;
        if (record.kind == PITCH_WHEEL) word = (word & 0x7FFF) | byte(1, 7) << 16;
      }
      EXPECT_EQ(event_to_short_message(event), word);
      const unsigned microseconds = record.payload(0) << 16 | record.payload(1) << 8 | record.payload(2);
      const float beats_per_minute =
          microseconds == 0 ? INFINITY : static_cast<float>(60000000.0 / microseconds);
      EXPECT_EQ(tempo_get_beats_per_minute(event), number == 0x51 ? beats_per_minute : -1.0f);
      EXPECT_EQ(time_signature_get_numerator(event),
                number == 0x58 ? static_cast<int32_t>(record.payload(0)) : -1);
      const unsigned power = record.payload(1);
      EXPECT_EQ(time_signature_get_denominator(event), number == 0x58 && power < 8 ? 1 << power : -1);
      EXPECT_EQ(text_or_null(lyric_get_text(event)), record.text(0x05));
      EXPECT_EQ(text_or_null(marker_get_text(event)), record.text(0x06));
      const Fields none = {-1, -1, -1};
      EXPECT_EQ(read(event, kStartGetters), record.is_start() ? record.fields : none);
      // Only a note has the fields of a note's end.
      const Fields end = record.is_end() ? Fields{record.fields[0], record.fields[1],
                                                  record.kind == NOTE_ON ? 0 : record.fields[2]}
                                         : none;
      EXPECT_EQ(read(event, kEndGetters), end);
      EXPECT_EQ(place(note_start_get_note_end(event)),
                record.is_start() ? partner(index, 1, &Record::is_end) : -1);
      EXPECT_EQ(place(note_end_get_note_start(event)),
                record.is_end() ? partner(index, -1, &Record::is_start) : -1);
    }
  }

  Sequence* sequence = nullptr;
  Reference reference;
  std::minstd_rand random;
};

// Sequences of every division type (5 is none known), fixed seeds.
TEST_F(ReferenceModel, AgreesAfterEveryRandomEdit) {
  for (uint32_t seed = 1; seed <= 40 && !HasFailure(); ++seed) {
    random.seed(seed);
    const int32_t division = below(6), resolution = pick({480, 96, 0, -5});
    const float frame_rate = std::vector{30.0f, 24.0f, 25.0f, 29.97f, 30.0f, 30.0f}[division];
    char header[120];
    std::snprintf(header, sizeof header, "format 1 division %d/%d beat %d fps %g tracks ", division,
                  resolution, division == DIVISION_PPQ ? resolution : 960, frame_rate);
    sequence_free(sequence);
    sequence = sequence_new(1, division, resolution);
    reference = {header, {}, {}};
    for (int edit = 1; edit <= 150 && !HasFailure(); ++edit) {
      SCOPED_TRACE("seed " + std::to_string(seed) + ", edit " + std::to_string(edit));
      step();
      compare();
    }
  }
}

}  // namespace
}  // namespace tactus::test
