#include "synth/BuiltInSynth.h"

#include <fluidsynth.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <semaphore>
#include <thread>

#include "synth/ChannelPool.h"
#include "synth/FluidInstance.h"

namespace morrowfane {
namespace {

constexpr char kName[] = "Built-in synthesizer";
constexpr char kNoSoundFontName[] = "Built-in synthesizer (no SoundFont found)";
constexpr char kNoAudioName[] = "Built-in synthesizer (no audio output)";

// Keeps the samples of the program announced by Prepare() loaded; no connection plays on it.
constexpr int kPreloadChannel = kSynthChannelCount - 1;

// A tuning aid sounds one string at a time, plus the release tails of the notes before it. When
// a fast loop piles up more, FluidSynth ends the oldest released voices first, which are silent.
constexpr int kPolyphony = 32;

// Offline rendering goes in steps of this many frames, so a ring limit ends within one step.
constexpr int kRenderStep = 64;

// The synthesizer's own thread wakes at least this often to watch the audio output, and tries a
// lost output again at most this often.
constexpr std::chrono::seconds kServicePeriod{1};
// No period for this long: the audio output's server has gone. Drivers call back every few
// milliseconds, also in silence.
constexpr std::chrono::milliseconds kOutputSilence{500};

bool IsFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

}  // namespace

class BuiltInSynth::Impl {
 public:
  explicit Impl(BuiltInSynthOptions options)
      : options_(std::move(options)), fluid_(options_.sampleRate) {
    service_ = std::thread([this] { RunService(); });
  }

