// Standard MIDI File bytes for the end-to-end tests, built from events at
// absolute ticks: the builder sorts each track by tick (stable), writes the
// delta times as variable-length quantities and closes each track with its
// end-of-track event. Independent of the library on purpose.
#ifndef TACTUS_TESTS_E2E_SONG_BYTES_H
#define TACTUS_TESTS_E2E_SONG_BYTES_H

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace tactus::e2e {

using Bytes = std::vector<uint8_t>;

inline void append_vlq(Bytes& out, uint32_t value) {
  Bytes groups{static_cast<uint8_t>(value & 0x7F)};
  while ((value >>= 7) != 0) groups.push_back(static_cast<uint8_t>(0x80 | (value & 0x7F)));
  out.insert(out.end(), groups.rbegin(), groups.rend());
}

inline Bytes meta_event(int type, const Bytes& payload) {
  Bytes bytes{0xFF, static_cast<uint8_t>(type)};
  append_vlq(bytes, static_cast<uint32_t>(payload.size()));
  bytes.insert(bytes.end(), payload.begin(), payload.end());
  return bytes;
}

inline Bytes tempo_event(uint32_t microseconds_per_quarter) {
  return meta_event(0x51, {static_cast<uint8_t>(microseconds_per_quarter >> 16),
                           static_cast<uint8_t>(microseconds_per_quarter >> 8),
                           static_cast<uint8_t>(microseconds_per_quarter)});
}

inline Bytes marker_event(const std::string& name) {
  return meta_event(0x06, Bytes(name.begin(), name.end()));
}

// A system-exclusive event as stored in the file: the lead byte (F0 or F7),
// the length, then `message` without its lead byte. `message` is what a port
// receives: the lead byte and everything after it.
inline Bytes sysex_event(const Bytes& message) {
  Bytes bytes{message.front()};
  append_vlq(bytes, static_cast<uint32_t>(message.size() - 1));
  bytes.insert(bytes.end(), message.begin() + 1, message.end());
  return bytes;
}

class SongBytes {
 public:
  SongBytes(int track_count, int ticks_per_quarter) : tracks_(track_count), division_(ticks_per_quarter) {}

  // `bytes` is the event after its delta time, as it stands in the file.
  SongBytes& add(int track, uint32_t tick, Bytes bytes) {
    tracks_.at(track).push_back({tick, std::move(bytes)});
    return *this;
  }

  Bytes file() const {
    Bytes out{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1};
    append_u16(out, static_cast<uint32_t>(tracks_.size()));
    append_u16(out, static_cast<uint32_t>(division_));
    for (std::vector<Timed> track : tracks_) {
      std::stable_sort(track.begin(), track.end(),
                       [](const Timed& a, const Timed& b) { return a.tick < b.tick; });
      Bytes body;
      uint32_t last = 0;
      for (const Timed& event : track) {
        append_vlq(body, event.tick - last);
        body.insert(body.end(), event.bytes.begin(), event.bytes.end());
        last = event.tick;
      }
      append_vlq(body, 0);
      body.insert(body.end(), {0xFF, 0x2F, 0x00});
      out.insert(out.end(), {'M', 'T', 'r', 'k'});
      append_u16(out, static_cast<uint32_t>(body.size() >> 16));
      append_u16(out, static_cast<uint32_t>(body.size() & 0xFFFF));
      out.insert(out.end(), body.begin(), body.end());
    }
    return out;
  }

 private:
  struct Timed {
    uint32_t tick;
    Bytes bytes;
  };

  static void append_u16(Bytes& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
  }

  std::vector<std::vector<Timed>> tracks_;
  int division_;
};

}  // namespace tactus::e2e

#endif
