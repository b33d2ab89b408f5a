#include "synth/SynthLoading.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <memory>

#include "synth/AudioLibraries.h"

namespace morrowfane {
namespace {

constexpr char kJackClientName[] = "MorrowFane";
constexpr char kJackDriver[] = "jack";
constexpr char kSoundFontFolder[] = "/usr/share/sounds/sf2/";
constexpr std::array<const char*, 3> kSystemSoundFonts = {"default-GM.sf2", "FluidR3_GM.sf2",
                                                          "TimGM6mb.sf2"};
constexpr char kBesideProgramSoundFont[] = "morrowfane.sf2";

// Audio buffering for the drivers that take it from the settings (PulseAudio, ALSA; JACK uses the
// server's period): two periods of 256 frames are 10.7 ms at 48 kHz, lower latency than
// FluidSynth's 16 x 64 frames and a quarter of its wake-ups.
constexpr int kPeriodFrames = 256;
constexpr int kPeriods = 2;

bool IsFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

std::filesystem::path ProgramFolder() {
#if defined(__linux__)
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    return exe.parent_path();
  }
#endif
  return {};
}

std::int64_t NowNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

std::vector<std::string> DefaultSoundFontCandidates() {
  std::vector<std::string> candidates;
  for (const char* name : kSystemSoundFonts) {
    candidates.push_back(std::string(kSoundFontFolder) + name);
  }
  SilenceAudioLibraries();
  if (fluid_settings_t* settings = new_fluid_settings()) {
    char* configured = nullptr;
    if (fluid_settings_dupstr(settings, "synth.default-soundfont", &configured) == FLUID_OK &&
        configured != nullptr) {
      candidates.emplace_back(configured);
      fluid_free(configured);
    }
    delete_fluid_settings(settings);
  }
  const auto folder = ProgramFolder();
  if (!folder.empty()) {
    candidates.push_back((folder / kBesideProgramSoundFont).string());
  }
  return candidates;
}

std::vector<std::string> DefaultAudioDrivers() {
#if defined(_WIN32)
  return {"wasapi", "dsound", "waveout"};
#elif defined(__APPLE__)
  return {"coreaudio"};
#else
  // A name this FluidSynth was built without is skipped.
  return {"pipewire", "pulseaudio", kJackDriver, "alsa"};
#endif
}

void ConfigureForPlaying(fluid_settings_t* settings, int channels, int polyphony) {
  fluid_settings_setint(settings, "synth.midi-channels", channels);
  fluid_settings_setint(settings, "synth.polyphony", polyphony);
  fluid_settings_setint(settings, "synth.cpu-cores", 1);
  fluid_settings_setint(settings, "audio.period-size", kPeriodFrames);
  fluid_settings_setint(settings, "audio.periods", kPeriods);
  fluid_settings_setstr(settings, "audio.jack.id", kJackClientName);
  fluid_settings_setint(settings, "audio.jack.autoconnect", 1);
}

std::optional<std::string> LoadFirstSoundFont(fluid_synth_t* synth,
                                              const std::vector<std::string>& candidates) {
  // Loading a SoundFont selects program 0 on every channel, and the drum kit on the percussion
  // channel, and dynamic sample loading then reads the samples of every selected preset: 18 MB
  // of piano and drums in FluidR3 that may never sound. Without a program on any channel the
  // load reads only the SoundFont's description.
  const int channels = fluid_synth_count_midi_channels(synth);
  for (int channel = 0; channel < channels; ++channel) {
    fluid_synth_unset_program(synth, channel);
  }
  for (const auto& path : candidates) {
    // Checking the header first keeps the loaders' own complaints about other files off stderr.
    if (IsFile(path) && fluid_is_soundfont(path.c_str()) != 0 &&
        fluid_synth_sfload(synth, path.c_str(), 1) != FLUID_FAILED) {
      return path;
    }
  }
  return std::nullopt;
}

struct AudioOutput::Relay {
  fluid_audio_func_t render;
  void* data;
  std::atomic<bool> on{true};
  std::atomic<std::int64_t> lastPeriod{NowNanoseconds()};
};

AudioOutput::AudioOutput(FluidInstance& fluid, std::vector<std::string> drivers,
                         fluid_audio_func_t render, void* data)
    : fluid_(fluid), drivers_(std::move(drivers)), render_(render), data_(data) {}

AudioOutput::~AudioOutput() {
  // A driver whose periods stopped a moment ago has most likely lost its server; a JACK server
  // that takes no client has gone, however recently.
  constexpr std::chrono::milliseconds kGoneAtExit{200};
  if (CheckLost(kGoneAtExit)) {
    return;
  }
  if (relay_ != nullptr && driverName_ == kJackDriver && JackServerSampleRate() <= 0.0) {
    Abandon();
    return;
  }
  fluid_.StopDriver();
}

int AudioOutput::Callback(void* data, int len, int nfx, float* fx[], int nout, float* out[]) {
  auto* relay = static_cast<Relay*>(data);
  relay->lastPeriod.store(NowNanoseconds(), std::memory_order_relaxed);
  if (!relay->on.load(std::memory_order_acquire)) {
    for (int i = 0; i < nout; ++i) {
      std::fill_n(out[i], len, 0.0F);
    }
    return FLUID_OK;
  }
  return relay->render(relay->data, len, nfx, fx, nout, out);
}

bool AudioOutput::StartDriver(const std::string& driver) {
  auto relay = std::make_unique<Relay>();
  relay->render = render_;
  relay->data = data_;
  if (!fluid_.StartDriver(&AudioOutput::Callback, relay.get())) {
    return false;
  }
  relay_ = std::move(relay);
  driverName_ = driver;
  return true;
}

bool AudioOutput::Start(double rate) {
  fluid_settings_t* settings = fluid_.Settings();
  for (const auto& driver : drivers_) {
    if (settings == nullptr ||
        fluid_settings_setstr(settings, "audio.driver", driver.c_str()) != FLUID_OK) {
      continue;  // not built into this FluidSynth
    }
    double driverRate = rate;
    if (driver == kJackDriver) {
      // JACK runs at the server's rate whatever the synth asks for, so the synth must use it
      // too; and FluidSynth's JACK driver would start a server where none runs.
      driverRate = JackServerSampleRate();
      if (driverRate <= 0.0) {
        continue;
      }
    }
    fluid_settings_setnum(settings, "synth.sample-rate", driverRate);
    if (fluid_.MakeSynth() && StartDriver(driver)) {
      sampleRate_ = driverRate;
      return true;
    }
  }
  return false;
}

bool AudioOutput::Restart() {
  if (Running() || fluid_.Synth() == nullptr) {
    return Running();
  }
  fluid_settings_t* settings = fluid_.Settings();
  for (const auto& driver : drivers_) {
    if (fluid_settings_setstr(settings, "audio.driver", driver.c_str()) != FLUID_OK) {
      continue;
    }
    // The synthesizer keeps its rate: a JACK server back at another rate is not taken.
    if (driver == kJackDriver && JackServerSampleRate() != sampleRate_) {
      continue;
    }
    if (StartDriver(driver)) {
      return true;
    }
  }
  return false;
}

bool AudioOutput::CheckLost(std::chrono::milliseconds silence) {
  if (relay_ == nullptr) {
    return false;
  }
  const auto since = std::chrono::nanoseconds(NowNanoseconds() -
                                              relay_->lastPeriod.load(std::memory_order_relaxed));
  if (since < silence) {
    return false;
  }
  Abandon();
  return true;
}

void AudioOutput::Abandon() {
  relay_->on.store(false, std::memory_order_release);
  // The relay stays allocated with its driver, deliberately leaked: should that driver ever run
  // again, it reads the relay.
  static_cast<void>(relay_.release());
  fluid_.AbandonDriver();
  driverName_.clear();
}

}  // namespace morrowfane
