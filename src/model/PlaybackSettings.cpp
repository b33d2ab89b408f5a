#include "model/PlaybackSettings.h"

namespace morrowfane {

std::optional<std::vector<int>> KeysOf(const PlaybackSettings& settings) {
  if (!settings.CustomKeys.empty()) {
    return settings.CustomKeys;
  }
  return ShapedKeys(settings.Strings, settings.Root, settings.Shape);
}

Tuning TuningOf(const PlaybackSettings& settings) {
  const auto keys = KeysOf(settings);
  if (!keys) {
    return Tuning(static_cast<std::size_t>(InstrumentOf(settings.Strings).stringCount));
  }
  Tuning names;
  for (const int key : *keys) {
    names.push_back(NoteName(key));
  }
  return names;
}

PlaybackSettings FittedToInstrument(PlaybackSettings settings) {
  if (IsNoteName(settings.Root) && !RootLowering(settings.Strings, settings.Root)) {
    settings.Root = RootChoices(settings.Strings).back();
  }
  if (IsNoteName(settings.Root) && !ShapedKeys(settings.Strings, settings.Root, settings.Shape)) {
    settings.Shape = TuningShape::Standard;
  }
  if (!IsCustomTuning(settings.Strings, settings.CustomKeys)) {
    settings.CustomKeys.clear();
  }
  return settings;
}

}  // namespace morrowfane
