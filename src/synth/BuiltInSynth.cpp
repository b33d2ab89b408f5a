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

#include "audio/AudioOutput.h"
#include "synth/ChannelPool.h"
#include "synth/FluidInstance.h"
#include "synth/OutputKeeper.h"

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

// While it plays, the synthesizer's own thread wakes this often to see whether it has fallen
// idle; a lost output is tried again at most this often.
constexpr std::chrono::seconds kServicePeriod{1};

bool IsFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

}  // namespace

class BuiltInSynth::Impl final : public AudioSource {
 public:
  explicit Impl(BuiltInSynthOptions options)
      : options_(std::move(options)), fluid_(options_.sampleRate) {
    service_ = std::thread([this] { RunService(); });
  }

  ~Impl() override {
    stopping_.store(true, std::memory_order_release);
    wake_.release();
    service_.join();
    pool_.reset();
    // Before the synthesizer goes: the output renders from it.
    output_.reset();
    tuningSource_.reset();
  }

  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  std::string Name() const {
    std::lock_guard lock(mutex_);
    switch (state_) {
      case State::NoSoundFont:
        return kNoSoundFontName;
      case State::NoAudio:
        return kNoAudioName;
      case State::Loading:
      case State::Ready:
      case State::Idle:
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
      case State::Idle:
        break;
    }
    return DeviceState::Ready;
  }

  bool WaitUntilReady(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [this] { return state_ != State::Loading; });
    return Plays(state_);
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

  void Wake() {
    wanted_.store(true, std::memory_order_release);
    wake_.release();
  }

  std::unique_ptr<MidiConnection> Open() {
    Wake();
    if (!WaitUntilReady(options_.loadWait)) {
      return nullptr;
    }
    return pool_->Open();
  }

  // The caller's thread is no audio thread: what falls due is done at once.
  void Render(float* left, float* right, int frames) {
    for (int done = 0; done < frames; done += kRenderStep) {
      const int step = std::min(kRenderStep, frames - done);
      if (options_.audioDrivers.empty() && ready_.load(std::memory_order_acquire)) {
        if (RenderBlock({left + done, right + done, 1, step})) {
          ReleaseDue();
        }
      } else {
        std::fill_n(left + done, step, 0.0F);
        std::fill_n(right + done, step, 0.0F);
      }
    }
  }

