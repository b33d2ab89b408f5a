#include "synth/FluidKeyTuning.h"

#include <algorithm>

#include "player/MidiMessage.h"

namespace morrowfane {
namespace {

constexpr int kTuningBank = 0;
// The dither's depth and the offset that centres it: the truncated pitch of x + 0.5 + v, with v
// spread evenly over [-0.5, 0.5] cents, averages x.
constexpr float kDitherCents = 0.5F;
constexpr double kDitherCentre = 0.5;
constexpr float kNoDither = 0.0F;

}  // namespace

void InstallKeyTuning(fluid_synth_t* synth, int tuning, const std::string& name,
                      const KeyPitches& pitches) {
  KeyPitches centred = pitches;
  for (double& pitch : centred) {
    pitch += kDitherCentre;
  }
  fluid_synth_activate_key_tuning(synth, kTuningBank, tuning, name.c_str(), centred.data(), 0);
}

void PlayWithKeyTuning(fluid_synth_t* synth, int channel, int tuning) {
  fluid_synth_activate_tuning(synth, channel, kTuningBank, tuning, 0);
  // Added to the depth the program's own vibrato has, if any.
  fluid_synth_set_gen(synth, channel, GEN_VIBLFOTOPITCH, kDitherCents);
}

void PlayWithSoundFontTuning(fluid_synth_t* synth, int channel) {
  fluid_synth_deactivate_tuning(synth, channel, 0);
  fluid_synth_set_gen(synth, channel, GEN_VIBLFOTOPITCH, kNoDither);
}

FluidNoteRenderer::FluidNoteRenderer(const std::string& soundFontPath, double sampleRate)
    : own_(std::make_unique<FluidInstance>(sampleRate)), sampleRate_(sampleRate) {
  constexpr int kMeasuringPolyphony = 64;
  auto* settings = own_->Settings();
  if (settings == nullptr) {
    return;
  }
  fluid_settings_setint(settings, "synth.polyphony", kMeasuringPolyphony);
  fluid_settings_setint(settings, "synth.cpu-cores", 1);
  fluid_settings_setint(settings, "synth.threadsafe-api", 0);
  if (!own_->MakeSynth()) {
    return;
  }
  synth_ = own_->Synth();
  // No presets are selected at loading: that would read the piano's samples for every
  // measurement, whichever program it is for.
  loaded_ = fluid_synth_sfload(synth_, soundFontPath.c_str(), 0) != FLUID_FAILED;
}

FluidNoteRenderer::FluidNoteRenderer(fluid_synth_t* synth, int channel, double sampleRate)
    : synth_(synth),
      channel_(channel),
      sampleRate_(sampleRate),
      loaded_(synth != nullptr && fluid_synth_sfcount(synth) > 0) {}

FluidNoteRenderer::~FluidNoteRenderer() {
  if (own_ == nullptr && selected_) {
    PlayWithSoundFontTuning(synth_, channel_);
  }
}

bool FluidNoteRenderer::Select(int program, const KeyPitches& tuning) {
  if (!loaded_) {
    return false;
  }
  selected_ = true;
  // The channel's number is its key tuning's, as on the built-in synthesizer, whose connections
  // never play on the channel it lends for measuring.
  const int tuningNumber = channel_;
  fluid_synth_all_sounds_off(synth_, channel_);
  InstallKeyTuning(synth_, tuningNumber, "measuring", tuning);
  PlayWithKeyTuning(synth_, channel_, tuningNumber);
  fluid_synth_bank_select(synth_, channel_, 0);
  return fluid_synth_program_change(synth_, channel_, program) == FLUID_OK;
}

void FluidNoteRenderer::Render(int key, std::span<float> frames) {
  // A multiple of the synthesizer's 64-frame block, so that blocks render exactly as one call
  // would.
  constexpr std::size_t kRenderBlock = 4096;
  constexpr int kRetireFrames = 64;
  // The channels are rendered a block at a time and summed: only the sum is kept whole.
  left_.resize(kRenderBlock);
  right_.resize(kRenderBlock);
  fluid_synth_noteon(synth_, channel_, key, midi::kStrikeVelocity);
  for (std::size_t done = 0; done < frames.size(); done += kRenderBlock) {
    const std::size_t count = std::min(kRenderBlock, frames.size() - done);
    fluid_synth_write_float(synth_, static_cast<int>(count), left_.data(), 0, 1, right_.data(), 0,
                            1);
    for (std::size_t i = 0; i < count; ++i) {
      frames[done + i] = left_[i] + right_[i];
    }
  }
  fluid_synth_all_sounds_off(synth_, channel_);
  // Lets the synthesizer retire the silenced voices before the next note: a note started on
  // the key of a voice still waiting to be retired can sound almost a cent away.
  fluid_synth_write_float(synth_, kRetireFrames, left_.data(), 0, 1, right_.data(), 0, 1);
}

std::unique_ptr<NoteRenderer> MakeNoteRenderer(const std::string& soundFontPath,
                                               double sampleRate) {
  return std::make_unique<FluidNoteRenderer>(soundFontPath, sampleRate);
}

}  // namespace morrowfane
