#include <gtest/gtest.h>

#include "model/StringPitch.h"

namespace morrowfane {
namespace {

// The table as published, rows in the order F, F#, G, G#, A, A#, B, C, C#, D, D#, E.
constexpr const char* kRowNames[] = {"F", "F#", "G",  "G#", "A",  "A#",
                                     "B", "C",  "C#", "D",  "D#", "E"};
constexpr int kTable[12][6] = {
    {29, 41, 41, 53, 53, 53}, {30, 42, 42, 54, 54, 54}, {31, 43, 43, 55, 55, 55},
    {32, 44, 44, 44, 56, 56}, {33, 45, 45, 45, 57, 57}, {34, 34, 46, 46, 58, 58},
    {35, 35, 47, 47, 59, 59}, {36, 36, 48, 48, 48, 60}, {37, 37, 49, 49, 49, 61},
    {38, 38, 50, 50, 50, 62}, {39, 39, 39, 51, 51, 63}, {40, 40, 40, 52, 52, 64},
};

TEST(StringPitch, MatchesAll72EntriesOfTheTable) {
  for (int row = 0; row < 12; ++row) {
    for (int string = 1; string <= 6; ++string) {
      EXPECT_EQ(StringPitch(kRowNames[row], string), kTable[row][string - 1])
          << kRowNames[row] << " on string " << string;
    }
  }
}

TEST(StringPitch, EveryKeyLiesInTheStringsWindowWithTheNamesPitchClass) {
  for (std::string_view name : kNoteNames) {
    for (int string = 1; string <= 6; ++string) {
      const int key = StringPitch(name, string);
      const int open = kOpenStringKeys[string - 1];
      EXPECT_GE(key, open - 11);
      EXPECT_LE(key, open);
      EXPECT_EQ(key % 12, *PitchClass(name));
    }
    EXPECT_EQ(StringPitch(name, 6), StringPitch(name, 1) + 24);
  }
}

TEST(StringPitch, EachTuningSoundsItsSemitonesBelowTheStandardKeys) {
  for (int down = 0; down < 12; ++down) {
    const Tuning tuning = TuningForRoot(kRootChoices[down]);
    for (int string = 1; string <= 6; ++string) {
      EXPECT_EQ(StringPitch(tuning[string - 1], string), kOpenStringKeys[string - 1] - down);
    }
  }
}

struct OutsideCase {
  const char* name;
  int string;
};

TEST(StringPitch, InputOutsideTheTableGivesTheStringNumber) {
  const OutsideCase cases[] = {{"E", 7}, {"E", 0},  {"E", -1}, {"", 3},
                               {"e", 1}, {"G ", 4}, {"Gb", 2}, {"E", 1000}};
  for (const auto& [name, string] : cases) {
    EXPECT_EQ(StringPitch(name, string), string) << '"' << name << "\" " << string;
  }
}

}  // namespace
}  // namespace morrowfane
