#include "synth/BuiltInSynth.h"

#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bitset>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "synth/AudioLibraries.h"
#include "synth/FluidKeyTuning.h"

namespace morrowfane {
namespace {

constexpr char kName[] = "Built-in synthesizer";
constexpr char kNoSoundFontName[] = "Built-in synthesizer (no SoundFont found)";
constexpr char kNoAudioName[] = "Built-in synthesizer (no audio output)";
constexpr char kJackClientName[] = "MorrowFane";
constexpr char kSoundFontFolder[] = "/usr/share/sounds/sf2/";
constexpr std::array<const char*, 3> kSystemSoundFonts = {"default-GM.sf2", "FluidR3_GM.sf2",
                                                          "TimGM6mb.sf2"};
constexpr char kBesideProgramSoundFont[] = "morrowfane.sf2";

constexpr int kChannelCount = 16;
// Keeps the samples of the program announced by Prepare() loaded; no connection plays on it.
constexpr int kPreloadChannel = kChannelCount - 1;

// Channel messages a connection understands (channel in the low nibble).
constexpr std::uint8_t kNoteOff = 0x80;
constexpr std::uint8_t kKeyPressure = 0xA0;
constexpr std::uint8_t kChannelPressure = 0xD0;
constexpr std::uint8_t kPitchBend = 0xE0;
constexpr int kPitchBendDataBits = 7;

// Controllers put back to the synthesizer's power-on values when a connection takes a channel;
// controller 121 resets the rest (modulation, expression, pedals, pitch bend).
constexpr int kResetAllControllers = 121;
constexpr int kBankSelect = 0;
constexpr int kVolume = 7;
constexpr int kBankSelectFine = 32;
constexpr int kDefaultPitchWheelSensitivity = 2;
constexpr std::array<int, 6> kRestoredControllers = {kBankSelect,
                                                     kVolume,
                                                     midi::kPanController,
                                                     kBankSelectFine,
                                                     midi::kReverbSendController,
                                                     midi::kChorusSendController};

// A tuning aid sounds one string at a time, plus the release tails of the notes before it. When
// a fast loop piles up more, FluidSynth ends the oldest released voices first, which are silent.
constexpr int kPolyphony = 32;
// A connection sounds one string, and its next note-on damps the earlier ones, as the pick that
// plucks a string again stops its vibration. Otherwise a loop piles up the release tails of all
// its strikes (FluidR3's nylon guitar releases over 2.4 s, its steel guitar over 25 s), and the
// synthesizer renders a dozen to 32 voices where two are heard. FluidSynth releases the voices of
// an exclusive class when a new voice of that class starts on their channel, at a release time of
// -200 timecents of its own; while a connection's notes sound, its channel's release offset turns
// that into kDampedRelease. Notes released any other way get the SoundFont's release.
constexpr float kDampingClass = 1.0F;  // added to the SoundFont's class, 0 for pitched sounds
constexpr float kExclusiveClassRelease = -200.0F;  // timecents
// 0.12 s from full level to silence, falling steadily in decibels: FluidR3's own release for a
// plucked string (the jazz guitar's), gone before the next strike of the fastest loop.
constexpr float kDampedRelease = -3670.0F;  // timecents
constexpr float kDampingReleaseOffset = kDampedRelease - kExclusiveClassRelease;

// Audio buffering for the drivers that take it from the settings (PulseAudio, ALSA; JACK uses the
// server's period): two periods of 256 frames are 10.7 ms at 48 kHz, lower latency than
// FluidSynth's 16 x 64 frames and a quarter of its wake-ups.
constexpr int kPeriodFrames = 256;
constexpr int kPeriods = 2;

// Offline rendering goes in steps of this many frames, so a ring limit ends within one step.
constexpr int kRenderStep = 64;

struct SettingsDeleter {
  void operator()(fluid_settings_t* settings) const { delete_fluid_settings(settings); }
};
struct SynthDeleter {
  void operator()(fluid_synth_t* synth) const { delete_fluid_synth(synth); }
};
struct DriverDeleter {
  void operator()(fluid_audio_driver_t* driver) const { delete_fluid_audio_driver(driver); }
};

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

}  // namespace

std::vector<std::string> DefaultSoundFontCandidates() {
  std::vector<std::string> candidates;
  for (const char* name : kSystemSoundFonts) {
    candidates.push_back(std::string(kSoundFontFolder) + name);
  }
  SilenceAudioLibraries();
  std::unique_ptr<fluid_settings_t, SettingsDeleter> settings(new_fluid_settings());
  char* configured = nullptr;
  if (settings &&
      fluid_settings_dupstr(settings.get(), "synth.default-soundfont", &configured) == FLUID_OK &&
      configured != nullptr) {
    candidates.emplace_back(configured);
    fluid_free(configured);
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
  return {"pipewire", "pulseaudio", "jack", "alsa"};
#endif
}

class BuiltInSynth::Impl {
 public:
  explicit Impl(BuiltInSynthOptions options) : options_(std::move(options)) {
    for (int channel = 0; channel < kChannelCount; ++channel) {
      if (channel != midi::kPercussionChannel && channel != kPreloadChannel) {
        freeChannels_.push_back(channel);
      }
    }
    loader_ = std::thread([this] { RunLoader(); });
  }

  ~Impl() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    loader_.join();
    driver_.reset();
    tuningSource_.reset();
    synth_.reset();
    settings_.reset();
  }

  std::string Name() const {
    std::lock_guard lock(mutex_);
    switch (state_) {
      case State::NoSoundFont:
        return kNoSoundFontName;
      case State::NoAudio:
        return kNoAudioName;
      case State::Loading:
      case State::Ready:
        break;
    }
    return kName;
  }

  bool WaitUntilReady(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [this] { return state_ != State::Loading; });
    return state_ == State::Ready;
  }

