#include "settings/SettingsText.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "model/AsciiText.h"
#include "model/IntegerText.h"

namespace morrowfane {
namespace {

constexpr std::string_view kHeader = "[MorrowFane]";
constexpr std::string_view kUpperHeader = "[MORROWFANE]";
constexpr std::string_view kLineEnd = "\r\n";
// The scan for "=" starts inside the header, which holds none.
constexpr std::size_t kScanStart = 10;

// Values are taken by their position among the "=" found, whatever the key says.
enum class Position { Root = 1, DeviceIndex, Instrument, Loop, Rate, ByKey };

constexpr std::string_view kTrue = "TRUE";
constexpr std::string_view kFalse = "FALSE";

void TakeIfWithin(int value, int low, int high, int& field) {
  if (value >= low && value <= high) {
    field = value;
  }
}

// `value` is already upper-cased.
void Apply(Position position, std::string_view value, PlaybackSettings& playback) {
  switch (position) {
    case Position::Root:
      if (IsNoteName(value)) {
        playback.Root = std::string(value);
      }
      break;
    case Position::DeviceIndex:
      TakeIfWithin(ReadInteger(value).value, kMinDeviceIndex, kMaxDeviceIndex,
                   playback.DeviceIndex);
      break;
    case Position::Instrument:
      TakeIfWithin(ReadInteger(value).value, kMinInstrument, kMaxInstrument, playback.Instrument);
      break;
    case Position::Loop:
      if (value == kTrue) {
        playback.Loop = true;
      } else if (value == kFalse) {
        playback.Loop = false;
      }
      break;
    case Position::Rate:
      TakeIfWithin(ReadInteger(value).value, kMinRate, kMaxRate, playback.Rate);
      break;
    case Position::ByKey:
      break;
  }
}

// The lines after the positional values, read by their key whatever its case.
constexpr std::string_view kReferenceA4Key = "ReferenceA4";
constexpr std::string_view kDeviceNameKey = "MidiDevName";
constexpr std::string_view kTuningShapeKey = "TuningShape";
constexpr std::string_view kStringsKey = "Strings";
constexpr std::string_view kCustomTuningKey = "CustomTuning";

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlankOrTab(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsBlankOrTab(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

// Keys as written: decimal, separated by commas, nothing else. Nothing for any other text.
std::optional<std::vector<int>> ReadKeys(std::string_view text) {
  std::vector<int> keys;
  while (keys.size() <= static_cast<std::size_t>(kMaxStringCount)) {
    const std::size_t comma = std::min(text.find(','), text.size());
    const std::string_view digits = text.substr(0, comma);
    if (digits.empty() || digits.size() > 3 ||
        !std::ranges::all_of(digits, [](char c) { return c >= '0' && c <= '9'; })) {
      return std::nullopt;
    }
    keys.push_back(ReadInteger(digits).value);
    if (comma == text.size()) {
      return keys;
    }
    text.remove_prefix(comma + 1);
  }
  return std::nullopt;
}

std::string FormatKeys(const std::vector<int>& keys) {
  std::string text;
  for (const int key : keys) {
    text.append(text.empty() ? "" : ",").append(std::to_string(key));
  }
  return text;
}

// `key` is upper-cased; `value` is as written. Custom keys are checked once the instrument is
// known, whichever line comes first: each line's keys are kept for then.
void ApplyByKey(std::string_view key, std::string_view value, PlaybackSettings& playback,
                std::vector<std::vector<int>>& customKeys) {
  key = TrimBlanks(key);
  if (key == UpperCaseAscii(kReferenceA4Key)) {
    TakeIfWithin(ReadInteger(value).value, kMinReferenceA4, kMaxReferenceA4, playback.ReferenceA4);
  } else if (key == UpperCaseAscii(kTuningShapeKey)) {
    if (const auto shape = ShapeForWord(TrimBlanks(value))) {
      playback.Shape = *shape;
    }
  } else if (key == UpperCaseAscii(kDeviceNameKey)) {
    playback.DeviceName = std::string(value);
  } else if (key == UpperCaseAscii(kStringsKey)) {
    if (const auto instrument = InstrumentForWord(TrimBlanks(value))) {
      playback.Strings = *instrument;
    }
  } else if (key == UpperCaseAscii(kCustomTuningKey)) {
    if (auto keys = ReadKeys(TrimBlanks(value))) {
      customKeys.push_back(std::move(*keys));
    }
  }
}

// Calls `visit(position, keyStart, valueStart, value)` for each value of `text` in turn while it
// returns true. A value follows an "=" and runs to the end of its line; it may itself hold "=",
// which starts nothing. Its key is what stands on its line before the "=".
template <typename Visit>
void ForEachValue(std::string_view text, Visit visit) {
  auto position = Position::Root;
  std::size_t lineStart = 0;
  std::size_t i = kScanStart;
  while (i < text.size()) {
    if (text[i] == '\n') {
      lineStart = i + 1;
    }
    if (text[i] != '=') {
      ++i;
      continue;
    }
    const std::size_t end = std::min(text.find('\n', i + 1), text.size());
    if (!visit(position, lineStart, i + 1, text.substr(i + 1, end - i - 1))) {
      return;
    }
    if (position != Position::ByKey) {
      position = static_cast<Position>(static_cast<int>(position) + 1);
    }
    lineStart = end + 1;
    i = end + 1;
  }
}

}  // namespace

std::string SettingsTextFromFileBytes(std::string_view bytes) {
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
      continue;  // the LF that follows stands for the pair
    }
    if (c == '\0') {
      break;
    }
    text.push_back(c);
  }
  return text;
}

PlaybackSettings ParseSettingsText(std::string_view text, PlaybackSettings current) {
  const std::string upper = UpperCaseAscii(text);
  if (!upper.starts_with(kUpperHeader)) {
    return current;
  }
  const std::string_view upperText = upper;
  ForEachValue(upperText.substr(0, kMaxSettingsTextLength),
               [&current](Position position, std::size_t, std::size_t, std::string_view value) {
                 if (position == Position::ByKey) {
                   return false;
                 }
                 Apply(position, value, current);
                 return true;
               });
  std::vector<std::vector<int>> customKeys{current.CustomKeys};
  ForEachValue(upperText, [&](Position position, std::size_t keyStart, std::size_t valueStart,
                              std::string_view value) {
    if (position == Position::ByKey) {
      ApplyByKey(upperText.substr(keyStart, valueStart - 1 - keyStart),
                 text.substr(valueStart, value.size()), current, customKeys);
    }
    return true;
  });
  // The last line that is a tuning of the instrument wins; without one, the tuning in force stays.
  const auto custom = std::find_if(customKeys.rbegin(), customKeys.rend(), [&](const auto& keys) {
    return IsCustomTuning(current.Strings, keys);
  });
  current.CustomKeys = custom != customKeys.rend() ? *custom : std::vector<int>{};
  return FittedToInstrument(current);
}

std::string FormatSettingsFile(const PlaybackSettings& settings) {
  std::string file;
  const auto line = [&file](std::string_view key, std::string_view value) {
    file.append(key).append(value).append(kLineEnd);
  };
  const auto keyLine = [&line](std::string_view key, std::string_view value) {
    line(std::string(key) + "=", value);
  };
  line(kHeader, "");
  line("Tuning=", settings.Root);
  line("MidiDev=", std::to_string(settings.DeviceIndex));
  line("MidiPatch=", std::to_string(settings.Instrument));
  line("Loop=", settings.Loop ? "true" : "false");
  // Stored files rely on the position rule: the rate has always stood under a second "MidiDev=".
  line("MidiDev=", std::to_string(settings.Rate));
  if (settings.ReferenceA4 != kDefaultReferenceA4) {
    keyLine(kReferenceA4Key, std::to_string(settings.ReferenceA4));
  }
  if (settings.Shape != TuningShape::Standard) {
    keyLine(kTuningShapeKey, ShapeEntry(settings.Shape).word);
  }
  if (!settings.DeviceName.empty()) {
    keyLine(kDeviceNameKey, settings.DeviceName);
  }
  if (settings.Strings != StringInstrument::Guitar6) {
    keyLine(kStringsKey, InstrumentOf(settings.Strings).word);
  }
  if (!settings.CustomKeys.empty()) {
    keyLine(kCustomTuningKey, FormatKeys(settings.CustomKeys));
  }
  return file;
}

}  // namespace morrowfane
