// Runs the whole program in-process against the test platform, with its
// two console streams captured.
#ifndef TACTUS_TESTS_PLAYER_RUN_FIXTURE_H
#define TACTUS_TESTS_PLAYER_RUN_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "player/core/player.h"
#include "support/midi_bytes.h"
#include "test_platform.h"

namespace tactus::player::testing {

struct RunResult {
  int status;
  std::string out;
  std::string err;
};

inline std::string read_all(std::FILE* file) {
  std::string text;
  std::rewind(file);
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text.push_back(static_cast<char>(c));
  std::fclose(file);
  return text;
}

// Runs "tactus <arguments>".
inline RunResult run_tactus(TestPlatform& platform, std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "tactus");
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  const int status = run_player(static_cast<int>(arguments.size()), argv.data(), platform, out, err);
  return {status, read_all(out), read_all(err)};
}

// A format-1 file of `track_count` tracks at 480 ticks per quarter note in
// which track t holds one controller message on channel t: controller 1
// with value t at tick 0. The messages sent show where each track went.
inline test::MidiBytes tagged_tracks_file(int track_count) {
  test::MidiBytes file;
  file.header(1, static_cast<uint32_t>(track_count), 480);
  for (int t = 0; t < track_count; ++t) {
    test::MidiBytes events;
    events.vlq(0).bytes({0xB0 | t, 1, t}).end_of_track(0);
    file.track(events);
  }
  return file;
}

// The device that received each track's tag message, by track; kSilent for
// a track that sent nothing.
constexpr int32_t kSilent = -2;
inline std::vector<int32_t> devices_of_tracks(const TestPlatform& platform, int track_count) {
  std::vector<int32_t> devices(static_cast<size_t>(track_count), kSilent);
  for (const SentMessage& message : platform.sent) {
    for (uint32_t t = 0; t < devices.size(); ++t) {
      if (message.word == ((0xB0 | t) | 1u << 8 | t << 16)) devices[t] = message.device;
    }
  }
  return devices;
}

}  // namespace tactus::player::testing

#endif
