// Lookups over the tempo, time-signature and marker events of the first
// track. Each gives exactly what a walk from the first event would give. The
// tempo and meter lookups take O(log n) of those events: a sequence keeps
// the steps of the walks in its time index, built on first use and built
// again after a change that can alter a result (see invalidate_time_index).
// The building reads the first track's META array, in time proportional to
// its META events. When there is no memory for the index, the lookups walk
// the track itself.
#ifndef TACTUS_TIMING_TIME_INDEX_H
#define TACTUS_TIMING_TIME_INDEX_H

#include <cstdint>

#include "tactus/model.h"
#include "timing/meter_walk.h"
#include "timing/tempo_walk.h"

namespace tactus::internal {

// The tempo walk's state after the tempo events whose tick lies below `tick`
// (all events before the first one at or after `tick` in track order).
TempoState tempo_before(Sequence* sequence, int32_t tick);

// The state after the tempo events taken before the first one whose start
// value reaches `target`: where the walks from beats or seconds to a tick
// stop.
TempoState tempo_below(Sequence* sequence, double target);

// The meter in force at `tick`: after the signatures whose tick lies below it.
Meter meter_before(Sequence* sequence, int32_t tick);

// The last signature step before the first one whose position, in the
// notation that `notation` picks, lies after `target`; before_any_signature()
// when the first one already does.
SignatureStep signature_not_after(Sequence* sequence, const BarPosition& target,
                                  BarPosition BarPositions::*notation);

// The tick of the first marker of the first track whose text is `name`; -1
// if there is none. A pass over the first track's META events, not indexed.
int32_t marker_tick(Sequence* sequence, const char* name);

}  // namespace tactus::internal

#endif
