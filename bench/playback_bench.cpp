// The player from its command line to its last message, on a format-0 file
// of a million channel events with 500 tempo changes, against a platform
// whose clock jumps ahead instead of sleeping. Measures the time from the
// start of the run to the first message sent (loading, routing and the
// first due time), and the CPU time of a whole run, which is all the CPU
// that playing costs besides sleeping. Also counts the allocations while the
// events are walked, which should be none. And the time a jump takes to put
// the channels' state right (a key, a loop's seam), which should stay well
// under 20 ms, with the time the state's checkpoints take to build.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "player/core/channel_states.h"
#include "player/core/event_index.h"
#include "player/core/player.h"
#include "player/core/port_table.h"
#include "player/platform.h"
#include "tactus/smf.h"

namespace {

using tactus::player::LongMessageSent;
using tactus::player::MidiPort;
using tactus::player::Notification;
using Clock = std::chrono::steady_clock;

// Operator new calls from the installation of the interrupt handler to its
// removal: the span of the walk.
bool counting_allocations = false;
long allocations = 0;

constexpr uint32_t kEvents = 1000000;
constexpr uint32_t kTempoChanges = 500;

void put_vlq(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t groups[5];
  int count = 0;
  do {
    groups[count++] = static_cast<uint8_t>(value & 0x7F);
    value >>= 7;
  } while (value != 0);
  while (count-- > 1) out.push_back(groups[count] | 0x80);
  out.push_back(groups[0]);
}

void put_u32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

// One note start or end every 10 ticks at 480 a quarter, a tempo change
// every 2000 events alternating between 100 and 140 beats a minute. With
// `controllers`, every eighth event is a control change instead, on any of
// the 16 channels, so that a jump has state to put right.
std::string write_song(bool controllers = false) {
  std::vector<uint8_t> track;
  for (uint32_t n = 0; n < kEvents; ++n) {
    if (n % (kEvents / kTempoChanges) == 0) {
      const uint32_t tempo = (n / (kEvents / kTempoChanges)) % 2 == 0 ? 600000 : 428571;
      put_vlq(track, 0);
      track.insert(track.end(), {0xFF, 0x51, 0x03, static_cast<uint8_t>(tempo >> 16),
                                 static_cast<uint8_t>(tempo >> 8), static_cast<uint8_t>(tempo)});
    }
    put_vlq(track, 10);
    if (controllers && n % 8 == 7) {
      track.insert(track.end(), {static_cast<uint8_t>(0xB0 | (n / 8) % 16),
                                 static_cast<uint8_t>((n / 128) % 120), static_cast<uint8_t>(n % 128)});
      continue;
    }
    const auto note = static_cast<uint8_t>(36 + (n / 2) % 48);
    track.insert(track.end(), {static_cast<uint8_t>(n % 2 == 0 ? 0x90 : 0x80), note, 0x40});
  }
  track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
  std::vector<uint8_t> file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k'};
  put_u32(file, static_cast<uint32_t>(track.size()));
  file.insert(file.end(), track.begin(), track.end());
  const std::string path = (std::filesystem::temp_directory_path() / "tactus-playback-bench.mid").string();
  FILE* out = std::fopen(path.c_str(), "wb");
  std::fwrite(file.data(), 1, file.size(), out);
  std::fclose(out);
  return path;
}

// One device; time passes only when the player waits.
class JumpingClockPlatform final : public tactus::player::Platform {
 public:
  int32_t output_device_count() override { return 1; }
  std::string output_device_name(int32_t) override { return "bench"; }
  MidiPort* open_output(int32_t) override { return reinterpret_cast<MidiPort*>(&port_); }
  void close_output(MidiPort*) override {}
  void send_short_message(MidiPort*, uint32_t) override {
    if (messages_++ == 0) first_message_ = Clock::now();
  }
  LongMessageSent send_long_message(MidiPort*, const unsigned char*, size_t, Notification) override {
    return LongMessageSent::kRefused;
  }
  uint32_t clock_ms() override { return now_ms_; }
  void wait(uint32_t timeout_ms) override {
    now_ms_ += timeout_ms == tactus::player::kWaitForever ? 0 : timeout_ms;
  }
  void wake() override {}
  void install_interrupt_handler(Notification) override { counting_allocations = true; }
  void remove_interrupt_handler() override { counting_allocations = false; }
  bool is_terminal(std::FILE*) override { return false; }

