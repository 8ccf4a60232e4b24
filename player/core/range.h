// The ends of the playback range, given as text in one of eight notations.
#ifndef TACTUS_PLAYER_CORE_RANGE_H
#define TACTUS_PLAYER_CORE_RANGE_H

#include <cstdint>

#include "tactus/model.h"

namespace tactus::player {

// Turns a spec such as "tick:480", "beat:2.5", "mb:3:1.0", "mbt:3:1:0",
// "time:1.5", "hms:0:01:02.5", "hmsf:0:00:01:12.0" or "marker:Chorus" into a
// tick of the sequence. A null text leaves *tick alone; a text in no known
// notation sets it to -1 (no bound). Any negative result means no bound.
void resolve_time_spec(const char* text, Sequence* sequence, int32_t* tick);

}  // namespace tactus::player

#endif
