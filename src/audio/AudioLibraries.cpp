#include "audio/AudioLibraries.h"

#include <fluidsynth.h>
#include <jack/jack.h>

#include <mutex>

#if defined(__linux__)
#include <alsa/asoundlib.h>
#endif

namespace morrowfane {
namespace {

void IgnoreJackMessage(const char* /*message*/) {}

#if defined(__linux__)
void IgnoreAlsaMessage(const char* /*file*/, int /*line*/, const char* /*function*/, int /*err*/,
                       const char* /*fmt*/, ...) {}
#endif

constexpr char kProbeClientName[] = "MorrowFane-probe";

}  // namespace

void SilenceAudioLibraries() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level) {
      fluid_set_log_function(level, nullptr, nullptr);
    }
    jack_set_error_function(IgnoreJackMessage);
    jack_set_info_function(IgnoreJackMessage);
#if defined(__linux__)
    snd_lib_error_set_handler(IgnoreAlsaMessage);
#endif
  });
}

double JackServerSampleRate() {
  SilenceAudioLibraries();
  jack_status_t status{};
  jack_client_t* client = jack_client_open(kProbeClientName, JackNoStartServer, &status);
  if (client == nullptr) {
    return 0.0;
  }
  const double rate = jack_get_sample_rate(client);
  jack_client_close(client);
  return rate;
}

}  // namespace morrowfane
