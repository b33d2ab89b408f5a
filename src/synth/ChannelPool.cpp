#include "synth/ChannelPool.h"

#include <optional>
#include <string>

#include "model/EqualTemperament.h"
#include "synth/FluidKeyTuning.h"

namespace morrowfane {
namespace {

constexpr int kDefaultPitchWheelSensitivity = 2;
constexpr std::array<int, kRestoredControllerCount> kRestoredControllers = {
    midi::kBankSelectController,    midi::kVolumeController,     midi::kPanController,
    midi::kBankSelectLsbController, midi::kReverbSendController, midi::kChorusSendController};

class SynthConnection final : public MidiConnection {
 public:
  explicit SynthConnection(SynthChannel& channel) : channel_(channel) {}
  ~SynthConnection() override { channel_.Close(); }

  void Send(midi::PackedMessage message) override { channel_.Send(message); }
  bool SetReferencePitch(double a4Hz) override {
    channel_.SetReferencePitch(a4Hz);
    return true;
  }
  bool Alive() const override { return channel_.Audible(); }
  int Channel() const { return channel_.Number(); }

 private:
  SynthChannel& channel_;
};

}  // namespace

SynthChannel::SynthChannel(ChannelPool& pool, const ChannelContext& context, int number)
    : pool_(pool), context_(context), number_(number) {}

void SynthChannel::Reset(const std::array<int, kRestoredControllerCount>& controllerDefaults) {
  fluid_synth_t* synth = context_.synth;
  context_.ringLimit->Reopened(number_);
  fluid_synth_all_sounds_off(synth, number_);
  fluid_synth_cc(synth, number_, midi::kResetAllControllers, 0);
  for (std::size_t i = 0; i < kRestoredControllers.size(); ++i) {
    fluid_synth_cc(synth, number_, kRestoredControllers[i], controllerDefaults[i]);
  }
  fluid_synth_pitch_wheel_sens(synth, number_, kDefaultPitchWheelSensitivity);
  PlayWithSoundFontTuning(synth, number_);
  PrepareDamping(synth, number_);
  // No program until the connection picks one: selecting program 0 here would load piano
  // samples only to drop them at the program change that follows.
  fluid_synth_unset_program(synth, number_);
  program_ = -1;
  offsetCents_ = 0.0;
}

void SynthChannel::Send(midi::PackedMessage message) {
  if (midi::ChannelOf(message) != 0) {
    return;
  }
  fluid_synth_t* synth = context_.synth;
  const int data1 = midi::Data1Of(message);
  const int data2 = midi::Data2Of(message);
  switch (midi::TypeOf(message)) {
    case midi::kNoteOff:
      UndoDamping(synth, number_);
      fluid_synth_noteoff(synth, number_, data1);
      break;
    case midi::kNoteOn:
      if (data2 == 0) {
        UndoDamping(synth, number_);
        fluid_synth_noteoff(synth, number_, data1);
        break;
      }
      {
        // A new note ends the notes still ringing from closed connections.
        const ChannelSet ringing = context_.ringLimit->TakeAll();
        for (int channel = 0; channel < kSynthChannelCount; ++channel) {
          if (ringing.test(static_cast<std::size_t>(channel))) {
            ReleaseNotes(synth, channel);
          }
        }
      }
      if (program_ < 0) {
        ProgramChange(0);
      }
      fluid_synth_noteon(synth, number_, data1, data2);
      // Also brings the voices this note-on released to the damped release.
      DampEarlierNotes(synth, number_);
      break;
    case midi::kKeyPressure:
      fluid_synth_key_pressure(synth, number_, data1, data2);
      break;
    case midi::kControlChange:
      fluid_synth_cc(synth, number_, data1, data2);
      break;
    case midi::kProgramChange:
      ProgramChange(data1);
      break;
    case midi::kChannelPressure:
      fluid_synth_channel_pressure(synth, number_, data1);
      break;
    case midi::kPitchBend:
      fluid_synth_pitch_bend(synth, number_, data1 | (data2 << midi::kDataBits));
      break;
    default:
      break;
  }
}

void SynthChannel::SetReferencePitch(double a4Hz) {
  if (!(a4Hz > 0.0)) {
    return;
  }
  offsetCents_ = CentsBetween(a4Hz, kStandardA4Hertz);
  if (program_ >= 0) {
    ApplyTuning();
  }
}

void SynthChannel::ProgramChange(int program) {
  fluid_synth_program_change(context_.synth, number_, program);
  program_ = program;
  ApplyTuning();
}

// Each channel has a key tuning of its own (tuning number = channel number), so one
// connection's reference pitch never moves another's notes.
void SynthChannel::ApplyTuning() {
  std::optional<KeyPitches> pitches;
  if (context_.tuning != nullptr) {
    pitches = context_.tuning->Lookup(program_);
  }
  if (!pitches && offsetCents_ == 0.0) {
    PlayWithSoundFontTuning(context_.synth, number_);
    return;
  }
  if (!pitches) {
    pitches = EqualTemperament();
  }
  for (double& pitch : *pitches) {
    pitch += offsetCents_;
  }
  InstallKeyTuning(context_.synth, number_, "MorrowFane channel " + std::to_string(number_),
                   *pitches);
  PlayWithKeyTuning(context_.synth, number_, number_);
}

void SynthChannel::Close() {
  // Notes cut off by a lost audio output end with it: they must not play on once it is back.
  if (!Audible()) {
    fluid_synth_all_sounds_off(context_.synth, number_);
  }
  context_.ringLimit->Closed(number_, context_.renderedFrames->load(std::memory_order_acquire));
  pool_.Return(number_);
}

ChannelPool::ChannelPool(const ChannelContext& context, int reservedChannel) : context_(context) {
  for (std::size_t i = 0; i < kRestoredControllers.size(); ++i) {
    fluid_synth_get_cc(context_.synth, 0, kRestoredControllers[i], &controllerDefaults_[i]);
  }
  for (int channel = 0; channel < kSynthChannelCount; ++channel) {
    channels_[static_cast<std::size_t>(channel)] =
        std::make_unique<SynthChannel>(*this, context_, channel);
    if (channel != midi::kPercussionChannel && channel != reservedChannel) {
      free_.push_back(channel);
    }
  }
  capacity_ = free_.size();
}

std::unique_ptr<MidiConnection> ChannelPool::Open() {
  int channel = 0;
  {
    std::lock_guard lock(mutex_);
    if (free_.empty()) {
      return nullptr;
    }
    channel = free_.front();
    free_.pop_front();
  }
  auto& synthChannel = *channels_[static_cast<std::size_t>(channel)];
  synthChannel.Reset(controllerDefaults_);
  return std::make_unique<SynthConnection>(synthChannel);
}

int ChannelPool::ChannelOf(const MidiConnection& connection) {
  const auto* synthConnection = dynamic_cast<const SynthConnection*>(&connection);
  return synthConnection != nullptr ? synthConnection->Channel() : -1;
}

int ChannelPool::OpenCount() {
  std::lock_guard lock(mutex_);
  return static_cast<int>(capacity_ - free_.size());
}

void ChannelPool::Return(int channel) {
  std::lock_guard lock(mutex_);
  free_.push_back(channel);
}

}  // namespace morrowfane
