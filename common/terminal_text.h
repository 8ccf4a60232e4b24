// Text from a file made fit for a terminal: none of its control characters
// reaches it, and a text cut short ends on a whole character.
#ifndef TACTUS_COMMON_TERMINAL_TEXT_H
#define TACTUS_COMMON_TERMINAL_TEXT_H

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace tactus::common {

// The UTF-8 text with each control character (C0, DEL and C1, the last in
// their UTF-8 form U+0080 to U+009F) replaced by `replacement`, which may be
// empty. The text must be well-formed UTF-8, as decoded texts are.
std::string printable_text(std::string_view utf8, std::string_view replacement);

// The length of the longest start of the UTF-8 text that is at most
// `max_bytes` long and ends on a character's end.
size_t whole_characters_within(std::string_view utf8, size_t max_bytes);

// Writes UTF-8 text to a console stream: its bytes on POSIX; on Windows, to
// a console, its characters through the console's wide output, after what
// the stream holds.
void write_text(std::FILE* stream, std::string_view utf8);

}  // namespace tactus::common

#endif
