// Loading a large format-1 file: 17 tracks, about a million events, the
// shape of a dense orchestral file. Measures loading (from a file and from
// memory), the first walk over the sequence order after a load, freeing,
// saving, and edits of the loaded sequence, each on its own.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tactus/model.h"
#include "tactus/smf.h"

namespace {

using tactus::Event;
using tactus::Sequence;

constexpr int kChannelTracks = 16;
constexpr int kNotesPerTrack = 29330;  // with controllers and meta: ~1,000,000 events in all

class FileBytes {
 public:
  void byte(unsigned value) { bytes_.push_back(static_cast<unsigned char>(value)); }
  void u16(unsigned value) {
    byte(value >> 8);
    byte(value & 0xFF);
  }
  void u32(uint32_t value) {
    u16(value >> 16);
    u16(value & 0xFFFF);
  }
  void vlq(uint32_t value) {
    unsigned char groups[5];
    int count = 0;
    do {
      groups[count++] = static_cast<unsigned char>(value & 0x7F);
      value >>= 7;
    } while (value != 0);
    while (count-- > 1) byte(groups[count] | 0x80u);
    byte(groups[0]);
  }
  void text(const std::string& value) {
    for (char c : value) byte(static_cast<unsigned char>(c));
  }
  void meta(uint32_t delta, unsigned number, const std::string& payload) {
    vlq(delta);
    byte(0xFF);
    byte(number);
    vlq(static_cast<uint32_t>(payload.size()));
    text(payload);
  }
  void chunk(const char* identifier, const FileBytes& content) {
    text(identifier);
    u32(static_cast<uint32_t>(content.bytes_.size()));
    bytes_.insert(bytes_.end(), content.bytes_.begin(), content.bytes_.end());
  }
  const std::vector<unsigned char>& bytes() const { return bytes_; }

 private:
  std::vector<unsigned char> bytes_;
};

// Tempo changes, a time signature and rehearsal markers.
FileBytes conductor_track() {
  FileBytes track;
  track.meta(0, 0x03, "Symphony");
  track.meta(0, 0x58, std::string("\x04\x02\x18\x08", 4));
  for (int bar = 0; bar < 2000; ++bar) {
    track.meta(bar == 0 ? 0 : 1920, 0x51, std::string("\x07\xA1\x20", 3));
    if (bar % 16 == 0) track.meta(0, 0x06, "Letter " + std::to_string(bar / 16));
  }
  track.meta(0, 0x2F, "");
  return track;
}

// Notes with running status (a note on with velocity 0 ends each note),
// a controller sweep now and then and a few lyrics.
FileBytes channel_track(unsigned channel, std::mt19937& random) {
  FileBytes track;
  track.meta(0, 0x03, "Part " + std::to_string(channel + 1));
  track.vlq(0);
  track.byte(0xC0 | channel);
  track.byte(channel * 5);
  unsigned status = 0;
  auto message = [&](uint32_t delta, unsigned new_status, unsigned a, unsigned b) {
    track.vlq(delta);
    if (new_status != status) track.byte(new_status);
    status = new_status;
    track.byte(a);
    track.byte(b);
  };
  for (int note = 0; note < kNotesPerTrack; ++note) {
    const unsigned pitch = 36 + random() % 60;
    message(random() % 4 == 0 ? 0 : 60, 0x90 | channel, pitch, 40 + random() % 80);
    message(60 + random() % 60, 0x90 | channel, pitch, 0);
    if (note % 8 == 0) message(0, 0xB0 | channel, 1, random() % 128);
    if (note % 400 == 0) {
      track.meta(0, 0x05, "la");
      status = 0xFF;
    }
  }
  track.meta(0, 0x2F, "");
  return track;
}

std::vector<unsigned char> generate_file() {
  std::mt19937 random(17);
  FileBytes file;
  FileBytes header;
  header.u16(1);
  header.u16(1 + kChannelTracks);
  header.u16(960);
  file.chunk("MThd", header);
  file.chunk("MTrk", conductor_track());
  for (unsigned channel = 0; channel < kChannelTracks; ++channel)
    file.chunk("MTrk", channel_track(channel, random));
  return file.bytes();
}

// The generated file, on disk for the life of the benchmark program.
class BenchFile {
 public:
  BenchFile() : bytes_(generate_file()) {
    path_ = (std::filesystem::temp_directory_path() /
             ("tactus-load-bench-" + std::to_string(std::random_device{}()) + ".mid"))
                .string();
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes_.data(), 1, bytes_.size(), file) != bytes_.size()) {
      std::fprintf(stderr, "cannot write %s\n", path_.c_str());
      std::exit(1);
    }
    std::fclose(file);
  }
  ~BenchFile() { std::remove(path_.c_str()); }

  const char* path() const { return path_.c_str(); }
  const std::vector<unsigned char>& bytes() const { return bytes_; }

 private:
  std::vector<unsigned char> bytes_;
  std::string path_;
};

