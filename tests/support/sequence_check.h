// Two views of a Sequence through the public accessors, for tests and fuzzers.
#ifndef TACTUS_TESTS_SUPPORT_SEQUENCE_CHECK_H
#define TACTUS_TESTS_SUPPORT_SEQUENCE_CHECK_H

#include <string>
#include <vector>

#include "tactus/model.h"

namespace tactus::test {

// Values as stored, or as a save and a load give them back: format, channels, data values and meta numbers
// cut to their bits; a meta event that thus becomes end of track ends its track there.
enum class Kept { kAsStored, kAsWritten };

// A header line, a line per track "track N: <event>, <event>; end <tick>", each event "<tick> <KIND> <fields>
// <bytes in hex>", then the sequence order as track:index pairs. A link that does not mirror its other side
// adds a "!" note, so equal texts mean equal, well-linked Sequences.
std::string describe_sequence(Sequence* sequence, Kept kept = Kept::kAsStored);

// One event as describe_sequence shows it, from its values.
std::string event_line(int32_t tick, int32_t kind, const std::vector<int32_t>& fields,
                       const std::vector<unsigned char>& bytes);

// Empty when the Sequence keeps every invariant of a loaded file (numbering,
// sorting, links, fields a file can give), else the first one broken.
std::string loaded_sequence_flaw(Sequence* sequence);

}  // namespace tactus::test

#endif
