#include "audio/AudioOutput.h"

#include "audio/AudioLibraries.h"
#include "audio/FluidDriverOutput.h"
#include "audio/JackAudioOutput.h"
#include "audio/SdlAudioOutput.h"

namespace morrowfane {
namespace {

constexpr char kJack[] = "jack";
constexpr char kSdl[] = "sdl";

}  // namespace

std::vector<std::string> DefaultAudioBackends() {
#if defined(_WIN32)
  return {kSdl, "wasapi", "dsound", "waveout"};
#elif defined(__APPLE__)
  return {kSdl, "coreaudio"};
#else
  return {kJack, kSdl, "pulseaudio", "alsa"};
#endif
}

double OutputSampleRate(const std::vector<std::string>& backends, double preferred) {
  if (!backends.empty() && backends.front() == kJack) {
    if (const double rate = JackServerSampleRate(); rate > 0.0) {
      return rate;
    }
  }
  return preferred;
}

std::unique_ptr<AudioOutput> OpenAudioOutput(const std::vector<std::string>& backends,
                                             double sampleRate, AudioSource& source,
                                             OutputLostHandler lost) {
  for (const auto& backend : backends) {
    std::unique_ptr<AudioOutput> output;
    if (backend == kJack) {
      output = JackAudioOutput::Open(sampleRate, source, lost);
    } else if (backend == kSdl) {
      output = SdlAudioOutput::Open(sampleRate, source, lost);
    } else {
      output = FluidDriverOutput::Open(backend, sampleRate, source);
    }
    if (output) {
      return output;
    }
  }
  return nullptr;
}

}  // namespace morrowfane