const BenchFile& bench_file() {
  static const BenchFile file;
  return file;
}

// What a player does with a loaded file: every event in sequence order.
int64_t walk(Sequence* sequence) {
  int64_t sum = 0;
  for (Event* event = tactus::sequence_get_first_event(sequence); event != nullptr;
       event = tactus::event_get_next_in_sequence(event)) {
    sum += tactus::event_get_tick(event) + tactus::event_get_kind(event);
  }
  return sum;
}

int64_t count_events(Sequence* sequence) {
  int64_t count = 0;
  for (Event* event = tactus::sequence_get_first_event(sequence); event != nullptr;
       event = tactus::event_get_next_in_sequence(event)) {
    ++count;
  }
  return count;
}

void describe_file(benchmark::State& state, Sequence* sequence) {
  state.counters["events"] = static_cast<double>(count_events(sequence));
  state.counters["bytes"] = static_cast<double>(bench_file().bytes().size());
}

void BM_Load(benchmark::State& state) {
  const BenchFile& file = bench_file();
  for (auto _ : state) {
    Sequence* sequence = tactus::sequence_load(file.path());
    state.PauseTiming();
    tactus::sequence_free(sequence);
    state.ResumeTiming();
  }
  Sequence* sequence = tactus::sequence_load(file.path());
  describe_file(state, sequence);
  tactus::sequence_free(sequence);
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

// The same without the file system: parsing and building alone.
void BM_LoadFromMemory(benchmark::State& state) {
  const std::vector<unsigned char>& bytes = bench_file().bytes();
  for (auto _ : state) {
    Sequence* sequence = tactus::sequence_load_from_memory(bytes.data(), bytes.size());
    state.PauseTiming();
    tactus::sequence_free(sequence);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_LoadFromMemory)->Unit(benchmark::kMillisecond);

// What a player does with a loaded file: every event in sequence order, for
// the first time since the load.
void BM_FirstWalk(benchmark::State& state) {
  const std::vector<unsigned char>& bytes = bench_file().bytes();
  for (auto _ : state) {
    state.PauseTiming();
    Sequence* sequence = tactus::sequence_load_from_memory(bytes.data(), bytes.size());
    state.ResumeTiming();
    benchmark::DoNotOptimize(walk(sequence));
    state.PauseTiming();
    tactus::sequence_free(sequence);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FirstWalk)->Unit(benchmark::kMillisecond);

void BM_Free(benchmark::State& state) {
  const std::vector<unsigned char>& bytes = bench_file().bytes();
  for (auto _ : state) {
    state.PauseTiming();
    Sequence* sequence = tactus::sequence_load_from_memory(bytes.data(), bytes.size());
    state.ResumeTiming();
    tactus::sequence_free(sequence);
  }
}
BENCHMARK(BM_Free)->Unit(benchmark::kMillisecond);

void BM_Save(benchmark::State& state) {
  const std::vector<unsigned char>& bytes = bench_file().bytes();
  Sequence* sequence = tactus::sequence_load_from_memory(bytes.data(), bytes.size());
  const std::string path = std::string(bench_file().path()) + ".saved.mid";
  for (auto _ : state) benchmark::DoNotOptimize(tactus::sequence_save(sequence, path.c_str()));
  std::remove(path.c_str());
  tactus::sequence_free(sequence);
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);

// Edits of the loaded file near its end, where sorted insertion, which
// scans back from the tails, finds its place soon: 2,000 of the last
// 2,000 events each moved to a later tick, a note created beside each, and
// 2,000 freed.
void BM_Edit(benchmark::State& state) {
  const std::vector<unsigned char>& bytes = bench_file().bytes();
  for (auto _ : state) {
    state.PauseTiming();
    Sequence* sequence = tactus::sequence_load_from_memory(bytes.data(), bytes.size());
    std::vector<Event*> events;
    for (Event* event = tactus::sequence_get_last_event(sequence); events.size() < 2000;
         event = tactus::event_get_previous_in_sequence(event))
      events.push_back(event);
    std::mt19937 random(5);
    state.ResumeTiming();
    for (int i = 0; i < 2000; ++i) {
      Event* event = events[random() % events.size()];
      const int32_t tick = tactus::event_get_tick(event);
      tactus::event_set_tick(event, tick + static_cast<int32_t>(random() % 64));
      tactus::note_on_new(tactus::event_get_track(event), tick, 0, 60, 0);
    }
    for (int i = 0; i < 2000; ++i) {
      Event*& event = events[random() % events.size()];
      if (event == nullptr) continue;
      tactus::event_free(event);
      event = nullptr;
    }
    state.PauseTiming();
    tactus::sequence_free(sequence);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_Edit)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
