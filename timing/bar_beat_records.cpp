// Field access, text forms and parsing of the bar/beat position records.
// Fields are stored as given. A text too long for the record (extreme field
// values) is cut to its 31 characters; an encoding error leaves it empty.
#include <cstdio>

#include "model/records.h"
#include "tactus/timing.h"
#include "timing/int32_conversion.h"

namespace tactus {

using internal::int32_from_long;

// ---- MbPosition ---------------------------------------------------------------

int32_t mb_position_get_measure(MbPosition* position) {
  if (position == nullptr) return -1;
  return position->measure;
}

int32_t mb_position_set_measure(MbPosition* position, int32_t measure) {
  if (position == nullptr) return -1;
  position->measure = measure;
  return 0;
}

float mb_position_get_beat(MbPosition* position) {
  if (position == nullptr) return -1.0f;
  return position->beat;
}

int32_t mb_position_set_beat(MbPosition* position, float beat) {
  if (position == nullptr) return -1;
  position->beat = beat;
  return 0;
}

const char* mb_position_to_string(MbPosition* position) {
  if (position == nullptr) return nullptr;
  if (std::snprintf(position->text, sizeof position->text, "%ld:%.3f", static_cast<long>(position->measure),
                    static_cast<double>(position->beat)) < 0) {
    position->text[0] = '\0';
  }
  return position->text;
}

int32_t mb_position_parse(MbPosition* position, const char* text) {
  if (position == nullptr || text == nullptr) return -1;
  long measure = 1;
  float beat = 1.0f;
  std::sscanf(text, "%ld:%f", &measure, &beat);
  position->measure = int32_from_long(measure);
  position->beat = beat;
  return 0;
}

// ---- MbtPosition --------------------------------------------------------------

int32_t mbt_position_get_measure(MbtPosition* position) {
  if (position == nullptr) return -1;
  return position->measure;
}

int32_t mbt_position_set_measure(MbtPosition* position, int32_t measure) {
  if (position == nullptr) return -1;
  position->measure = measure;
  return 0;
}

int32_t mbt_position_get_beat(MbtPosition* position) {
  if (position == nullptr) return -1;
  return position->beat;
}

int32_t mbt_position_set_beat(MbtPosition* position, int32_t beat) {
  if (position == nullptr) return -1;
  position->beat = beat;
  return 0;
}

float mbt_position_get_tick(MbtPosition* position) {
  if (position == nullptr) return -1.0f;
  return position->tick;
}

int32_t mbt_position_set_tick(MbtPosition* position, float tick) {
  if (position == nullptr) return -1;
  position->tick = tick;
  return 0;
}

const char* mbt_position_to_string(MbtPosition* position) {
  if (position == nullptr) return nullptr;
  if (std::snprintf(position->text, sizeof position->text, "%ld:%ld:%.3f",
                    static_cast<long>(position->measure), static_cast<long>(position->beat),
                    static_cast<double>(position->tick)) < 0) {
    position->text[0] = '\0';
  }
  return position->text;
}

int32_t mbt_position_parse(MbtPosition* position, const char* text) {
  if (position == nullptr || text == nullptr) return -1;
  long measure = 1;
  long beat = 1;
  float tick = 0.0f;
  std::sscanf(text, "%ld:%ld:%f", &measure, &beat, &tick);
  position->measure = int32_from_long(measure);
  position->beat = int32_from_long(beat);
  position->tick = tick;
  return 0;
}

}  // namespace tactus
