// demo_song OUTPUT.mid
//
// Composes a short piece for General MIDI instruments with the tactus
// builders, saves it as a Standard MIDI File and checks that it loads back
// with every event. Four sections (intro, verse, chorus, outro) in C major,
// 4/4, about three quarters of a minute: a conductor track with tempo, time
// signature, markers and a tempo change, then flute melody (with a few
// lyrics), electric piano chords, bass and drums on channel 10.
#include <cstdio>
#include <cstring>
#include <vector>

#include "tactus/tactus.h"

using namespace tactus;

namespace {

constexpr int32_t kEighth = 240;
constexpr int32_t kBeat = 2 * kEighth;
constexpr int32_t kBar = 4 * kBeat;

// Where each section begins, in bars.
constexpr int32_t kIntroBar = 0;
constexpr int32_t kVerseBar = 2;
constexpr int32_t kChorusBar = 10;
constexpr int32_t kOutroBar = 18;
constexpr int32_t kEndBar = 21;

// General MIDI programs (numbered from 0) and percussion keys.
constexpr int32_t kFlute = 73;
constexpr int32_t kElectricPiano = 4;
constexpr int32_t kFingeredBass = 33;
constexpr int32_t kKick = 36;
constexpr int32_t kSnare = 38;
constexpr int32_t kClosedHiHat = 42;
constexpr int32_t kOpenHiHat = 46;
constexpr int32_t kCrash = 49;

constexpr int32_t kMelodyChannel = 0;
constexpr int32_t kPianoChannel = 1;
constexpr int32_t kBassChannel = 2;
constexpr int32_t kDrumChannel = 9;  // channel 10 as musicians count

// General MIDI controllers.
constexpr int32_t kVolume = 7;
constexpr int32_t kPan = 10;
constexpr int32_t kExpression = 11;
constexpr int32_t kReverb = 91;

struct Chord {
  int32_t bass;        // root in the bass register
  int32_t voicing[3];  // close triad around middle C
};

constexpr Chord kC{36, {52, 55, 60}};
constexpr Chord kAm{33, {52, 57, 60}};
constexpr Chord kDm{38, {53, 57, 62}};
constexpr Chord kEm{40, {52, 55, 59}};
constexpr Chord kF{41, {53, 57, 60}};
constexpr Chord kG{43, {50, 55, 59}};

struct ChordSpan {
  const Chord* chord;
  int32_t beats;
};

// The harmony from the first bar to the last, section after section.
const std::vector<ChordSpan> kIntroChords = {{&kC, 4}, {&kG, 4}};
const std::vector<ChordSpan> kVerseChords = {{&kC, 4},  {&kAm, 4}, {&kDm, 4}, {&kG, 4}, {&kC, 4},
                                             {&kAm, 4}, {&kF, 2},  {&kG, 2},  {&kC, 4}};
const std::vector<ChordSpan> kChorusChords = {{&kF, 4}, {&kG, 4}, {&kEm, 4}, {&kAm, 4},
                                              {&kF, 4}, {&kG, 4}, {&kC, 4},  {&kC, 4}};
const std::vector<ChordSpan> kOutroChords = {{&kF, 4}, {&kG, 4}, {&kC, 4}};

// A melody note: start and length in eighths from the section's first bar.
struct Note {
  int32_t start;
  int32_t length;
  int32_t pitch;
};

const std::vector<Note> kVerseMelody = {
    {0, 2, 64},  {2, 2, 67},  {4, 3, 72},  {7, 1, 71},   // C
    {8, 4, 69},  {12, 2, 64}, {14, 2, 69},               // Am
    {16, 2, 65}, {18, 2, 69}, {20, 2, 74}, {22, 2, 72},  // Dm
    {24, 3, 71}, {27, 1, 69}, {28, 4, 67},               // G
    {32, 2, 64}, {34, 2, 67}, {36, 2, 72}, {38, 2, 76},  // C
    {40, 3, 74}, {43, 1, 72}, {44, 4, 69},               // Am
    {48, 2, 69}, {50, 2, 72}, {52, 2, 71}, {54, 2, 74},  // F G
    {56, 6, 72},                                         // C
};

const std::vector<Note> kChorusMelody = {
    {0, 2, 77},  {2, 2, 76},  {4, 2, 72},  {6, 2, 69},   // F
    {8, 3, 74},  {11, 1, 71}, {12, 4, 67},               // G
    {16, 2, 67}, {18, 2, 71}, {20, 4, 76},               // Em
    {24, 3, 72}, {27, 1, 71}, {28, 4, 69},               // Am
    {32, 2, 69}, {34, 2, 72}, {36, 3, 77}, {39, 1, 76},  // F
    {40, 2, 74}, {42, 2, 71}, {44, 2, 74}, {46, 2, 79},  // G
    {48, 4, 76}, {52, 2, 74}, {54, 2, 72},               // C
    {56, 6, 72},                                         // C
};

const std::vector<Note> kOutroMelody = {
    {0, 4, 72},  {4, 4, 69},   // F
    {8, 4, 71},  {12, 4, 74},  // G
    {16, 8, 72},               // C
};

// Sung on the first notes of the chorus.
const char* const kChorusLyrics[] = {"Sing ", "it ", "a", "gain"};

int32_t bar_tick(int32_t bar) { return bar * kBar; }

bool name_track(Track* track, const char* name) {
  return meta_new(track, 0, 0x03, static_cast<int32_t>(std::strlen(name)),
                  reinterpret_cast<const unsigned char*>(name)) != nullptr;
}

bool set_up_channel(Track* track, int32_t channel, int32_t program, int32_t volume, int32_t pan) {
  return program_change_new(track, 0, channel, program) &&
         control_change_new(track, 0, channel, kVolume, volume) &&
         control_change_new(track, 0, channel, kPan, pan) &&
         control_change_new(track, 0, channel, kReverb, 40);
}

bool write_conductor(Track* track) {
  return name_track(track, "tactus demo song") && tempo_new(track, 0, 100.0f) &&
         time_signature_new(track, 0, 4, 4) && marker_new(track, bar_tick(kIntroBar), "intro") &&
         marker_new(track, bar_tick(kVerseBar), "verse") &&
         marker_new(track, bar_tick(kChorusBar), "chorus") &&
         tempo_new(track, bar_tick(kChorusBar), 108.0f) && marker_new(track, bar_tick(kOutroBar), "outro") &&
         tempo_new(track, bar_tick(kOutroBar), 100.0f) && tempo_new(track, bar_tick(kEndBar - 1), 88.0f);
}

bool write_melody_notes(Track* track, int32_t first_bar, const std::vector<Note>& notes, int32_t velocity) {
  for (const Note& note : notes) {
    const int32_t start = bar_tick(first_bar) + note.start * kEighth;
    // Slightly detached, so repeated pitches are heard as two notes.
    const int32_t end = start + note.length * kEighth - kEighth / 4;
    if (!note_pair_new(track, start, end, kMelodyChannel, note.pitch, velocity, 64)) return false;
  }
  return true;
}

bool write_melody(Track* track) {
  if (!name_track(track, "Melody") || !set_up_channel(track, kMelodyChannel, kFlute, 100, 76)) return false;
  if (!write_melody_notes(track, kVerseBar, kVerseMelody, 88) ||
      !write_melody_notes(track, kChorusBar, kChorusMelody, 100) ||
      !write_melody_notes(track, kOutroBar, kOutroMelody, 84)) {
    return false;
  }
  for (int32_t i = 0; i < 4; ++i) {
    if (!lyric_new(track, bar_tick(kChorusBar) + kChorusMelody[i].start * kEighth, kChorusLyrics[i]))
      return false;
  }
  return true;
}

bool write_chord(Track* track, int32_t start, int32_t length, const Chord& chord, int32_t velocity) {
  for (int32_t pitch : chord.voicing) {
    if (!note_pair_new(track, start, start + length - kEighth / 8, kPianoChannel, pitch, velocity, 0))
      return false;
  }
  return true;
}

// Half notes in the verse, a pushed 3+3+2 rhythm in the chorus, held chords
// in the intro and outro.
bool write_piano_section(Track* track, int32_t first_bar, const std::vector<ChordSpan>& spans, bool pushed,
                         bool held) {
  int32_t tick = bar_tick(first_bar);
  for (const ChordSpan& span : spans) {
    const int32_t span_length = span.beats * kBeat;
    if (held) {
      if (!write_chord(track, tick, span_length, *span.chord, 62)) return false;
    } else if (pushed) {
      const int32_t hits[][2] = {{0, 3}, {3, 3}, {6, 2}};
      for (const auto& hit : hits) {
        if (!write_chord(track, tick + hit[0] * kEighth, hit[1] * kEighth, *span.chord,
                         hit[0] == 0 ? 74 : 64)) {
          return false;
        }
      }
    } else {
      for (int32_t offset = 0; offset < span_length; offset += 2 * kBeat) {
        if (!write_chord(track, tick + offset, 2 * kBeat, *span.chord, offset == 0 ? 66 : 58)) return false;
      }
    }
    tick += span_length;
  }
  return true;
}

bool write_piano(Track* track) {
  if (!name_track(track, "Electric piano") || !set_up_channel(track, kPianoChannel, kElectricPiano, 90, 44)) {
    return false;
  }
  if (!write_piano_section(track, kIntroBar, kIntroChords, false, true) ||
      !write_piano_section(track, kVerseBar, kVerseChords, false, false) ||
      !write_piano_section(track, kChorusBar, kChorusChords, true, false) ||
      !write_piano_section(track, kOutroBar, kOutroChords, false, true)) {
    return false;
  }
  // The last chord fades away.
  for (int32_t step = 1; step <= 8; ++step) {
    if (!control_change_new(track, bar_tick(kEndBar - 1) + step * kEighth, kPianoChannel, kExpression,
                            127 - step * 12)) {
      return false;
    }
  }
  return true;
}

// Offsets in eighths from the root: a walking figure for the verse and a
// driving one with octave and fifth for the chorus.
bool write_bass_section(Track* track, int32_t first_bar, const std::vector<ChordSpan>& spans,
                        const std::vector<int32_t>& figure, int32_t step_eighths) {
  int32_t tick = bar_tick(first_bar);
  for (const ChordSpan& span : spans) {
    const int32_t span_length = span.beats * kBeat;
    const int32_t step = step_eighths * kEighth;
    for (int32_t offset = 0, i = 0; offset < span_length; offset += step, ++i) {
      const int32_t pitch = span.chord->bass + figure[static_cast<size_t>(i) % figure.size()];
      const int32_t length = step < span_length ? step - kEighth / 4 : span_length;
      if (!note_pair_new(track, tick + offset, tick + offset + length, kBassChannel, pitch, i == 0 ? 100 : 88,
                         0)) {
        return false;
      }
    }
    tick += span_length;
  }
  return true;
}

bool write_bass(Track* track) {
  if (!name_track(track, "Bass") || !set_up_channel(track, kBassChannel, kFingeredBass, 110, 64))
    return false;
  const std::vector<int32_t> held = {0};
  const std::vector<int32_t> walking = {0, 0, 7, 12};
  const std::vector<int32_t> driving = {0, 0, 12, 0, 0, 0, 7, 0};
  return write_bass_section(track, kIntroBar, kIntroChords, held, 8) &&
         write_bass_section(track, kVerseBar, kVerseChords, walking, 2) &&
         write_bass_section(track, kChorusBar, kChorusChords, driving, 1) &&
         write_bass_section(track, kOutroBar, kOutroChords, held, 8);
}

bool hit(Track* track, int32_t tick, int32_t key, int32_t velocity) {
  return note_pair_new(track, tick, tick + kEighth / 2, kDrumChannel, key, velocity, 0) != nullptr;
}

// One bar of drums; `style` 0 is the intro's hi-hats, 1 the verse groove,
// 2 the busier chorus groove.
bool write_drum_bar(Track* track, int32_t bar, int style, bool crash, bool fill) {
  const int32_t start = bar_tick(bar);
  if (crash && !hit(track, start, kCrash, 100)) return false;
  for (int32_t eighth = 0; eighth < 8; ++eighth) {
    const int32_t tick = start + eighth * kEighth;
    const bool on_beat = eighth % 2 == 0;
    const int32_t hat = style == 2 && eighth == 7 ? kOpenHiHat : kClosedHiHat;
    if (!(crash && eighth == 0) && !hit(track, tick, hat, on_beat ? 72 : 54)) return false;
    if (style == 0) continue;
    const bool kick = eighth == 0 || eighth == 4 || (style == 2 && eighth == 5);
    const bool snare = eighth == 2 || eighth == 6 || (fill && eighth == 7);
    if (kick && !hit(track, tick, kKick, 104)) return false;
    if (snare && !hit(track, tick, kSnare, eighth == 7 ? 80 : 96)) return false;
  }
  return true;
}

bool write_drums(Track* track) {
  if (!name_track(track, "Drums") || !set_up_channel(track, kDrumChannel, 0, 100, 64)) return false;
  for (int32_t bar = kIntroBar; bar < kOutroBar; ++bar) {
    const int style = bar == kIntroBar ? 0 : bar < kChorusBar ? 1 : 2;
    const bool crash = bar == kVerseBar || bar == kChorusBar || bar == kChorusBar + 4;
    const bool fill = bar == kVerseBar - 1 || bar == kChorusBar - 1 || bar == kOutroBar - 1;
    if (!write_drum_bar(track, bar, style, crash, fill)) return false;
  }
  // The outro: the groove once more, then a last crash with the kick.
  return write_drum_bar(track, kOutroBar, 1, true, false) &&
         write_drum_bar(track, kOutroBar + 1, 1, false, true) &&
         hit(track, bar_tick(kEndBar - 1), kCrash, 110) && hit(track, bar_tick(kEndBar - 1), kKick, 110);
}

bool compose(Sequence* sequence) {
  bool (*const writers[])(Track*) = {write_conductor, write_melody, write_piano, write_bass, write_drums};
  for (auto write : writers) {
    Track* track = sequence_add_track(sequence);
    if (track == nullptr || !write(track) || track_set_end_tick(track, bar_tick(kEndBar)) != 0) return false;
  }
  return true;
}

int32_t count_events(Sequence* sequence) {
  int32_t count = 0;
  for (Event* event = sequence_get_first_event(sequence); event != nullptr;
       event = event_get_next_in_sequence(event)) {
    ++count;
  }
  return count;
}

int fail(const char* message, Sequence* sequence) {
  std::fprintf(stderr, "demo_song: %s\n", message);
  sequence_free(sequence);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: demo_song OUTPUT.mid\n");
    return 1;
  }
  Sequence* sequence = sequence_new(1, DIVISION_PPQ, kBeat);
  if (sequence == nullptr || !compose(sequence)) return fail("cannot compose the song", sequence);
  if (sequence_save(sequence, argv[1]) != 0) return fail("cannot save the song", sequence);

  Sequence* loaded = sequence_load(argv[1]);
  const int32_t written = count_events(sequence);
  const int32_t read_back = loaded != nullptr ? count_events(loaded) : -1;
  sequence_free(loaded);
  if (read_back != written) return fail("the saved song does not load back with the same events", sequence);
  sequence_free(sequence);
  return 0;
}
