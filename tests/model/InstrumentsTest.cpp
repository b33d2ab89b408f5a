#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "model/Instruments.h"
#include "model/PlaybackSettings.h"

namespace morrowfane {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using Keys = std::vector<int>;
using Names = std::vector<std::string>;

// Every instrument's tunings, string 1 first: the standard tuning, each named tuning, and the
// lowest root where it matters.
struct TuningCase {
  StringInstrument instrument;
  const char* root;
  TuningShape shape;
  Keys keys;  // empty: not offered there
  Names names;
};

void PrintTo(const TuningCase& c, std::ostream* os) {
  *os << InstrumentOf(c.instrument).word << " " << c.root << " " << ShapeEntry(c.shape).word;
}

class InstrumentTuningTable : public ::testing::TestWithParam<TuningCase> {};

TEST_P(InstrumentTuningTable, GivesEachStringsKeyAndName) {
  const TuningCase& c = GetParam();
  const PlaybackSettings settings{.Root = c.root, .Shape = c.shape, .Strings = c.instrument};
  const auto keys = ShapedKeys(c.instrument, c.root, c.shape);
  if (c.keys.empty()) {
    EXPECT_FALSE(keys.has_value());
    return;
  }
  ASSERT_TRUE(keys.has_value());
  EXPECT_THAT(*keys, ElementsAreArray(c.keys));
  EXPECT_THAT(KeysOf(settings).value_or(Keys{}), ElementsAreArray(c.keys));
  EXPECT_THAT(TuningOf(settings), ElementsAreArray(c.names));
  EXPECT_EQ(static_cast<int>(c.keys.size()), InstrumentOf(c.instrument).stringCount);
}

using I = StringInstrument;
using S = TuningShape;
INSTANTIATE_TEST_SUITE_P(
    All, InstrumentTuningTable,
    ::testing::Values(
        TuningCase{
            I::Guitar6, "E", S::Standard, {40, 45, 50, 55, 59, 64}, {"E", "A", "D", "G", "B", "E"}},
        TuningCase{
            I::Guitar6, "E", S::OpenE, {40, 47, 52, 56, 59, 64}, {"E", "B", "E", "G#", "B", "E"}},
        TuningCase{
            I::Guitar6, "E", S::OpenA, {40, 45, 52, 57, 61, 64}, {"E", "A", "E", "A", "C#", "E"}},
        TuningCase{
            I::Guitar6, "E", S::OpenC, {36, 43, 48, 55, 60, 64}, {"C", "G", "C", "G", "C", "E"}},
        TuningCase{I::Guitar6,
                   "F",
                   S::OpenC,
                   {25, 32, 37, 44, 49, 53},
                   {"C#", "G#", "C#", "G#", "C#", "F"}},
        TuningCase{I::Guitar6, "E", S::LowG, {}, {}},
        TuningCase{I::Guitar7,
                   "B",
                   S::Standard,
                   {35, 40, 45, 50, 55, 59, 64},
                   {"B", "E", "A", "D", "G", "B", "E"}},
        TuningCase{I::Guitar7,
                   "C",
                   S::Standard,
                   {24, 29, 34, 39, 44, 48, 53},
                   {"C", "F", "A#", "D#", "G#", "C", "F"}},
        TuningCase{I::Guitar7, "B", S::DropD, {}, {}},
        TuningCase{I::Bass4, "E", S::Standard, {28, 33, 38, 43}, {"E", "A", "D", "G"}},
        TuningCase{I::Bass4, "E", S::DropD, {26, 33, 38, 43}, {"D", "A", "D", "G"}},
        TuningCase{I::Bass4, "C#", S::DropD, {23, 30, 35, 40}, {"B", "F#", "B", "E"}},
        TuningCase{I::Bass4, "C", S::DropD, {}, {}},  // string 1 would be A#0
        TuningCase{I::Bass4, "B", S::Standard, {23, 28, 33, 38}, {"B", "E", "A", "D"}},
        TuningCase{I::Bass4, "A#", S::Standard, {}, {}},
        TuningCase{I::Bass5, "B", S::Standard, {23, 28, 33, 38, 43}, {"B", "E", "A", "D", "G"}},
        TuningCase{I::Bass5, "B", S::DropD, {}, {}},
        TuningCase{I::Ukulele, "G", S::Standard, {67, 60, 64, 69}, {"G", "C", "E", "A"}},
        TuningCase{I::Ukulele, "G", S::LowG, {55, 60, 64, 69}, {"G", "C", "E", "A"}},
        TuningCase{I::Ukulele, "G", S::UkuleleD, {69, 62, 66, 71}, {"A", "D", "F#", "B"}},
        TuningCase{I::Ukulele, "G#", S::Standard, {56, 49, 53, 58}, {"G#", "C#", "F", "A#"}},
        TuningCase{I::BaritoneUkulele, "D", S::Standard, {50, 55, 59, 64}, {"D", "G", "B", "E"}},
        TuningCase{I::Mandolin, "G", S::Standard, {55, 62, 69, 76}, {"G", "D", "A", "E"}},
        TuningCase{I::Banjo5, "G", S::Standard, {67, 50, 55, 59, 62}, {"G", "D", "G", "B", "D"}},
        TuningCase{I::Violin, "G", S::Standard, {55, 62, 69, 76}, {"G", "D", "A", "E"}},
        TuningCase{I::Viola, "C", S::Standard, {48, 55, 62, 69}, {"C", "G", "D", "A"}},
        TuningCase{I::Cello, "C", S::Standard, {36, 43, 50, 57}, {"C", "G", "D", "A"}},
        TuningCase{I::Cello, "C", S::OpenG, {}, {}},
        TuningCase{I::DoubleBass, "E", S::Standard, {28, 33, 38, 43}, {"E", "A", "D", "G"}},
        TuningCase{I::DoubleBass, "E", S::DropD, {}, {}}));

// What each instrument offers as a whole: its root list, the program it proposes, and the range
// of keys its tunings can sound, which the pitch correction covers.
struct OfferCase {
  StringInstrument instrument;
  Names roots;
  int program;
  KeyRange sounded;
};

class InstrumentOfferTable : public ::testing::TestWithParam<OfferCase> {};

TEST_P(InstrumentOfferTable, RootsProgramAndKeysSounded) {
  const OfferCase& c = GetParam();
  EXPECT_THAT(RootChoices(c.instrument), ElementsAreArray(c.roots));
  for (std::size_t down = 0; down < c.roots.size(); ++down) {
    EXPECT_EQ(RootLowering(c.instrument, c.roots[down]), static_cast<int>(down));
  }
  EXPECT_EQ(InstrumentOf(c.instrument).program, c.program);
  EXPECT_EQ(KeysSounded(c.instrument), c.sounded);
  EXPECT_GE(c.sounded.first, kPlayableKeys.first);
  EXPECT_LE(c.sounded.last, kPlayableKeys.last);
}

const Names kTwelveFromE = {"E", "D#", "D", "C#", "C", "B", "A#", "A", "G#", "G", "F#", "F"};

INSTANTIATE_TEST_SUITE_P(
    All, InstrumentOfferTable,
    ::testing::Values(OfferCase{I::Guitar6, kTwelveFromE, kKeepProgram, {25, 68}},
                      OfferCase{I::Guitar7,
                                {"B", "A#", "A", "G#", "G", "F#", "F", "E", "D#", "D", "C#", "C"},
                                kKeepProgram,
                                {23, 68}},
                      OfferCase{I::Bass4, {"E", "D#", "D", "C#", "C", "B"}, 33, {23, 47}},
                      OfferCase{I::Bass5, {"B"}, 33, {23, 47}},
                      OfferCase{I::Ukulele,
                                {"G", "F#", "F", "E", "D#", "D", "C#", "C", "B", "A#", "A", "G#"},
                                24,
                                {44, 73}},  // Low G on G#
                      OfferCase{I::BaritoneUkulele,
                                {"D", "C#", "C", "B", "A#", "A", "G#", "G", "F#", "F", "E", "D#"},
                                24,
                                {38, 68}},
                      OfferCase{I::Banjo5,
                                {"G", "F#", "F", "E", "D#", "D", "C#", "C", "B", "A#", "A", "G#"},
                                105,
                                {38, 71}},
                      OfferCase{I::Violin,
                                {"G", "F#", "F", "E", "D#", "D", "C#", "C", "B", "A#", "A", "G#"},
                                40,
                                {43, 80}},
                      OfferCase{I::Cello,
                                {"C", "B", "A#", "A", "G#", "G", "F#", "F", "E", "D#", "D", "C#"},
                                42,
                                {24, 61}},
                      OfferCase{I::DoubleBass, {"E", "D#", "D", "C#", "C", "B"}, 43, {23, 47}}));

// A string's own note may go 12 semitones down and 4 up, within B0..G#5.
TEST(Instruments, CustomKeysStayWithinTheirStringsRangeAndThePlayableKeys) {
  EXPECT_EQ(CustomKeyRange(I::Guitar6, 1), (KeyRange{28, 44}));
  EXPECT_EQ(CustomKeyRange(I::Bass5, 1), (KeyRange{23, 27}));
  EXPECT_EQ(CustomKeyRange(I::Violin, 4), (KeyRange{64, 80}));
  EXPECT_EQ(CustomKeyRange(I::Violin, 5), KeyRange{});
  EXPECT_TRUE(IsCustomTuning(I::Bass4, Keys{28, 33, 38, 47}));
  EXPECT_TRUE(IsCustomTuning(I::Bass4, Keys{23, 23, 26, 31}));
  EXPECT_FALSE(IsCustomTuning(I::Bass4, Keys{22, 33, 38, 43}));  // below B0
  EXPECT_FALSE(IsCustomTuning(I::Bass4, Keys{28, 33, 38, 48}));  // 5 up
  EXPECT_FALSE(IsCustomTuning(I::Bass4, Keys{28, 33, 38}));
  EXPECT_FALSE(IsCustomTuning(I::Bass4, Keys{28, 33, 38, 43, 48}));
  const PlaybackSettings custom{.Strings = I::Bass4, .CustomKeys = {26, 33, 39, 43}};
  EXPECT_THAT(TuningOf(custom), ElementsAre("D", "A", "D#", "G"));
}

TEST(Instruments, SettingsWordsNameEachInstrumentInAnyCase) {
  for (const InstrumentEntry& entry : kInstruments) {
    EXPECT_EQ(InstrumentForWord(entry.word), entry.instrument) << entry.word;
  }
  EXPECT_EQ(InstrumentForWord("bass4"), I::Bass4);
  for (const char* other : {"", "Bass", "Guitar 6", "Bass4 ", "Piano"}) {
    EXPECT_FALSE(InstrumentForWord(other).has_value()) << '"' << other << '"';
  }
}

TEST(NoteWithOctave, NamesTheKeyAndItsOctaveFromC) {
  EXPECT_EQ(NoteWithOctave(23), "B0");
  EXPECT_EQ(NoteWithOctave(24), "C1");
  EXPECT_EQ(NoteWithOctave(51), "D#3");
  EXPECT_EQ(NoteWithOctave(60), "C4");
  EXPECT_EQ(NoteWithOctave(80), "G#5");
  EXPECT_EQ(NoteWithOctave(0), "C-1");
}

}  // namespace
}  // namespace morrowfane
