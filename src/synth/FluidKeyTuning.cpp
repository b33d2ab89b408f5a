#include "synth/FluidKeyTuning.h"

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

}  // namespace morrowfane
