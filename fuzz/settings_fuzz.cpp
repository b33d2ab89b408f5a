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

using morrowfane::PlaybackSettings;

constexpr std::uint64_t kFnvOffset = 14695981039346656037ULL;
constexpr std::uint64_t kFnvPrime = 1099511628211ULL;

void Require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "settings_fuzz: %s\n", what);
    std::abort();
  }
}

// Valid settings that differ from input to input, so "kept" is told apart from "defaulted".
PlaybackSettings PreviousSettingsFor(std::string_view bytes) {
  std::uint64_t hash = kFnvOffset;
  for (const char c : bytes) {
    hash = (hash ^ static_cast<unsigned char>(c)) * kFnvPrime;
  }
  const auto take = [&hash](int count) {
    const auto value = static_cast<int>(hash % static_cast<std::uint64_t>(count));
    hash /= static_cast<std::uint64_t>(count);
    return value;
  };
  PlaybackSettings previous;
  previous.Root = std::string(morrowfane::kNoteNames[take(morrowfane::kPitchClassCount)]);
  previous.DeviceIndex = morrowfane::kMinDeviceIndex +
                         take(morrowfane::kMaxDeviceIndex - morrowfane::kMinDeviceIndex + 1);
  previous.Instrument = morrowfane::kMinInstrument +
                        take(morrowfane::kMaxInstrument - morrowfane::kMinInstrument + 1);
  previous.Loop = take(2) == 1;
  previous.Rate = morrowfane::kMinRate + take(morrowfane::kMaxRate - morrowfane::kMinRate + 1);
  previous.ReferenceA4 = morrowfane::kMinReferenceA4 +
                         take(morrowfane::kMaxReferenceA4 - morrowfane::kMinReferenceA4 + 1);
  return previous;
}

bool TakenOrKept(int value, int previous, int low, int high) {
  return value == previous || (value >= low && value <= high);
}

void CheckParsed(const PlaybackSettings& parsed, const PlaybackSettings& previous) {
  Require(parsed.Root == previous.Root || morrowfane::IsNoteName(parsed.Root),
          "root is neither a note name nor the previous one");
  Require(TakenOrKept(parsed.DeviceIndex, previous.DeviceIndex, morrowfane::kMinDeviceIndex,
                      morrowfane::kMaxDeviceIndex),
          "device index out of range");
  Require(TakenOrKept(parsed.Instrument, previous.Instrument, morrowfane::kMinInstrument,
                      morrowfane::kMaxInstrument),
          "instrument out of range");
  Require(TakenOrKept(parsed.Rate, previous.Rate, morrowfane::kMinRate, morrowfane::kMaxRate),
          "rate out of range");
  Require(TakenOrKept(parsed.ReferenceA4, previous.ReferenceA4, morrowfane::kMinReferenceA4,
                      morrowfane::kMaxReferenceA4),
          "reference pitch out of range");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const PlaybackSettings previous = PreviousSettingsFor(bytes);

  const std::string text = morrowfane::SettingsTextFromFileBytes(bytes);
  Require(text.size() <= bytes.size(), "text longer than the file");
  Require(text.find('\0') == std::string::npos, "text holds a NUL");
  const PlaybackSettings parsed = morrowfane::ParseSettingsText(text, previous);
  CheckParsed(parsed, previous);

  // The parser itself has no length limit; any text must be safe to scan.
  CheckParsed(morrowfane::ParseSettingsText(bytes, previous), previous);

  // Whatever was read, the writer's file of it reads back to the same settings.
  const PlaybackSettings reread = morrowfane::ParseSettingsText(
      morrowfane::SettingsTextFromFileBytes(morrowfane::FormatSettingsFile(parsed)), previous);
  Require(reread == parsed, "the written settings do not read back");
  return 0;
}
