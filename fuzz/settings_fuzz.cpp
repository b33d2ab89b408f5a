// Fuzzes the settings file reader: any file must read without a crash, and every setting it
// yields must be one the reader accepts or the value that was in force before.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "model/Notes.h"
#include "settings/SettingsText.h"

namespace {

using morrowfane::StoredSettings;

constexpr std::uint64_t kFnvOffset = 14695981039346656037ULL;
constexpr std::uint64_t kFnvPrime = 1099511628211ULL;

void Require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "settings_fuzz: %s\n", what);
    std::abort();
  }
}

// Valid settings that differ from input to input, so "kept" is told apart from "defaulted".
StoredSettings PreviousSettingsFor(std::string_view bytes) {
  std::uint64_t hash = kFnvOffset;
  for (const char c : bytes) {
    hash = (hash ^ static_cast<unsigned char>(c)) * kFnvPrime;
  }
  const auto take = [&hash](int count) {
    const auto value = static_cast<int>(hash % static_cast<std::uint64_t>(count));
    hash /= static_cast<std::uint64_t>(count);
    return value;
  };
  StoredSettings previous;
  previous.Root = std::string(morrowfane::kNoteNames[take(morrowfane::kPitchClassCount)]);
  auto& playback = previous.Playback;
  playback.DeviceIndex =
      morrowfane::kMinStoredDeviceIndex +
      take(morrowfane::kMaxStoredDeviceIndex - morrowfane::kMinStoredDeviceIndex + 1);
  playback.Instrument =
      morrowfane::kMinStoredInstrument +
      take(morrowfane::kMaxStoredInstrument - morrowfane::kMinStoredInstrument + 1);
  playback.Loop = take(2) == 1;
  playback.Rate = morrowfane::kMinStoredRate +
                  take(morrowfane::kMaxStoredRate - morrowfane::kMinStoredRate + 1);
  return previous;
}

bool TakenOrKept(int value, int previous, int low, int high) {
  return value == previous || (value >= low && value <= high);
}

void CheckParsed(const StoredSettings& parsed, const StoredSettings& previous) {
  Require(parsed.Root == previous.Root || morrowfane::IsNoteName(parsed.Root),
          "root is neither a note name nor the previous one");
  const auto& now = parsed.Playback;
  const auto& before = previous.Playback;
  Require(TakenOrKept(now.DeviceIndex, before.DeviceIndex, morrowfane::kMinStoredDeviceIndex,
                      morrowfane::kMaxStoredDeviceIndex),
          "device index out of range");
  Require(TakenOrKept(now.Instrument, before.Instrument, morrowfane::kMinStoredInstrument,
                      morrowfane::kMaxStoredInstrument),
          "instrument out of range");
  Require(
      TakenOrKept(now.Rate, before.Rate, morrowfane::kMinStoredRate, morrowfane::kMaxStoredRate),
      "rate out of range");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const StoredSettings previous = PreviousSettingsFor(bytes);

  const std::string text = morrowfane::SettingsTextFromFileBytes(bytes);
  Require(text.size() <= morrowfane::kMaxSettingsTextLength, "text longer than the limit");
  Require(text.find('\0') == std::string::npos, "text holds a NUL");
  const StoredSettings parsed = morrowfane::ParseSettingsText(text, previous);
  CheckParsed(parsed, previous);

  // The parser itself has no length limit; any text must be safe to scan.
  CheckParsed(morrowfane::ParseSettingsText(bytes, previous), previous);

  // Whatever was read, the writer's file of it reads back to the same settings.
  const StoredSettings reread = morrowfane::ParseSettingsText(
      morrowfane::SettingsTextFromFileBytes(morrowfane::FormatSettingsFile(parsed)), previous);
  Require(reread == parsed, "the written settings do not read back");
  return 0;
}
