// Creation and release of the four position records.
#include <new>

#include "model/records.h"

namespace tactus {

MbPosition* mb_position_new() { return new (std::nothrow) MbPosition{1, 1.0f, {}}; }

MbtPosition* mbt_position_new() { return new (std::nothrow) MbtPosition{1, 1, 0.0f, {}}; }

HmsPosition* hms_position_new() { return new (std::nothrow) HmsPosition{0, 0, 0.0f, {}}; }

HmsfPosition* hmsf_position_new() { return new (std::nothrow) HmsfPosition{0, 0, 0, 0.0f, {}}; }

int32_t mb_position_free(MbPosition* position) {
  if (position == nullptr) return -1;
  delete position;
  return 0;
}

int32_t mbt_position_free(MbtPosition* position) {
  if (position == nullptr) return -1;
  delete position;
  return 0;
}

int32_t hms_position_free(HmsPosition* position) {
  if (position == nullptr) return -1;
  delete position;
  return 0;
}

int32_t hmsf_position_free(HmsfPosition* position) {
  if (position == nullptr) return -1;
  delete position;
  return 0;
}

}  // namespace tactus
