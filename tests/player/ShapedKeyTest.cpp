#include <gtest/gtest.h>

#include "RecordingMidiOutputs.h"
#include "VirtualClock.h"
#include "model/TuningShapes.h"
#include "player/TonePlayer.h"

namespace morrowfane {
namespace {

using testing::RecordingMidiOutputs;
using testing::VirtualClock;

constexpr int kBitsPerByte = 8;
constexpr midi::PackedMessage kDataMask = 0x7F;

// Each string button plays the name it shows; the note-on carries the shaped tuning's key.
TEST(ShapedKeyTest, EachStringsShownNameSoundsTheShapedKey) {
  VirtualClock clock;
  RecordingMidiOutputs outputs{0, [&clock] { return clock.Now(); }};
  TonePlayer player{outputs, clock};
  for (const TuningShapeEntry& entry : kTuningShapes) {
    for (const std::string_view root : kRootChoices) {
      PlaybackSettings settings;
      settings.Root = std::string(root);
      settings.Shape = entry.shape;
      settings.Loop = false;
      player.ApplySettings(settings);
      const Tuning shown = player.GetTuning();
      const auto keys = *ShapedKeys(root, entry.shape);
      for (int string = 1; string <= kStringCount; ++string) {
        const std::size_t before = outputs.Messages().size();
        player.Play(shown[string - 1], string);
        player.WaitIdle();
        // The program change, then the note-on: status, key, velocity from the low byte up.
        const auto messages = outputs.Messages();
        ASSERT_GE(messages.size(), before + 2);
        const midi::PackedMessage noteOn = messages[before + 1];
        EXPECT_EQ(midi::TypeOf(noteOn), midi::kNoteOn);
        EXPECT_EQ(static_cast<int>((noteOn >> kBitsPerByte) & kDataMask), keys[string - 1])
            << entry.word << " on " << root << ", string " << string;
      }
    }
  }
}

}  // namespace
}  // namespace morrowfane