  std::string SoundFontPath() const {
    std::lock_guard lock(mutex_);
    return soundFontPath_;
  }
  double SampleRate() const {
    std::lock_guard lock(mutex_);
    return sampleRate_;
  }
  std::string AudioDriver() const {
    std::lock_guard lock(mutex_);
    return driverName_;
  }

  void Prepare(int program) {
    if (program < 0 || program >= midi::kProgramCount) {
      return;
    }
    {
      std::lock_guard lock(mutex_);
      if (tuningSource_) {
        tuningSource_->Request(program);
      } else {
        pendingRequests_.push_back(program);
      }
      preloads_.push_back(program);
    }
    changed_.notify_all();
  }

  std::unique_ptr<MidiConnection> Open();

  void Render(float* left, float* right, int frames) {
    for (int done = 0; done < frames; done += kRenderStep) {
      const int step = std::min(kRenderStep, frames - done);
      std::fill_n(left + done, step, 0.0F);
      std::fill_n(right + done, step, 0.0F);
      if (options_.audioDrivers.empty() && ready_.load(std::memory_order_acquire)) {
        float* out[] = {left + done, right + done};
        float* fx[] = {out[0], out[1], out[0], out[1]};
        fluid_synth_process(synth_.get(), step, static_cast<int>(std::size(fx)), fx, 2, out);
        AfterRender(step);
      }
    }
  }

  std::vector<SelectedProgram> SelectedPrograms() const {
    std::vector<SelectedProgram> selected;
    if (!ready_.load(std::memory_order_acquire)) {
      return selected;
    }
    for (int channel = 0; channel < kChannelCount; ++channel) {
      if (fluid_preset_t* preset = fluid_synth_get_channel_preset(synth_.get(), channel)) {
        selected.push_back(
            {channel, fluid_preset_get_banknum(preset), fluid_preset_get_num(preset)});
      }
    }
    return selected;
  }

  // Connection side.
  void Send(int channel, bool& programChosen, midi::PackedMessage message);
  void Close(int channel);

 private:
  enum class State { Loading, Ready, NoSoundFont, NoAudio };

  void RunLoader();
  State Load();
  bool StartAudio(const std::vector<std::string>& drivers);
  void ResetChannel(int channel);
  void ProgramChange(int channel, int program);
  // Gives the channel's notes the SoundFont's release again, before they are released.
  void UndoDamping(int channel);
  void ReleaseRinging();
  void AfterRender(int frames);

  static int AudioCallback(void* data, int len, int nfx, float* fx[], int nout, float* out[]) {
    auto* self = static_cast<Impl*>(data);
    int result = FLUID_OK;
    if (nfx == 0) {
      float* mixed[] = {out[0], out[1], out[0], out[1]};
      result = fluid_synth_process(self->synth_.get(), len, static_cast<int>(std::size(mixed)),
                                   mixed, nout, out);
    } else {
      result = fluid_synth_process(self->synth_.get(), len, nfx, fx, nout, out);
    }
    self->AfterRender(len);
    return result;
  }

  struct Channel {
    bool open = false;
    bool ringing = false;
    std::uint64_t closedAt = 0;  // in rendered frames
  };

