// Saving a Sequence as a plain Standard MIDI File.
//
// The whole sequence is encoded once into a counting sink before any file is
// touched: that measures every track chunk, so the chunk lengths are written
// up front and the output is never sought back (pipes work), and it finds
// every value the file cannot hold, so a refused save writes nothing.
#include "smf/writer.h"

#include <cerrno>
#include <cstdint>
#include <exception>
#include <vector>

#include "smf/file_output.h"
#include "smf/writer_chunks.h"
#include "smf/writer_sink.h"
#include "tactus/smf.h"

namespace tactus {

namespace {

using internal::WriterSink;

// The content length of every track chunk, in track order, and the size of
// the whole file; false when the sequence cannot be written faithfully.
bool measure_tracks(Sequence* sequence, std::vector<uint32_t>& lengths, uint64_t& size) {
  WriterSink header(nullptr);
  if (!internal::writer_put_header(header, sequence)) return false;
  size = header.count();
  for (Track* track = sequence_get_first_track(sequence); track != nullptr; track = track_get_next(track)) {
    WriterSink content(nullptr);
    if (!internal::writer_put_track_content(content, track) || content.count() > UINT32_MAX) return false;
    lengths.push_back(static_cast<uint32_t>(content.count()));
    size += 8 + content.count();  // "MTrk" and the length before the content
  }
  return true;
}

void put_sequence(WriterSink& sink, Sequence* sequence, const std::vector<uint32_t>& lengths) {
  internal::writer_put_header(sink, sequence);
  size_t index = 0;
  for (Track* track = sequence_get_first_track(sequence); track != nullptr; track = track_get_next(track)) {
    sink.put_bytes(reinterpret_cast<const unsigned char*>("MTrk"), 4);
    sink.put_u32(lengths[index++]);
    internal::writer_put_track_content(sink, track);
  }
}

int32_t save(Sequence* sequence, const char* filename, internal::SaveMethod& method) {
  std::vector<uint32_t> lengths;
  uint64_t size = 0;
  if (!measure_tracks(sequence, lengths, size)) {
    errno = EINVAL;
    return -1;
  }
  internal::FileOutput output;
  method = internal::file_output_open(output, filename, size);
  if (method == internal::SaveMethod::kRefused) return -1;
  // Nothing below allocates, so nothing can throw while a file is open.
  WriterSink sink(output.stream);
  put_sequence(sink, sequence, lengths);
  const bool complete = sink.flush();
  return internal::file_output_finish(output, complete, sink.error()) ? 0 : -1;
}

}  // namespace

namespace internal {

int32_t save_sequence(Sequence* sequence, const char* filename, SaveMethod& method) {
  method = SaveMethod::kRefused;
  if (sequence == nullptr || filename == nullptr) {
    errno = EINVAL;
    return -1;
  }
  try {
    return save(sequence, filename, method);
  } catch (const std::exception&) {
    // Only memory exhaustion while measuring or naming files gets here,
    // before any file has been created.
    errno = ENOMEM;
    return -1;
  }
}

}  // namespace internal

int32_t sequence_save(Sequence* sequence, const char* filename) {
  internal::SaveMethod method;
  return internal::save_sequence(sequence, filename, method);
}

}  // namespace tactus
