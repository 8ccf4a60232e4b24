#include "player/core/lyrics.h"

#include <cstring>
#include <utility>

#include "common/terminal_text.h"

namespace tactus::player {

namespace {

constexpr int32_t kTextMeta = 0x01;
constexpr int32_t kLyricMeta = 0x05;
constexpr char kKaraokeMark[] = "@KMIDI KARAOKE FILE";
constexpr size_t kLineBytes = 256;

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

Lyrics::Lyrics(Sequence* sequence, std::FILE* out, common::TextDecoder text)
    : out_(out), text_(std::move(text)) {
  skip_headers_ = is_karaoke_file(sequence);
  word_meta_number_ = skip_headers_ ? kTextMeta : kLyricMeta;
}

bool Lyrics::carries_words(Event* event) const {
  return meta_get_number(event) == word_meta_number_ && !(skip_headers_ && text_begins_with(event, "@"));
}

void Lyrics::print(Event* event) {
  const std::string text = text_.text_of(event);
  std::string_view rest = text;
  for (;;) {
    const size_t mark = rest.find_first_of("/\r\n\\");
    put(common::printable_text(rest.substr(0, mark), ""));
    if (mark == std::string_view::npos) break;
    if (rest[mark] == '\\') {
      new_paragraph();
    } else {
      new_line();
    }
    rest.remove_prefix(mark + 1);
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
  line_.clear();
  line_cut_ = false;
}

void Lyrics::new_paragraph() {
  if (place_ == Place::kTop || place_ == Place::kAfterEmptyLine) return;
  new_line();
  std::fputc('\n', out_);
  place_ = Place::kAfterEmptyLine;
}

void Lyrics::put(std::string_view words) {
  if (words.empty()) return;
  common::write_text(out_, words);
  place_ = Place::kInLine;
  if (line_cut_) return;
  const size_t kept = common::whole_characters_within(words, kLineBytes - line_.size());
  line_.append(words.substr(0, kept));
  line_cut_ = kept < words.size();
}

}  // namespace tactus::player
