// jack_timing: how exactly and how cheaply a player plays to JACK. Writes a
// 10-second file of 840 note messages at uneven times, plays it RUNS times
// with PLAYER to its own JACK input port on the running server, and prints
// per run:
//   - the timing error of each arrival against the file's own schedule, once
//     the constant latency (the mean error) is taken away: mean and max;
//   - jitter: the 90th percentile of the error of the intervals between
//     successive messages;
//   - the player's CPU time (user + system);
//   - the most JACK clients and threads the player had at once.
// With PERCENT the player plays with --tempo PERCENT, and the schedule is
// the file's times * 100 / PERCENT.
//
//   jack_timing PLAYER SONG.mid RUNS [PERCENT]
//
// bench/jack_timing.sh starts the private servers it runs on.
#include <jack/jack.h>
#include <jack/midiport.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "player/backends/posix/byte_ring.h"

extern char** environ;

namespace {

constexpr int kTicksPerSecond = 960;  // 480 a quarter at 120 beats a minute

struct Scheduled {
  double seconds;
  std::vector<uint8_t> bytes;
};

void put_vlq(std::vector<uint8_t>& out, uint32_t value) {
  std::vector<uint8_t> groups{static_cast<uint8_t>(value & 0x7F)};
  while ((value >>= 7) != 0) groups.push_back(static_cast<uint8_t>(0x80 | (value & 0x7F)));
  out.insert(out.end(), groups.rbegin(), groups.rend());
}

// 420 notes, each starting 8 to 36 ticks after the one before and lasting 5
// to 90 ticks: 840 messages in about ten seconds.
std::vector<Scheduled> write_song(const std::string& path) {
  std::mt19937 random(7);
  std::vector<std::pair<uint32_t, std::vector<uint8_t>>> events;
  uint32_t tick = 0;
  for (int i = 0; i < 420; ++i) {
    tick += 8 + random() % 29;
    const auto note = static_cast<uint8_t>(40 + i % 40);
    events.push_back({tick, {0x90, note, 100}});
    events.push_back({tick + 5 + static_cast<uint32_t>(random() % 86), {0x80, note, 0}});
  }
  std::stable_sort(events.begin(), events.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<uint8_t> track{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};
  std::vector<Scheduled> schedule;
  uint32_t last = 0;
  for (const auto& [at, bytes] : events) {
    put_vlq(track, at - last);
    track.insert(track.end(), bytes.begin(), bytes.end());
    last = at;
    schedule.push_back({static_cast<double>(at) / kTicksPerSecond, bytes});
  }
  track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
  std::vector<uint8_t> file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k'};
  for (int shift = 24; shift >= 0; shift -= 8) file.push_back(static_cast<uint8_t>(track.size() >> shift));
  file.insert(file.end(), track.begin(), track.end());
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
  return schedule;
}

struct Arrival {
  uint32_t frame;
  std::vector<uint8_t> bytes;
};

// The capture side: the process callback hands each event over through a
// ring buffer; the main thread collects them.
struct Capture {
  jack_client_t* client = nullptr;
  jack_port_t* port = nullptr;
  tactus::player::posix::ByteRing ring{1 << 20};
  std::atomic<int> other_clients{0};
  // Periods the server ran late: a client that misses its period may miss
  // what was written for it, and its frame times no longer compare.
  std::atomic<int> xruns{0};
};

int on_process(jack_nframes_t frames, void* argument) {
  auto* capture = static_cast<Capture*>(argument);
  const jack_nframes_t start = jack_last_frame_time(capture->client);
  void* buffer = jack_port_get_buffer(capture->port, frames);
  for (uint32_t n = 0; n < jack_midi_get_event_count(buffer); ++n) {
    jack_midi_event_t event;
    if (jack_midi_event_get(&event, buffer, n) != 0 || event.size > 3) continue;
    uint8_t record[8] = {};
    const uint32_t frame = start + event.time;
    std::copy_n(reinterpret_cast<const uint8_t*>(&frame), 4, record);
    record[4] = static_cast<uint8_t>(event.size);
    std::copy_n(event.buffer, event.size, record + 5);
    if (capture->ring.writable() >= sizeof record) {
      capture->ring.put(0, record, sizeof record);
      capture->ring.publish(sizeof record);
    }
  }
  return 0;
}

void on_client(const char*, int registered, void* argument) {
  static_cast<Capture*>(argument)->other_clients.fetch_add(registered != 0 ? 1 : -1);
}

int on_xrun(void* argument) {
  static_cast<Capture*>(argument)->xruns.fetch_add(1);
  return 0;
}

void collect(Capture& capture, std::vector<Arrival>& arrivals) {
  uint8_t record[8];
  while (capture.ring.readable() >= sizeof record) {
    capture.ring.get(0, record, sizeof record);
    capture.ring.consume(sizeof record);
    uint32_t frame;
    std::copy_n(record, 4, reinterpret_cast<uint8_t*>(&frame));
    arrivals.push_back({frame, std::vector<uint8_t>(record + 5, record + 5 + record[4])});
  }
}

int thread_count(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string word;
  while (status >> word)
    if (word == "Threads:" && status >> word) return std::atoi(word.c_str());
  return 0;
}

double percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1))];
}