  const BuiltInSynthOptions options_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  State state_ = State::Loading;
  bool stopping_ = false;
  std::string soundFontPath_;
  double sampleRate_ = 0.0;
  std::string driverName_;
  std::uint64_t ringLimitFrames_ = 0;
  std::unique_ptr<KeyTuningSource> tuningSource_;
  std::vector<int> pendingRequests_;
  std::deque<int> preloads_;
  std::bitset<midi::kProgramCount> installedTunings_;
  std::array<Channel, kChannelCount> channels_{};
  std::deque<int> freeChannels_;  // least recently closed first
  std::array<int, kRestoredControllers.size()> controllerDefaults_{};

  std::unique_ptr<fluid_settings_t, SettingsDeleter> settings_;
  std::unique_ptr<fluid_synth_t, SynthDeleter> synth_;
  std::unique_ptr<fluid_audio_driver_t, DriverDeleter> driver_;
  std::atomic<bool> ready_{false};
  std::atomic<std::uint64_t> renderedFrames_{0};

  std::thread loader_;
};

namespace {

class SynthConnection final : public MidiConnection {
 public:
  using Sender = std::function<void(bool&, midi::PackedMessage)>;
  SynthConnection(int channel, Sender send, std::function<void()> close)
      : channel_(channel), send_(std::move(send)), close_(std::move(close)) {}
  ~SynthConnection() override { close_(); }

  void Send(midi::PackedMessage message) override { send_(programChosen_, message); }
  int Channel() const { return channel_; }

 private:
  const int channel_;
  bool programChosen_ = false;
  Sender send_;
  std::function<void()> close_;
};

}  // namespace

void BuiltInSynth::Impl::RunLoader() {
  const State result = Load();
  if (result == State::Ready && options_.tuning) {
    auto source = options_.tuning(soundFontPath_, sampleRate_);
    std::lock_guard lock(mutex_);
    tuningSource_ = std::move(source);
    if (tuningSource_) {
      for (int program : pendingRequests_) {
        tuningSource_->Request(program);
      }
    }
    pendingRequests_.clear();
  }
  {
    std::lock_guard lock(mutex_);
    state_ = result;
    ready_.store(result == State::Ready, std::memory_order_release);
  }
  changed_.notify_all();

  // Selecting a program loads its samples, which takes a while; doing it here for the announced
  // program keeps that wait off the first note.
  std::unique_lock lock(mutex_);
  while (true) {
    changed_.wait(lock, [this] { return stopping_ || !preloads_.empty(); });
    if (stopping_) {
      return;
    }
    const int program = preloads_.back();
    preloads_.clear();
    if (result == State::Ready) {
      lock.unlock();
      fluid_synth_program_change(synth_.get(), kPreloadChannel, program);
      lock.lock();
    }
  }
}

BuiltInSynth::Impl::State BuiltInSynth::Impl::Load() {
  SilenceAudioLibraries();
  const auto candidates = options_.soundFonts ? *options_.soundFonts : DefaultSoundFontCandidates();
  std::vector<std::string> present;
  for (const auto& path : candidates) {
    if (IsFile(path)) {
      present.push_back(path);
    }
  }
  if (present.empty()) {
    return State::NoSoundFont;
  }

  settings_.reset(new_fluid_settings());
  if (!settings_) {
    return State::NoAudio;
  }
  fluid_settings_setint(settings_.get(), "synth.dynamic-sample-loading", 1);
  fluid_settings_setint(settings_.get(), "synth.midi-channels", kChannelCount);
  // A reference tone is dry: the reverb's modulated delay lines shift the pitch of the mix by
  // fractions of a cent, and both effects cost CPU on every period, even in silence.
  fluid_settings_setint(settings_.get(), "synth.reverb.active", 0);
  fluid_settings_setint(settings_.get(), "synth.chorus.active", 0);
  fluid_settings_setint(settings_.get(), "synth.polyphony", kPolyphony);
  fluid_settings_setint(settings_.get(), "synth.cpu-cores", 1);
  fluid_settings_setint(settings_.get(), "audio.period-size", kPeriodFrames);
  fluid_settings_setint(settings_.get(), "audio.periods", kPeriods);
  fluid_settings_setstr(settings_.get(), "audio.jack.id", kJackClientName);
  fluid_settings_setint(settings_.get(), "audio.jack.autoconnect", 1);

  if (options_.audioDrivers.empty()) {
    fluid_settings_setnum(settings_.get(), "synth.sample-rate", options_.sampleRate);
    synth_.reset(new_fluid_synth(settings_.get()));
    if (!synth_) {
      return State::NoAudio;
    }
    std::lock_guard lock(mutex_);
    sampleRate_ = options_.sampleRate;
  } else if (!StartAudio(options_.audioDrivers)) {
    return State::NoAudio;
  }

  for (std::size_t i = 0; i < kRestoredControllers.size(); ++i) {
    fluid_synth_get_cc(synth_.get(), 0, kRestoredControllers[i], &controllerDefaults_[i]);
  }

  // Loading a SoundFont selects program 0 on every channel, and the drum kit on the percussion
  // channel, and dynamic sample loading then reads the samples of every selected preset: 18 MB
  // of piano and drums in FluidR3 that may never sound. Without a program on any channel the
  // load reads only the SoundFont's description; a channel gets its program, and its samples,
  // when a connection or Prepare() picks one.
  for (int channel = 0; channel < kChannelCount; ++channel) {
    fluid_synth_unset_program(synth_.get(), channel);
  }
  for (const auto& path : present) {
    // Checking the header first keeps the loaders' own complaints about other files off stderr.
    if (fluid_is_soundfont(path.c_str()) != 0 &&
        fluid_synth_sfload(synth_.get(), path.c_str(), 1) != FLUID_FAILED) {
      std::lock_guard lock(mutex_);
      soundFontPath_ = path;
      ringLimitFrames_ = static_cast<std::uint64_t>(
          sampleRate_ * std::chrono::duration<double>(kRingLimit).count());
      return State::Ready;
    }
  }
  return State::NoSoundFont;
}

