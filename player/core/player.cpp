#include "player/core/player.h"

#include <memory>
#include <new>

#include "player/core/command_line.h"
#include "player/core/console.h"
#include "player/core/device_ports.h"
#include "player/core/playback.h"
#include "player/core/range.h"
#include "player/core/routing.h"
#include "tactus/smf.h"

namespace tactus::player {

namespace {

struct SequenceDeleter {
  void operator()(Sequence* sequence) const { sequence_free(sequence); }
};
using SequenceHolder = std::unique_ptr<Sequence, SequenceDeleter>;

// A failure before playback ends the run at once: the ports opened so far
// are left to the end of the process, as nothing has been sent to them.
int run(int argc, char** argv, Platform& platform, FILE* out, FILE* err) {
  const char* program = argc > 0 && argv[0] != nullptr ? argv[0] : "tactus";
  DevicePorts ports(platform);
  Options options;
  switch (parse_command_line(argc, argv, platform, ports, options, out, err)) {
    case ParseOutcome::kParsed:
      break;
    case ParseOutcome::kUsage:
      print_usage(program, err);
      return 1;
    case ParseOutcome::kHelp:
      print_usage(program, err);
      std::fputs(kKeysHelp, err);
      return 1;
    case ParseOutcome::kFailed:
      return 1;
  }

  SequenceHolder sequence(sequence_load(options.file_name));
  if (sequence == nullptr) {
    std::fprintf(err, "Error:  Cannot open \"%s\".\n", options.file_name);
    return 1;
  }

  MidiPort* default_port =
      options.out_device < 0 ? ports.open_default(err) : ports.open_device(options.out_device, err);
  if (default_port == nullptr) return 1;
  std::vector<MidiPort*> track_ports = route_tracks(sequence.get(), options.track_routes, default_port);

  int32_t from_tick = -1;
  int32_t to_tick = -1;
  resolve_time_spec(options.from_text, sequence.get(), &from_tick);
  resolve_time_spec(options.to_text, sequence.get(), &to_tick);
  apply_solo_or_mute(sequence.get(), options.solo_tracks, options.mute_tracks, track_ports);

  options.practice.messages = err;
  options.practice.click_port = default_port;
  play_sequence(platform, sequence.get(), track_ports, from_tick, to_tick, options.extra_time,
                options.practice);
  ports.close_all();
  // An output that stopped delivering during the run makes it a failure,
  // however little of the file was left when it happened.
  if (const char* failure = platform.output_failure()) {
    std::fprintf(err, "Error:  %s\n", failure);
    return 1;
  }
  return 0;
}

}  // namespace

int run_player(int argc, char** argv, Platform& platform, FILE* out, FILE* err) {
  try {
    return run(argc, argv, platform, out, err);
  } catch (const std::bad_alloc&) {
    std::fprintf(err, "Error:  Out of memory.\n");
    return 1;
  }
}

}  // namespace tactus::player
