#include "synth/SynthLoading.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <memory>

#include "audio/AudioLibraries.h"

namespace morrowfane {
namespace {

constexpr char kSoundFontFolder[] = "/usr/share/sounds/sf2/";
constexpr std::array<const char*, 3> kSystemSoundFonts = {"default-GM.sf2", "FluidR3_GM.sf2",
                                                          "TimGM6mb.sf2"};
constexpr char kBesideProgramSoundFont[] = "morrowfane.sf2";

// The probe of whether a SoundFont sounds: middle C, struck hard, for 4096 frames.
constexpr int kProbeKey = 60;
constexpr int kProbeVelocity = 100;
constexpr int kProbeFrames = 4096;
constexpr float kSilence = 1e-5F;

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

void ConfigureForPlaying(fluid_settings_t* settings, int channels, int polyphony) {
  fluid_settings_setint(settings, "synth.midi-channels", channels);
  fluid_settings_setint(settings, "synth.polyphony", polyphony);
  fluid_settings_setint(settings, "synth.cpu-cores", 1);
}

std::vector<std::string> RegularFiles(const std::vector<std::string>& candidates) {
  std::vector<std::string> files;
  std::copy_if(candidates.begin(), candidates.end(), std::back_inserter(files), IsFile);
  return files;
}

std::optional<int> LoadSoundFont(fluid_synth_t* synth, const std::string& path) {
  // Loading a SoundFont selects program 0 on every channel, and the drum kit on the percussion
  // channel, and dynamic sample loading then reads the samples of every selected preset: 18 MB
  // of piano and drums in FluidR3 that may never sound. Without a program on any channel the
  // load reads only the SoundFont's description.
  const int channels = fluid_synth_count_midi_channels(synth);
  for (int channel = 0; channel < channels; ++channel) {
    fluid_synth_unset_program(synth, channel);
  }
  // Checking the header first keeps the loaders' own complaints about other files off stderr.
  if (!IsFile(path) || fluid_is_soundfont(path.c_str()) == 0) {
    return std::nullopt;
  }
  const int id = fluid_synth_sfload(synth, path.c_str(), 1);
  return id != FLUID_FAILED ? std::optional(id) : std::nullopt;
}

bool ChannelSounds(fluid_synth_t* synth, int channel) {
  const bool selected = fluid_synth_get_channel_preset(synth, channel) != nullptr;
  if (!selected) {
    fluid_synth_program_change(synth, channel, 0);
  }
  fluid_synth_noteon(synth, channel, kProbeKey, kProbeVelocity);
  std::vector<float> left(kProbeFrames);
  std::vector<float> right(kProbeFrames);
  fluid_synth_write_float(synth, kProbeFrames, left.data(), 0, 1, right.data(), 0, 1);
  fluid_synth_all_sounds_off(synth, channel);
  if (!selected) {
    fluid_synth_unset_program(synth, channel);
  }
  const auto loud = [](float sample) { return std::abs(sample) > kSilence; };
  return std::any_of(left.begin(), left.end(), loud) ||
         std::any_of(right.begin(), right.end(), loud);
}

}  // namespace morrowfane
