// tactus-record: a JACK client that records audio ports to a 16-bit WAV file,
// for the demo (a synthesizer's output) and for checking that it sounds.
//
//   tactus-record OUTPUT.wav CLIENT_NAME SOURCE_PORT...
//
// One channel per source port, connected in order. Writes "ready" to
// standard output once connected; records until SIGTERM or SIGINT, then
// completes the file and writes its length, peak and RMS level:
//
//   seconds 12.345 peak_dbfs -3.2 rms_dbfs -21.0
#include <jack/jack.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "player/backends/posix/byte_ring.h"

namespace {

struct Recorder {
  jack_client_t* client = nullptr;
  std::vector<jack_port_t*> ports;
  // Interleaved floats, through a ring whose positions are ordered with
  // the bytes behind them on every CPU (libjack's own is not, up to 1.9.21).
  std::unique_ptr<tactus::player::posix::ByteRing> samples;
  std::atomic<uint32_t> lost_frames{0};
};

struct Level {
  uint64_t samples = 0;
  double sum_of_squares = 0;
  float peak = 0;
};

std::atomic<bool> stop_requested{false};

extern "C" void on_stop_signal(int) { stop_requested.store(true); }

int on_process(jack_nframes_t frames, void* argument) {
  auto* recorder = static_cast<Recorder*>(argument);
  const size_t channels = recorder->ports.size();
  const size_t bytes = frames * channels * sizeof(float);
  if (recorder->samples->writable() < bytes) {
    recorder->lost_frames.fetch_add(frames);
    return 0;
  }
  std::vector<const float*> inputs;
  for (jack_port_t* port : recorder->ports)
    inputs.push_back(static_cast<const float*>(jack_port_get_buffer(port, frames)));
  size_t offset = 0;
  for (jack_nframes_t frame = 0; frame < frames; ++frame) {
    for (size_t channel = 0; channel < channels; ++channel) {
      recorder->samples->put(offset, &inputs[channel][frame], sizeof(float));
      offset += sizeof(float);
    }
  }
  recorder->samples->publish(bytes);
  return 0;
}

void put_u16(FILE* out, uint32_t value) {
  std::fputc(static_cast<int>(value & 0xFF), out);
  std::fputc(static_cast<int>((value >> 8) & 0xFF), out);
}

void put_u32(FILE* out, uint32_t value) {
  put_u16(out, value & 0xFFFF);
  put_u16(out, value >> 16);
}

// The 44-byte header of a PCM WAV file; written first with the sizes still
// unknown, and again at the end.
void write_header(FILE* out, uint32_t channels, uint32_t rate, uint32_t data_bytes) {
  std::fseek(out, 0, SEEK_SET);
  std::fputs("RIFF", out);
  put_u32(out, 36 + data_bytes);
  std::fputs("WAVEfmt ", out);
  put_u32(out, 16);
  put_u16(out, 1);  // PCM
  put_u16(out, channels);
  put_u32(out, rate);
  put_u32(out, rate * channels * 2);
  put_u16(out, channels * 2);
  put_u16(out, 16);
  std::fputs("data", out);
  put_u32(out, data_bytes);
}

// Moves the samples waiting in the ring buffer to the file as 16-bit values.
uint32_t write_samples(Recorder& recorder, FILE* out, Level& level) {
  uint32_t bytes = 0;
  float sample;
  while (recorder.samples->readable() >= sizeof sample) {
    recorder.samples->get(0, &sample, sizeof sample);
    recorder.samples->consume(sizeof sample);
    const float clipped = std::clamp(sample, -1.0f, 1.0f);
    level.peak = std::max(level.peak, std::fabs(clipped));
    level.sum_of_squares += static_cast<double>(clipped) * clipped;
    ++level.samples;
    put_u16(out, static_cast<uint32_t>(static_cast<int16_t>(std::lrint(clipped * 32767.0f))) & 0xFFFF);
    bytes += 2;
  }
  return bytes;
}

double decibels(double amplitude) { return amplitude > 0 ? 20 * std::log10(amplitude) : -999.0; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s OUTPUT.wav CLIENT_NAME SOURCE_PORT...\n", argv[0]);
    return 2;
  }
  FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr) return 2;

  struct sigaction action {};
  action.sa_handler = on_stop_signal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);

  Recorder recorder;
  jack_status_t status{};
  recorder.client = jack_client_open(argv[2], JackNoStartServer, &status);
  if (recorder.client == nullptr) {
    std::fprintf(stderr, "record: cannot open JACK client (status 0x%x)\n", static_cast<unsigned>(status));
    return 1;
  }
  const uint32_t channels = static_cast<uint32_t>(argc - 3);
  const uint32_t rate = jack_get_sample_rate(recorder.client);
  recorder.samples = std::make_unique<tactus::player::posix::ByteRing>(static_cast<size_t>(rate) * channels *
                                                                       sizeof(float) * 4);
  for (uint32_t channel = 0; channel < channels; ++channel) {
    std::string name = "in_" + std::to_string(channel + 1);
    recorder.ports.push_back(
        jack_port_register(recorder.client, name.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0));
  }
  jack_set_process_callback(recorder.client, on_process, &recorder);
  write_header(out, channels, rate, 0);
  if (jack_activate(recorder.client) != 0) return 1;
  for (uint32_t channel = 0; channel < channels; ++channel) {
    if (jack_connect(recorder.client, argv[3 + channel], jack_port_name(recorder.ports[channel])) != 0) {
      std::fprintf(stderr, "record: cannot connect %s\n", argv[3 + channel]);
      return 1;
    }
  }
  std::printf("ready\n");
  std::fflush(stdout);

  Level level;
  uint32_t data_bytes = 0;
  while (!stop_requested.load()) {
    data_bytes += write_samples(recorder, out, level);
    usleep(10000);
  }
  jack_deactivate(recorder.client);
  data_bytes += write_samples(recorder, out, level);
  write_header(out, channels, rate, data_bytes);
  std::fclose(out);
  jack_client_close(recorder.client);

  const double rms =
      level.samples > 0 ? std::sqrt(level.sum_of_squares / static_cast<double>(level.samples)) : 0;
  std::printf("seconds %.3f peak_dbfs %.1f rms_dbfs %.1f\n",
              static_cast<double>(level.samples) / channels / rate, decibels(level.peak), decibels(rms));
  if (recorder.lost_frames.load() > 0)
    std::fprintf(stderr, "record: %u frames lost\n", recorder.lost_frames.load());
  return 0;
}