  ~Impl() {
    stopping_.store(true, std::memory_order_release);
    wake_.release();
    service_.join();
    pool_.reset();
    // Before the synthesizer goes: its driver calls into it.
    output_.reset();
    tuningSource_.reset();
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

  DeviceState PublicState() const {
    std::lock_guard lock(mutex_);
    switch (state_) {
      case State::NoSoundFont:
        return DeviceState::NoSoundFont;
      case State::NoAudio:
        return DeviceState::NoAudioOutput;
      case State::Loading:
      case State::Ready:
        break;
    }
    return DeviceState::Ready;
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
    wake_.release();
  }

  std::unique_ptr<MidiConnection> Open() {
    if (!WaitUntilReady(options_.loadWait)) {
      return nullptr;
    }
    return pool_->Open();
  }

  void Render(float* left, float* right, int frames) {
    for (int done = 0; done < frames; done += kRenderStep) {
      const int step = std::min(kRenderStep, frames - done);
      std::fill_n(left + done, step, 0.0F);
      std::fill_n(right + done, step, 0.0F);
      if (options_.audioDrivers.empty() && ready_.load(std::memory_order_acquire)) {
        float* out[] = {left + done, right + done};
        float* fx[] = {out[0], out[1], out[0], out[1]};
        fluid_synth_process(fluid_.Synth(), step, static_cast<int>(std::size(fx)), fx, 2, out);
        // The caller's thread is no audio thread: what falls due is done at once.
        if (AfterRender(step)) {
          ReleaseDue();
        }
      }
    }
  }

  std::vector<SelectedProgram> SelectedPrograms() const {
    std::vector<SelectedProgram> selected;
    if (!ready_.load(std::memory_order_acquire)) {
      return selected;
    }
    for (int channel = 0; channel < kSynthChannelCount; ++channel) {
      if (fluid_preset_t* preset = fluid_synth_get_channel_preset(fluid_.Synth(), channel)) {
        selected.push_back(
            {channel, fluid_preset_get_banknum(preset), fluid_preset_get_num(preset)});
      }
    }
    return selected;
  }

 private:
  enum class State { Loading, Ready, NoSoundFont, NoAudio };

  void RunService();
  State Load();
  void Preload();
  void ReleaseDue();
  void WatchOutput(std::chrono::steady_clock::time_point& lastAttempt);
  void SetState(State state);

  // Audio thread: counts the frames and marks a ring limit that fell due. Lock-free, no
  // FluidSynth call that takes its API lock. True when something fell due.
  bool AfterRender(int frames) {
    const std::uint64_t now =
        renderedFrames_.fetch_add(static_cast<std::uint64_t>(frames), std::memory_order_acq_rel) +
        static_cast<std::uint64_t>(frames);
    return ready_.load(std::memory_order_acquire) && ringLimit_->MarkIfDue(now);
  }

  static int AudioCallback(void* data, int len, int nfx, float* fx[], int nout, float* out[]) {
    auto* self = static_cast<Impl*>(data);
    if (!self->sounding_.load(std::memory_order_acquire)) {
      // The loading thread may be rendering on the synthesizer offline.
      for (int i = 0; i < nout; ++i) {
        std::fill_n(out[i], len, 0.0F);
      }
      return FLUID_OK;
    }
    int result = FLUID_OK;
    fluid_synth_t* synth = self->fluid_.Synth();
    if (nfx == 0) {
      float* mixed[] = {out[0], out[1], out[0], out[1]};
      result =
          fluid_synth_process(synth, len, static_cast<int>(std::size(mixed)), mixed, nout, out);
    } else {
      result = fluid_synth_process(synth, len, nfx, fx, nout, out);
    }
    if (self->AfterRender(len)) {
      self->wake_.release();
    }
    return result;
  }

  const BuiltInSynthOptions options_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  State state_ = State::Loading;
  std::string soundFontPath_;
  double sampleRate_ = 0.0;
  std::string driverName_;
  std::unique_ptr<KeyTuningSource> tuningSource_;
  std::vector<int> pendingRequests_;
  std::deque<int> preloads_;

  // Set up by the service thread before ready_; fixed afterwards.
  FluidInstance fluid_;
  std::unique_ptr<AudioOutput> output_;  // only the service thread uses it, then the destructor
  std::unique_ptr<RingLimit> ringLimit_;
  std::unique_ptr<ChannelPool> pool_;
  std::atomic<bool> ready_{false};
  // Until set, the audio output renders silence without touching the synthesizer.
  std::atomic<bool> sounding_{false};
  std::atomic<std::uint64_t> renderedFrames_{0};
  std::atomic<bool> audible_{false};

  std::atomic<bool> stopping_{false};
  std::counting_semaphore<> wake_{0};
  std::thread service_;
};

void BuiltInSynth::Impl::RunService() {
  State result = Load();
  // No audio driver could start (the sound server is not up yet, the device is busy): they are
  // tried again at most once a service period until one starts, as after an output lost later.
  if (result == State::NoAudio && output_) {
    SetState(result);
    while (result == State::NoAudio && output_) {
      // A program announced meanwhile wakes this thread; it waits out the period all the same.
      const auto next = std::chrono::steady_clock::now() + kServicePeriod;
      while (!stopping_.load(std::memory_order_acquire) && wake_.try_acquire_until(next)) {
      }
      if (stopping_.load(std::memory_order_acquire)) {
        return;
      }
      result = Load();
    }
  }
  if (result == State::Ready) {
    std::unique_ptr<KeyTuningSource> source;
    if (options_.tuning) {
      source = options_.tuning(soundFontPath_, sampleRate_);
    }
    std::vector<int> pending;
    {
      std::lock_guard lock(mutex_);
      pending.swap(pendingRequests_);
    }
    if (source) {
      // The program wanted last is worked out here, while the audio output is still silent:
      // on this synthesizer it needs no second copy of the SoundFont and its samples, and its
      // samples stay loaded on the preload channel for the first note.
      for (std::size_t i = 0; i < pending.size(); ++i) {
        if (i + 1 < pending.size()) {
          source->Request(pending[i]);
        } else {
          source->WorkOutOn(fluid_.Synth(), kPreloadChannel, pending[i], stopping_);
        }
      }
    }
    std::lock_guard lock(mutex_);
    tuningSource_ = std::move(source);
    if (tuningSource_) {
      // Those that came meanwhile.
      for (int program : pendingRequests_) {
        tuningSource_->Request(program);
      }
    }
    pendingRequests_.clear();
    ringLimit_ = std::make_unique<RingLimit>(static_cast<std::uint64_t>(
        sampleRate_ * std::chrono::duration<double>(kRingLimit).count()));
    pool_ = std::make_unique<ChannelPool>(
        ChannelContext{fluid_.Synth(), ringLimit_.get(), tuningSource_.get(), &renderedFrames_,
                       &audible_},
        kPreloadChannel);
    sounding_.store(true, std::memory_order_release);
    ready_.store(true, std::memory_order_release);
  }
  SetState(result);

  auto lastAttempt = std::chrono::steady_clock::now();
  while (true) {
    wake_.try_acquire_for(kServicePeriod);
    if (stopping_.load(std::memory_order_acquire)) {
      return;
    }
    if (!ready_.load(std::memory_order_acquire)) {
      continue;
    }
    Preload();
    if (ringLimit_->TakeMark()) {
      ReleaseDue();
    }
    WatchOutput(lastAttempt);
  }
}

BuiltInSynth::Impl::State BuiltInSynth::Impl::Load() {
  const auto candidates = options_.soundFonts ? *options_.soundFonts : DefaultSoundFontCandidates();
  std::vector<std::string> present;
  std::copy_if(candidates.begin(), candidates.end(), std::back_inserter(present), IsFile);
  if (present.empty()) {
    return State::NoSoundFont;
  }
  if (fluid_.Settings() == nullptr) {
    return State::NoAudio;
  }
  ConfigureForPlaying(fluid_.Settings(), kSynthChannelCount, kPolyphony);
  double rate = options_.sampleRate;
  std::string driver;
  if (options_.audioDrivers.empty()) {
    if (!fluid_.MakeSynth()) {
      return State::NoAudio;
    }
  } else {
    output_ =
        std::make_unique<AudioOutput>(fluid_, options_.audioDrivers, &Impl::AudioCallback, this);
    if (!output_->Start(options_.sampleRate)) {
      return State::NoAudio;
    }
    rate = output_->SampleRate();
    driver = output_->DriverName();
  }
  {
    std::lock_guard lock(mutex_);
    sampleRate_ = rate;
    driverName_ = driver;
  }
  const auto path = LoadFirstSoundFont(fluid_.Synth(), present);
  if (!path) {
    return State::NoSoundFont;
  }
  std::lock_guard lock(mutex_);
  soundFontPath_ = *path;
  return State::Ready;
}

// Selecting a program loads its samples, which takes a while; doing it here for the announced
// program keeps that wait off the first note.
void BuiltInSynth::Impl::Preload() {
  int program = -1;
  {
    std::lock_guard lock(mutex_);
    if (preloads_.empty()) {
      return;
    }
    program = preloads_.back();
    preloads_.clear();
  }
  // Selecting the program already there would drop its samples and read them again.
  fluid_preset_t* held = fluid_synth_get_channel_preset(fluid_.Synth(), kPreloadChannel);
  if (held != nullptr && fluid_preset_get_banknum(held) == 0 &&
      fluid_preset_get_num(held) == program) {
    return;
  }
  fluid_synth_program_change(fluid_.Synth(), kPreloadChannel, program);
}

void BuiltInSynth::Impl::ReleaseDue() {
  const ChannelSet due = ringLimit_->TakeDue(renderedFrames_.load(std::memory_order_acquire));
  for (int channel = 0; channel < kSynthChannelCount; ++channel) {
    if (due.test(static_cast<std::size_t>(channel))) {
      ReleaseNotes(fluid_.Synth(), channel);
    }
  }
}

void BuiltInSynth::Impl::WatchOutput(std::chrono::steady_clock::time_point& lastAttempt) {
  if (!output_) {
    return;
  }
  if (output_->Running()) {
    if (output_->CheckLost(kOutputSilence)) {
      {
        std::lock_guard lock(mutex_);
        driverName_.clear();
      }
      SetState(State::NoAudio);
      lastAttempt = std::chrono::steady_clock::now();
    }
    return;
  }
  const auto now = std::chrono::steady_clock::now();
  if (now - lastAttempt < kServicePeriod) {
    return;
  }
  lastAttempt = now;
  if (output_->Restart()) {
    {
      std::lock_guard lock(mutex_);
      driverName_ = output_->DriverName();
    }
    SetState(State::Ready);
  }
}

void BuiltInSynth::Impl::SetState(State state) {
  {
    std::lock_guard lock(mutex_);
    state_ = state;
  }
  audible_.store(state == State::Ready, std::memory_order_release);
  changed_.notify_all();
}

BuiltInSynth::BuiltInSynth(BuiltInSynthOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

BuiltInSynth::~BuiltInSynth() = default;

std::string BuiltInSynth::Name() const {
  return impl_->Name();
}

DeviceState BuiltInSynth::State() const {
  return impl_->PublicState();
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
  return ChannelPool::ChannelOf(connection);
}

}  // namespace morrowfane
