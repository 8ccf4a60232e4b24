// How the timing code turns a wider number into a tick or an int32 field.
// Converting NaN or a double outside the int32 range to an integer is
// undefined in C++, and degenerate files (a resolution of 0, a tempo of 0
// microseconds per quarter note, a numerator of 0) produce exactly such
// values, so every fractional value goes through int32_from_double.
#ifndef TACTUS_TIMING_INT32_CONVERSION_H
#define TACTUS_TIMING_INT32_CONVERSION_H

#include <cmath>
#include <cstdint>
#include <limits>

namespace tactus::internal {

// Rounding a double to float relies on IEEE-754 behaviour (overflow gives an
// infinity, never a trap), as does the bit-exact arithmetic of the conversions.
static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<double>::is_iec559);

// Truncates toward zero; NaN gives -1 and values beyond the int32 range
// saturate to INT32_MIN or INT32_MAX.
inline int32_t int32_from_double(double value) {
  if (std::isnan(value)) {
    return -1;
  }
  if (value <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
    return std::numeric_limits<int32_t>::min();
  }
  if (value >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
    return std::numeric_limits<int32_t>::max();
  }
  return static_cast<int32_t>(value);
}

// base + trunc(offset) as one tick. The sum is formed in double precision,
// where it is exact for every offset that can still land inside the int32
// range, so it saturates instead of overflowing.
inline int32_t tick_after(int32_t base, double offset) {
  return int32_from_double(static_cast<double>(base) + std::trunc(offset));
}

// Whole numbers parsed from text arrive as long, which may be wider than the
// int32 fields: a value beyond the int32 range is clamped to its nearest end.
// (A number beyond even the long range already comes back from the C
// library's scanner saturated to LONG_MIN or LONG_MAX.)
inline int32_t int32_from_long(long value) {
  if (value < std::numeric_limits<int32_t>::min()) {
    return std::numeric_limits<int32_t>::min();
  }
  if (value > std::numeric_limits<int32_t>::max()) {
    return std::numeric_limits<int32_t>::max();
  }
  return static_cast<int32_t>(value);
}

}  // namespace tactus::internal

#endif
