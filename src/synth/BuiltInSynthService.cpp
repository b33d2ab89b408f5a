// The built-in synthesizer's own thread: loading, the first measurement, and then watching the
// audio output, the ring limit and the programs to preload.
#include "synth/BuiltInSynthImpl.h"
#include "synth/FluidKeyTuning.h"

namespace morrowfane {

void BuiltInSynth::Impl::RunService() {
  State result = Load();
  if (result == State::Ready) {
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

// The synthesizer at the output's rate with the first SoundFont that loads and sounds, its first
// program worked out, before the output renders anything from it.
BuiltInSynth::Impl::State BuiltInSynth::Impl::Load() {
  const auto candidates = options_.soundFonts ? *options_.soundFonts : DefaultSoundFontCandidates();
  const std::vector<std::string> present = RegularFiles(candidates);
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
  // The first SoundFont that loads and sounds. Its first program is worked out before it is
  // known to sound: the measurement selects that program, so the check then reads no samples.
  bool unusable = false;
  for (const auto& path : present) {
    const auto id = LoadSoundFont(fluid_.Synth(), path);
    if (!id) {
      continue;
    }
    std::vector<Request> pending;
    {
      std::lock_guard lock(mutex_);
      soundFontPath_ = path;
      pending = pendingRequests_;
    }
    WorkOutPendingPrograms();
    if (ChannelSounds(fluid_.Synth(), kPreloadChannel)) {
      return State::Ready;
    }
    unusable = true;
    fluid_synth_sfunload(fluid_.Synth(), *id, 1);
    std::lock_guard lock(mutex_);
    tuningSource_.reset();
    pendingRequests_.insert(pendingRequests_.begin(), pending.begin(), pending.end());
  }
  return unusable ? State::SoundFontUnusable : State::NoSoundFont;
}

// The program wanted last is worked out on this synthesizer, before its output renders: it needs
// no second copy of the SoundFont and its samples, and its samples stay loaded on the preload
// channel for the first note. Programs announced meanwhile are requested in the background.
void BuiltInSynth::Impl::WorkOutPendingPrograms() {
  std::unique_ptr<KeyTuningSource> source;
  if (options_.tuning) {
    source = options_.tuning(soundFontPath_, sampleRate_);
  }
  std::vector<Request> pending;
  {
    std::lock_guard lock(mutex_);
    pending.swap(pendingRequests_);
  }
  if (source && !pending.empty()) {
    for (std::size_t i = 0; i + 1 < pending.size(); ++i) {
      source->Request(pending[i].program, pending[i].keys);
    }
    FluidNoteRenderer lent(fluid_.Synth(), kPreloadChannel, sampleRate_);
    source->WorkOutOn(lent, pending.back().program, pending.back().keys, stopping_);
  }
  std::lock_guard lock(mutex_);
  tuningSource_ = std::move(source);
  if (tuningSource_) {
    for (const Request& request : pendingRequests_) {
      tuningSource_->Request(request.program, request.keys);
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

}  // namespace morrowfane
