#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "model/Notes.h"

namespace morrowfane {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;

int SemitonesBetween(std::string_view from, std::string_view to) {
  return ((*PitchClass(from) - *PitchClass(to)) % 12 + 12) % 12;
}

struct RootCase {
  const char* root;
  Tuning expected;
  int semitonesDown;
};

class TuningForRootTable : public ::testing::TestWithParam<RootCase> {};

TEST_P(TuningForRootTable, GivesTheStandardTuningLoweredAsAWhole) {
  const auto& [root, expected, semitonesDown] = GetParam();
  const Tuning tuning = TuningForRoot(root);
  EXPECT_EQ(tuning, expected);
  EXPECT_EQ(tuning[0], root);
  EXPECT_EQ(tuning[5], tuning[0]);
  const Tuning standard = StandardTuning();
  for (int k = 0; k < kStringCount; ++k) {
    EXPECT_EQ(SemitonesBetween(standard[k], tuning[k]), semitonesDown) << "string " << k + 1;
  }
}

INSTANTIATE_TEST_SUITE_P(AllRoots, TuningForRootTable,
                         ::testing::Values(RootCase{"E", {"E", "A", "D", "G", "B", "E"}, 0},
                                           RootCase{"D#", {"D#", "G#", "C#", "F#", "A#", "D#"}, 1},
                                           RootCase{"D", {"D", "G", "C", "F", "A", "D"}, 2},
                                           RootCase{"C#", {"C#", "F#", "B", "E", "G#", "C#"}, 3},
                                           RootCase{"C", {"C", "F", "A#", "D#", "G", "C"}, 4},
                                           RootCase{"B", {"B", "E", "A", "D", "F#", "B"}, 5},
                                           RootCase{"A#", {"A#", "D#", "G#", "C#", "F", "A#"}, 6},
                                           RootCase{"A", {"A", "D", "G", "C", "E", "A"}, 7},
                                           RootCase{"G#", {"G#", "C#", "F#", "B", "D#", "G#"}, 8},
                                           RootCase{"G", {"G", "C", "F", "A#", "D", "G"}, 9},
                                           RootCase{"F#", {"F#", "B", "E", "A", "C#", "F#"}, 10},
                                           RootCase{"F", {"F", "A#", "D#", "G#", "C", "F"}, 11}),
                         [](const auto& info) {
                           std::string name = info.param.root;
                           return name.size() > 1 ? name.substr(0, 1) + "Sharp" : name;
                         });

TEST(TuningForRoot, TextOutsideTheTwelveNamesGivesSixEmptyNames) {
  for (const char* text : {"", "e", " E", "E ", "Eb", "H", "E#", "c#", "EE"}) {
    EXPECT_THAT(TuningForRoot(text), Each(std::string())) << '"' << text << '"';
  }
}

TEST(TuningForRoot, StandardTuningIsTheTuningOfE) {
  EXPECT_THAT(StandardTuning(), ElementsAre("E", "A", "D", "G", "B", "E"));
}

TEST(RootChoices, RunFromTheStandardTuningDownOneSemitoneAtATime) {
  EXPECT_EQ(kRootChoices.front(), "E");
  EXPECT_EQ(kRootChoices[1], "D#");
  EXPECT_EQ(kRootChoices.back(), "F");
  for (std::size_t i = 0; i < kRootChoices.size(); ++i) {
    EXPECT_EQ(SemitonesBetween("E", kRootChoices[i]), static_cast<int>(i));
  }
}

TEST(NoteIcon, UnlitIsEvenAndLitIsTheNextIdInOrderAToGSharp) {
  const char* iconOrder[] = {"A", "A#", "B", "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#"};
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(NoteIcon(iconOrder[i], false), 140 + 2 * i) << iconOrder[i];
    EXPECT_EQ(NoteIcon(iconOrder[i], true), 141 + 2 * i) << iconOrder[i];
  }
}

TEST(NoteIcon, KnownIds) {
  EXPECT_EQ(NoteIcon("A", false), 140);
  EXPECT_EQ(NoteIcon("G#", true), 163);
  EXPECT_EQ(NoteIcon("E", false), 154);
}

TEST(NoteIcon, TextOutsideTheTwelveNamesGivesTheFlag) {
  for (const char* text : {"", "a", "Ab", " A", "H"}) {
    EXPECT_EQ(NoteIcon(text, false), 0) << '"' << text << '"';
    EXPECT_EQ(NoteIcon(text, true), 1) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace morrowfane
