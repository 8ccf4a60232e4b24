// The position texts on arbitrary input: each of the four parse operations
// and their text forms, and every text-to-tick and tick-to-text conversion
// on a set of fixed Sequences, degenerate ones included. Nothing may crash
// or be undefined, and no text may exceed the 31 characters of its record.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/check.h"
#include "fuzz/timing_sequences.h"
#include "tactus/timing.h"

namespace {

using namespace tactus;

constexpr size_t kLongestText = 31;

void check_text(const char* text) {
  FUZZ_CHECK(text != nullptr);
  FUZZ_CHECK(std::strlen(text) <= kLongestText);
}

// The records on their own: parse, then the text form of what was parsed.
void parse_and_format(const char* text) {
  static MbPosition* mb = mb_position_new();
  static MbtPosition* mbt = mbt_position_new();
  static HmsPosition* hms = hms_position_new();
  static HmsfPosition* hmsf = hmsf_position_new();
  FUZZ_CHECK(mb_position_parse(mb, text) == 0);
  check_text(mb_position_to_string(mb));
  FUZZ_CHECK(mbt_position_parse(mbt, text) == 0);
  check_text(mbt_position_to_string(mbt));
  FUZZ_CHECK(hms_position_parse(hms, text) == 0);
  check_text(hms_position_to_string(hms));
  FUZZ_CHECK(hmsf_position_parse(hmsf, text) == 0);
  check_text(hmsf_position_to_string(hmsf));
}

// Each notation's reading of the text as a tick, and that tick's text form
// in the same notation; then the texts of the raw tick, read back.
void convert_on(Sequence* sequence, const char* text, int32_t raw_tick) {
  check_text(sequence_get_mb_string_from_tick(sequence, sequence_get_tick_from_mb_string(sequence, text)));
  check_text(sequence_get_mbt_string_from_tick(sequence, sequence_get_tick_from_mbt_string(sequence, text)));
  check_text(sequence_get_hms_string_from_tick(sequence, sequence_get_tick_from_hms_string(sequence, text)));
  check_text(
      sequence_get_hmsf_string_from_tick(sequence, sequence_get_tick_from_hmsf_string(sequence, text)));
  sequence_get_tick_from_marker(sequence, text);

  const std::string mb = sequence_get_mb_string_from_tick(sequence, raw_tick);
  const std::string mbt = sequence_get_mbt_string_from_tick(sequence, raw_tick);
  const std::string hms = sequence_get_hms_string_from_tick(sequence, raw_tick);
  const std::string hmsf = sequence_get_hmsf_string_from_tick(sequence, raw_tick);
  for (const std::string* form : {&mb, &mbt, &hms, &hmsf}) FUZZ_CHECK(form->size() <= kLongestText);
  sequence_get_tick_from_mb_string(sequence, mb.c_str());
  sequence_get_tick_from_mbt_string(sequence, mbt.c_str());
  sequence_get_tick_from_hms_string(sequence, hms.c_str());
  sequence_get_tick_from_hmsf_string(sequence, hmsf.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The text up to its first zero byte, in a buffer of its own size, so that
  // a read past its end is caught.
  const std::string text(reinterpret_cast<const char*>(data), size);
  // The first four bytes also make a tick, to reach ticks no text gives.
  uint32_t raw = 0;
  std::memcpy(&raw, data, size < sizeof raw ? size : sizeof raw);
  parse_and_format(text.c_str());
  for (Sequence* sequence : tactus::fuzz::timing_sequences()) {
    convert_on(sequence, text.c_str(), static_cast<int32_t>(raw));
  }
  return 0;
}
