#include "player/core/text_width.h"

#include <cstdint>

namespace tactus::player {

namespace {

struct Range {
  char32_t first, last;
};

constexpr Range kWide[] = {{0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x33FF},  {0x3400, 0x4DBF},
                           {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xAC00, 0xD7A3},  {0xF900, 0xFAFF},
                           {0xFE30, 0xFE4F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},  {0x1F300, 0x1F64F},
                           {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD}};
constexpr Range kCombining[] = {{0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A},
                                {0x064B, 0x065F}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200B, 0x200F},
                                {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}};

template <size_t N>
bool in(const Range (&ranges)[N], char32_t c) {
  for (const Range& range : ranges)
    if (c >= range.first && c <= range.last) return true;
  return false;
}

struct Character {
  size_t length;  // bytes
  size_t columns;
};

// The character at the start of `text`, which is not empty.
Character character_at(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  size_t length = lead < 0x80           ? 1
                  : (lead >> 5) == 0x6  ? 2
                  : (lead >> 4) == 0xE  ? 3
                  : (lead >> 3) == 0x1E ? 4
                                        : 0;
  if (length == 0 || length > text.size()) return {1, 1};
  char32_t c = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return {1, 1};
    c = c << 6 | (byte(i) & 0x3F);
  }
  if (in(kCombining, c)) return {length, 0};
  return {length, in(kWide, c) ? size_t{2} : size_t{1}};
}

}  // namespace

size_t text_columns(std::string_view text) {
  size_t columns = 0;
  while (!text.empty()) {
    const Character c = character_at(text);
    columns += c.columns;
    text.remove_prefix(c.length);
  }
  return columns;
}

std::string_view head_within(std::string_view text, size_t columns) {
  size_t used = 0, length = 0;
  while (length < text.size()) {
    const Character c = character_at(text.substr(length));
    if (used + c.columns > columns) break;
    used += c.columns;
    length += c.length;
  }
  return text.substr(0, length);
}

// Walks from the start, dropping whole characters (with their marks) until
// the rest fits.
std::string_view tail_within(std::string_view text, size_t columns) {
  size_t width = text_columns(text);
  while (width > columns && !text.empty()) {
    const Character c = character_at(text);
    width -= c.columns;
    text.remove_prefix(c.length);
    while (!text.empty() && character_at(text).columns == 0) text.remove_prefix(character_at(text).length);
  }
  return text;
}

}  // namespace tactus::player
