// The four position records: text forms within 31 characters, and parsing
// from start values, with whole numbers clamped to the 32-bit range.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "model/records.h"
#include "timing_fixtures.h"

using namespace tactus;
using namespace timing_test;

namespace {

// Parses `text` into a record that an earlier parse filled with other values,
// and gives the record's text form.
template <typename Record>
std::string parse_then_text(Record* record, int32_t (*parse)(Record*, const char*),
                            const char* (*to_text)(Record*), int32_t (*free_record)(Record*),
                            const char* text) {
  parse(record, "50:50:50:50");
  const int32_t result = parse(record, text);
  std::string form = result == 0 ? to_text(record) : "(failed)";
  free_record(record);
  return form;
}

std::string parse_then_text(Notation notation, const char* text) {
  switch (notation) {
    case kMb:
      return parse_then_text(mb_position_new(), mb_position_parse, mb_position_to_string, mb_position_free,
                             text);
    case kMbt:
      return parse_then_text(mbt_position_new(), mbt_position_parse, mbt_position_to_string,
                             mbt_position_free, text);
    case kHms:
      return parse_then_text(hms_position_new(), hms_position_parse, hms_position_to_string,
                             hms_position_free, text);
    case kHmsf:
      return parse_then_text(hmsf_position_new(), hmsf_position_parse, hmsf_position_to_string,
                             hmsf_position_free, text);
  }
  return "";
}

TEST(PositionRecords, ParseAndTextForms) {
  const struct {
    Notation notation;
    const char* text;
    const char* form;
  } cases[] = {
      {kMb, "12:3.75", "12:3.750"},
      {kMb, "1:2.5", "1:2.500"},
      {kMb, "3", "3:1.000"},  // unmatched fields keep their start values
      {kMb, "bar 3", "1:1.000"},
      {kMbt, "4:3:120.5", "4:3:120.500"},
      {kMbt, "1:2:240", "1:2:240.000"},
      {kMbt, "2:x", "2:1:0.000"},
      {kMbt, "99999999999:-99999999999:1", "2147483647:-2147483648:1.000"},
      {kHms, "1:02:03.5", "1:02:03.500"},
      {kHms, "0:1:4.25", "0:01:04.250"},
      {kHms, "90", "90:00:00.000"},
      {kHmsf, "1:2:3:4.25", "1:02:03:4.250"},
      {kHmsf, "0:0:1:7.5", "0:00:01:7.500"},
      {kHmsf, "", "0:00:00:0.000"},
  };
  for (const auto& c : cases) EXPECT_EQ(parse_then_text(c.notation, c.text), c.form) << c.text;
}

TEST(PositionRecords, ParseClampsWholeNumbersToInt32) {
  HmsfPosition* hmsf = hmsf_position_new();
  EXPECT_EQ(hmsf_position_parse(hmsf, "2147483648:-2147483649:99999999999999999999999:1e50"), 0);
  EXPECT_EQ(hmsf_position_get_hours(hmsf), kMax);
  EXPECT_EQ(hmsf_position_get_minutes(hmsf), kMin);
  EXPECT_EQ(hmsf_position_get_seconds(hmsf), kMax);
  EXPECT_TRUE(std::isinf(hmsf_position_get_frames(hmsf)));
  hmsf_position_free(hmsf);

  MbPosition* mb = mb_position_new();
  EXPECT_EQ(mb_position_parse(mb, "2147483647:nan"), 0);
  EXPECT_EQ(mb_position_get_measure(mb), kMax);
  EXPECT_TRUE(std::isnan(mb_position_get_beat(mb)));
  mb_position_free(mb);
}

TEST(PositionRecords, ParseLeavesTheTextAlone) {
  MbPosition* mb = mb_position_new();
  mb_position_to_string(mb);
  mb_position_parse(mb, "5:2");
  EXPECT_STREQ(mb->text, "1:1.000");
  // The record's own text can be parsed back: it is only read.
  EXPECT_EQ(mb_position_parse(mb, mb->text), 0);
  EXPECT_EQ(mb_position_get_measure(mb), 1);
  EXPECT_EQ(mb_position_get_beat(mb), 1.0f);
  mb_position_free(mb);
}

TEST(PositionRecords, TextIsCutTo31Characters) {
  MbPosition* mb = mb_position_new();
  EXPECT_EQ(mb_position_set_beat(mb, std::numeric_limits<float>::infinity()), 0);
  EXPECT_STREQ(mb_position_to_string(mb), "1:inf");
  mb_position_set_measure(mb, kMin);
  mb_position_set_beat(mb, -1e30f);
  EXPECT_STREQ(mb_position_to_string(mb), "-2147483648:-100000001504746621");
  mb_position_free(mb);

  MbtPosition* mbt = mbt_position_new();
  mbt_position_set_measure(mbt, kMin);
  mbt_position_set_beat(mbt, kMin);
  mbt_position_set_tick(mbt, std::numeric_limits<float>::max());
  EXPECT_EQ(std::strlen(mbt_position_to_string(mbt)), 31u);
  mbt_position_free(mbt);

  HmsPosition* hms = hms_position_new();
  hms_position_set_hours(hms, kMin);
  hms_position_set_minutes(hms, kMin);
  hms_position_set_seconds(hms, -std::numeric_limits<float>::max());
  EXPECT_EQ(std::strlen(hms_position_to_string(hms)), 31u);
  hms_position_free(hms);

  HmsfPosition* hmsf = hmsf_position_new();
  hmsf_position_set_hours(hmsf, kMin);
  hmsf_position_set_minutes(hmsf, kMin);
  hmsf_position_set_seconds(hmsf, kMin);
  hmsf_position_set_frames(hmsf, 1e30f);
  EXPECT_STREQ(hmsf_position_to_string(hmsf), "-2147483648:-2147483648:-214748");
  hmsf_position_free(hmsf);
}

TEST(PositionRecords, NullRecordsAndTexts) {
  for (int32_t result : {mb_position_get_measure(nullptr), mb_position_set_measure(nullptr, 1),
                         mb_position_set_beat(nullptr, 1.0f), mbt_position_get_beat(nullptr),
                         mbt_position_set_tick(nullptr, 1.0f), hms_position_get_minutes(nullptr),
                         hms_position_set_hours(nullptr, 1), hmsf_position_get_seconds(nullptr),
                         hmsf_position_set_frames(nullptr, 1.0f), mb_position_parse(nullptr, "1:1"),
                         mbt_position_parse(nullptr, "1:1:0"), hms_position_parse(nullptr, "0:0:0"),
                         hmsf_position_parse(nullptr, "0:0:0:0")}) {
    EXPECT_EQ(result, -1);
  }
  for (float result : {mb_position_get_beat(nullptr), mbt_position_get_tick(nullptr),
                       hms_position_get_seconds(nullptr), hmsf_position_get_frames(nullptr)}) {
    EXPECT_EQ(result, -1.0f);
  }
  for (const char* text : {mb_position_to_string(nullptr), mbt_position_to_string(nullptr),
                           hms_position_to_string(nullptr), hmsf_position_to_string(nullptr)}) {
    EXPECT_EQ(text, nullptr);
  }
  for (Notation notation : {kMb, kMbt, kHms, kHmsf})
    EXPECT_EQ(parse_then_text(notation, nullptr), "(failed)");
}

}  // namespace
