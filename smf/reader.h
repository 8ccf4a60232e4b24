// Loading a Standard MIDI File from bytes in memory.
#ifndef TACTUS_SMF_READER_H
#define TACTUS_SMF_READER_H

#include <cstddef>

#include "tactus/model.h"

namespace tactus::internal {

// What sequence_load gives for a file holding exactly these bytes.
Sequence* load_sequence_from_memory(const unsigned char* data, size_t size) noexcept;

}  // namespace tactus::internal

#endif
