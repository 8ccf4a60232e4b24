// Keys from the console's input events while playback runs: the console
// neither echoes nor waits for a line meanwhile, and gets its mode back at
// the end. Ctrl+C keeps its meaning.
#include "player/backends/windows/windows_platform.h"

namespace tactus::player {

namespace {

int32_t key_of(const KEY_EVENT_RECORD& key) {
  switch (key.wVirtualKeyCode) {
    case VK_LEFT:
      return kKeyLeft;
    case VK_RIGHT:
      return kKeyRight;
    case VK_HOME:
      return kKeyHome;
    case VK_ESCAPE:
      return kKeyEscape;
    default: {
      const auto c = static_cast<unsigned char>(key.uChar.AsciiChar);
      return c >= 0x20 && c < 0x7F ? c : kNoKey;
    }
  }
}

}  // namespace

// A console that is no console (input from a pipe or a file) gives no mode.
bool WindowsPlatform::start_keys() {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (input == nullptr || input == INVALID_HANDLE_VALUE || !GetConsoleMode(input, &mode)) return false;
  saved_input_mode_ = mode;
  SetConsoleMode(
      input, (mode & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT)) | ENABLE_PROCESSED_INPUT);
  keys_input_ = input;
  key_count_ = 0;
  return true;
}

void WindowsPlatform::stop_keys() {
  if (keys_input_ == nullptr) return;
  SetConsoleMode(keys_input_, saved_input_mode_);
  keys_input_ = nullptr;
}

// Every event waiting is taken, so that the next wait does not end for it
// again; keys beyond the queue's room are dropped.
void WindowsPlatform::read_console_keys() {
  DWORD waiting = 0;
  while (GetNumberOfConsoleInputEvents(keys_input_, &waiting) && waiting > 0) {
    INPUT_RECORD records[16];
    DWORD read = 0;
    if (!ReadConsoleInputA(keys_input_, records, 16, &read) || read == 0) return;
    for (DWORD i = 0; i < read; ++i) {
      if (records[i].EventType != KEY_EVENT || !records[i].Event.KeyEvent.bKeyDown) continue;
      const int32_t key = key_of(records[i].Event.KeyEvent);
      for (WORD n = 0; key != kNoKey && n < records[i].Event.KeyEvent.wRepeatCount; ++n)
        if (key_count_ < sizeof keys_ / sizeof keys_[0]) keys_[key_count_++] = key;
    }
  }
}

int32_t WindowsPlatform::next_key() {
  if (key_count_ == 0) return kNoKey;
  const int32_t key = keys_[0];
  for (size_t i = 1; i < key_count_; ++i) keys_[i - 1] = keys_[i];
  --key_count_;
  return key;
}

int32_t WindowsPlatform::terminal_columns(std::FILE* stream) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  const HANDLE output = GetStdHandle(stream == stdout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  if (!GetConsoleScreenBufferInfo(output, &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

}  // namespace tactus::player
