#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "model/PlaybackSettings.h"
#include "model/TuningShapes.h"

namespace morrowfane {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

using Keys = std::vector<int>;

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
    const auto keys = ShapedKeys(StringInstrument::Guitar6, root, c.shape);
    ASSERT_TRUE(keys.has_value()) << root;
    const Tuning names = TuningOf(settings);
    for (int string = 1; string <= kStringCount; ++string) {
      const int key = (*keys)[string - 1];
      EXPECT_EQ(key, c.keysOnE[string - 1] - down) << root << " string " << string;
      EXPECT_TRUE(KeysSounded(StringInstrument::Guitar6).Contains(key));
      EXPECT_EQ(PitchClass(names[string - 1]), key % kPitchClassCount) << root << " " << string;
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
        ShapeCase{TuningShape::OpenG, {38, 43, 50, 55, 59, 62}, {"D", "G", "D", "G", "B", "D"}},
        ShapeCase{TuningShape::OpenE, {40, 47, 52, 56, 59, 64}, {"E", "B", "E", "G#", "B", "E"}},
        ShapeCase{TuningShape::OpenA, {40, 45, 52, 57, 61, 64}, {"E", "A", "E", "A", "C#", "E"}},
        ShapeCase{TuningShape::OpenC, {36, 43, 48, 55, 60, 64}, {"C", "G", "C", "G", "C", "E"}}));

TEST(TuningShapes, LowestRootGivesTheLowestKeys) {
  constexpr auto kGuitar = StringInstrument::Guitar6;
  EXPECT_THAT(*ShapedKeys(kGuitar, "F", TuningShape::OpenG), ElementsAre(27, 32, 39, 44, 48, 51));
  EXPECT_THAT(TuningOf({.Root = "F", .Shape = TuningShape::OpenG}),
              ElementsAre("D#", "G#", "D#", "G#", "C", "D#"));
  EXPECT_EQ(ShapedKeys(kGuitar, "F", TuningShape::DropD)->front(), 27);
}

TEST(TuningShapes, StandardShapeIsTheRootsTuning) {
  for (const std::string_view root : kRootChoices) {
    EXPECT_EQ(TuningOf({.Root = std::string(root)}), TuningForRoot(root)) << root;
  }
}

TEST(TuningShapes, AnUnknownRootGivesNoKeysAndEmptyNames) {
  EXPECT_FALSE(ShapedKeys(StringInstrument::Guitar6, "H", TuningShape::DropD).has_value());
  EXPECT_THAT(TuningOf({.Root = "e", .Shape = TuningShape::DropD}), ::testing::Each(std::string()));
}

TEST(TuningShapes, SettingsWordsNameEachShapeInAnyCaseAndNothingElse) {
  for (const TuningShapeEntry& entry : kTuningShapes) {
    EXPECT_EQ(ShapeForWord(entry.word), entry.shape) << entry.word;
    EXPECT_EQ(entry.word.find(' '), std::string_view::npos) << entry.word;
  }
  EXPECT_EQ(ShapeForWord("dropd"), TuningShape::DropD);
  EXPECT_EQ(ShapeForWord("DADGAD"), TuningShape::Dadgad);
  EXPECT_EQ(ShapeForWord("OPENE"), TuningShape::OpenE);
  for (const std::string_view other : {"", "Drop D", "Open E", "DropD ", "Drop"}) {
    EXPECT_FALSE(ShapeForWord(other).has_value()) << '"' << other << '"';
  }
}

}  // namespace
}  // namespace morrowfane
