// Musical time on large files, through the public conversions only:
//   (a) format 1, 17 tracks, 1,000,582 events; track 0 holds 500 tempo
//       changes, 11 time signatures and 71 markers;
//   (b) format 0, one track of 1,000,000 events, 500 of them tempo changes;
//   (c) format 1, 64 tracks of 20,000 events, with the 500 tempo changes
//       among the events of track 0.
// For each: loading with a walk over every event (what the conversions are
// measured against), the seconds of every event in sequence order, the
// seconds of 1,000,000 random ticks, the bar/beat text of every event, and
// building the time index alone. Every timed pass over a file starts with
// the index out of date, so its building is part of the pass.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "tactus/tactus.h"

namespace {

using tactus::Event;
using tactus::Sequence;

class Bytes {
 public:
  void put(std::initializer_list<uint32_t> values) {
    for (uint32_t value : values) bytes_.push_back(static_cast<uint8_t>(value));
  }
  void u32(uint32_t value) { put({value >> 24, value >> 16 & 0xFF, value >> 8 & 0xFF, value & 0xFF}); }
  void vlq(uint32_t value) {
    for (int shift = 28; shift > 0; shift -= 7) {
      if (value >> shift != 0) put({(value >> shift & 0x7F) | 0x80});
    }
    put({value & 0x7F});
  }
  void chunk(const char* identifier, const Bytes& content) {
    put({uint32_t(identifier[0]), uint32_t(identifier[1]), uint32_t(identifier[2]), uint32_t(identifier[3])});
    u32(static_cast<uint32_t>(content.bytes_.size()));
    bytes_.insert(bytes_.end(), content.bytes_.begin(), content.bytes_.end());
  }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// One track chunk's content, its events given in tick order.
class TrackBytes {
 public:
  void event(uint32_t tick, std::initializer_list<uint32_t> message) {
    content_.vlq(tick - last_tick_);
    content_.put(message);
    last_tick_ = tick;
  }
  void tempo(uint32_t tick, uint32_t microseconds) {
    event(tick, {0xFF, 0x51, 3, microseconds >> 16, microseconds >> 8 & 0xFF, microseconds & 0xFF});
  }
  void note(uint32_t tick, uint32_t channel, uint32_t n) {
    event(tick, {(n % 2 == 0 ? 0x90u : 0x80u) | channel, 36 + n / 2 % 48, 64});
  }
  const Bytes& finish() {
    event(last_tick_, {0xFF, 0x2F, 0});
    return content_;
  }

