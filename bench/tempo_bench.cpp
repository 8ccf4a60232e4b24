// Due times of every event of a large format-0 file: the forward cursor over
// the tempo map against the walk from the start that each public
// tick-to-seconds call makes.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "tactus/tactus.h"
#include "timing/tempo_cursor.h"

namespace {

constexpr int kEvents = 1000000;
constexpr int kTempoChanges = 500;

// One track of notes, two events every 60 ticks, with a tempo change after
// every 2000 events.
tactus::Sequence* build_sequence() {
  tactus::Sequence* sequence = tactus::sequence_new(0, tactus::DIVISION_PPQ, 480);
  tactus::Track* track = tactus::sequence_add_track(sequence);
  const int notes = kEvents - kTempoChanges;
  const int notes_per_tempo = notes / kTempoChanges;
  int tempo_changes = 0;
  for (int i = 0; i < notes; ++i) {
    const int32_t tick = (i / 2) * 60;
    if (i % notes_per_tempo == 0 && tempo_changes < kTempoChanges) {
      tactus::tempo_new(track, tick, 60.0f + static_cast<float>((tempo_changes * 37) % 120));
      ++tempo_changes;
    }
    if (i % 2 == 0) {
      tactus::note_on_new(track, tick, 0, 60 + i % 24, 100);
    } else {
      tactus::note_off_new(track, tick, 0, 60 + (i - 1) % 24, 0);
    }
  }
  return sequence;
}

tactus::Sequence* shared_sequence() {
  static tactus::Sequence* sequence = build_sequence();
  return sequence;
}

void BM_CursorOverEveryEvent(benchmark::State& state) {
  tactus::Sequence* sequence = shared_sequence();
  int64_t events = 0;
  for (auto _ : state) {
    tactus::internal::SecondsCursor cursor(sequence);
    double last = 0.0;
    for (tactus::Event* event = tactus::sequence_get_first_event(sequence); event != nullptr;
         event = tactus::event_get_next_in_sequence(event)) {
      last = cursor.seconds_at(tactus::event_get_tick(event));
      ++events;
    }
    benchmark::DoNotOptimize(last);
  }
  state.SetItemsProcessed(events);
}
BENCHMARK(BM_CursorOverEveryEvent)->Unit(benchmark::kMillisecond);

// The same events' ticks, but only every 10000th one, each through the
// public conversion: one walk from the start per call.
void BM_WalkPerCallEvery10000thEvent(benchmark::State& state) {
  tactus::Sequence* sequence = shared_sequence();
  int64_t calls = 0;
  for (auto _ : state) {
    double last = 0.0;
    int index = 0;
    for (tactus::Event* event = tactus::sequence_get_first_event(sequence); event != nullptr;
         event = tactus::event_get_next_in_sequence(event), ++index) {
      if (index % 10000 != 0) continue;
      last = tactus::sequence_get_seconds_from_tick(sequence, tactus::event_get_tick(event));
      ++calls;
    }
    benchmark::DoNotOptimize(last);
  }
  state.SetItemsProcessed(calls);
}
BENCHMARK(BM_WalkPerCallEvery10000thEvent)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
