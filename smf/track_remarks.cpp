#include "smf/track_remarks.h"

#include <cinttypes>

#include "model/midi_messages.h"

namespace tactus::internal {
namespace {

const char* event_name(unsigned status) noexcept {
  return status == kMetaStatus ? "meta" : "system-exclusive";
}

}  // namespace

void TrackRemarks::data_byte(uint64_t offset, unsigned byte, unsigned previous, unsigned running) noexcept {
  if (running == 0) {
    remarks_.add(offset, track_, REMARK_NO_STATUS, "data byte 0x%02X with no status to repeat: skipped",
                 byte);
  } else if (running < kSysexStatus && is_meta_or_sysex_status(previous)) {
    remarks_.add(offset, track_, REMARK_RUNNING_STATUS, "running status 0x%02X carried across a %s event",
                 running, event_name(previous));
  } else if (is_system_message_status(running)) {
    remarks_.add(offset, track_, REMARK_SYSTEM_MESSAGE,
                 "data byte 0x%02X repeats system status 0x%02X: skipped", byte, running);
  } else if (is_meta_or_sysex_status(running)) {
    remarks_.add(offset, track_, REMARK_RUNNING_STATUS,
                 "data byte 0x%02X repeats status 0x%02X: read as a %s event", byte, running,
                 event_name(running));
  }
}

void TrackRemarks::system_message(uint64_t offset, unsigned status, unsigned data_bytes) noexcept {
  if (data_bytes == 0) {
    remarks_.add(offset, track_, REMARK_SYSTEM_MESSAGE, "system message 0x%02X in a track: skipped", status);
  } else {
    remarks_.add(offset, track_, REMARK_SYSTEM_MESSAGE,
                 "system message 0x%02X in a track: skipped with its %u data byte%s", status, data_bytes,
                 data_bytes == 1 ? "" : "s");
  }
}

void TrackRemarks::length_not_followed(const char* event, uint32_t length) noexcept {
  const uint64_t end = source_.position() + length;
  if (source_.size_up_to(end) < end) {
    remarks_.add(event_start_, track_, REMARK_LENGTH_PAST_FILE,
                 "%s length %" PRIu32 " runs past the end of the file: event lost", event, length);
  } else {
    // Only a file of over 2 GiB holds such an event.
    remarks_.add(event_start_, track_, REMARK_LENGTH_PAST_FILE,
                 "%s length %" PRIu32 " is more than an event holds: track ends here", event, length);
  }
}

void TrackRemarks::message_read(unsigned status) noexcept {
  past_chunk();
  if (status < 0x80 || status >= kSysexStatus) return;
  // The data bytes stand right before the source's position.
  const unsigned count = data_bytes_of_kind(kind_of_status(status));
  const uint64_t end = source_.position();
  const unsigned char* data;
  source_.seek(end - count);
  source_.read_block(count, data);
  for (unsigned i = 0; i < count; ++i) {
    if (data[i] > 0x7F)
      remarks_.add(end - count + i, track_, REMARK_DATA_ABOVE_127, "data byte above 127 (0x%02X): kept",
                   data[i]);
  }
}

void TrackRemarks::past_chunk() noexcept {
  const uint64_t end = source_.position();
  if (end > chunk_end_) {
    remarks_.add(event_start_, track_, REMARK_EVENT_PAST_CHUNK,
                 "event runs %" PRIu64 " byte%s past the end of its chunk: read whole", end - chunk_end_,
                 end - chunk_end_ == 1 ? "" : "s");
  }
}

void TrackRemarks::end_of_track_read() noexcept {
  const uint64_t end = source_.position();
  if (end > chunk_end_) return past_chunk();
  // Of a chunk that runs past the end of the file, only the bytes there count.
  const uint64_t rest = source_.size_up_to(chunk_end_) - end;
  if (rest > 0) {
    remarks_.add(end, track_, REMARK_AFTER_END_OF_TRACK,
                 "%" PRIu64 " byte%s after the end-of-track event: not read", rest, rest == 1 ? "" : "s");
  }
}

void TrackRemarks::file_ended() noexcept {
  // When the file ends inside the chunk, the chunk's length has its remark.
  if (source_.size_up_to(chunk_end_) < chunk_end_) return;
  remarks_.add(event_start_, track_, REMARK_EVENT_PAST_CHUNK,
               "event runs past the end of its chunk and of the file: lost");
}

void TrackRemarks::chunk_ended() noexcept {
  remarks_.add(chunk_end_, track_, REMARK_NO_END_OF_TRACK, "no end-of-track event");
}

}  // namespace tactus::internal
