#include "player/core/console.h"

#include <algorithm>

namespace tactus::player {

const char* const kKeysHelp =
    "Keys:  Space pause/resume   Left/Right previous/next bar   Home start of the range\n"
    "       , . previous/next marker   - + slower/faster   [ ] a semitone lower/higher\n"
    "       1-9 silence/hear a track   a b loop from/to this bar   c click   q Esc end   ? keys\n";

KeyCommand command_of_key(int32_t key) {
  if (key >= '1' && key <= '9') return {Command::kTrack, key - '0'};
  switch (key) {
    case ' ':
      return {Command::kPause};
    case kKeyLeft:
      return {Command::kPreviousBar};
    case kKeyRight:
      return {Command::kNextBar};
    case kKeyHome:
      return {Command::kRangeStart};
    case ',':
      return {Command::kPreviousMarker};
    case '.':
      return {Command::kNextMarker};
    case '-':
      return {Command::kSlower};
    case '+':
    case '=':
      return {Command::kFaster};
    case '[':
      return {Command::kLower};
    case ']':
      return {Command::kHigher};
    case 'a':
      return {Command::kLoopStart};
    case 'b':
      return {Command::kLoopEnd};
    case 'c':
      return {Command::kClick};
    case 'q':
    case kKeyEscape:
      return {Command::kQuit};
    case '?':
      return {Command::kShowKeys};
    default:
      return {};
  }
}

Console::Console(Platform& platform, Sequence* sequence, const PracticeOptions& practice)
    : platform_(platform), messages_(practice.messages) {
  if (practice.lyrics != nullptr) lyrics_.emplace(sequence, practice.lyrics, practice.text);
  if (practice.progress != nullptr) {
    // Words and status share a row when both streams are the terminal.
    const bool in_place = platform.is_terminal(practice.progress);
    const bool shared = lyrics_ && platform.is_terminal(practice.lyrics);
    progress_.emplace(sequence, practice.progress, in_place, shared ? &*lyrics_ : nullptr);
  }
}

void Console::stop_keys() {
  if (keys_) platform_.stop_keys();
  keys_ = false;
}

// Keys that mean nothing are passed over.
KeyCommand Console::next_command() {
  if (!keys_) return {};
  for (int32_t key = platform_.next_key(); key != kNoKey; key = platform_.next_key()) {
    const KeyCommand command = command_of_key(key);
    if (command.command != Command::kNone) return command;
  }
  return {};
}

// The status line moves aside while words are written, so that neither
// garbles the other on a shared terminal.
void Console::print_words(Event* event) {
  if (progress_) progress_->clear_for_words();
  lyrics_->print(event);
}

void Console::start_paragraph() {
  if (!lyrics_) return;
  if (progress_) progress_->clear_for_words();
  lyrics_->start_paragraph();
}

void Console::draw(int32_t tick, const StatusFields& fields) {
  last_tick_ = tick;
  last_fields_ = fields;
  if (progress_)
    progress_->show(tick, fields, static_cast<size_t>(std::max(0, platform_.terminal_columns(messages_))));
}

void Console::print_keys() {
  if (messages_ == nullptr) return;
  if (progress_) progress_->clear();
  std::fputs(kKeysHelp, messages_);
  std::fflush(messages_);
  if (progress_) draw(last_tick_, last_fields_);
}

void Console::finish(int32_t tick, const StatusFields& fields) {
  if (lyrics_) {
    if (progress_) progress_->clear_for_words();
    lyrics_->finish();
  }
  if (progress_) {
    draw(tick, fields);
    progress_->finish();
  }
}

}  // namespace tactus::player
