// A meta event's text as UTF-8. The file format states no encoding: text that
// is valid UTF-8 is taken as it is, anything else is read as Windows-1252, the
// code page of most older files, in which every byte is a character.
#include <cstddef>
#include <cstdint>

#include "tactus/model.h"

namespace tactus {
namespace {

// The length of the well-formed UTF-8 character at the start of `text`, or 0
// for a byte that starts none (overlong forms and surrogates included).
size_t utf8_character_length(const unsigned char* text, size_t length) {
  const unsigned lead = text[0];
  if (lead < 0x80) return 1;
  size_t count = 0;
  unsigned low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    count = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    count = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    count = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  }
  if (count == 0 || count > length || text[1] < low || text[1] > high) return 0;
  for (size_t i = 2; i < count; ++i)
    if ((text[i] & 0xC0) != 0x80) return 0;
  return count;
}

bool is_utf8(const unsigned char* text, size_t length) {
  for (size_t i = 0; i < length;) {
    const size_t count = utf8_character_length(text + i, length - i);
    if (count == 0) return false;
    i += count;
  }
  return true;
}

// Windows-1252 from 0x80 to 0x9F; U+FFFD for the five bytes it leaves
// undefined. From 0xA0 on it is Latin-1, byte and code point alike.
constexpr char16_t kWindows1252From80[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                             0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                             0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                             0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

// The UTF-8 form of one Windows-1252 byte; returns its length.
size_t windows_1252_as_utf8(unsigned char byte, char* out) {
  const unsigned code = byte >= 0x80 && byte < 0xA0 ? kWindows1252From80[byte - 0x80] : byte;
  if (code < 0x80) {
    out[0] = static_cast<char>(code);
    return 1;
  }
  if (code < 0x800) {
    out[0] = static_cast<char>(0xC0 | code >> 6);
    out[1] = static_cast<char>(0x80 | (code & 0x3F));
    return 2;
  }
  out[0] = static_cast<char>(0xE0 | code >> 12);
  out[1] = static_cast<char>(0x80 | (code >> 6 & 0x3F));
  out[2] = static_cast<char>(0x80 | (code & 0x3F));
  return 3;
}

}  // namespace

int meta_text_is_utf8(Event* event) {
  const unsigned char* text = meta_get_data(event);
  const int32_t length = meta_get_data_length(event);
  return text != nullptr && is_utf8(text, static_cast<size_t>(length)) ? 1 : 0;
}

int32_t meta_get_utf8_text(Event* event, char* buffer, int32_t size) {
  const unsigned char* text = meta_get_data(event);
  if (text == nullptr || size < 0 || (buffer == nullptr && size > 0)) return -1;
  const auto length = static_cast<size_t>(meta_get_data_length(event));
  const bool utf8 = is_utf8(text, length);
  // Whole characters while they fit before the terminating zero, then none.
  const size_t room = size > 0 ? static_cast<size_t>(size) - 1 : 0;
  size_t total = 0, written = 0;
  for (size_t i = 0; i < length;) {
    char encoded[4];
    size_t count;
    if (utf8) {
      count = utf8_character_length(text + i, length - i);
      for (size_t k = 0; k < count; ++k) encoded[k] = static_cast<char>(text[i + k]);
      i += count;
    } else {
      count = windows_1252_as_utf8(text[i++], encoded);
    }
    if (written == total && total + count <= room) {
      for (size_t k = 0; k < count; ++k) buffer[written++] = encoded[k];
    }
    total += count;
    if (total > INT32_MAX) return -1;
  }
  if (size > 0) buffer[written] = '\0';
  return static_cast<int32_t>(total);
}

}  // namespace tactus
