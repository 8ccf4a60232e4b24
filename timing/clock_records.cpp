// Field access, text forms and parsing of the clock position records.
// Fields are stored as given. A text too long for the record (extreme field
// values) is cut to its 31 characters; an encoding error leaves it empty.
#include <cstdio>

#include "model/records.h"
#include "tactus/timing.h"
#include "timing/int32_conversion.h"

namespace tactus {

using internal::int32_from_long;

// ---- HmsPosition --------------------------------------------------------------

int32_t hms_position_get_hours(HmsPosition* position) {
  if (position == nullptr) return -1;
  return position->hours;
}

int32_t hms_position_set_hours(HmsPosition* position, int32_t hours) {
  if (position == nullptr) return -1;
  position->hours = hours;
  return 0;
}

int32_t hms_position_get_minutes(HmsPosition* position) {
  if (position == nullptr) return -1;
  return position->minutes;
}

int32_t hms_position_set_minutes(HmsPosition* position, int32_t minutes) {
  if (position == nullptr) return -1;
  position->minutes = minutes;
  return 0;
}

float hms_position_get_seconds(HmsPosition* position) {
  if (position == nullptr) return -1.0f;
  return position->seconds;
}

int32_t hms_position_set_seconds(HmsPosition* position, float seconds) {
  if (position == nullptr) return -1;
  position->seconds = seconds;
  return 0;
}

const char* hms_position_to_string(HmsPosition* position) {
  if (position == nullptr) return nullptr;
  if (std::snprintf(position->text, sizeof position->text, "%ld:%02ld:%06.3f",
                    static_cast<long>(position->hours), static_cast<long>(position->minutes),
                    static_cast<double>(position->seconds)) < 0) {
    position->text[0] = '\0';
  }
  return position->text;
}

int32_t hms_position_parse(HmsPosition* position, const char* text) {
  if (position == nullptr || text == nullptr) return -1;
  long hours = 0;
  long minutes = 0;
  float seconds = 0.0f;
  std::sscanf(text, "%ld:%ld:%f", &hours, &minutes, &seconds);
  position->hours = int32_from_long(hours);
  position->minutes = int32_from_long(minutes);
  position->seconds = seconds;
  return 0;
}

// ---- HmsfPosition -------------------------------------------------------------

int32_t hmsf_position_get_hours(HmsfPosition* position) {
  if (position == nullptr) return -1;
  return position->hours;
}

int32_t hmsf_position_set_hours(HmsfPosition* position, int32_t hours) {
  if (position == nullptr) return -1;
  position->hours = hours;
  return 0;
}

int32_t hmsf_position_get_minutes(HmsfPosition* position) {
  if (position == nullptr) return -1;
  return position->minutes;
}

int32_t hmsf_position_set_minutes(HmsfPosition* position, int32_t minutes) {
  if (position == nullptr) return -1;
  position->minutes = minutes;
  return 0;
}

int32_t hmsf_position_get_seconds(HmsfPosition* position) {
  if (position == nullptr) return -1;
  return position->seconds;
}

int32_t hmsf_position_set_seconds(HmsfPosition* position, int32_t seconds) {
  if (position == nullptr) return -1;
  position->seconds = seconds;
  return 0;
}

float hmsf_position_get_frames(HmsfPosition* position) {
  if (position == nullptr) return -1.0f;
  return position->frames;
}

int32_t hmsf_position_set_frames(HmsfPosition* position, float frames) {
  if (position == nullptr) return -1;
  position->frames = frames;
  return 0;
}

const char* hmsf_position_to_string(HmsfPosition* position) {
  if (position == nullptr) return nullptr;
  if (std::snprintf(position->text, sizeof position->text, "%ld:%02ld:%02ld:%.3f",
                    static_cast<long>(position->hours), static_cast<long>(position->minutes),
                    static_cast<long>(position->seconds), static_cast<double>(position->frames)) < 0) {
    position->text[0] = '\0';
  }
  return position->text;
}

int32_t hmsf_position_parse(HmsfPosition* position, const char* text) {
  if (position == nullptr || text == nullptr) return -1;
  long hours = 0;
  long minutes = 0;
  long seconds = 0;
  float frames = 0.0f;
  std::sscanf(text, "%ld:%ld:%ld:%f", &hours, &minutes, &seconds, &frames);
  position->hours = int32_from_long(hours);
  position->minutes = int32_from_long(minutes);
  position->seconds = int32_from_long(seconds);
  position->frames = frames;
  return 0;
}

}  // namespace tactus
