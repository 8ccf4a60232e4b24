#include "player/backends/posix/terminal_keys.h"

#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace tactus::player::posix {

namespace {

constexpr int kEscapeWaitMs = 50;

// Shared with the signal handlers, which may run on any thread: the
// settings are written before `raw_taken` is set and read only while it is.
struct termios cooked_settings;
struct termios raw_settings;
std::atomic<bool> raw_taken{false};
std::atomic<const Notification*> on_continue{nullptr};
Notification continue_notification;
struct sigaction previous_stop, previous_continue;

bool in_foreground() { return tcgetpgrp(STDIN_FILENO) == getpgrp(); }

extern "C" void on_stop_signal(int) {
  const int saved_errno = errno;
  if (raw_taken.load()) tcsetattr(STDIN_FILENO, TCSANOW, &cooked_settings);
  // Stops the process as the default action would, then takes the handler
  // back once it goes on.
  struct sigaction ours {};
  struct sigaction stop_default {};
  stop_default.sa_handler = SIG_DFL;
  sigaction(SIGTSTP, &stop_default, &ours);
  sigset_t stop_signal;
  sigemptyset(&stop_signal);
  sigaddset(&stop_signal, SIGTSTP);
  raise(SIGTSTP);
  sigprocmask(SIG_UNBLOCK, &stop_signal, nullptr);
  sigaction(SIGTSTP, &ours, nullptr);
  errno = saved_errno;
}

// Going on in the foreground takes the keys again; in the background the
// terminal stays as the shell wants it.
extern "C" void on_continue_signal(int) {
  const int saved_errno = errno;
  if (raw_taken.load() && in_foreground()) tcsetattr(STDIN_FILENO, TCSANOW, &raw_settings);
  if (const Notification* woken = on_continue.load()) (*woken)();
  errno = saved_errno;
}

}  // namespace

bool TerminalKeys::start(Notification woken) {
  if (started_ || isatty(STDIN_FILENO) != 1 || !in_foreground()) return false;
  if (tcgetattr(STDIN_FILENO, &cooked_settings) != 0) return false;
  raw_settings = cooked_settings;
  raw_settings.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  raw_settings.c_cc[VMIN] = 1;
  raw_settings.c_cc[VTIME] = 0;
  continue_notification = woken;
  on_continue.store(&continue_notification);
  struct sigaction action {};
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  action.sa_handler = on_stop_signal;
  sigaction(SIGTSTP, &action, &previous_stop);
  action.sa_handler = on_continue_signal;
  sigaction(SIGCONT, &action, &previous_continue);
  raw_taken.store(true);
  tcsetattr(STDIN_FILENO, TCSANOW, &raw_settings);
  started_ = true;
  input_gone_ = false;
  length_ = 0;
  return true;
}

// TCSANOW: keys typed but not read stay for the shell, as they were typed.
void TerminalKeys::stop() {
  if (!started_) return;
  raw_taken.store(false);
  sigaction(SIGTSTP, &previous_stop, nullptr);
  sigaction(SIGCONT, &previous_continue, nullptr);
  on_continue.store(nullptr);
  if (in_foreground()) tcsetattr(STDIN_FILENO, TCSANOW, &cooked_settings);
  started_ = false;
}

int TerminalKeys::watched_descriptor() const {
  return started_ && !input_gone_ && in_foreground() ? STDIN_FILENO : -1;
}

bool TerminalKeys::fill(int timeout_ms) {
  if (watched_descriptor() < 0 || length_ == sizeof buffer_) return false;
  pollfd input{STDIN_FILENO, POLLIN, 0};
  if (poll(&input, 1, timeout_ms) <= 0) return false;
  if ((input.revents & POLLIN) == 0) {
    // A terminal that hung up reports so on every poll: stop watching it.
    input_gone_ = (input.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    return false;
  }
  const ssize_t count = read(STDIN_FILENO, buffer_ + length_, sizeof buffer_ - length_);
  if (count <= 0) {
    input_gone_ = count == 0 || (errno != EINTR && errno != EAGAIN);
    return false;
  }
  length_ += static_cast<size_t>(count);
  return true;
}

void TerminalKeys::read_available() { fill(0); }

void TerminalKeys::drop(size_t count) {
  std::memmove(buffer_, buffer_ + count, length_ - count);
  length_ -= count;
}

int32_t TerminalKeys::next_key() {
  for (;;) {
    if (length_ == 0 && !fill(0)) return kNoKey;
    if (buffer_[0] != 0x1B) {
      const int32_t key = buffer_[0];
      drop(1);
      return key;
    }
    if (length_ == 1 && !fill(kEscapeWaitMs)) {
      drop(1);
      return kKeyEscape;
    }
    if (buffer_[1] != '[' && buffer_[1] != 'O') {
      drop(1);
      return kKeyEscape;
    }
    // A sequence: ESC [ or ESC O, parameters, then a final byte.
    size_t end = 2;
    while (true) {
      while (end < length_ && (buffer_[end] < 0x40 || buffer_[end] > 0x7E)) ++end;
      if (end < length_ || !fill(kEscapeWaitMs)) break;
    }
    if (end >= length_) {
      length_ = 0;  // cut short: nothing to make of it
      continue;
    }
    const unsigned char final_byte = buffer_[end];
    const bool home_number = end == 3 && (buffer_[2] == '1' || buffer_[2] == '7');
    drop(end + 1);
    if (final_byte == 'D') return kKeyLeft;
    if (final_byte == 'C') return kKeyRight;
    if (final_byte == 'H' || (final_byte == '~' && home_number)) return kKeyHome;
  }
}

}  // namespace tactus::player::posix
