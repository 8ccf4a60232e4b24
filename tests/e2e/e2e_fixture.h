// The fixture of every end-to-end test: a private JACK server, the capture
// client "capture" with two ports, and helpers that run the built programs.
// A machine where jackd cannot start skips these tests.
#ifndef TACTUS_TESTS_E2E_E2E_FIXTURE_H
#define TACTUS_TESTS_E2E_E2E_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "harness.h"
#include "song_bytes.h"

namespace tactus::e2e {

inline constexpr int kSampleRate = 48000;
inline constexpr int kPeriodFrames = 256;
inline const std::string kPort0 = "capture:in_0";
inline const std::string kPort1 = "capture:in_1";

struct Played {
  RunResult run;
  Recording recording;
  // The bytes of every message that arrived at one port, in arrival order.
  std::vector<Bytes> messages(int port) const;
  std::vector<Bytes> messages() const { return messages(0); }
};

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override;

  // Writes the song to a file, runs tactus with `options` and the file name
  // to its end, stops the capture and returns what arrived.
  Played play(const SongBytes& song, const std::vector<std::string>& options);

  // Starts tactus with `options` on the song, without waiting for it.
  std::unique_ptr<Process> start(const SongBytes& song, const std::vector<std::string>& options);

  // Waits until at least `count` messages have arrived (at most ten seconds).
  bool await_arrivals(size_t count);

  // Writes the song to a file; the command line that plays it.
  std::vector<std::string> command(const SongBytes& song, const std::vector<std::string>& options);

  TempDir folder_;
  int songs_ = 0;
  std::unique_ptr<JackServer> server_;
  std::unique_ptr<CaptureClient> capture_;
};

// How far the time between two arrivals may differ from the time between
// their places in the tempo map. A message is sent when the millisecond
// clock reaches its due time, truncated to whole milliseconds; measured from
// the first message, which fixes the clock's origin, the whole milliseconds
// of the clock and of the due times put a send up to 2 ms early or late,
// and waking adds a little (allowed: 2 ms on a busy machine). The message
// then arrives at the start of the next JACK period, up to one period after
// its send. Between two messages: one period plus 4 ms, either way.
double arrival_tolerance_seconds(const Recording& recording);

// Messages as hex text, for readable failures.
std::string describe(const std::vector<Bytes>& messages);

}  // namespace tactus::e2e

#endif
