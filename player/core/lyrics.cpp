#include "player/core/lyrics.h"

#include <cstring>

namespace tactus::player {

namespace {

constexpr int32_t kTextMeta = 0x01;
constexpr int32_t kLyricMeta = 0x05;
constexpr char kKaraokeMark[] = "@KMIDI KARAOKE FILE";

bool text_begins_with(Event* event, const char* prefix) {
  const size_t length = std::strlen(prefix);
  const int32_t data_length = meta_get_data_length(event);
  return data_length >= 0 && static_cast<size_t>(data_length) >= length &&
         std::memcmp(meta_get_data(event), prefix, length) == 0;
}

bool is_karaoke_file(Sequence* sequence) {
  for (Event* event = sequence_get_first_event(sequence); event != nullptr;
       event = event_get_next_in_sequence(event)) {
    if (meta_get_number(event) == kTextMeta && text_begins_with(event, kKaraokeMark)) return true;
  }
  return false;
}

}  // namespace

Lyrics::Lyrics(Sequence* sequence, std::FILE* out) : out_(out) {
  skip_headers_ = is_karaoke_file(sequence);
  word_meta_number_ = skip_headers_ ? kTextMeta : kLyricMeta;
}

bool Lyrics::carries_words(Event* event) const {
  return meta_get_number(event) == word_meta_number_ && !(skip_headers_ && text_begins_with(event, "@"));
}

void Lyrics::print(Event* event) {
  const unsigned char* text = meta_get_data(event);
  const int32_t length = meta_get_data_length(event);
  for (int32_t i = 0; i < length; ++i) {
    const unsigned char c = text[i];
    if (c == '/' || c == '\r' || c == '\n') {
      new_line();
    } else if (c == '\\') {
      new_paragraph();
    } else if (c >= 0x20 && c != 0x7F) {
      put(static_cast<char>(c));
    }
  }
  std::fflush(out_);
}

void Lyrics::finish() {
  new_line();
  std::fflush(out_);
}

void Lyrics::start_paragraph() {
  new_paragraph();
  std::fflush(out_);
}

void Lyrics::new_line() {
  if (place_ != Place::kInLine) return;
  std::fputc('\n', out_);
  place_ = Place::kLineStart;
  line_length_ = 0;
}

void Lyrics::new_paragraph() {
  if (place_ == Place::kTop || place_ == Place::kAfterEmptyLine) return;
  new_line();
  std::fputc('\n', out_);
  place_ = Place::kAfterEmptyLine;
}

void Lyrics::put(char c) {
  std::fputc(c, out_);
  place_ = Place::kInLine;
  if (line_length_ < line_.size()) line_[line_length_++] = c;
}

}  // namespace tactus::player