void report(const std::vector<Scheduled>& schedule, const std::vector<Arrival>& arrivals, double rate,
            double cpu, int clients, int threads, int xruns) {
  if (xruns > 0) std::printf("%d xruns: this run's figures do not count\n", xruns);
  if (arrivals.size() != schedule.size()) {
    std::printf("%zu of %zu messages arrived\n", arrivals.size(), schedule.size());
    return;
  }
  std::vector<double> errors;
  for (size_t i = 0; i < arrivals.size(); ++i) {
    if (arrivals[i].bytes != schedule[i].bytes) std::printf("message %zu differs\n", i);
    errors.push_back((arrivals[i].frame - arrivals[0].frame) / rate - schedule[i].seconds);
  }
  double latency = 0;
  for (double error : errors) latency += error / static_cast<double>(errors.size());
  double sum = 0;
  double largest = 0;
  std::vector<double> interval_errors;
  for (size_t i = 0; i < errors.size(); ++i) {
    sum += std::fabs(errors[i] - latency);
    largest = std::max(largest, std::fabs(errors[i] - latency));
    if (i > 0) interval_errors.push_back(std::fabs(errors[i] - errors[i - 1]));
  }
  std::printf(
      "error mean %.2f ms, max %.2f ms; jitter p90 %.2f ms; CPU %.3f s; JACK clients %d; threads %d\n",
      1000 * sum / static_cast<double>(errors.size()), 1000 * largest,
      1000 * percentile(interval_errors, 0.9), cpu, clients, threads);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: %s PLAYER SONG.mid RUNS [PERCENT]\n", argv[0]);
    return 2;
  }
  std::vector<Scheduled> schedule = write_song(argv[2]);
  const char* percent = argc == 5 ? argv[4] : nullptr;
  if (percent != nullptr) {
    for (Scheduled& message : schedule) message.seconds = message.seconds * 100.0 / std::atof(percent);
  }
  Capture capture;
  capture.client = jack_client_open("timing", JackNoStartServer, nullptr);
  if (capture.client == nullptr) {
    std::fprintf(stderr, "no JACK server\n");
    return 1;
  }
  capture.port = jack_port_register(capture.client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  jack_set_process_callback(capture.client, on_process, &capture);
  jack_set_client_registration_callback(capture.client, on_client, &capture);
  jack_set_xrun_callback(capture.client, on_xrun, &capture);
  jack_activate(capture.client);
  const double rate = jack_get_sample_rate(capture.client);
  if (percent != nullptr) std::printf("tempo %s%%\n", percent);
  std::printf("period %u frames (%.2f ms)\n", jack_get_buffer_size(capture.client),
              1000.0 * jack_get_buffer_size(capture.client) / rate);
  const std::string port = std::string(jack_get_client_name(capture.client)) + ":in";
  for (int run = 0; run < std::atoi(argv[3]); ++run) {
    std::vector<Arrival> arrivals;
    collect(capture, arrivals);
    arrivals.clear();
    capture.other_clients.store(0);
    capture.xruns.store(0);
    std::vector<char*> player_argv{argv[1], const_cast<char*>("--out"), const_cast<char*>(port.c_str())};
    if (percent != nullptr) player_argv.insert(player_argv.end(), {const_cast<char*>("--tempo"), argv[4]});
    player_argv.insert(player_argv.end(), {argv[2], nullptr});
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[1], nullptr, nullptr, player_argv.data(), environ) != 0) return 1;
    int clients = 0;
    int threads = 0;
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, WNOHANG, &usage) == 0) {
      clients = std::max(clients, capture.other_clients.load());
      threads = std::max(threads, thread_count(pid));
      collect(capture, arrivals);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    collect(capture, arrivals);
    const double cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                       (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    report(schedule, arrivals, rate, cpu, clients, threads, capture.xruns.load());
  }
  jack_client_close(capture.client);
  return 0;
}
