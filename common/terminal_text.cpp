#include "common/terminal_text.h"

namespace tactus::common {

std::string printable_text(std::string_view utf8, std::string_view replacement) {
  std::string text;
  text.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    const bool c1 = byte == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) < 0xA0;
    if (byte < 0x20 || byte == 0x7F || c1) {
      text += replacement;
      i += c1;
    } else {
      text += utf8[i];
    }
  }
  return text;
}

size_t whole_characters_within(std::string_view utf8, size_t max_bytes) {
  if (utf8.size() <= max_bytes) return utf8.size();
  size_t end = max_bytes;
  // Back over continuation bytes to the start of the character cut through.
  while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) --end;
  return end;
}

}  // namespace tactus::common
