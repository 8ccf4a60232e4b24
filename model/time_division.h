// What each division type stands for, defined once for the model, the file
// reader and writer, and the time conversions.
#ifndef TACTUS_MODEL_TIME_DIVISION_H
#define TACTUS_MODEL_TIME_DIVISION_H

#include <cstdint>

#include "tactus/model.h"

namespace tactus::internal {

// Frames per second of a division type; PPQ and unknown types count 30, the
// frame rate a new sequence gets for them. 29.97 exists in both widths on
// purpose: a sequence's frame rate and most conversion steps use the float
// nearest to it (29.969999...), while the steps that end in a tick use the
// double, and the two give different ticks.
struct FrameRate {
  float as_float;
  double as_double;
};

constexpr FrameRate frame_rate_of(int32_t division_type) {
  switch (division_type) {
    case DIVISION_SMPTE24:
      return {24.0f, 24.0};
    case DIVISION_SMPTE25:
      return {25.0f, 25.0};
    case DIVISION_SMPTE30DROP:
      return {29.97f, 29.97};
    default:
      return {30.0f, 30.0};
  }
}

// The first byte of a file's division word for each SMPTE type: minus its
// whole frames per second as a two's complement byte (drop frame counts 29).
struct SmpteCode {
  int32_t division_type;
  unsigned byte;
};
inline constexpr SmpteCode kSmpteCodes[] = {{DIVISION_SMPTE24, 0xE8},
                                            {DIVISION_SMPTE25, 0xE7},
                                            {DIVISION_SMPTE30DROP, 0xE3},
                                            {DIVISION_SMPTE30, 0xE2}};

// The byte of an SMPTE type; 0 for PPQ and unknown types.
constexpr unsigned smpte_code_of(int32_t division_type) {
  for (const SmpteCode& code : kSmpteCodes) {
    if (code.division_type == division_type) return code.byte;
  }
  return 0;
}

// The SMPTE type that a first byte names; DIVISION_PPQ for every other byte,
// whose word is then a PPQ resolution.
constexpr int32_t division_of_smpte_code(unsigned byte) {
  for (const SmpteCode& code : kSmpteCodes) {
    if (code.byte == byte) return code.division_type;
  }
  return DIVISION_PPQ;
}

}  // namespace tactus::internal

#endif
