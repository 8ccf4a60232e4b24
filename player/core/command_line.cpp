#include "player/core/command_line.h"

#include <cmath>
#include <cstring>

#include "player/core/number_text.h"

namespace tactus::player {

namespace {

constexpr const char* kUsage =
    "Usage:  %s [ --out <device id> ] [ --track-out <n> <device id> ] ... [ --from ( tick:<tick> | "
    "beat:<beat> | mb:<m>:<b> | mbt:<m>:<b>:<t> | time:<time> | hms:<h>:<m>:<s> | hmsf:<h>:<m>:<s>:<f> | "
    "marker:<marker> ) ] [ --to ( tick:<tick> | beat:<beat> | mb:<m>:<b> | mbt:<m>:<b>:<t> | time:<time> | "
    "hms:<h>:<m>:<s> | hmsf:<h>:<m>:<s>:<f> | marker:<marker> ) ] [ ( --solo-track <n> ) ... | ( "
    "--mute-track <n> ) ... ] [ --extra-time <seconds> ] [ -- ] <filename.mid>\n"
    "        [ --tempo <percent> ] [ --transpose <semitones> ] [ --loop <count> ] [ --lyrics ] [ --progress "
    "] [ --click ] [ --count-in <bars> ] [ --encoding <name> ]\n";

constexpr int32_t kMostCountInBars = 16;

bool is_help_word(const char* word) {
  for (const char* help : {"--help", "-h", "/help", "/h", "/?"}) {
    if (std::strcmp(word, help) == 0) return true;
  }
  return false;
}

// Reads the arguments one at a time; an option takes the next arguments
// verbatim, whatever they look like.
class Parser {
 public:
  Parser(int argc, char** argv, Platform& platform, DevicePorts& ports, Options& options, FILE* out,
         FILE* err)
      : argc_(argc),
        argv_(argv),
        platform_(platform),
        ports_(ports),
        options_(options),
        out_(out),
        err_(err) {}

  ParseOutcome parse() {
    bool options_ended = false;
    while (next_ < argc_) {
      const char* word = argv_[next_++];
      ParseOutcome outcome = ParseOutcome::kParsed;
      if (options_ended) {
        outcome = take_file_name(word);
      } else if (is_help_word(word)) {
        outcome = ParseOutcome::kHelp;
      } else if (std::strcmp(word, "--out") == 0) {
        outcome = parse_out();
      } else if (std::strcmp(word, "--track-out") == 0) {
        outcome = parse_track_out();
      } else if (std::strcmp(word, "--from") == 0) {
        outcome = take_argument(&options_.from_text);
      } else if (std::strcmp(word, "--to") == 0) {
        outcome = take_argument(&options_.to_text);
      } else if (std::strcmp(word, "--solo-track") == 0) {
        outcome = append_track(options_.solo_tracks);
      } else if (std::strcmp(word, "--mute-track") == 0) {
        outcome = append_track(options_.mute_tracks);
      } else if (std::strcmp(word, "--extra-time") == 0) {
        const char* seconds = nullptr;
        outcome = take_argument(&seconds);
        if (seconds != nullptr) options_.extra_time = read_float(seconds);
      } else if (std::strcmp(word, "--tempo") == 0) {
        outcome = parse_tempo();
      } else if (std::strcmp(word, "--transpose") == 0) {
        const char* semitones = nullptr;
        outcome = take_argument(&semitones);
        if (semitones != nullptr) options_.practice.transpose = read_decimal_int_or_zero(semitones);
      } else if (std::strcmp(word, "--loop") == 0) {
        outcome = parse_loop();
      } else if (std::strcmp(word, "--lyrics") == 0) {
        options_.practice.lyrics = out_;
      } else if (std::strcmp(word, "--progress") == 0) {
        options_.practice.progress = err_;
      } else if (std::strcmp(word, "--encoding") == 0) {
        outcome = parse_encoding();
      } else if (std::strcmp(word, "--click") == 0) {
        options_.practice.click = true;
      } else if (std::strcmp(word, "--count-in") == 0) {
        outcome = parse_count_in();
      } else if (std::strcmp(word, "--") == 0) {
        options_ended = true;
      } else {
        outcome = take_file_name(word);
      }
      if (outcome != ParseOutcome::kParsed) return outcome;
    }
    return options_.file_name == nullptr ? ParseOutcome::kUsage : ParseOutcome::kParsed;
  }

 private:
  ParseOutcome take_argument(const char** argument) {
    if (next_ >= argc_) return ParseOutcome::kUsage;
    *argument = argv_[next_++];
    return ParseOutcome::kParsed;
  }

