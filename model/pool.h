// The parts of a sequence's event pool that only the model uses; allocation
// and release of single events are in records.h.
#ifndef TACTUS_MODEL_POOL_H
#define TACTUS_MODEL_POOL_H

#include "model/records.h"

namespace tactus::internal {

// Lists an event that has just been given a buffer, so that free_event_pool
// finds the buffer without reading every event.
void list_buffer_owner(Sequence* sequence, Event* event);

// Frees every event of the pool at once with the buffers they own, without
// unlinking anything: the caller discards all tracks and lists with it.
void free_event_pool(EventPool* pool);

}  // namespace tactus::internal

#endif