bool BuiltInSynth::Impl::StartAudio(const std::vector<std::string>& drivers) {
  for (const auto& driver : drivers) {
    if (fluid_settings_setstr(settings_.get(), "audio.driver", driver.c_str()) != FLUID_OK) {
      continue;  // not built into this FluidSynth
    }
    double rate = options_.sampleRate;
    if (driver == "jack") {
      // JACK runs at the server's rate whatever the synth asks for, so the synth must use it
      // too; and FluidSynth's JACK driver would start a server where none runs.
      rate = JackServerSampleRate();
      if (rate <= 0.0) {
        continue;
      }
    }
    fluid_settings_setnum(settings_.get(), "synth.sample-rate", rate);
    synth_.reset(new_fluid_synth(settings_.get()));
    if (!synth_) {
      continue;
    }
    driver_.reset(new_fluid_audio_driver2(settings_.get(), &Impl::AudioCallback, this));
    if (driver_) {
      std::lock_guard lock(mutex_);
      sampleRate_ = rate;
      driverName_ = driver;
      return true;
    }
    synth_.reset();
  }
  return false;
}

std::unique_ptr<MidiConnection> BuiltInSynth::Impl::Open() {
  if (!WaitUntilReady(options_.loadWait)) {
    return nullptr;
  }
  int channel = 0;
  {
    std::lock_guard lock(mutex_);
    if (freeChannels_.empty()) {
      return nullptr;
    }
    channel = freeChannels_.front();
    freeChannels_.pop_front();
    channels_[channel] = Channel{true, false, 0};
  }
  ResetChannel(channel);
  return std::make_unique<SynthConnection>(
      channel,
      [this, channel](bool& programChosen, midi::PackedMessage message) {
        Send(channel, programChosen, message);
      },
      [this, channel] { Close(channel); });
}

void BuiltInSynth::Impl::ResetChannel(int channel) {
  fluid_synth_t* synth = synth_.get();
  fluid_synth_all_sounds_off(synth, channel);
  fluid_synth_cc(synth, channel, kResetAllControllers, 0);
  for (std::size_t i = 0; i < kRestoredControllers.size(); ++i) {
    fluid_synth_cc(synth, channel, kRestoredControllers[i], controllerDefaults_[i]);
  }
  fluid_synth_pitch_wheel_sens(synth, channel, kDefaultPitchWheelSensitivity);
  PlayWithSoundFontTuning(synth, channel);
  fluid_synth_set_gen(synth, channel, GEN_EXCLUSIVECLASS, kDampingClass);
  fluid_synth_set_gen(synth, channel, GEN_VOLENVRELEASE, 0.0F);
  // No program until the connection picks one: selecting program 0 here would load piano
  // samples only to drop them at the program change that follows.
  fluid_synth_unset_program(synth, channel);
}

