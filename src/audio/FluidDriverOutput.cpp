#include "audio/FluidDriverOutput.h"

#include <algorithm>

#include "audio/AudioLibraries.h"

namespace morrowfane {
namespace {

// Four periods of 256 frames (21 ms at 48 kHz): FluidSynth's PulseAudio driver writes through a
// blocking call, and fewer let a busy desktop run it dry.
constexpr int kPeriodFrames = 256;
constexpr int kPeriods = 4;

}  // namespace

FluidDriverOutput::FluidDriverOutput(std::string driver, AudioSource& source)
    : driverName_(std::move(driver)), source_(source) {}

std::unique_ptr<FluidDriverOutput> FluidDriverOutput::Open(const std::string& driver,
                                                           double sampleRate, AudioSource& source) {
  SilenceAudioLibraries();
  std::unique_ptr<FluidDriverOutput> output(new FluidDriverOutput(driver, source));
  output->settings_.reset(new_fluid_settings());
  fluid_settings_t* settings = output->settings_.get();
  if (settings == nullptr ||
      fluid_settings_setstr(settings, "audio.driver", driver.c_str()) != FLUID_OK) {
    return nullptr;  // not built into this FluidSynth
  }
  fluid_settings_setnum(settings, "synth.sample-rate", sampleRate);
  fluid_settings_setint(settings, "audio.period-size", kPeriodFrames);
  fluid_settings_setint(settings, "audio.periods", kPeriods);
  if (!output->Resume()) {
    return nullptr;
  }
  return output;
}

FluidDriverOutput::~FluidDriverOutput() {
  Suspend();
}

void FluidDriverOutput::Suspend() {
  driver_.reset();
}

bool FluidDriverOutput::Resume() {
  if (driver_ == nullptr) {
    driver_.reset(new_fluid_audio_driver2(settings_.get(), &FluidDriverOutput::Callback, this));
  }
  return driver_ != nullptr;
}

int FluidDriverOutput::Callback(void* data, int length, int nfx, float* fx[], int nout,
                                float* out[]) {
  auto& self = *static_cast<FluidDriverOutput*>(data);
  for (int i = 0; i < nfx; ++i) {
    std::fill_n(fx[i], length, 0.0F);
  }
  if (nout >= 2) {
    self.source_.RenderAudio({out[0], out[1], 1, length});
  }
  return FLUID_OK;
}

}  // namespace morrowfane
