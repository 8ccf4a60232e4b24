// Where a song ends: what both programs show as its length.
#ifndef TACTUS_COMMON_SONG_END_H
#define TACTUS_COMMON_SONG_END_H

#include <cstdint>

#include "tactus/model.h"

namespace tactus::common {

// The end tick of the track that ends last (0 without tracks).
int32_t song_end_tick(Sequence* sequence);

}  // namespace tactus::common

#endif
