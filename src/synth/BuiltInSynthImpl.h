#pragma once

// The built-in synthesizer's inside, shared by its public face (BuiltInSynth.cpp) and its own
// thread's work (BuiltInSynthService.cpp). Nothing outside src/synth includes it.

#include <fluidsynth.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <semaphore>
#include <thread>

#include "audio/AudioOutput.h"
#include "synth/BuiltInSynth.h"
#include "synth/ChannelPool.h"
#include "synth/FluidInstance.h"
#include "synth/OutputKeeper.h"

namespace morrowfane {

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

  // The plain name; State() says whether it can play.
  std::string Name() const { return kName; }

  DeviceState PublicState() const {
    std::lock_guard lock(mutex_);
    switch (state_) {
      case State::NoSoundFont:
        return DeviceState::NoSoundFont;
      case State::SoundFontUnusable:
        return DeviceState::SoundFontUnusable;
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

  void Prepare(int program, KeyRange keys) {
    if (program < 0 || program >= midi::kProgramCount) {
      return;
    }
    {
      std::lock_guard lock(mutex_);
      if (tuningSource_) {
        tuningSource_->Request(program, keys);
      } else {
        pendingRequests_.push_back({program, keys});
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
  static constexpr char kName[] = "Built-in synthesizer";

  // Keeps the samples of the program announced by Prepare() loaded; no connection plays on it.
  static constexpr int kPreloadChannel = kSynthChannelCount - 1;

  // A tuning aid sounds one string at a time, plus the release tails of the notes before it. When
  // a fast loop piles up more, FluidSynth ends the oldest released voices first, which are silent.
  static constexpr int kPolyphony = 32;

  // Offline rendering goes in steps of this many frames, so a ring limit ends within one step.
  static constexpr int kRenderStep = 64;

  // While it plays, the synthesizer's own thread wakes this often to see whether it has fallen
  // idle; a lost output is tried again at most this often.
  static constexpr std::chrono::seconds kServicePeriod{1};

  // Idle: ready, with the desktop's audio stream let go until the next note.
  enum class State { Loading, Ready, Idle, NoSoundFont, SoundFontUnusable, NoAudio };
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
  struct Request {
    int program;
    KeyRange keys;
  };
  std::vector<Request> pendingRequests_;
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

}  // namespace morrowfane
