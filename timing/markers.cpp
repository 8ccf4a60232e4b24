// Finding a position by the name of a marker in the first track.
#include "tactus/timing.h"
#include "timing/time_index.h"

namespace tactus {

int32_t sequence_get_tick_from_marker(Sequence* sequence, const char* name) {
  if (sequence == nullptr || name == nullptr) return -1;
  return internal::marker_tick(sequence, name);
}

}  // namespace tactus