  // The output's audio thread; the output exists only once the synthesizer is ready.
  void RenderAudio(const StereoBlock& block) noexcept override {
    if (RenderBlock(block)) {
      wake_.release();
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
  // Idle: ready, with the desktop's audio stream let go until the next note.
  enum class State { Loading, Ready, Idle, NoSoundFont, NoAudio };
  static bool Plays(State state) { return state == State::Ready || state == State::Idle; }

  void RunService();
  State Load();
  void WorkOutPendingPrograms();
  void Serve();
  void KeepOutput();
  void Preload();
  void ReleaseDue();
  void SetState(State state);

  // Renders one block and counts its frames; true when a ring limit fell due. Lock-free, with no
  // FluidSynth call that takes its API lock, so the audio thread may call it.
  bool RenderBlock(const StereoBlock& block) {
    fluid_synth_write_float(fluid_.Synth(), block.frames, block.left, 0, block.stride, block.right,
                            0, block.stride);
    const auto frames = static_cast<std::uint64_t>(block.frames);
    const std::uint64_t now = renderedFrames_.fetch_add(frames, std::memory_order_acq_rel) + frames;
    return ringLimit_->MarkIfDue(now);
  }

  std::uint64_t RingLimitFrames() const {
    return static_cast<std::uint64_t>(sampleRate_ *
                                      std::chrono::duration<double>(kRingLimit).count());
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
  std::unique_ptr<RingLimit> ringLimit_;
  std::unique_ptr<ChannelPool> pool_;
  std::atomic<bool> ready_{false};
  std::atomic<std::uint64_t> renderedFrames_{0};
  std::atomic<bool> audible_{false};
  std::unique_ptr<OutputKeeper> output_;  // the service thread's, then the destructor's

  // A note is coming: an idle output opens again.
  std::atomic<bool> wanted_{false};
  std::atomic<bool> stopping_{false};
  std::counting_semaphore<> wake_{0};
  std::thread service_;
};

void BuiltInSynth::Impl::RunService() {
  State result = Load();
  if (result == State::Ready) {
    // Before the output renders anything from the synthesizer.
    WorkOutPendingPrograms();
    {
      std::lock_guard lock(mutex_);
      ringLimit_ = std::make_unique<RingLimit>(RingLimitFrames());
      pool_ = std::make_unique<ChannelPool>(
          ChannelContext{fluid_.Synth(), ringLimit_.get(), tuningSource_.get(), &renderedFrames_,
                         &audible_},
          kPreloadChannel);
    }
    ready_.store(true, std::memory_order_release);
    if (!options_.audioDrivers.empty()) {
      output_ =
          std::make_unique<OutputKeeper>(OutputKeeper::Config{options_.audioDrivers, sampleRate_,
                                                              RingLimitFrames(), kServicePeriod},
                                         *this, [this] { wake_.release(); });
      if (output_->Start() == OutputKeeper::Status::Lost) {
        result = State::NoAudio;
      }
      std::lock_guard lock(mutex_);
      driverName_ = output_->Backend();
    }
  }
  SetState(result);
  Serve();
}

// The synthesizer at the output's rate with the first SoundFont that loads.
BuiltInSynth::Impl::State BuiltInSynth::Impl::Load() {
  const auto candidates = options_.soundFonts ? *options_.soundFonts : DefaultSoundFontCandidates();
  std::vector<std::string> present;
  std::copy_if(candidates.begin(), candidates.end(), std::back_inserter(present), IsFile);
  if (present.empty() || fluid_.Settings() == nullptr) {
    return State::NoSoundFont;
  }
  ConfigureForPlaying(fluid_.Settings(), kSynthChannelCount, kPolyphony);
  const double rate = OutputSampleRate(options_.audioDrivers, options_.sampleRate);
  fluid_settings_setnum(fluid_.Settings(), "synth.sample-rate", rate);
  if (!fluid_.MakeSynth()) {
    return State::NoSoundFont;
  }
  {
    std::lock_guard lock(mutex_);
    sampleRate_ = rate;
  }
  const auto path = LoadFirstSoundFont(fluid_.Synth(), present);
  if (!path) {
    return State::NoSoundFont;
  }
  std::lock_guard lock(mutex_);
  soundFontPath_ = *path;
  return State::Ready;
}

// The program wanted last is worked out on this synthesizer, before its output renders: it needs
// no second copy of the SoundFont and its samples, and its samples stay loaded on the preload
// channel for the first note. Programs announced meanwhile are requested in the background.
void BuiltInSynth::Impl::WorkOutPendingPrograms() {
  std::unique_ptr<KeyTuningSource> source;
  if (options_.tuning) {
    source = options_.tuning(soundFontPath_, sampleRate_);
  }
  std::vector<int> pending;
  {
    std::lock_guard lock(mutex_);
    pending.swap(pendingRequests_);
  }
  if (source && !pending.empty()) {
    for (std::size_t i = 0; i + 1 < pending.size(); ++i) {
      source->Request(pending[i]);
    }
    source->WorkOutOn(fluid_.Synth(), kPreloadChannel, pending.back(), stopping_);
  }
  std::lock_guard lock(mutex_);
  tuningSource_ = std::move(source);
  if (tuningSource_) {
    for (int program : pendingRequests_) {
      tuningSource_->Request(program);
    }
  }
  pendingRequests_.clear();
}

void BuiltInSynth::Impl::Serve() {
  while (true) {
    // Idle, or without a SoundFont, there is nothing to watch until someone asks.
    const bool watching = output_ && output_->Current() != OutputKeeper::Status::Idle;
    if (watching) {
      static_cast<void>(wake_.try_acquire_for(kServicePeriod));
    } else {
      wake_.acquire();
    }
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
    KeepOutput();
  }
}

void BuiltInSynth::Impl::KeepOutput() {
  if (!output_) {
    return;
  }
  const bool quiet =
      pool_->OpenCount() == 0 && fluid_synth_get_active_voice_count(fluid_.Synth()) == 0;
  const auto status = output_->Keep(wanted_.exchange(false, std::memory_order_acq_rel), quiet,
                                    renderedFrames_.load(std::memory_order_acquire));
  {
    std::lock_guard lock(mutex_);
    driverName_ = output_->Backend();
  }
  switch (status) {
    case OutputKeeper::Status::Playing:
      SetState(State::Ready);
      break;
    case OutputKeeper::Status::Idle:
      SetState(State::Idle);
      break;
    case OutputKeeper::Status::Lost:
      SetState(State::NoAudio);
      break;
  }
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

void BuiltInSynth::Impl::SetState(State state) {
  {
    std::lock_guard lock(mutex_);
    if (state_ == state) {
      return;
    }
    state_ = state;
  }
  audible_.store(Plays(state), std::memory_order_release);
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

void BuiltInSynth::Wake() {
  impl_->Wake();
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