 private:
  Bytes content_;
  uint32_t last_tick_ = 0;
};

// 500 tempos between 60 and 180 beats a minute, in no order.
uint32_t tempo_number(uint32_t n) { return 60000000 / (60 + n * 37 % 121); }

std::vector<uint8_t> file_bytes(int file) {
  Bytes file_bytes, header;
  std::vector<TrackBytes> tracks(file == 0 ? 17 : file == 1 ? 1 : 64);
  if (file == 0) {
    // A time signature every 53 events, then tempo changes, then markers.
    for (uint32_t n = 0, tempos = 0; n < 582; ++n) {
      const uint32_t tick = n * 1074;
      if (n % 53 == 0) {
        tracks[0].event(tick, {0xFF, 0x58, 4, 3 + n / 53 % 5, 2, 24, 8});
      } else if (tempos < 500) {
        tracks[0].tempo(tick, tempo_number(tempos++));
      } else {
        tracks[0].event(tick, {0xFF, 0x06, 1, 'A' + n % 26});
      }
    }
    for (uint32_t track = 1; track < 17; ++track) {
      for (uint32_t n = 0; n < 62500; ++n) tracks[track].note(n * 10, track - 1, n);
    }
  } else {
    const uint32_t per_track = file == 1 ? 1000000 : 20000, step = file == 1 ? 10 : 30;
    for (uint32_t track = 0; track < tracks.size(); ++track) {
      for (uint32_t n = 0; n < per_track; ++n) {
        if (track == 0 && n % (per_track / 500) == 0) {
          tracks[0].tempo(n * step, tempo_number(n / (per_track / 500)));
        } else {
          tracks[track].note(n * step, track % 16, n);
        }
      }
    }
  }
  header.put({0, file == 1 ? 0u : 1u, 0, static_cast<uint32_t>(tracks.size()), 0x01, 0xE0});
  file_bytes.chunk("MThd", header);
  for (TrackBytes& track : tracks) file_bytes.chunk("MTrk", track.finish());
  return file_bytes.bytes();
}

const std::vector<uint8_t>& bytes_of(int file) {
  static const std::vector<uint8_t> files[3] = {file_bytes(0), file_bytes(1), file_bytes(2)};
  return files[file];
}

Sequence* sequence_of(int file) {
  static Sequence* const sequences[3] = {
      tactus::sequence_load_from_memory(bytes_of(0).data(), bytes_of(0).size()),
      tactus::sequence_load_from_memory(bytes_of(1).data(), bytes_of(1).size()),
      tactus::sequence_load_from_memory(bytes_of(2).data(), bytes_of(2).size())};
  return sequences[file];
}

// Any change drops the time index; this one changes nothing else.
void make_index_out_of_date(Sequence* sequence) {
  tactus::sequence_set_resolution(sequence, tactus::sequence_get_resolution(sequence));
}

void BM_LoadAndWalk(benchmark::State& state, int file) {
  int64_t events = 0;
  for (auto _ : state) {
    Sequence* sequence = tactus::sequence_load_from_memory(bytes_of(file).data(), bytes_of(file).size());
    int64_t sum = 0;
    for (Event* event = tactus::sequence_get_first_event(sequence); event != nullptr;
         event = tactus::event_get_next_in_sequence(event), ++events) {
      sum += tactus::event_get_tick(event) + tactus::event_get_kind(event);
    }
    benchmark::DoNotOptimize(sum);
    state.PauseTiming();
    tactus::sequence_free(sequence);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(events);
}

void BM_SecondsOfEveryEvent(benchmark::State& state, int file) {
  Sequence* sequence = sequence_of(file);
  int64_t events = 0;
  for (auto _ : state) {
    make_index_out_of_date(sequence);
    double sum = 0.0;
    for (Event* event = tactus::sequence_get_first_event(sequence); event != nullptr;
         event = tactus::event_get_next_in_sequence(event), ++events) {
      sum += tactus::sequence_get_seconds_from_tick(sequence, tactus::event_get_tick(event));
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(events);
}

void BM_SecondsOfRandomTicks(benchmark::State& state, int file) {
  Sequence* sequence = sequence_of(file);
  std::mt19937 random(5);
  std::uniform_int_distribution<int32_t> ticks(
      0, tactus::event_get_tick(tactus::sequence_get_last_event(sequence)));
  std::vector<int32_t> queries(1000000);
  for (int32_t& tick : queries) tick = ticks(random);
  for (auto _ : state) {
    make_index_out_of_date(sequence);
    double sum = 0.0;
    for (int32_t tick : queries) sum += tactus::sequence_get_seconds_from_tick(sequence, tick);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(queries.size()));
}

void BM_BarBeatTextOfEveryEvent(benchmark::State& state, int file) {
  Sequence* sequence = sequence_of(file);
  int64_t events = 0;
  for (auto _ : state) {
    make_index_out_of_date(sequence);
    size_t length = 0;
    for (Event* event = tactus::sequence_get_first_event(sequence); event != nullptr;
         event = tactus::event_get_next_in_sequence(event), ++events) {
      length += std::char_traits<char>::length(
          tactus::sequence_get_mb_string_from_tick(sequence, tactus::event_get_tick(event)));
    }
    benchmark::DoNotOptimize(length);
  }
  state.SetItemsProcessed(events);
}

// Building the whole index: tempo, time signatures and markers, each on the
// first conversion that needs it.
void BM_IndexBuild(benchmark::State& state, int file) {
  Sequence* sequence = sequence_of(file);
  for (auto _ : state) {
    make_index_out_of_date(sequence);
    benchmark::DoNotOptimize(tactus::sequence_get_seconds_from_tick(sequence, 1000));
    benchmark::DoNotOptimize(tactus::sequence_get_mb_string_from_tick(sequence, 1000));
    benchmark::DoNotOptimize(tactus::sequence_get_tick_from_marker(sequence, "Z"));
  }
}

#define TACTUS_BENCH_FILES(bench, unit)                  \
  BENCHMARK_CAPTURE(bench, a, 0)->Unit(benchmark::unit); \
  BENCHMARK_CAPTURE(bench, b, 1)->Unit(benchmark::unit); \
  BENCHMARK_CAPTURE(bench, c, 2)->Unit(benchmark::unit)

TACTUS_BENCH_FILES(BM_LoadAndWalk, kMillisecond);
TACTUS_BENCH_FILES(BM_SecondsOfEveryEvent, kMillisecond);
TACTUS_BENCH_FILES(BM_SecondsOfRandomTicks, kMillisecond);
TACTUS_BENCH_FILES(BM_BarBeatTextOfEveryEvent, kMillisecond);
TACTUS_BENCH_FILES(BM_IndexBuild, kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
