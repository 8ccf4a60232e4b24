// Teardown of a sequence's event pool; the pool's allocation steps are in
// records.h.
#ifndef TACTUS_MODEL_POOL_H
#define TACTUS_MODEL_POOL_H

#include "model/records.h"

namespace tactus::internal {

// Frees every event of the pool at once with the buffers they own, without
// unlinking anything: the caller discards all tracks and lists with it.
void free_event_pool(EventPool* pool);

}  // namespace tactus::internal

#endif
