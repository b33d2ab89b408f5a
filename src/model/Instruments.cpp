#include "model/Instruments.h"

#include <algorithm>

#include "model/WordTable.h"

namespace morrowfane {
namespace {

std::span<const int> Keys(const InstrumentEntry& entry) {
  return std::span<const int>(entry.keys).first(static_cast<std::size_t>(entry.stringCount));
}

// The most the root may lower the strings: eleven semitones, less where the lowest string would
// leave the playable keys.
int MaxRootLowering(const InstrumentEntry& entry) {
  const int lowest = std::ranges::min(Keys(entry));
  return std::clamp(lowest - kPlayableKeys.first, 0, kPitchClassCount - 1);
}

}  // namespace

const InstrumentEntry& InstrumentOf(StringInstrument instrument) {
  return EntryFor(kInstruments, instrument, &InstrumentEntry::instrument);
}

std::optional<StringInstrument> InstrumentForWord(std::string_view word) {
  return KeyForWord(kInstruments, word, &InstrumentEntry::instrument);
}

std::vector<int> StandardKeys(StringInstrument instrument) {
  const auto keys = Keys(InstrumentOf(instrument));
  return {keys.begin(), keys.end()};
}

std::vector<std::string> RootChoices(StringInstrument instrument) {
  const InstrumentEntry& entry = InstrumentOf(instrument);
  std::vector<std::string> roots;
  for (int down = 0; down <= MaxRootLowering(entry); ++down) {
    roots.push_back(NoteName(entry.keys[0] - down));
  }
  return roots;
}

std::optional<int> RootLowering(StringInstrument instrument, std::string_view root) {
  const InstrumentEntry& entry = InstrumentOf(instrument);
  const auto pitchClass = PitchClass(root);
  if (!pitchClass) {
    return std::nullopt;
  }
  // Pitch classes match keys modulo 12, and no key here is negative.
  const int down = (entry.keys[0] - *pitchClass) % kPitchClassCount;
  if (down > MaxRootLowering(entry)) {
    return std::nullopt;
  }
  return down;
}

bool OffersShape(StringInstrument instrument, TuningShape shape) {
  return std::ranges::find(InstrumentOf(instrument).shapes, shape) !=
         InstrumentOf(instrument).shapes.end();
}

std::optional<std::vector<int>> ShapedKeys(StringInstrument instrument, std::string_view root,
                                           TuningShape shape) {
  const auto down = RootLowering(instrument, root);
  if (!down || !OffersShape(instrument, shape)) {
    return std::nullopt;
  }
  std::vector<int> keys = StandardKeys(instrument);
  for (std::size_t k = 0; k < keys.size(); ++k) {
    keys[k] += ShapeEntry(shape).semitones[k] - *down;
    if (!kPlayableKeys.Contains(keys[k])) {
      return std::nullopt;
    }
  }
  return keys;
}

KeyRange CustomKeyRange(StringInstrument instrument, int stringNumber) {
  const InstrumentEntry& entry = InstrumentOf(instrument);
  if (stringNumber < 1 || stringNumber > entry.stringCount) {
    return {};
  }
  const int standard = entry.keys[static_cast<std::size_t>(stringNumber - 1)];
  return {std::max(standard - kMaxLowering, kPlayableKeys.first),
          std::min(standard + kMaxRaise, kPlayableKeys.last)};
}

bool IsCustomTuning(StringInstrument instrument, std::span<const int> keys) {
  if (std::ssize(keys) != InstrumentOf(instrument).stringCount) {
    return false;
  }
  for (std::size_t k = 0; k < keys.size(); ++k) {
    if (!CustomKeyRange(instrument, static_cast<int>(k) + 1).Contains(keys[k])) {
      return false;
    }
  }
  return true;
}

KeyRange KeysSounded(StringInstrument instrument) {
  const InstrumentEntry& entry = InstrumentOf(instrument);
  KeyRange range = CustomKeyRange(instrument, 1);
  for (int string = 2; string <= entry.stringCount; ++string) {
    const KeyRange custom = CustomKeyRange(instrument, string);
    range = {std::min(range.first, custom.first), std::max(range.last, custom.last)};
  }
  for (const std::string& root : RootChoices(instrument)) {
    for (const TuningShape shape : entry.shapes) {
      for (const int key : ShapedKeys(instrument, root, shape).value_or(std::vector<int>{})) {
        range = {std::min(range.first, key), std::max(range.last, key)};
      }
    }
  }
  return range;
}

}  // namespace morrowfane
