// The time index: for each kind of event it reads, the steps of the walk in
// track order, with running maxima where a walk stops at the first step that
// reaches a target. A walk from a value (beats, seconds, a bar position) to a
// tick stops at the first step whose start reaches the target, but those
// starts need not grow from step to step: a zero or negative tempo or
// resolution makes them fall or turn NaN, and so can the rounding to float of
// two tempo events at one tick. The first step that reaches a target is the
// first whose running maximum does, and running maxima only grow, so a binary
// search over them finds it for every map.
#include "timing/time_index.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "model/midi_messages.h"
#include "model/records.h"
#include "tactus/timing.h"
#include "timing/first_track.h"

namespace tactus::internal {
namespace {

// The ticks of the steps of one walk. Callers that go through a file in
// order mostly stay between the same two steps, so the last answer is tried
// first.
class StepTicks {
 public:
  void add(int32_t tick) { ticks_.push_back(tick); }

  // How many steps lie below `tick`.
  size_t count_below(int32_t tick) const {
    const size_t count = ticks_.size();
    if ((hint_ > 0 && ticks_[hint_ - 1] >= tick) || (hint_ < count && ticks_[hint_] < tick)) {
      hint_ = static_cast<size_t>(std::lower_bound(ticks_.begin(), ticks_.end(), tick) - ticks_.begin());
    }
    return hint_;
  }

 private:
  std::vector<int32_t> ticks_;
  mutable size_t hint_ = 0;
};

// NaN while no step has a start that is a number.
void raise_maximum(double& maximum, double start) {
  if (std::isnan(maximum) || start > maximum) maximum = start;
}

// The order in which running maxima of bar positions are kept: bar, beat,
// then fraction with NaN lowest, as a NaN fraction never lies after a target.
bool comes_later(const BarPosition& a, const BarPosition& b) {
  if (a.measure != b.measure) return a.measure > b.measure;
  if (a.beat != b.beat) return a.beat > b.beat;
  return !std::isnan(a.fraction) && (std::isnan(b.fraction) || a.fraction > b.fraction);
}

void raise_maximum(BarPosition& maximum, const BarPosition& position) {
  if (comes_later(position, maximum)) maximum = position;
}

struct TempoPart {
  StepTicks ticks;
  std::vector<TempoState> after;
  std::vector<double> start_maximum;

  void build(Sequence* sequence) {
    *this = {};
    double maximum = NAN;
    TempoWalk walk(sequence, MetaSource::kMetaArray);
    for (TempoStep step; walk.next(&step);) {
      ticks.add(step.tick);
      after.push_back(step.after);
      raise_maximum(maximum, step.start);
      start_maximum.push_back(maximum);
    }
  }
};

struct MeterPart {
  StepTicks ticks;
  std::vector<SignatureStep> steps;
  std::vector<BarPositions> latest;  // running maxima of the steps' positions

  void build(Sequence* sequence) {
    *this = {};
    SignatureWalk walk(sequence, MetaSource::kMetaArray);
    for (SignatureStep step; walk.next(&step);) {
      ticks.add(step.tick);
      steps.push_back(step);
      if (latest.empty()) {
        latest.push_back(step.at);
      } else {
        latest.push_back(latest.back());
        raise_maximum(latest.back().mb, step.at.mb);
        raise_maximum(latest.back().mbt, step.at.mbt);
      }
    }
  }
};

// A part is valid for the generation it was built for; a sequence's count
// starts at 0, so a new part waits for a count that never comes.
constexpr uint64_t kNeverBuilt = UINT64_MAX;

template <typename Part>
struct Built {
  Part part;
  uint64_t generation = kNeverBuilt;
};

}  // namespace

struct TimeIndex {
  Built<TempoPart> tempo;
  Built<MeterPart> meter;
};

void free_time_index(TimeIndex* index) { delete index; }

namespace {

// The part as the sequence stands now, built if need be; null when memory
// runs out, and the caller walks instead. A part that failed halfway keeps
// its old generation and is built again next time.
template <typename Part>
const Part* current(Sequence* sequence, Built<Part> TimeIndex::*member) {
  if (sequence->time_index == nullptr) {
    sequence->time_index = new (std::nothrow) TimeIndex;
    if (sequence->time_index == nullptr) return nullptr;
  }
  Built<Part>& built = sequence->time_index->*member;
  if (built.generation != sequence->generation) {
    try {
      built.part.build(sequence);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
    built.generation = sequence->generation;
  }
  return &built.part;
}

}  // namespace

TempoState tempo_before(Sequence* sequence, int32_t tick) {
  if (const TempoPart* part = current(sequence, &TimeIndex::tempo)) {
    const size_t count = part->ticks.count_below(tick);
    return count == 0 ? TempoState{} : part->after[count - 1];
  }
  TempoState state;
  TempoWalk walk(sequence, MetaSource::kTrack);
  for (TempoStep step; walk.next(&step) && step.tick < tick;) state = step.after;
  return state;
}

TempoState tempo_below(Sequence* sequence, double target) {
  if (const TempoPart* part = current(sequence, &TimeIndex::tempo)) {
    const auto reached = std::partition_point(part->start_maximum.begin(), part->start_maximum.end(),
                                              [target](double maximum) { return !(maximum >= target); });
    const auto count = static_cast<size_t>(reached - part->start_maximum.begin());
    return count == 0 ? TempoState{} : part->after[count - 1];
  }
  TempoState state;
  TempoWalk walk(sequence, MetaSource::kTrack);
  for (TempoStep step; walk.next(&step) && !(step.start >= target);) state = step.after;
  return state;
}

Meter meter_before(Sequence* sequence, int32_t tick) {
  if (const MeterPart* part = current(sequence, &TimeIndex::meter)) {
    const size_t count = part->ticks.count_below(tick);
    return count == 0 ? Meter{} : part->steps[count - 1].after;
  }
  Meter meter;
  SignatureWalk walk(sequence, MetaSource::kTrack);
  for (SignatureStep step; walk.next(&step) && step.tick < tick;) meter = step.after;
  return meter;
}

SignatureStep signature_not_after(Sequence* sequence, const BarPosition& target,
                                  BarPosition BarPositions::*notation) {
  if (const MeterPart* part = current(sequence, &TimeIndex::meter)) {
    const auto reached = std::partition_point(
        part->latest.begin(), part->latest.end(),
        [&](const BarPositions& latest) { return !lies_after(latest.*notation, target); });
    const auto count = static_cast<size_t>(reached - part->latest.begin());
    return count == 0 ? before_any_signature() : part->steps[count - 1];
  }
  SignatureStep last = before_any_signature();
  SignatureWalk walk(sequence, MetaSource::kTrack);
  for (SignatureStep step; walk.next(&step) && !lies_after(step.at.*notation, target);) last = step;
  return last;
}

int32_t marker_tick(Sequence* sequence, const char* name) {
  // Markers are looked up rarely (once for each end of a playback range), so
  // they are not indexed: a pass over the first track's META array is cheap,
  // and it reads every marker's text as it stands now, so a payload changed
  // in place can only affect its own marker.
  FirstTrackMetas markers(sequence, kMarkerMeta, MetaSource::kMetaArray);
  for (Event* event; (event = markers.next()) != nullptr;) {
    // Every marker has a payload, at least the 0 byte after it.
    if (std::strcmp(marker_get_text(event), name) == 0) return event_get_tick(event);
  }
  return -1;
}

}  // namespace tactus::internal