void BuiltInSynth::Impl::Send(int channel, bool& programChosen, midi::PackedMessage message) {
  if (midi::ChannelOf(message) != 0) {
    return;
  }
  fluid_synth_t* synth = synth_.get();
  const int data1 = midi::Data1Of(message);
  const int data2 = midi::Data2Of(message);
  switch (midi::TypeOf(message)) {
    case kNoteOff:
      UndoDamping(channel);
      fluid_synth_noteoff(synth, channel, data1);
      break;
    case midi::kNoteOn:
      if (data2 == 0) {
        UndoDamping(channel);
        fluid_synth_noteoff(synth, channel, data1);
        break;
      }
      ReleaseRinging();
      if (!programChosen) {
        ProgramChange(channel, 0);
        programChosen = true;
      }
      fluid_synth_noteon(synth, channel, data1, data2);
      // Also brings the voices this note-on damped to kDampedRelease.
      fluid_synth_set_gen(synth, channel, GEN_VOLENVRELEASE, kDampingReleaseOffset);
      break;
    case kKeyPressure:
      fluid_synth_key_pressure(synth, channel, data1, data2);
      break;
    case midi::kControlChange:
      fluid_synth_cc(synth, channel, data1, data2);
      break;
    case midi::kProgramChange:
      ProgramChange(channel, data1);
      programChosen = true;
      break;
    case kChannelPressure:
      fluid_synth_channel_pressure(synth, channel, data1);
      break;
    case kPitchBend:
      fluid_synth_pitch_bend(synth, channel, data1 | (data2 << kPitchBendDataBits));
      break;
    default:
      break;
  }
}

void BuiltInSynth::Impl::ProgramChange(int channel, int program) {
  fluid_synth_t* synth = synth_.get();
  fluid_synth_program_change(synth, channel, program);
  std::lock_guard lock(mutex_);
  std::optional<KeyPitches> pitches;
  if (tuningSource_) {
    pitches = tuningSource_->Lookup(program);
  }
  if (!pitches) {
    PlayWithSoundFontTuning(synth, channel);
    return;
  }
  if (!installedTunings_.test(program)) {
    InstallKeyTuning(synth, program, "MorrowFane " + std::to_string(program), *pitches);
    installedTunings_.set(program);
  }
  PlayWithKeyTuning(synth, channel, program);
}

void BuiltInSynth::Impl::UndoDamping(int channel) {
  fluid_synth_set_gen(synth_.get(), channel, GEN_VOLENVRELEASE, 0.0F);
}

void BuiltInSynth::Impl::ReleaseRinging() {
  std::lock_guard lock(mutex_);
  for (int channel = 0; channel < kChannelCount; ++channel) {
    if (channels_[channel].ringing) {
      UndoDamping(channel);
      fluid_synth_all_notes_off(synth_.get(), channel);
      channels_[channel].ringing = false;
    }
  }
}

void BuiltInSynth::Impl::Close(int channel) {
  std::lock_guard lock(mutex_);
  channels_[channel] = Channel{false, true, renderedFrames_.load(std::memory_order_acquire)};
  freeChannels_.push_back(channel);
}

void BuiltInSynth::Impl::AfterRender(int frames) {
  const std::uint64_t now =
      renderedFrames_.fetch_add(static_cast<std::uint64_t>(frames), std::memory_order_acq_rel) +
      static_cast<std::uint64_t>(frames);
  // The audio thread must not wait: if a worker holds the lock, the next period checks again.
  std::unique_lock lock(mutex_, std::try_to_lock);
  if (!lock.owns_lock() || ringLimitFrames_ == 0) {
    return;
  }
  for (int channel = 0; channel < kChannelCount; ++channel) {
    auto& state = channels_[channel];
    if (state.ringing && now - state.closedAt >= ringLimitFrames_) {
      UndoDamping(channel);
      fluid_synth_all_notes_off(synth_.get(), channel);
      state.ringing = false;
    }
  }
}

BuiltInSynth::BuiltInSynth(BuiltInSynthOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

BuiltInSynth::~BuiltInSynth() = default;

std::string BuiltInSynth::Name() const {
  return impl_->Name();
}

std::unique_ptr<MidiConnection> BuiltInSynth::Open() {
  return impl_->Open();
}

void BuiltInSynth::Prepare(int program) {
  impl_->Prepare(program);
}

bool BuiltInSynth::WaitUntilReady(std::chrono::milliseconds timeout) {
  return impl_->WaitUntilReady(timeout);
}

std::string BuiltInSynth::SoundFontPath() const {
  return impl_->SoundFontPath();
}

double BuiltInSynth::SampleRate() const {
  return impl_->SampleRate();
}

std::string BuiltInSynth::AudioDriver() const {
  return impl_->AudioDriver();
}

void BuiltInSynth::Render(float* left, float* right, int frames) {
  impl_->Render(left, right, frames);
}

std::vector<BuiltInSynth::SelectedProgram> BuiltInSynth::SelectedPrograms() const {
  return impl_->SelectedPrograms();
}

int BuiltInSynth::ChannelOf(const MidiConnection& connection) {
  const auto* synthConnection = dynamic_cast<const SynthConnection*>(&connection);
  return synthConnection != nullptr ? synthConnection->Channel() : -1;
}

}  // namespace morrowfane
