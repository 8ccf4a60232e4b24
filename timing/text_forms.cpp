// Text conversions through the sequence's own scratch records: a text handed
// out lies in the scratch record of its notation and is overwritten by the
// next conversion of that notation on the same sequence.
#include "model/records.h"
#include "tactus/timing.h"

namespace tactus {

const char* sequence_get_mb_string_from_tick(Sequence* sequence, int32_t tick) {
  if (sequence == nullptr) return nullptr;
  sequence_get_mb_from_tick(sequence, tick, sequence->mb_scratch);
  return mb_position_to_string(sequence->mb_scratch);
}

const char* sequence_get_mbt_string_from_tick(Sequence* sequence, int32_t tick) {
  if (sequence == nullptr) return nullptr;
  sequence_get_mbt_from_tick(sequence, tick, sequence->mbt_scratch);
  return mbt_position_to_string(sequence->mbt_scratch);
}

const char* sequence_get_hms_string_from_tick(Sequence* sequence, int32_t tick) {
  if (sequence == nullptr) return nullptr;
  sequence_get_hms_from_tick(sequence, tick, sequence->hms_scratch);
  return hms_position_to_string(sequence->hms_scratch);
}

const char* sequence_get_hmsf_string_from_tick(Sequence* sequence, int32_t tick) {
  if (sequence == nullptr) return nullptr;
  sequence_get_hmsf_from_tick(sequence, tick, sequence->hmsf_scratch);
  return hmsf_position_to_string(sequence->hmsf_scratch);
}

int32_t sequence_get_tick_from_mb_string(Sequence* sequence, const char* text) {
  if (sequence == nullptr || text == nullptr) return -1;
  mb_position_parse(sequence->mb_scratch, text);
  return sequence_get_tick_from_mb(sequence, sequence->mb_scratch);
}

int32_t sequence_get_tick_from_mbt_string(Sequence* sequence, const char* text) {
  if (sequence == nullptr || text == nullptr) return -1;
  mbt_position_parse(sequence->mbt_scratch, text);
  return sequence_get_tick_from_mbt(sequence, sequence->mbt_scratch);
}

int32_t sequence_get_tick_from_hms_string(Sequence* sequence, const char* text) {
  if (sequence == nullptr || text == nullptr) return -1;
  hms_position_parse(sequence->hms_scratch, text);
  return sequence_get_tick_from_hms(sequence, sequence->hms_scratch);
}

int32_t sequence_get_tick_from_hmsf_string(Sequence* sequence, const char* text) {
  if (sequence == nullptr || text == nullptr) return -1;
  hmsf_position_parse(sequence->hmsf_scratch, text);
  return sequence_get_tick_from_hmsf(sequence, sequence->hmsf_scratch);
}

}  // namespace tactus
