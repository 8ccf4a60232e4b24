// Reading the numbers of the command line. Every reading is defined for any
// text: numbers too large for their type saturate instead of overflowing.
#ifndef TACTUS_PLAYER_CORE_NUMBER_TEXT_H
#define TACTUS_PLAYER_CORE_NUMBER_TEXT_H

#include <cstdint>

namespace tactus::player {

// Reads a decimal integer the way "%d" does: leading white space, an optional
// sign, then digits; whatever follows the digits is ignored. Values beyond
// the 32-bit range saturate to INT32_MIN or INT32_MAX. Returns false, leaving
// *value alone, when there are no digits.
bool read_decimal_int(const char* text, int32_t* value);

// The same reading, with 0 for text without digits.
int32_t read_decimal_int_or_zero(const char* text);

// Reads a decimal floating-point number with the standard conversion (0 when
// the text holds none) and rounds it to a float; magnitudes beyond the float
// range become infinite rather than undefined.
float read_float(const char* text);

}  // namespace tactus::player

#endif
