// The time index against the walk on random maps through random edits;
// values worked out by hand where they pin a rule, a rounding or a text form.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>

#include "index_and_walk.h"
#include "support/guard_table.h"

namespace {

using namespace timing_test;
using tactus::test::expect_guards;

// Division type and resolution (PPQ 480 if left out), then <kind><tick>= <value>: t tempo (microseconds), s
// time signature (numerator/power), m marker; a capital puts it in the second track. "null": no sequence.
SequencePtr build(std::string map) {
  if (map == "null") return owned(nullptr);
  std::istringstream in(map.empty() || std::isalpha(map[0]) ? "0 480 " + map : map);
  int32_t division = 0, resolution = 0;
  in >> division >> resolution;
  auto sequence = owned(sequence_new(1, division, resolution));
  for (std::string event; in >> event;) {
    Track* track = sequence_get_track_by_number(sequence.get(), std::isupper(event[0]) ? 1 : 0, 1);
    const int32_t tick = std::stoi(event.substr(1));
    const std::string value = event.substr(event.find('=') + 1);
    const auto n = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
    if (std::tolower(event[0]) == 't') add_meta(track, tick, 0x51, {n >> 16, n >> 8 & 255, n & 255});
    if (std::tolower(event[0]) == 's') add_meta(track, tick, 0x58, {n, value.back() - 48u, 24, 8});
    if (std::tolower(event[0]) == 'm') marker_new(track, tick, value.c_str());
  }
  return sequence;
}

enum Op { kBeat, kSeconds, kMb, kMbt, kHms, kHmsf, kMarker };

std::string text_of(Sequence* s, Op op, int32_t tick) {
  if (op >= kMb) return kTickToText[op - kMb](s, tick) != nullptr ? kTickToText[op - kMb](s, tick) : "null";
  char text[32];
  std::snprintf(text, sizeof text, "%.17g",
                op == kBeat ? sequence_get_beat_from_tick(s, tick) : sequence_get_seconds_from_tick(s, tick));
  return std::strstr(text, "nan") != nullptr ? "nan" : text;
}

int32_t tick_of(Sequence* s, Op op, const char* text) {
  if (op >= kMb) return kTextToTick[op - kMb](s, text);
  const float value = std::strtof(text, nullptr);
  return op == kBeat ? sequence_get_tick_from_beat(s, value) : sequence_get_tick_from_seconds(s, value);
}

struct Row {
  const char* map;
  Op op;
  char way;  // '>': the tick gives the text; '<': the text gives the tick; '=': both
  int32_t tick;
  const char* text;
};

const Row kRows[] = {
    // 120 beats a minute until the first tempo; one in the second track
    // changes nothing; two at one tick apply in order.
    {"t960=1000000", kSeconds, '<', 1200, "1.5"},
    {"T960=1000000", kSeconds, '>', 1440, "1.5"},
    {"t480=250000 t480=1000000", kSeconds, '=', 960, "1.5"},
    {"2 40 t1000=1000000", kBeat, '=', 2000, "3"},
    {"4 10", kBeat, '=', 600, "4"},
    // The float 29.97 in the walks, the double in the last step to a tick
    // (the float would give one tick less here).
    {"3 80", kBeat, '>', 2398, "2.000333712830169"},
    {"3 80", kSeconds, '<', 2397, "1"},
    // Unknown division types, no sequence ("null") or no text: -1 or null.
    {"5 480", kBeat, '=', -1, "-1"},
    {"-1 480", kSeconds, '=', -1, "-1"},
    {"null", kHms, '=', -1, "null"},
    {"null", kHmsf, '=', -1, "null"},
    {"null", kMarker, '<', -1, "A"},
    {"", kMb, '<', -1, nullptr},
    {"", kMbt, '<', -1, nullptr},
    {"m0=A", kMarker, '<', -1, nullptr},
    // NaN ticks are -1, ticks beyond the range saturate.
    {"", kBeat, '<', -1, "nan"},
    {"", kBeat, '<', INT32_MIN, "-inf"},
    {"t2147483000=1000000", kSeconds, '<', INT32_MAX, "3e6"},
    // Positions and their texts; fields are not normalised; parsing starts
    // from 1:1.0, 1:1:0.0, 0:0:0.0 or 0:0:0:0.0.
    {"", kMbt, '=', 720, "1:2:240.000"},
    {"", kHms, '=', 96000, "0:01:40.000"},
    {"", kHmsf, '=', 3576480, "1:02:05:15.000"},
    {"", kMb, '<', 0, "bar 2"},
    {"", kHms, '<', 311040000, "90"},
    {"", kHms, '<', 0, ""},
    {"", kHmsf, '<', 0, ""},
    {"", kMbt, '<', 0, "x"},
    {"", kHmsf, '<', 3456000, "1"},
    {"s3840=3/2", kMb, '=', 5280, "4:1.000"},
    {"s0=4/8", kMb, '>', 960, "1:0.500"},
    {"s960=6/3", kMb, '<', 480, "1:2"},
    {"s600=3/2", kMbt, '<', 960, "1:3:0"},
    {"2 40", kMbt, '<', 2400, "1:3:480"},
    {"2 40", kHmsf, '=', 1500, "0:00:01:12.500"},
    // Bar 4 and a third lies just below as a float: beat 2, tick part 240.
    {"s3840=3/2 s5280=6/3", kMbt, '>', 5760, "4:2:240.000"},
    // A signature exactly at the target applies (counted from before it, the
    // float beat would fall one tick short).
    {"0 3 s5=3/2", kMb, '<', 5, "1:2.6666665077209473"},
    // The first exact match, in the first track only.
    {"M10=A M20=B m50=A m70= m100=A", kMarker, '<', 50, "A"},
    {"M10=A M20=B m50=A m70= m100=A", kMarker, '<', -1, "B"},
};

TEST(StatedValues, EveryRow) {
  for (const Row& row : kRows) {
    auto sequence = build(row.map);
    const std::string text = row.text != nullptr ? row.text : "null";
    const std::string got_text = row.way == '<' ? text : text_of(sequence.get(), row.op, row.tick);
    const int32_t got_tick = row.way == '>' ? row.tick : tick_of(sequence.get(), row.op, row.text);
    EXPECT_EQ(got_text, text) << row.map;
    EXPECT_EQ(got_tick, row.tick) << row.map << ", " << text;
  }
}

TEST(TimeIndex, AgreesWithTheWalkThroughRandomEdits) {
  for (uint64_t seed = 1; seed <= 30; ++seed) {
    const auto make = [](Random& random) { return random_sequence(random, 0); };
    EXPECT_EQ(first_difference_through_edits(make, seed, 80), nullptr) << seed;
  }
}

// A field of a record: -1 for a null record, stored as given, 0 from a setter.
template <typename Record, typename Value>
void expect_field(const char* name, Record* record, Value (*get)(Record*), int32_t (*set)(Record*, Value)) {
  EXPECT_EQ(get(nullptr), Value{-1}) << name;
  EXPECT_EQ(set(nullptr, Value{7}), -1) << name;
  EXPECT_EQ(set(record, Value{7}), 0) << name;
  EXPECT_EQ(get(record), Value{7}) << name;
}

// One kind of position record: its text when new, a text parsed and shown
// again, the guards of its conversions and parser; then its fields.
template <typename Record>
Record* expect_position_rules(Record* (*make)(), const char* (*text)(Record*),
                              int32_t (*parse)(Record*, const char*),
                              int32_t (*from_tick)(Sequence*, int32_t, Record*),
                              int32_t (*to_tick)(Sequence*, Record*), const char* fresh, const char* parsed,
                              const char* shown) {
  SCOPED_TRACE(fresh);
  Record* position = make();
  auto s = build("");
  EXPECT_STREQ(text(position), fresh);
  EXPECT_EQ(parse(position, parsed), 0);
  EXPECT_STREQ(text(position), shown);
  expect_guards({GUARD(from_tick(s.get(), 0, position), 0), GUARD(from_tick(nullptr, 0, position), -1),
                 GUARD(from_tick(s.get(), 0, nullptr), -1), GUARD(to_tick(nullptr, position), -1),
                 GUARD(to_tick(s.get(), nullptr), -1), GUARD(parse(nullptr, ""), -1),
                 GUARD(parse(position, nullptr), -1)});
  return position;
}

// Parsing clamps whole numbers to 32 bits, and a text form keeps 31 characters.
TEST(StatedValues, Positions) {
  MbPosition* mb = expect_position_rules(mb_position_new, mb_position_to_string, mb_position_parse,
                                         sequence_get_mb_from_tick, sequence_get_tick_from_mb, "1:1.000",
                                         "-2147483648:-1e30", "-2147483648:-100000001504746621");
  MbtPosition* mbt = expect_position_rules(
      mbt_position_new, mbt_position_to_string, mbt_position_parse, sequence_get_mbt_from_tick,
      sequence_get_tick_from_mbt, "1:1:0.000", "-0:-2147483649:3e38", "0:-2147483648:30000000054977557");
  HmsPosition* hms = expect_position_rules(hms_position_new, hms_position_to_string, hms_position_parse,
                                           sequence_get_hms_from_tick, sequence_get_tick_from_hms,
                                           "0:00:00.000", "1:2:3.5", "1:02:03.500");
  HmsfPosition* hmsf =
      expect_position_rules(hmsf_position_new, hmsf_position_to_string, hmsf_position_parse,
                            sequence_get_hmsf_from_tick, sequence_get_tick_from_hmsf, "0:00:00:0.000",
                            "2147483648:-2147483649:99999999999:1e30", "2147483647:-2147483648:21474836");
  expect_field("mb measure", mb, mb_position_get_measure, mb_position_set_measure);
  expect_field("mb beat", mb, mb_position_get_beat, mb_position_set_beat);
  expect_field("mbt measure", mbt, mbt_position_get_measure, mbt_position_set_measure);
  expect_field("mbt beat", mbt, mbt_position_get_beat, mbt_position_set_beat);
  expect_field("mbt tick", mbt, mbt_position_get_tick, mbt_position_set_tick);
  expect_field("hms hours", hms, hms_position_get_hours, hms_position_set_hours);
  expect_field("hms minutes", hms, hms_position_get_minutes, hms_position_set_minutes);
  expect_field("hms seconds", hms, hms_position_get_seconds, hms_position_set_seconds);
  expect_field("hmsf hours", hmsf, hmsf_position_get_hours, hmsf_position_set_hours);
  expect_field("hmsf minutes", hmsf, hmsf_position_get_minutes, hmsf_position_set_minutes);
  expect_field("hmsf seconds", hmsf, hmsf_position_get_seconds, hmsf_position_set_seconds);
  expect_field("hmsf frames", hmsf, hmsf_position_get_frames, hmsf_position_set_frames);
  expect_guards({GUARD(mb_position_free(mb), 0), GUARD(mbt_position_free(mbt), 0),
                 GUARD(hms_position_free(hms), 0), GUARD(hmsf_position_free(hmsf), 0)});
}

}  // namespace
