#include "smf/remarks.h"

#include <cstdarg>
#include <cstdio>

namespace tactus::internal {

void Remarks::add(uint64_t offset, int32_t track, int32_t code, const char* format, ...) noexcept {
  char text[192];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  handler_(context_, offset, track, code, text);
}

void identifier_text(const char identifier[4], char* text) noexcept {
  for (int i = 0; i < 4; ++i) {
    const auto c = static_cast<unsigned char>(identifier[i]);
    if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
      *text++ = static_cast<char>(c);
    } else {
      text += std::snprintf(text, 5, "\\x%02X", c);
    }
  }
  *text = '\0';
}

}  // namespace tactus::internal