  uint64_t messages_ = 0;
  Clock::time_point first_message_;

 private:
  int port_ = 0;
  uint32_t now_ms_ = 1;
};

int play(JumpingClockPlatform& platform, const std::string& path) {
  std::string program = "tactus";
  std::vector<char*> argv{program.data(), const_cast<char*>(path.c_str())};
  return tactus::player::run_player(static_cast<int>(argv.size()), argv.data(), platform, stdout, stderr);
}

void BM_StartToFirstMessage(benchmark::State& state) {
  const std::string path = write_song();
  for (auto _ : state) {
    JumpingClockPlatform platform;
    const Clock::time_point start = Clock::now();
    play(platform, path);
    state.SetIterationTime(std::chrono::duration<double>(platform.first_message_ - start).count());
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_StartToFirstMessage)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_WholeRunCpu(benchmark::State& state) {
  const std::string path = write_song();
  uint64_t messages = 0;
  for (auto _ : state) {
    JumpingClockPlatform platform;
    play(platform, path);
    messages = platform.messages_;
  }
  state.counters["messages"] = static_cast<double>(messages);
  state.counters["allocations_while_playing"] = static_cast<double>(allocations);
  state.counters["cpu_per_message"] =
      benchmark::Counter(static_cast<double>(messages) * state.iterations(),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  std::filesystem::remove(path);
}
BENCHMARK(BM_WholeRunCpu)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// Sends nothing: what is measured is finding what to send.
class SilentPlatform final : public tactus::player::Platform {
 public:
  int32_t output_device_count() override { return 0; }
  std::string output_device_name(int32_t) override { return {}; }
  MidiPort* open_output(int32_t) override { return nullptr; }
  void close_output(MidiPort*) override {}
  void send_short_message(MidiPort*, uint32_t) override { ++messages_; }
  LongMessageSent send_long_message(MidiPort*, const unsigned char*, size_t, Notification) override {
    return LongMessageSent::kRefused;
  }
  uint32_t clock_ms() override { return 0; }
  void wait(uint32_t) override {}
  void wake() override {}
  void install_interrupt_handler(Notification) override {}
  void remove_interrupt_handler() override {}
  bool is_terminal(std::FILE*) override { return false; }
  uint64_t messages_ = 0;
};

void BM_JumpPutsTheStateRight(benchmark::State& state) {
  const std::string path = write_song(true);
  tactus::Sequence* sequence = tactus::sequence_load(path.c_str());
  int port = 0;
  MidiPort* ports[] = {reinterpret_cast<MidiPort*>(&port)};
  const Clock::time_point start = Clock::now();
  const tactus::player::EventIndex events(sequence);
  const tactus::player::PortTable table(ports);
  tactus::player::ChannelStates channels(events, table);
  channels.prepare();
  state.counters["index_ms"] = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  SilentPlatform platform;
  size_t target = 0;
  for (auto _ : state) {
    // Far apart, and each just before a checkpoint, where the walk to the state is longest.
    target = (target + 377777) % events.size();
    channels.bring_to(target - target % 4096 + 4095, platform);
  }
  state.counters["messages"] = static_cast<double>(platform.messages_);
  tactus::sequence_free(sequence);
  std::filesystem::remove(path);
}
BENCHMARK(BM_JumpPutsTheStateRight)->Unit(benchmark::kMillisecond);

}  // namespace

// Every form, so that a sanitizer's own forms never meet these.
namespace {

void* allocate(std::size_t size) noexcept {
  if (counting_allocations) ++allocations;
  return std::malloc(size == 0 ? 1 : size);
}

void* allocate_or_throw(std::size_t size) {
  void* memory = allocate(size);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}

}  // namespace

void* operator new(std::size_t size) { return allocate_or_throw(size); }
void* operator new[](std::size_t size) { return allocate_or_throw(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }

BENCHMARK_MAIN();
