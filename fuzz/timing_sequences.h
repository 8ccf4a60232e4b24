// Small fixed Sequences for the text fuzz targets: every division kind, with
// tempo, time-signature and marker events, and the degenerate values a file
// can hold (resolution 0, a tempo of 0 microseconds per quarter note, a time
// signature of 0 beats or with an impossible denominator, short payloads).
#ifndef TACTUS_FUZZ_TIMING_SEQUENCES_H
#define TACTUS_FUZZ_TIMING_SEQUENCES_H

#include <vector>

#include "tactus/model.h"

namespace tactus::fuzz {

// Made once, on first use, and freed at exit: the text
// conversions only read them (and fill their scratch records).
const std::vector<Sequence*>& timing_sequences();

}  // namespace tactus::fuzz

#endif
