#include "smf/track_reader.h"

#include <algorithm>
#include <cstring>

#include "model/event_appender.h"
#include "model/midi_messages.h"
#include "smf/track_remarks.h"

namespace tactus::internal {
namespace {

// Why the reading of one message stopped the track, if it did.
enum class MessageResult {
  kRead,
  kEndOfTrack,
  kFileEnds,           // a read ran into the end of the file
  kLengthNotFollowed,  // a sysex or meta length runs past the file or the model
  kOutOfMemory
};

struct TrackCursor {
  ByteSource& source;
  Track* track;
  EventAppender& appender;
  TrackRemarks* remarks;  // null unless the caller asked for remarks
  int32_t tick;
  unsigned status;   // the status of the message being read
  unsigned running;  // the remembered status; 0 until a status byte is seen
};

bool is_channel_status(unsigned status) noexcept { return status >= 0x80 && status < 0xF0; }

// The system common messages with data: MTC quarter frame (0xF1) and song
// select (0xF3) carry one byte, song position (0xF2) two. The others carry
// none.
unsigned data_bytes_of_system_status(unsigned status) noexcept {
  return status == 0xF2 ? 2 : status == 0xF1 || status == 0xF3 ? 1 : 0;
}

// Groups beyond 32 bits fall off the top; the number of bytes is not limited.
bool read_variable_quantity(ByteSource& source, uint32_t& value) noexcept {
  value = 0;
  unsigned char byte;
  do {
    if (!source.read_byte(byte)) return false;
    value = value << 7 | (byte & 0x7Fu);
  } while (byte & 0x80u);
  return true;
}

// The running tick saturates at the largest tick rather than overflowing:
// events after delta times summing beyond 2^31 - 1 all stand at that tick,
// and ticks still never decrease within the track.
int32_t advance_tick(int32_t tick, uint32_t delta) noexcept {
  const int64_t sum = int64_t{tick} + delta;
  return sum > INT32_MAX ? INT32_MAX : static_cast<int32_t>(sum);
}

// A channel event's three words from its status and data bytes, as the
// reader takes them: whole bytes, the pitch wheel's two joined.
inline void store_channel_data(Event* event, unsigned status, unsigned first, unsigned second) {
  const bool two_bytes = (status & 0xE0u) != 0xC0u;  // program change and channel pressure carry one
  const bool pitch = (status & 0xF0u) == 0xE0u;
  event->set_word1(static_cast<int32_t>(status & 0x0Fu));
  event->set_word2(static_cast<int32_t>(pitch ? first | second << 7 : first));
  event->set_word3(static_cast<int32_t>(two_bytes && !pitch ? second : 0));
}

// Marked inline: both reading loops call it, and the plain one must have it
// inlined, as nearly every event of a file is a channel message.
inline MessageResult read_channel_message(TrackCursor& cursor) noexcept {
  const int32_t kind = kind_of_status(cursor.status);
  const unsigned data_count = data_bytes_of_kind(kind);
  const unsigned char* data;
  if (!cursor.source.read_block(data_count, data)) return MessageResult::kFileEnds;
  Event* event = cursor.appender.append(cursor.tick, kind);
  if (event == nullptr) return MessageResult::kOutOfMemory;
  store_channel_data(event, cursor.status, data[0], data_count == 2 ? data[1] : 0);
  return MessageResult::kRead;
}

MessageResult read_sysex_message(TrackCursor& cursor) noexcept {
  uint32_t count;
  if (!read_variable_quantity(cursor.source, count)) return MessageResult::kFileEnds;
  // The event's byte count, count + 1, is a signed 32-bit value.
  const unsigned char* data;
  if (count >= INT32_MAX || !cursor.source.read_block(count, data)) {
    if (cursor.remarks != nullptr) cursor.remarks->length_not_followed("system-exclusive", count);
    return MessageResult::kLengthNotFollowed;
  }
  Event* event = cursor.appender.append(cursor.tick, SYSEX);
  if (event == nullptr) return MessageResult::kOutOfMemory;
  // Until it has bytes the event stands as one with none, inline.
  event->packed |= Event::kInlineBit;
  event->data[0] = 0;
  unsigned char* bytes = reserve_event_bytes(event, static_cast<int32_t>(count) + 1, size_t{count} + 1);
  if (bytes == nullptr) return MessageResult::kOutOfMemory;
  bytes[0] = static_cast<unsigned char>(cursor.status);
  if (count > 0) std::memcpy(bytes + 1, data, count);
  return MessageResult::kRead;
}

MessageResult read_meta_event(TrackCursor& cursor) noexcept {
  unsigned char number;
  uint32_t length;
  if (!cursor.source.read_byte(number) || !read_variable_quantity(cursor.source, length)) {
    return MessageResult::kFileEnds;
  }
  // The payload length is a signed 32-bit value.
  const unsigned char* data;
  if (length > INT32_MAX || !cursor.source.read_block(length, data)) {
    if (cursor.remarks != nullptr) cursor.remarks->length_not_followed("meta event", length);
    return MessageResult::kLengthNotFollowed;
  }
  if (number == kEndOfTrackMeta) {
    // No event of the track stands beyond the running tick.
    cursor.track->end_tick = cursor.tick;
    return MessageResult::kEndOfTrack;
  }
  Event* event = cursor.appender.append(cursor.tick, META);
  if (event == nullptr) return MessageResult::kOutOfMemory;
  event->packed |= Event::kInlineBit;
  event->data[0] = number;
  event->data[1] = 0;
  event->data[2] = 0;
  cursor.appender.meta_appended(event);
  unsigned char* payload = reserve_event_bytes(event, number, length);
  if (payload == nullptr) return MessageResult::kOutOfMemory;
  if (length > 0) std::memcpy(payload, data, length);
  return MessageResult::kRead;
}

// Any message but a channel message.
MessageResult read_other_message(TrackCursor& cursor) noexcept {
  const unsigned status = cursor.status;
  if (status == 0) return MessageResult::kRead;  // a data byte before any status: skipped
  if (status == kSysexStatus || status == kSysexContinuationStatus) return read_sysex_message(cursor);
  if (status == kMetaStatus) return read_meta_event(cursor);
  // Other system messages make no event; their data bytes are passed over.
  const unsigned char* data;
  return cursor.source.read_block(data_bytes_of_system_status(status), data) ? MessageResult::kRead
                                                                             : MessageResult::kFileEnds;
}

// With kReporting false every remark is compiled out, so that a plain load
// does no work for them.
template <bool kReporting>
MessageResult read_next_message(TrackCursor& cursor) noexcept {
  ByteSource& source = cursor.source;
  if constexpr (kReporting) cursor.remarks->event_starts(source.position());
  uint32_t delta;
  unsigned char byte;
  if (!read_variable_quantity(source, delta)) return MessageResult::kFileEnds;
  cursor.tick = advance_tick(cursor.tick, delta);
  if (!source.read_byte(byte)) return MessageResult::kFileEnds;
  // A byte with its top bit set becomes the remembered status, system
  // statuses included, except that meta and system-exclusive events leave a
  // channel status in place: files put text, marker and system-exclusive
  // events (an identity request, a reset) between the notes of a run and go
  // on with running status after them. A data byte is given back to be read
  // again as the message's first data byte (or, with no status yet, as the
  // next delta time).
  if (byte & 0x80u) {
    cursor.status = byte;
    if (!is_meta_or_sysex_status(byte) || !is_channel_status(cursor.running)) cursor.running = byte;
  } else {
    if constexpr (kReporting)
      cursor.remarks->data_byte(source.position() - 1, byte, cursor.status, cursor.running);
    cursor.status = cursor.running;
    source.step_back();
  }
  if constexpr (kReporting) {
    if (is_system_message_status(byte))
      cursor.remarks->system_message(source.position() - 1, byte, data_bytes_of_system_status(byte));
  }
  if (is_channel_status(cursor.status)) return read_channel_message(cursor);
  return read_other_message(cursor);
}

template <bool kReporting>
bool read_events(TrackCursor& cursor, uint64_t chunk_end) noexcept {
  while (cursor.source.position() < chunk_end) {
    const MessageResult result = read_next_message<kReporting>(cursor);
    if constexpr (kReporting) {
      if (result == MessageResult::kRead) cursor.remarks->message_read(cursor.status);
      if (result == MessageResult::kEndOfTrack) cursor.remarks->end_of_track_read();
      if (result == MessageResult::kFileEnds) cursor.remarks->file_ended();
    }
    if (result == MessageResult::kOutOfMemory) return false;
    if (result != MessageResult::kRead) return true;
  }
  if constexpr (kReporting) cursor.remarks->chunk_ended();
  return true;
}

// The plain load's loop over channel messages, which are nearly every event
// of a file: the delta time and the message are read through a local
// pointer without a bound check per byte wherever eight bytes are left, and
// the event is appended inline. Anything else (meta and system-exclusive
// events, system messages, a data byte with no channel status to repeat, a
// delta time of more than four bytes, the last bytes of the file) is read as
// one message of the general reading, after which the loop goes on.
bool read_events_plain(TrackCursor& cursor, uint64_t chunk_end) noexcept {
  ByteSource& source = cursor.source;
  EventAppender& appender = cursor.appender;
  constexpr uint64_t kLongestFastMessage = 8;  // four delta bytes, status, two data bytes, and one more
  source.size_up_to(chunk_end + kLongestFastMessage);
  while (source.position() < chunk_end) {
    const unsigned char* const base = source.bytes();
    const uint64_t available = source.size();
    const uint64_t stop =
        available >= kLongestFastMessage ? std::min(chunk_end, available - kLongestFastMessage + 1) : 0;
    const unsigned char* p = base + source.position();
    const unsigned char* const fast_end = source.position() < stop ? base + stop : p;
    int32_t tick = cursor.tick;
    unsigned running = cursor.running;
    AppendPlace place = appender.place();
    while (p < fast_end) {
      const unsigned char* const start = p;
      uint32_t delta = *p++;
      if (delta & 0x80u) {
        delta &= 0x7Fu;
        unsigned byte;
        int more = 3;
        do {
          byte = *p++;
          delta = delta << 7 | (byte & 0x7Fu);
        } while ((byte & 0x80u) && --more > 0);
        if (byte & 0x80u) {
          p = start;
          break;
        }
      }
      unsigned status = *p;
      if (status & 0x80u) {
        if (status >= 0xF0u) {
          p = start;
          break;
        }
        running = status;
        ++p;
      } else if (is_channel_status(running)) {
        status = running;
      } else {
        p = start;
        break;
      }
      tick = advance_tick(tick, delta);
      const auto kind = static_cast<int32_t>((status >> 4) - 8);
      Event* event = appender.append(place, tick, kind);
      if (event == nullptr) {
        appender.set_place(place);
        return false;
      }
      const unsigned first = p[0];
      const unsigned second = p[1];
      // Program change (0xC0) and channel pressure (0xD0) carry one byte.
      const bool two_bytes = (status & 0xE0u) != 0xC0u;
      p += two_bytes ? 2 : 1;
      store_channel_data(event, status, first, second);
    }
    appender.set_place(place);
    cursor.tick = tick;
    cursor.running = running;
    source.seek(static_cast<uint64_t>(p - base));
    if (source.position() >= chunk_end) break;
    const MessageResult result = read_next_message<false>(cursor);
    if (result == MessageResult::kOutOfMemory) return false;
    if (result != MessageResult::kRead) return true;
  }
  return true;
}

}  // namespace

bool read_track_events(ByteSource& source, Track* track, uint64_t chunk_end) noexcept {
  EventAppender appender(track);
  TrackCursor cursor{source, track, appender, nullptr, 0, 0, 0};
  return read_events_plain(cursor, chunk_end);
}

bool read_track_events_with_remarks(ByteSource& source, Track* track, uint64_t chunk_end,
                                    Remarks& remarks) noexcept {
  TrackRemarks track_remarks(remarks, source, track->number, chunk_end);
  EventAppender appender(track);
  TrackCursor cursor{source, track, appender, &track_remarks, 0, 0, 0};
  return read_events<true>(cursor, chunk_end);
}

}  // namespace tactus::internal
