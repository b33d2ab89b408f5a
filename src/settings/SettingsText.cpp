#include "settings/SettingsText.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace morrowfane {
namespace {

constexpr std::string_view kHeader = "[MorrowFane]";
constexpr std::string_view kUpperHeader = "[MORROWFANE]";
constexpr std::string_view kLineEnd = "\r\n";
// The scan for "=" starts inside the header, which holds none.
constexpr std::size_t kScanStart = 10;

// Values are taken by their position among the "=" found, whatever the key says.
enum class Position { Root = 1, DeviceIndex, Instrument, Loop, Rate, Dropped };

constexpr std::string_view kTrue = "TRUE";
constexpr std::string_view kFalse = "FALSE";

bool IsBlank(char c) {
  // The C locale's white space: blank, tab, LF, VT, FF, CR.
  return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string UpperCaseAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return upper;
}

// Like atoi: leading white space, an optional sign, then digits up to the first non-digit; no
// digits give 0. A digit run too long for an int saturates rather than wrapping, so it lands
// outside every accepted range instead of posing as a small number.
int DecimalValue(std::string_view value) {
  constexpr std::int64_t kBase = 10;
  constexpr std::int64_t kSaturated = std::int64_t{std::numeric_limits<int>::max()} + 1;
  std::size_t i = 0;
  while (i < value.size() && IsBlank(value[i])) {
    ++i;
  }
  bool negative = false;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
    negative = value[i] == '-';
    ++i;
  }
  std::int64_t magnitude = 0;
  for (; i < value.size() && IsDigit(value[i]); ++i) {
    magnitude = std::min(magnitude * kBase + (value[i] - '0'), kSaturated);
  }
  const std::int64_t signedValue = negative ? -magnitude : magnitude;
  return static_cast<int>(std::clamp<std::int64_t>(signedValue, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}

void TakeIfWithin(int value, int low, int high, int& field) {
  if (value >= low && value <= high) {
    field = value;
  }
}

// `value` is already upper-cased.
void Apply(Position position, std::string_view value, StoredSettings& settings) {
  PlaybackSettings& playback = settings.Playback;
  switch (position) {
    case Position::Root:
      if (IsNoteName(value)) {
        settings.Root = std::string(value);
      }
      break;
    case Position::DeviceIndex:
      TakeIfWithin(DecimalValue(value), kMinStoredDeviceIndex, kMaxStoredDeviceIndex,
                   playback.DeviceIndex);
      break;
    case Position::Instrument:
      TakeIfWithin(DecimalValue(value), kMinStoredInstrument, kMaxStoredInstrument,
                   playback.Instrument);
      break;
    case Position::Loop:
      if (value == kTrue) {
        playback.Loop = true;
      } else if (value == kFalse) {
        playback.Loop = false;
      }
      break;
    case Position::Rate:
      TakeIfWithin(DecimalValue(value), kMinStoredRate, kMaxStoredRate, playback.Rate);
      break;
    case Position::Dropped:
      break;
  }
}

}  // namespace

std::string SettingsTextFromFileBytes(std::string_view bytes) {
  std::string text;
  for (std::size_t i = 0; i < bytes.size() && text.size() < kMaxSettingsTextLength; ++i) {
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

StoredSettings ParseSettingsText(std::string_view text, StoredSettings current) {
  const std::string upper = UpperCaseAscii(text);
  if (!upper.starts_with(kUpperHeader)) {
    return current;
  }
  const std::string_view scanned = upper;
  auto position = Position::Root;
  std::size_t i = kScanStart;
  while (i < scanned.size() && position != Position::Dropped) {
    if (scanned[i] != '=') {
      ++i;
      continue;
    }
    // The value runs to the end of its line and may itself hold "=", which starts nothing.
    const std::size_t end = std::min(scanned.find('\n', i + 1), scanned.size());
    Apply(position, scanned.substr(i + 1, end - i - 1), current);
    position = static_cast<Position>(static_cast<int>(position) + 1);
    i = end + 1;
  }
  return current;
}

std::string FormatSettingsFile(const StoredSettings& settings) {
  const PlaybackSettings& playback = settings.Playback;
  std::string file;
  const auto line = [&file](std::string_view key, std::string_view value) {
    file.append(key).append(value).append(kLineEnd);
  };
  line(kHeader, "");
  line("Tuning=", settings.Root);
  line("MidiDev=", std::to_string(playback.DeviceIndex));
  line("MidiPatch=", std::to_string(playback.Instrument));
  line("Loop=", playback.Loop ? "true" : "false");
  // Stored files rely on the position rule: the rate has always stood under a second "MidiDev=".
  line("MidiDev=", std::to_string(playback.Rate));
  return file;
}

}  // namespace morrowfane
