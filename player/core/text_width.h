// How wide UTF-8 text is on a terminal: a wide character (CJK, fullwidth
// forms, most emoji) takes two columns, a combining mark none, any other
// character one; a byte that is no part of a well-formed character counts
// as a character of one column.
#ifndef TACTUS_PLAYER_CORE_TEXT_WIDTH_H
#define TACTUS_PLAYER_CORE_TEXT_WIDTH_H

#include <cstddef>
#include <string_view>

namespace tactus::player {

size_t text_columns(std::string_view text);

// The longest start, or the shortest end, of `text` within `columns`. Neither
// cuts a character in two nor parts a combining mark from its character.
std::string_view head_within(std::string_view text, size_t columns);
std::string_view tail_within(std::string_view text, size_t columns);

}  // namespace tactus::player

#endif
