#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "model/PlaybackSettings.h"
#include "model/StringPitch.h"
#include "model/TuningShapes.h"

namespace morrowfane {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

using Keys = std::array<int, kStringCount>;

struct ShapeCase {
  TuningShape shape;
  Keys keysOnE;     // the shape on root E
  Tuning namesOnE;  // and the names the string buttons show
};

void PrintTo(const ShapeCase& c, std::ostream* os) {
  *os << ShapeEntry(c.shape).word;
}

class ShapeOnEveryRoot : public ::testing::TestWithParam<ShapeCase> {};

// Each root lowers the shape on E as a whole, one semitone per root down the list.
TEST_P(ShapeOnEveryRoot, GivesTheKeysAndNamesOfItsShapeOnELoweredByTheRoot) {
  const ShapeCase& c = GetParam();
  for (int down = 0; down < kPitchClassCount; ++down) {
    const std::string root(kRootChoices[down]);
    const PlaybackSettings settings{.Root = root, .Shape = c.shape};
    const auto keys = ShapedKeys(root, c.shape);
    ASSERT_TRUE(keys.has_value()) << root;
    const Tuning names = TuningOf(settings);
    for (int string = 1; string <= kStringCount; ++string) {
      const int key = (*keys)[string - 1];
      EXPECT_EQ(key, c.keysOnE[string - 1] - down) << root << " string " << string;
      EXPECT_GE(key, kLowestStringKey);
      EXPECT_LE(key, kHighestStringKey);
      EXPECT_EQ(PitchClass(names[string - 1]), key % kPitchClassCount) << root << " " << string;
      // The name a button shows leads back to the same key with the shape's lowering beside it.
      EXPECT_EQ(StringPitch(names[string - 1], string, ShapeSemitonesDown(c.shape, string)), key)
          << root << " string " << string;
    }
  }
  EXPECT_THAT(TuningOf({.Root = "E", .Shape = c.shape}), ElementsAreArray(c.namesOnE));
}

INSTANTIATE_TEST_SUITE_P(
    AllShapes, ShapeOnEveryRoot,
    ::testing::Values(
        ShapeCase{TuningShape::Standard, {40, 45, 50, 55, 59, 64}, {"E", "A", "D", "G", "B", "E"}},
        ShapeCase{TuningShape::DropD, {38, 45, 50, 55, 59, 64}, {"D", "A", "D", "G", "B", "E"}},
        ShapeCase{
            TuningShape::DoubleDropD, {38, 45, 50, 55, 59, 62}, {"D", "A", "D", "G", "B", "D"}},
        ShapeCase{TuningShape::Dadgad, {38, 45, 50, 55, 57, 62}, {"D", "A", "D", "G", "A", "D"}},
        ShapeCase{TuningShape::OpenD, {38, 45, 50, 54, 57, 62}, {"D", "A", "D", "F#", "A", "D"}},
        ShapeCase{TuningShape::OpenG, {38, 43, 50, 55, 59, 62}, {"D", "G", "D", "G", "B", "D"}}));

TEST(TuningShapes, LowestRootGivesTheLowestKeys) {
  EXPECT_THAT(*ShapedKeys("F", TuningShape::OpenG), ElementsAre(27, 32, 39, 44, 48, 51));
  EXPECT_THAT(TuningOf({.Root = "F", .Shape = TuningShape::OpenG}),
              ElementsAre("D#", "G#", "D#", "G#", "C", "D#"));
  EXPECT_EQ(ShapedKeys("F", TuningShape::DropD)->front(), 27);
}

TEST(TuningShapes, StandardShapeIsTheRootsTuning) {
  for (const std::string_view root : kRootChoices) {
    EXPECT_EQ(ShapedTuning(root, TuningShape::Standard), TuningForRoot(root)) << root;
  }
}

TEST(TuningShapes, AnUnknownRootGivesNoKeysAndEmptyNames) {
  EXPECT_FALSE(ShapedKeys("H", TuningShape::DropD).has_value());
  EXPECT_THAT(ShapedTuning("e", TuningShape::DropD), ::testing::Each(std::string()));
}

TEST(TuningShapes, SettingsWordsNameEachShapeInAnyCaseAndNothingElse) {
  for (const TuningShapeEntry& entry : kTuningShapes) {
    EXPECT_EQ(ShapeForWord(entry.word), entry.shape) << entry.word;
    EXPECT_EQ(entry.word.find(' '), std::string_view::npos) << entry.word;
  }
  EXPECT_EQ(ShapeForWord("dropd"), TuningShape::DropD);
  EXPECT_EQ(ShapeForWord("DADGAD"), TuningShape::Dadgad);
  for (const std::string_view other : {"", "Drop D", "OpenE", "DropD ", "Drop"}) {
    EXPECT_FALSE(ShapeForWord(other).has_value()) << '"' << other << '"';
  }
}

}  // namespace
}  // namespace morrowfane
