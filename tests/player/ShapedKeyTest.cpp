#include <gtest/gtest.h>

#include "RecordingMidiOutputs.h"
#include "VirtualClock.h"
#include "model/Instruments.h"
#include "player/TonePlayer.h"

namespace morrowfane {
namespace {

using testing::RecordingMidiOutputs;
using testing::VirtualClock;

constexpr int kBitsPerByte = 8;
constexpr midi::PackedMessage kDataMask = 0x7F;

// Each string sounds its key in every tuning of every instrument: root, shape or one's own.
TEST(ShapedKeyTest, EachStringSoundsTheKeyOfItsTuning) {
  VirtualClock clock;
  RecordingMidiOutputs outputs{0, [&clock] { return clock.Now(); }};
  TonePlayer player{outputs, clock};
  for (const InstrumentEntry& instrument : kInstruments) {
    std::vector<PlaybackSettings> tunings;
    for (const std::string& root : RootChoices(instrument.instrument)) {
      for (const TuningShape shape : instrument.shapes) {
        tunings.push_back({.Root = root, .Shape = shape, .Strings = instrument.instrument});
      }
    }
    // One's own: each string at the top of its range.
    PlaybackSettings custom{.Strings = instrument.instrument};
    for (int string = 1; string <= instrument.stringCount; ++string) {
      custom.CustomKeys.push_back(CustomKeyRange(instrument.instrument, string).last);
    }
    tunings.push_back(custom);
    for (PlaybackSettings settings : tunings) {
      settings.Loop = false;
      player.ApplySettings(settings);
      const auto keys = KeysOf(settings);
      if (!keys) {
        continue;  // a shape that would leave the playable keys on this root
      }
      ASSERT_EQ(static_cast<int>(keys->size()), instrument.stringCount);
      for (int string = 1; string <= instrument.stringCount; ++string) {
        const std::size_t before = outputs.Messages().size();
        player.Play(string);
        player.WaitIdle();
        // The program change, then the note-on: status, key, velocity from the low byte up.
        const auto messages = outputs.Messages();
        ASSERT_GE(messages.size(), before + 2);
        const midi::PackedMessage noteOn = messages[before + 1];
        EXPECT_EQ(midi::TypeOf(noteOn), midi::kNoteOn);
        EXPECT_EQ(static_cast<int>((noteOn >> kBitsPerByte) & kDataMask),
                  (*keys)[static_cast<std::size_t>(string - 1)])
            << instrument.word << " on " << settings.Root << " " << ShapeEntry(settings.Shape).word
            << ", string " << string;
      }
    }
  }
}

}  // namespace
}  // namespace morrowfane
