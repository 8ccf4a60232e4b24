// Remarks about the events of one track chunk.
#ifndef TACTUS_SMF_TRACK_REMARKS_H
#define TACTUS_SMF_TRACK_REMARKS_H

#include <cstdint>

#include "smf/byte_source.h"
#include "smf/remarks.h"

namespace tactus::internal {

// What the track reader tells as it goes; it calls these only when the
// caller gave a handler, so that a plain load does no work for them.
class TrackRemarks {
 public:
  TrackRemarks(Remarks& remarks, ByteSource& source, int32_t track, uint64_t chunk_end) noexcept
      : remarks_(remarks), source_(source), track_(track), chunk_end_(chunk_end) {}

  void event_starts(uint64_t offset) noexcept { event_start_ = offset; }
  // A byte with its top bit clear where a status byte stands, at `offset`;
  // `previous` is the status of the message before, `running` the status it
  // repeats (0 for none).
  void data_byte(uint64_t offset, unsigned byte, unsigned previous, unsigned running) noexcept;
  // A system common or real-time status byte at `offset`.
  void system_message(uint64_t offset, unsigned status, unsigned data_bytes) noexcept;
  // A system-exclusive or meta length that could not be followed; the
  // source stands right after the length.
  void length_not_followed(const char* event, uint32_t length) noexcept;
  // A message of `status` was read whole, the source stands after it.
  void message_read(unsigned status) noexcept;
  // An end-of-track event was read, the source stands after it.
  void end_of_track_read() noexcept;
  // A read failed at the end of the file.
  void file_ended() noexcept;
  // The chunk's end was reached without an end-of-track event.
  void chunk_ended() noexcept;

 private:
  void past_chunk() noexcept;

  Remarks& remarks_;
  ByteSource& source_;
  int32_t track_;
  uint64_t chunk_end_;
  uint64_t event_start_ = 0;
};

}  // namespace tactus::internal

#endif
