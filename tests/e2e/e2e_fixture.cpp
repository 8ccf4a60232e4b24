#include "e2e_fixture.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace tactus::e2e {

std::vector<Bytes> Played::messages(int port) const {
  std::vector<Bytes> list;
  for (const Arrival& arrival : recording.arrivals)
    if (arrival.port == port) list.push_back(arrival.bytes);
  return list;
}

void EndToEnd::SetUp() {
  server_ = std::make_unique<JackServer>(folder_, kSampleRate, kPeriodFrames);
  if (!server_->running()) GTEST_SKIP() << "jackd cannot start on this machine:\n" << server_->log();
  capture_ = std::make_unique<CaptureClient>(folder_, "capture", 2);
  ASSERT_TRUE(capture_->ready()) << "the capture client did not start";
}

std::vector<std::string> EndToEnd::command(const SongBytes& song, const std::vector<std::string>& options) {
  const std::string path = folder_.file("song" + std::to_string(++songs_) + ".mid");
  write_file(path, song.file());
  std::vector<std::string> arguments{TACTUS_PROGRAM};
  arguments.insert(arguments.end(), options.begin(), options.end());
  arguments.push_back(path);
  return arguments;
}

std::unique_ptr<Process> EndToEnd::start(const SongBytes& song, const std::vector<std::string>& options) {
  const std::string output = folder_.file("started" + std::to_string(songs_ + 1));
  return std::make_unique<Process>(command(song, options), output + ".out", output + ".err");
}

Played EndToEnd::play(const SongBytes& song, const std::vector<std::string>& options) {
  Played played;
  played.run = run_program(folder_, command(song, options), 60000);
  capture_->stop();
  played.recording = capture_->recording();
  return played;
}

bool EndToEnd::await_arrivals(size_t count) {
  for (int attempt = 0; attempt < 1000; ++attempt) {
    if (capture_->recording().arrivals.size() >= count) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

double arrival_tolerance_seconds(const Recording& recording) {
  return static_cast<double>(recording.period) / recording.sample_rate + 0.004;
}

std::string describe(const std::vector<Bytes>& messages) {
  std::string text;
  for (const Bytes& message : messages) {
    for (size_t i = 0; i < message.size() && i < 8; ++i) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%02x ", message[i]);
      text += hex;
    }
    text += message.size() > 8 ? "... (" + std::to_string(message.size()) + " bytes)\n" : "\n";
  }
  return text;
}

}  // namespace tactus::e2e
