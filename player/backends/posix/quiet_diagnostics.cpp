#include "player/backends/posix/quiet_diagnostics.h"

#include <jack/jack.h>

#if defined(__linux__)
#include <alsa/asoundlib.h>
#endif

namespace tactus::player::posix {

namespace {

void ignore_jack_text(const char*) {}

#if defined(__linux__)
void ignore_alsa_error(const char*, int, const char*, int, const char*, ...) {}
#endif

}  // namespace

void silence_system_diagnostics() {
  jack_set_error_function(ignore_jack_text);
  jack_set_info_function(ignore_jack_text);
#if defined(__linux__)
  snd_lib_error_set_handler(ignore_alsa_error);
#endif
}

}  // namespace tactus::player::posix