  ParseOutcome take_file_name(const char* word) {
    if (options_.file_name != nullptr) return ParseOutcome::kUsage;
    options_.file_name = word;
    return ParseOutcome::kParsed;
  }

  // A device id that gives no device number is reported on standard output.
  ParseOutcome find_device(const char* device_id, int32_t* device) {
    *device = find_output_device(platform_, device_id);
    if (*device >= 0) return ParseOutcome::kParsed;
    std::fprintf(out_, "Error:  No such MIDI output device \"%s\".\n", device_id);
    return ParseOutcome::kFailed;
  }

  ParseOutcome parse_out() {
    const char* device_id = nullptr;
    if (take_argument(&device_id) != ParseOutcome::kParsed) return ParseOutcome::kUsage;
    return find_device(device_id, &options_.out_device);
  }

  // The device is opened at once, before the file is loaded. A negative
  // track number names no track and is refused.
  ParseOutcome parse_track_out() {
    const char* track_text = nullptr;
    const char* device_id = nullptr;
    if (take_argument(&track_text) != ParseOutcome::kParsed ||
        take_argument(&device_id) != ParseOutcome::kParsed) {
      return ParseOutcome::kUsage;
    }
    const int32_t track = read_decimal_int_or_zero(track_text);
    if (track < 0) return ParseOutcome::kUsage;
    int32_t device = -1;
    if (find_device(device_id, &device) != ParseOutcome::kParsed) return ParseOutcome::kFailed;
    MidiPort* port = ports_.open_device(device, err_);
    if (port == nullptr) return ParseOutcome::kFailed;
    options_.track_routes.push_back({track, port});
    return ParseOutcome::kParsed;
  }

  // A tempo must be a positive finite percentage.
  ParseOutcome parse_tempo() {
    const char* percent_text = nullptr;
    if (take_argument(&percent_text) != ParseOutcome::kParsed) return ParseOutcome::kUsage;
    const float percent = read_float(percent_text);
    if (!(percent > 0) || !std::isfinite(percent)) return ParseOutcome::kUsage;
    options_.practice.tempo_percent = percent;
    return ParseOutcome::kParsed;
  }

  // A count of passes, 0 for endless. Text without digits is refused rather
  // than read as 0, which would loop until interrupted.
  ParseOutcome parse_loop() {
    const char* count_text = nullptr;
    if (take_argument(&count_text) != ParseOutcome::kParsed) return ParseOutcome::kUsage;
    int32_t count = 0;
    if (!read_decimal_int(count_text, &count) || count < 0) return ParseOutcome::kUsage;
    options_.practice.loop_count = count;
    return ParseOutcome::kParsed;
  }

  // A name the system's converter does not know is refused at once.
  ParseOutcome parse_encoding() {
    const char* name = nullptr;
    if (take_argument(&name) != ParseOutcome::kParsed) return ParseOutcome::kUsage;
    if (options_.practice.text.use_encoding(name)) return ParseOutcome::kParsed;
    std::fprintf(err_, "Error:  Unknown text encoding \"%s\".\n", name);
    return ParseOutcome::kFailed;
  }

  // A few bars at most: a count-in of hours is a slip of the keyboard.
  ParseOutcome parse_count_in() {
    const char* bars_text = nullptr;
    if (take_argument(&bars_text) != ParseOutcome::kParsed) return ParseOutcome::kUsage;
    int32_t bars = 0;
    if (!read_decimal_int(bars_text, &bars) || bars < 0 || bars > kMostCountInBars)
      return ParseOutcome::kUsage;
    options_.practice.count_in_bars = bars;
    return ParseOutcome::kParsed;
  }

  ParseOutcome append_track(std::vector<int32_t>& tracks) {
    const char* track_text = nullptr;
    if (take_argument(&track_text) != ParseOutcome::kParsed) return ParseOutcome::kUsage;
    tracks.push_back(read_decimal_int_or_zero(track_text));
    return ParseOutcome::kParsed;
  }

  int argc_;
  char** argv_;
  int next_ = 1;
  Platform& platform_;
  DevicePorts& ports_;
  Options& options_;
  FILE* out_;
  FILE* err_;
};

}  // namespace

ParseOutcome parse_command_line(int argc, char** argv, Platform& platform, DevicePorts& ports,
                                Options& options, FILE* out, FILE* err) {
  return Parser(argc, argv, platform, ports, options, out, err).parse();
}

void print_usage(const char* program, FILE* err) { std::fprintf(err, kUsage, program); }

}  // namespace tactus::player
