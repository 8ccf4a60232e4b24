// The parts of a sequence's event store that only the model and the reader
// use; allocation and release of single events are in records.h.
#ifndef TACTUS_MODEL_EVENT_STORE_H
#define TACTUS_MODEL_EVENT_STORE_H

#include "model/records.h"

namespace tactus::internal {

// Makes the next chunk of the store current (store.used_chunks one more,
// store.used_in_last 0), allocating a block when none is waiting. False
// when memory is exhausted.
bool open_next_chunk(Sequence* sequence);

// Frees every event of the store at once with the buffers they own, without
// unlinking anything: the caller discards all tracks and lists with it.
void free_event_store(Sequence* sequence);

}  // namespace tactus::internal

#endif
