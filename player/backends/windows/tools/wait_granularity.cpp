// Measures how long the platform's timed waits take and how coarse its clock is,
// first at the system's default timer resolution, then with the resolution
// that playback raises (the interrupt handler's span).
//   tactus-wait-granularity [repetitions]
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "player/platform.h"

namespace {

using tactus::player::Platform;

double seconds_per_count() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1.0 / static_cast<double>(frequency.QuadPart);
}

double now_ms() {
  static const double scale = seconds_per_count() * 1000.0;
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * scale;
}

// The median and the largest of a set of durations in milliseconds.
void print_spread(const char* what, std::vector<double>& samples) {
  std::sort(samples.begin(), samples.end());
  std::printf("  %-12s median %6.2f ms, worst %6.2f ms\n", what, samples[samples.size() / 2], samples.back());
}

// The steps of the millisecond clock: on a busy machine the reading thread
// is sometimes preempted, so the median is the clock's real step.
void print_clock_steps(Platform& platform, int repetitions) {
  std::vector<double> steps;
  uint32_t last = platform.clock_ms();
  while (static_cast<int>(steps.size()) < repetitions) {
    const uint32_t now = platform.clock_ms();
    if (now == last) continue;
    steps.push_back(now - last);
    last = now;
  }
  print_spread("clock step:", steps);
}

// Nobody wakes the wake-up object, so every wait runs to its limit.
void print_wait_durations(Platform& platform, int repetitions) {
  for (const uint32_t limit : {1u, 2u, 5u, 10u}) {
    std::vector<double> durations;
    for (int i = 0; i < repetitions; ++i) {
      const double start = now_ms();
      platform.wait(limit);
      durations.push_back(now_ms() - start);
    }
    char what[32];
    std::snprintf(what, sizeof what, "wait(%u ms):", limit);
    print_spread(what, durations);
  }
}

void measure(Platform& platform, int repetitions) {
  print_clock_steps(platform, repetitions);
  print_wait_durations(platform, repetitions);
}

void ignore_interrupt(void*) {}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
  Platform& platform = tactus::player::system_platform();
  std::printf("Default timer resolution:\n");
  measure(platform, repetitions);
  platform.install_interrupt_handler({&ignore_interrupt, nullptr});
  std::printf("Raised timer resolution (during playback):\n");
  measure(platform, repetitions);
  platform.remove_interrupt_handler();
  return 0;
}
