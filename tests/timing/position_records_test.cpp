// The four position records: field access, text forms within 31 characters,
// and parsing with start values for the fields that no conversion fills.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "model/records.h"
#include "tactus/tactus.h"

using namespace tactus;

namespace {

template <typename Record, int32_t (*Free)(Record*)>
struct RecordFree {
  void operator()(Record* record) const { Free(record); }
};
using MbPtr = std::unique_ptr<MbPosition, RecordFree<MbPosition, mb_position_free>>;
using MbtPtr = std::unique_ptr<MbtPosition, RecordFree<MbtPosition, mbt_position_free>>;
using HmsPtr = std::unique_ptr<HmsPosition, RecordFree<HmsPosition, hms_position_free>>;
using HmsfPtr = std::unique_ptr<HmsfPosition, RecordFree<HmsfPosition, hmsf_position_free>>;

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

TEST(PositionRecords, GettersAndSettersStoreAsGiven) {
  MbPtr mb(mb_position_new());
  EXPECT_EQ(mb_position_set_measure(mb.get(), -7), 0);
  EXPECT_EQ(mb_position_set_beat(mb.get(), 99.25f), 0);
  EXPECT_EQ(mb_position_get_measure(mb.get()), -7);
  EXPECT_EQ(mb_position_get_beat(mb.get()), 99.25f);

  MbtPtr mbt(mbt_position_new());
  EXPECT_EQ(mbt_position_set_measure(mbt.get(), 3), 0);
  EXPECT_EQ(mbt_position_set_beat(mbt.get(), 17), 0);
  EXPECT_EQ(mbt_position_set_tick(mbt.get(), 1234.5f), 0);
  EXPECT_EQ(mbt_position_get_measure(mbt.get()), 3);
  EXPECT_EQ(mbt_position_get_beat(mbt.get()), 17);
  EXPECT_EQ(mbt_position_get_tick(mbt.get()), 1234.5f);

  HmsPtr hms(hms_position_new());
  EXPECT_EQ(hms_position_set_hours(hms.get(), 2), 0);
  EXPECT_EQ(hms_position_set_minutes(hms.get(), 90), 0);
  EXPECT_EQ(hms_position_set_seconds(hms.get(), 75.5f), 0);
  EXPECT_EQ(hms_position_get_hours(hms.get()), 2);
  EXPECT_EQ(hms_position_get_minutes(hms.get()), 90);
  EXPECT_EQ(hms_position_get_seconds(hms.get()), 75.5f);

  HmsfPtr hmsf(hmsf_position_new());
  EXPECT_EQ(hmsf_position_set_hours(hmsf.get(), 1), 0);
  EXPECT_EQ(hmsf_position_set_minutes(hmsf.get(), 2), 0);
  EXPECT_EQ(hmsf_position_set_seconds(hmsf.get(), 3), 0);
  EXPECT_EQ(hmsf_position_set_frames(hmsf.get(), 4.5f), 0);
  EXPECT_EQ(hmsf_position_get_hours(hmsf.get()), 1);
  EXPECT_EQ(hmsf_position_get_minutes(hmsf.get()), 2);
  EXPECT_EQ(hmsf_position_get_seconds(hmsf.get()), 3);
  EXPECT_EQ(hmsf_position_get_frames(hmsf.get()), 4.5f);
}

TEST(PositionRecords, NullRecords) {
  EXPECT_EQ(mb_position_get_measure(nullptr), -1);
  EXPECT_EQ(mb_position_get_beat(nullptr), -1.0f);
  EXPECT_EQ(mb_position_set_measure(nullptr, 1), -1);
  EXPECT_EQ(mb_position_set_beat(nullptr, 1.0f), -1);
  EXPECT_EQ(mb_position_to_string(nullptr), nullptr);
  EXPECT_EQ(mb_position_parse(nullptr, "1:1"), -1);
  EXPECT_EQ(mbt_position_get_beat(nullptr), -1);
  EXPECT_EQ(mbt_position_get_tick(nullptr), -1.0f);
  EXPECT_EQ(mbt_position_set_tick(nullptr, 1.0f), -1);
  EXPECT_EQ(mbt_position_to_string(nullptr), nullptr);
  EXPECT_EQ(mbt_position_parse(nullptr, "1:1:0"), -1);
  EXPECT_EQ(hms_position_get_minutes(nullptr), -1);
  EXPECT_EQ(hms_position_get_seconds(nullptr), -1.0f);
  EXPECT_EQ(hms_position_set_hours(nullptr, 1), -1);
  EXPECT_EQ(hms_position_to_string(nullptr), nullptr);
  EXPECT_EQ(hms_position_parse(nullptr, "0:0:0"), -1);
  EXPECT_EQ(hmsf_position_get_seconds(nullptr), -1);
  EXPECT_EQ(hmsf_position_get_frames(nullptr), -1.0f);
  EXPECT_EQ(hmsf_position_set_frames(nullptr, 1.0f), -1);
  EXPECT_EQ(hmsf_position_to_string(nullptr), nullptr);
  EXPECT_EQ(hmsf_position_parse(nullptr, "0:0:0:0"), -1);

  MbPtr mb(mb_position_new());
  EXPECT_EQ(mb_position_parse(mb.get(), nullptr), -1);
}

TEST(PositionRecords, TextFormsUseTheirFormats) {
  MbPtr mb(mb_position_new());
  EXPECT_STREQ(mb_position_to_string(mb.get()), "1:1.000");
  mb_position_set_beat(mb.get(), 2.5f);
  EXPECT_STREQ(mb_position_to_string(mb.get()), "1:2.500");

  MbtPtr mbt(mbt_position_new());
  mbt_position_set_beat(mbt.get(), 2);
  mbt_position_set_tick(mbt.get(), 240.0f);
  EXPECT_STREQ(mbt_position_to_string(mbt.get()), "1:2:240.000");

  HmsPtr hms(hms_position_new());
  EXPECT_STREQ(hms_position_to_string(hms.get()), "0:00:00.000");
  hms_position_set_minutes(hms.get(), 1);
  hms_position_set_seconds(hms.get(), 4.25f);
  EXPECT_STREQ(hms_position_to_string(hms.get()), "0:01:04.250");

  HmsfPtr hmsf(hmsf_position_new());
  EXPECT_STREQ(hmsf_position_to_string(hmsf.get()), "0:00:00:0.000");
  hmsf_position_set_seconds(hmsf.get(), 1);
  hmsf_position_set_frames(hmsf.get(), 7.5f);
  EXPECT_STREQ(hmsf_position_to_string(hmsf.get()), "0:00:01:7.500");
}

TEST(PositionRecords, TextIsCutTo31Characters) {
  MbPtr mb(mb_position_new());
  mb_position_set_measure(mb.get(), kMin);
  mb_position_set_beat(mb.get(), -1e30f);
  const char* text = mb_position_to_string(mb.get());
  EXPECT_EQ(std::strlen(text), 31u);
  EXPECT_STREQ(text, "-2147483648:-100000001504746621");

  MbtPtr mbt(mbt_position_new());
  mbt_position_set_measure(mbt.get(), kMin);
  mbt_position_set_beat(mbt.get(), kMin);
  mbt_position_set_tick(mbt.get(), std::numeric_limits<float>::max());
  EXPECT_EQ(std::strlen(mbt_position_to_string(mbt.get())), 31u);

  HmsPtr hms(hms_position_new());
  hms_position_set_hours(hms.get(), kMin);
  hms_position_set_minutes(hms.get(), kMin);
  hms_position_set_seconds(hms.get(), -std::numeric_limits<float>::max());
  EXPECT_EQ(std::strlen(hms_position_to_string(hms.get())), 31u);

  HmsfPtr hmsf(hmsf_position_new());
  hmsf_position_set_hours(hmsf.get(), kMin);
  hmsf_position_set_minutes(hmsf.get(), kMin);
  hmsf_position_set_seconds(hmsf.get(), kMin);
  hmsf_position_set_frames(hmsf.get(), 1e30f);
  EXPECT_STREQ(hmsf_position_to_string(hmsf.get()), "-2147483648:-2147483648:-214748");
}

TEST(PositionRecords, NonFiniteFieldsFormat) {
  MbPtr mb(mb_position_new());
  mb_position_set_beat(mb.get(), std::numeric_limits<float>::infinity());
  EXPECT_STREQ(mb_position_to_string(mb.get()), "1:inf");
}

TEST(PositionRecords, ParseFillsFieldsLeftToRight) {
  MbPtr mb(mb_position_new());
  EXPECT_EQ(mb_position_parse(mb.get(), "12:3.75"), 0);
  EXPECT_EQ(mb_position_get_measure(mb.get()), 12);
  EXPECT_EQ(mb_position_get_beat(mb.get()), 3.75f);

  MbtPtr mbt(mbt_position_new());
  EXPECT_EQ(mbt_position_parse(mbt.get(), "4:3:120.5"), 0);
  EXPECT_EQ(mbt_position_get_measure(mbt.get()), 4);
  EXPECT_EQ(mbt_position_get_beat(mbt.get()), 3);
  EXPECT_EQ(mbt_position_get_tick(mbt.get()), 120.5f);

  HmsPtr hms(hms_position_new());
  EXPECT_EQ(hms_position_parse(hms.get(), "1:02:03.5"), 0);
  EXPECT_EQ(hms_position_get_hours(hms.get()), 1);
  EXPECT_EQ(hms_position_get_minutes(hms.get()), 2);
  EXPECT_EQ(hms_position_get_seconds(hms.get()), 3.5f);

  HmsfPtr hmsf(hmsf_position_new());
  EXPECT_EQ(hmsf_position_parse(hmsf.get(), "1:2:3:4.25"), 0);
  EXPECT_EQ(hmsf_position_get_hours(hmsf.get()), 1);
  EXPECT_EQ(hmsf_position_get_minutes(hmsf.get()), 2);
  EXPECT_EQ(hmsf_position_get_seconds(hmsf.get()), 3);
  EXPECT_EQ(hmsf_position_get_frames(hmsf.get()), 4.25f);
}

TEST(PositionRecords, ParseResetsUnmatchedFieldsToStartValues) {
  MbPtr mb(mb_position_new());
  mb_position_set_measure(mb.get(), 50);
  mb_position_set_beat(mb.get(), 50.0f);
  EXPECT_EQ(mb_position_parse(mb.get(), "3"), 0);
  EXPECT_EQ(mb_position_get_measure(mb.get()), 3);
  EXPECT_EQ(mb_position_get_beat(mb.get()), 1.0f);
  EXPECT_EQ(mb_position_parse(mb.get(), "bar 3"), 0);
  EXPECT_EQ(mb_position_get_measure(mb.get()), 1);

  MbtPtr mbt(mbt_position_new());
  mbt_position_set_tick(mbt.get(), 9.0f);
  EXPECT_EQ(mbt_position_parse(mbt.get(), "2:x"), 0);
  EXPECT_EQ(mbt_position_get_measure(mbt.get()), 2);
  EXPECT_EQ(mbt_position_get_beat(mbt.get()), 1);
  EXPECT_EQ(mbt_position_get_tick(mbt.get()), 0.0f);

  HmsPtr hms(hms_position_new());
  EXPECT_EQ(hms_position_parse(hms.get(), "90"), 0);
  EXPECT_EQ(hms_position_get_hours(hms.get()), 90);
  EXPECT_EQ(hms_position_get_minutes(hms.get()), 0);
  EXPECT_EQ(hms_position_get_seconds(hms.get()), 0.0f);

  HmsfPtr hmsf(hmsf_position_new());
  hmsf_position_set_frames(hmsf.get(), 3.0f);
  EXPECT_EQ(hmsf_position_parse(hmsf.get(), ""), 0);
  EXPECT_EQ(hmsf_position_get_hours(hmsf.get()), 0);
  EXPECT_EQ(hmsf_position_get_frames(hmsf.get()), 0.0f);
}

TEST(PositionRecords, ParseLeavesTheTextAlone) {
  MbPtr mb(mb_position_new());
  mb_position_to_string(mb.get());
  mb_position_parse(mb.get(), "5:2");
  EXPECT_STREQ(mb->text, "1:1.000");
  // The record's own text can be parsed back: it is only read.
  EXPECT_EQ(mb_position_parse(mb.get(), mb->text), 0);
  EXPECT_EQ(mb_position_get_measure(mb.get()), 1);
  EXPECT_EQ(mb_position_get_beat(mb.get()), 1.0f);
}

TEST(PositionRecords, ParseClampsWholeNumbersToInt32) {
  MbtPtr mbt(mbt_position_new());
  EXPECT_EQ(mbt_position_parse(mbt.get(), "99999999999:-99999999999:1"), 0);
  EXPECT_EQ(mbt_position_get_measure(mbt.get()), kMax);
  EXPECT_EQ(mbt_position_get_beat(mbt.get()), kMin);
  EXPECT_EQ(mbt_position_get_tick(mbt.get()), 1.0f);

  HmsfPtr hmsf(hmsf_position_new());
  EXPECT_EQ(hmsf_position_parse(hmsf.get(), "2147483648:-2147483649:99999999999999999999999:1e50"), 0);
  EXPECT_EQ(hmsf_position_get_hours(hmsf.get()), kMax);
  EXPECT_EQ(hmsf_position_get_minutes(hmsf.get()), kMin);
  EXPECT_EQ(hmsf_position_get_seconds(hmsf.get()), kMax);
  EXPECT_TRUE(std::isinf(hmsf_position_get_frames(hmsf.get())));

  MbPtr mb(mb_position_new());
  EXPECT_EQ(mb_position_parse(mb.get(), "2147483647:nan"), 0);
  EXPECT_EQ(mb_position_get_measure(mb.get()), kMax);
  EXPECT_TRUE(std::isnan(mb_position_get_beat(mb.get())));
}

}  // namespace
