#include "info/info.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "common/terminal_text.h"
#include "common/text_decoder.h"
#include "info/summary.h"
#include "tactus/smf.h"

namespace tactus::info {
namespace {

enum Status { kClean = 0, kRemarks = 1, kFailed = 2 };

struct Remark {
  uint64_t offset;
  int32_t track;
  std::string text;
};

// A damaged file can hold millions of remarks: the first ones are kept,
// the rest only counted.
constexpr size_t kRemarksKept = 1000;

struct FileRemarks {
  std::vector<Remark> kept;
  uint64_t more = 0;
  bool out_of_memory = false;
};

// Called inside the reader, which must not see an exception.
void collect_remark(void* context, uint64_t offset, int32_t track, int32_t, const char* text) noexcept {
  auto& remarks = *static_cast<FileRemarks*>(context);
  if (remarks.kept.size() == kRemarksKept || remarks.out_of_memory) {
    ++remarks.more;
    return;
  }
  try {
    remarks.kept.push_back({offset, track, common::printable_text(text, "?")});
  } catch (const std::bad_alloc&) {
    remarks.out_of_memory = true;
  }
}

struct SequenceDeleter {
  void operator()(Sequence* sequence) const { sequence_free(sequence); }
};

struct Options {
  bool check = false;
  bool help = false;
  const char* encoding = nullptr;
  std::vector<const char*> files;
};

// False on a usage error: an unknown option, an option without its value, or
// no file.
bool parse_options(int argc, char** argv, Options& options) {
  bool options_ended = false;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (options_ended || argument[0] != '-' || argument[1] == '\0') {
      options.files.push_back(argument);
    } else if (std::strcmp(argument, "--") == 0) {
      options_ended = true;
    } else if (std::strcmp(argument, "--check") == 0) {
      options.check = true;
    } else if (std::strcmp(argument, "--encoding") == 0) {
      if (++i == argc) return false;
      options.encoding = argv[i];
    } else if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
      options.help = true;
    } else {
      return false;
    }
  }
  return options.help || !options.files.empty();
}

void print_usage(const char* program, std::FILE* stream) {
  std::fprintf(stream, "Usage:  %s [ --check ] [ --encoding <name> ] [ -- ] <filename.mid> ...\n", program);
}

// As compilers report: in the order of the file, then as the reader met them.
void print_remarks(const char* filename, FileRemarks& remarks, std::FILE* out) {
  std::stable_sort(remarks.kept.begin(), remarks.kept.end(),
                   [](const Remark& a, const Remark& b) { return a.offset < b.offset; });
  for (const Remark& remark : remarks.kept) {
    std::fprintf(out, "%s:%" PRIu64 ": ", filename, remark.offset);
    if (remark.track >= 0) std::fprintf(out, "track %d: ", static_cast<int>(remark.track));
    std::fprintf(out, "%s\n", remark.text.c_str());
  }
  if (remarks.more > 0)
    std::fprintf(out, "%s: … and %" PRIu64 " more remark%s\n", filename, remarks.more,
                 remarks.more == 1 ? "" : "s");
}

Status describe_file(const char* filename, const Options& options, const common::TextDecoder& text,
                     std::FILE* out, std::FILE* err) {
  FileRemarks remarks;
  errno = 0;
  std::unique_ptr<Sequence, SequenceDeleter> sequence(
      sequence_load_with_remarks(filename, collect_remark, &remarks));
  if (remarks.out_of_memory || (sequence == nullptr && errno == ENOMEM)) throw std::bad_alloc();
  if (sequence == nullptr) {
    std::fprintf(err, "Error:  Cannot open \"%s\".\n", filename);
    return kFailed;
  }
  if (!options.check) {
    std::fprintf(out, "file: %s\n", filename);
    print_file_summary(sequence.get(), out);
    print_tracks_and_markers(sequence.get(), text, out);
  }
  print_remarks(filename, remarks, out);
  return remarks.kept.empty() ? kClean : kRemarks;
}

int run(int argc, char** argv, std::FILE* out, std::FILE* err) {
  const char* program = argc > 0 && argv[0] != nullptr ? argv[0] : "tactus-info";
  Options options;
  if (!parse_options(argc, argv, options)) {
    print_usage(program, err);
    return kFailed;
  }
  if (options.help) {
    print_usage(program, out);
    return kClean;
  }
  common::TextDecoder text;
  if (options.encoding != nullptr && !text.use_encoding(options.encoding)) {
    std::fprintf(err, "Error:  Unknown text encoding \"%s\".\n", options.encoding);
    return kFailed;
  }
  int status = kClean;
  bool described = false;
  for (const char* filename : options.files) {
    // A blank line between the descriptions of two files.
    if (described && !options.check) std::fputc('\n', out);
    const Status file_status = describe_file(filename, options, text, out, err);
    described = described || file_status != kFailed;
    status = std::max(status, static_cast<int>(file_status));
  }
  return status;
}

}  // namespace

int run_info(int argc, char** argv, std::FILE* out, std::FILE* err) {
  try {
    return run(argc, argv, out, err);
  } catch (const std::bad_alloc&) {
    std::fprintf(err, "Error:  Out of memory.\n");
    return kFailed;
  }
}

}  // namespace tactus::info
