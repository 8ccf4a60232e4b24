#include "player/backends/posix/wake_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "player/backends/posix/monotonic_clock.h"
#include "player/platform.h"

namespace tactus::player::posix {

namespace {

// Non-blocking, so that a full pipe (many wakes pending, which one byte
// already says) never blocks a signal handler, and draining stops when empty.
void make_nonblocking(int fd) {
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  fcntl(fd, F_SETFD, FD_CLOEXEC);
}

// poll() takes whole milliseconds as an int: round up, so that a wait never
// ends before its deadline, and cap long waits (the caller loops).
int poll_timeout(uint64_t remaining_ns) {
  uint64_t ms = (remaining_ns + 999999u) / 1000000u;
  return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

}  // namespace

WakePipe::WakePipe() {
  int fds[2];
  if (pipe(fds) == 0) {
    read_fd_ = fds[0];
    write_fd_ = fds[1];
    make_nonblocking(read_fd_);
    make_nonblocking(write_fd_);
  }
}

WakePipe::~WakePipe() {
  if (read_fd_ >= 0) close(read_fd_);
  if (write_fd_ >= 0) close(write_fd_);
}

void WakePipe::wake() {
  if (write_fd_ < 0) return;
  int saved_errno = errno;
  const char byte = 1;
  ssize_t written = write(write_fd_, &byte, 1);
  (void)written;  // EAGAIN: the pipe is full of wakes already
  errno = saved_errno;
}

void WakePipe::drain() {
  char bytes[64];
  while (read(read_fd_, bytes, sizeof bytes) > 0) {
  }
}

void WakePipe::wait(uint32_t timeout_ms, int input_fd, std::span<const WatchedInput> inputs) {
  const bool forever = timeout_ms == kWaitForever;
  // The limit counts on the millisecond clock that the player reads: the
  // wait ends as that clock reaches its value now plus timeout_ms. Ending
  // timeout_ms after the call instead would make each event late by the
  // fraction of a millisecond at which its wait began.
  const uint64_t deadline = (monotonic_ns() / 1000000u + timeout_ms) * 1000000u;
  // poll() passes over a negative descriptor: without a pipe (no
  // descriptors left) the wait still sleeps its time.
  pollfd readable[2 + kMostInputs] = {{read_fd_, POLLIN, 0}, {input_fd, POLLIN, 0}};
  const size_t watched = std::min(inputs.size(), kMostInputs);
  for (size_t i = 0; i < watched; ++i) readable[2 + i] = {inputs[i].fd, POLLIN, 0};
  for (;;) {
    int timeout = -1;
    if (!forever) {
      uint64_t now = monotonic_ns();
      if (now >= deadline) return;
      timeout = poll_timeout(deadline - now);
    }
    int ready = poll(readable, 2 + watched, timeout);
    if (ready > 0 && (readable[0].revents != 0 || readable[1].revents != 0)) {
      // Several wakes before this wait count as one: the caller tests its
      // flags after every return, and each flag is stored before its wake.
      if (read_fd_ >= 0 && readable[0].revents != 0) drain();
      return;
    }
    for (size_t i = 0; ready > 0 && i < watched; ++i) {
      const short events = readable[2 + i].revents;
      if ((events & POLLIN) != 0) inputs[i].read(inputs[i].context);
      // An input that has failed would make every poll return at once.
      if ((events & POLLIN) == 0 && events != 0) readable[2 + i].fd = -1;
    }
    // 0: the time is up (checked above, also for capped waits); -1 with
    // EINTR: a signal, whose handler has written its byte; other errors
    // cannot happen with valid descriptors.
    if (ready < 0 && errno != EINTR) return;
  }
}

}  // namespace tactus::player::posix
