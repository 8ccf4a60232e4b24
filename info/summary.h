// What tactus-info prints about a loaded file, as "key: value" lines and
// table rows.
#ifndef TACTUS_INFO_SUMMARY_H
#define TACTUS_INFO_SUMMARY_H

#include <cstdio>

#include "common/text_decoder.h"
#include "tactus/model.h"

namespace tactus::info {

// Format, division, counts, length, tempo, meter and key.
void print_file_summary(Sequence* sequence, std::FILE* out);

// One row per track (number, notes, channels, programs, name), then, when
// the texts are read by rule, a line for each track whose texts are not
// UTF-8, then the markers of the first track with their bar:beat and time.
// Names and markers are read with `text`, each control character shown as
// "?".
void print_tracks_and_markers(Sequence* sequence, const common::TextDecoder& text, std::FILE* out);

}  // namespace tactus::info

#endif
