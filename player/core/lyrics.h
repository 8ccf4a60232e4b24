// The words of a song, shown as karaoke players show them: syllable by
// syllable as they are due, on the lines their text marks.
#ifndef TACTUS_PLAYER_CORE_LYRICS_H
#define TACTUS_PLAYER_CORE_LYRICS_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "common/text_decoder.h"
#include "tactus/model.h"

namespace tactus::player {

class Lyrics {
 public:
  // The words are the lyric events, or in a karaoke file (one whose text
  // events begin with "@KMIDI KARAOKE FILE") its text events, less the
  // headers that begin with "@"; `text` reads them.
  Lyrics(Sequence* sequence, std::FILE* out, common::TextDecoder text);

  bool carries_words(Event* event) const;

  // Writes the words of the event and flushes them. A "/" or a line break
  // starts a new line, a "\" a new paragraph (a new line after an empty
  // one); neither leaves empty lines at the top or piles them up. Control
  // characters of the file are left out, so that none reaches a terminal.
  void print(Event* event);

  // Ends the last line, when it holds words.
  void finish();

  // Starts a new paragraph, as a "\\" does: the words of a new pass of a
  // loop begin on a line of their own.
  void start_paragraph();

  // The words written on the current line, as many whole characters as
  // 256 bytes hold: enough for a display's width.
  std::string_view current_line() const { return line_; }

 private:
  enum class Place { kTop, kInLine, kLineStart, kAfterEmptyLine };

  void new_line();
  void new_paragraph();
  void put(std::string_view words);

  std::FILE* out_;
  int32_t word_meta_number_;
  bool skip_headers_;
  Place place_ = Place::kTop;
  common::TextDecoder text_;
  std::string line_;
  bool line_cut_ = false;
};

}  // namespace tactus::player

#endif
