// The writer, telling how it wrote the file.
#ifndef TACTUS_SMF_WRITER_H
#define TACTUS_SMF_WRITER_H

#include <cstdint>

#include "smf/file_output.h"
#include "tactus/model.h"

namespace tactus::internal {

// sequence_save, with `method` set to the way the file was written
// (kRefused when the save was refused before any file was opened).
int32_t save_sequence(Sequence* sequence, const char* filename, SaveMethod& method);

}  // namespace tactus::internal

#endif
