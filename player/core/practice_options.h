// The options a musician practises with: slower or faster, in another key,
// one passage over and over, with the words and the position shown. Their
// defaults play the file as it is.
#ifndef TACTUS_PLAYER_CORE_PRACTICE_OPTIONS_H
#define TACTUS_PLAYER_CORE_PRACTICE_OPTIONS_H

#include <cstdint>
#include <cstdio>

#include "common/text_decoder.h"
#include "player/platform.h"

namespace tactus::player {

struct PracticeOptions {
  float tempo_percent = 100;       // of the file's tempo; positive and finite
  int32_t transpose = 0;           // semitones, for every channel but the percussion channel
  int32_t loop_count = -1;         // passes of the range; 0: until interrupted; -1: no loop
  std::FILE* lyrics = nullptr;     // where the words go as they are due; null: not shown
  std::FILE* progress = nullptr;   // where the status line goes; null: none
  std::FILE* messages = nullptr;   // where the keys' table goes (the status line's terminal)
  bool click = false;              // a click on every beat
  int32_t count_in_bars = 0;       // bars of clicks before the first pass
  MidiPort* click_port = nullptr;  // where the clicks go: channel 10 of the default port
  common::TextDecoder text;        // how the words are read: by rule, or as --encoding says
};

}  // namespace tactus::player

#endif
