// Telling the caller what the reader met and went past.
#ifndef TACTUS_SMF_REMARKS_H
#define TACTUS_SMF_REMARKS_H

#include <cstdint>

#include "tactus/smf.h"

namespace tactus::internal {

inline constexpr int32_t kNoTrack = -1;

#if defined(__GNUC__) && !defined(__MINGW32__)
#define TACTUS_PRINTF_FORMAT(format_index) __attribute__((format(printf, format_index, format_index + 1)))
#else
#define TACTUS_PRINTF_FORMAT(format_index)
#endif

// Formats each remark's text and hands it to the caller's handler. The
// reader holds one only when a handler was given.
class Remarks {
 public:
  Remarks(LoadRemarkHandler handler, void* context) noexcept : handler_(handler), context_(context) {}

  void add(uint64_t offset, int32_t track, int32_t code, const char* format, ...) noexcept
      TACTUS_PRINTF_FORMAT(5);

 private:
  LoadRemarkHandler handler_;
  void* context_;
};

// A chunk identifier as text for a remark: its four characters, those that
// are not printable ASCII as \xNN. `text` takes at least 17 characters.
void identifier_text(const char identifier[4], char* text) noexcept;

}  // namespace tactus::internal

#endif
