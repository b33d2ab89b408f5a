#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>

#include "SettingsTestFiles.h"
#include "settings/Settings.h"

namespace morrowfane {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using testing::EntryNames;
using testing::TemporaryDirectory;
using testing::WriteBytes;

// A file text (LF line ends) and what reading it must give. An empty expectation means the value
// in force before reading stays; the tuning then is the standard one, which reading starts from.
struct LoadCase {
  const char* name;
  std::optional<std::string> file = std::nullopt;  // none: there is no file
  std::optional<std::string> root = std::nullopt;
  std::optional<int> deviceIndex = std::nullopt;
  std::optional<int> instrument = std::nullopt;
  std::optional<bool> loop = std::nullopt;
  std::optional<int> rate = std::nullopt;
};

void PrintTo(const LoadCase& loadCase, std::ostream* out) {
  *out << loadCase.name;
}

const std::string kHeader = "[MorrowFane]\n";

const LoadCase kLoadCases[] = {
    {.name = "NoFile", .file = std::nullopt},
    {.name = "EmptyFile", .file = ""},
    {.name = "DefaultFile",
     .file = kHeader + "Tuning=E\nMidiDev=0\nMidiPatch=0\nLoop=true\nMidiDev=300\n",
     .root = "E",
     .deviceIndex = 0,
     .instrument = 0,
     .loop = true,
     .rate = 300},
    {.name = "LowerCaseHeaderAndValues",
     .file = "[morrowfane]\ntuning=g\nmididev=1\nmidipatch=2\nloop=false\nmididev=40\n",
     .root = "G",
     .deviceIndex = 1,
     .instrument = 2,
     .loop = false,
     .rate = 40},
    {.name = "HeaderAfterEmptyLine", .file = "\n" + kHeader + "Tuning=G\nMidiDev=1\nMidiPatch=2\n"},
    {.name = "HeaderAfterBlank", .file = " " + kHeader + "Tuning=G\nMidiDev=1\nMidiPatch=2\n"},
    {.name = "HeaderAfterByteOrderMark",
     .file = "\xEF\xBB\xBF" + kHeader + "Tuning=G\nMidiDev=1\n"},
    {.name = "HeaderMisspelt", .file = "[MorrowFan]\nTuning=G\nMidiDev=1\nMidiPatch=2\n"},
    {.name = "HeaderOnly", .file = "[MorrowFane]"},
    {.name = "HeaderWithMoreOnItsLine", .file = "[MorrowFane] x\nTuning=G\n", .root = "G"},
    {.name = "KeysAreNotLookedAt",
     .file = kHeader + "a=D\nb=2\nc=25\nd=false\ne=120\n",
     .root = "D",
     .deviceIndex = 2,
     .instrument = 25,
     .loop = false,
     .rate = 120},
    {.name = "LinesWithoutEqualsUseNoPosition",
     .file = kHeader + "just a comment\nTuning F\n=F\nMidiDev 9\nMidiDev=9\n",
     .root = "F",
     .deviceIndex = 9},
    {.name = "RootInLowerCase",
     .file = kHeader + "Tuning=d#\nMidiDev=1\n",
     .root = "D#",
     .deviceIndex = 1},
    {.name = "RootNotANoteName", .file = kHeader + "Tuning=H\nMidiDev=1\n", .deviceIndex = 1},
    {.name = "RootFlat", .file = kHeader + "Tuning=Eb\n"},
    {.name = "RootWithLeadingBlank", .file = kHeader + "Tuning= G\n"},
    {.name = "RootEmpty", .file = kHeader + "Tuning=\nMidiDev=1\n", .deviceIndex = 1},
    {.name = "ValueHoldingEquals", .file = kHeader + "Tuning=G=A\nMidiDev=2\n", .deviceIndex = 2},
    {.name = "DeviceEmpty",
     .file = kHeader + "Tuning=A\nMidiDev=\n",
     .root = "A",
     .deviceIndex = 0},
    {.name = "DeviceNotANumber",
     .file = kHeader + "Tuning=A\nMidiDev=abc\n",
     .root = "A",
     .deviceIndex = 0},
    {.name = "DeviceAboveFourTaken",
     .file = kHeader + "Tuning=A\nMidiDev=5\n",
     .root = "A",
     .deviceIndex = 5},
    {.name = "DeviceHighest",
     .file = kHeader + "Tuning=A\nMidiDev=255\n",
     .root = "A",
     .deviceIndex = 255},
    {.name = "DeviceTooHigh", .file = kHeader + "Tuning=A\nMidiDev=256\n", .root = "A"},
    {.name = "DeviceNegative", .file = kHeader + "Tuning=A\nMidiDev=-1\n", .root = "A"},
    {.name = "InstrumentTooHigh",
     .file = kHeader + "x=A\nx=1\nMidiPatch=128\n",
     .root = "A",
     .deviceIndex = 1},
    {.name = "InstrumentHighest",
     .file = kHeader + "x=A\nx=1\nMidiPatch=127\n",
     .root = "A",
     .deviceIndex = 1,
     .instrument = 127},
    {.name = "InstrumentTrailingLetters",
     .file = kHeader + "x=A\nx=1\nMidiPatch=12abc\n",
     .root = "A",
     .deviceIndex = 1,
     .instrument = 12},
    {.name = "InstrumentLeadingBlank",
     .file = kHeader + "x=A\nx=1\nMidiPatch= 7\n",
     .root = "A",
     .deviceIndex = 1,
     .instrument = 7},
    {.name = "InstrumentLeadingTabAndPlus",
     .file = kHeader + "x=A\nx=1\nMidiPatch=\t+9\n",
     .root = "A",
     .deviceIndex = 1,
     .instrument = 9},
    {.name = "InstrumentMinusZero",
     .file = kHeader + "x=A\nx=1\nMidiPatch=-0\n",
     .root = "A",
     .deviceIndex = 1,
     .instrument = 0},
    {.name = "InstrumentSignAlone",
     .file = kHeader + "x=A\nx=1\nMidiPatch=- 5\n",
     .root = "A",
     .deviceIndex = 1,
     .instrument = 0},
    {.name = "LoopMixedCase",
     .file = kHeader + "x=A\nx=1\nx=2\nLoop=False\n",
     .root = "A",
     .deviceIndex = 1,
     .instrument = 2,
     .loop = false},
    {.name = "LoopTrueWithTrailingBlank",
     .file = kHeader + "x=A\nx=1\nx=2\nLoop=true \n",
     .root = "A",
     .deviceIndex = 1,
     .instrument = 2},
    {.name = "LoopFalseWithTrailingBlank",
     .file = kHeader + "x=A\nx=1\nx=2\nLoop=false \n",
     .root = "A",
     .deviceIndex = 1,
     .instrument = 2},
    {.name = "LoopOtherWord",
     .file = kHeader + "x=A\nx=1\nx=2\nLoop=yes\n",
     .root = "A",
     .deviceIndex = 1,
     .instrument = 2},
    {.name = "LoopAsNumber",
     .file = kHeader + "x=A\nx=1\nx=2\nLoop=0\n",
     .root = "A",
     .deviceIndex = 1,
     .instrument = 2},
    {.name = "RateBelowRange",
     .file = kHeader + "x=A\nx=1\nx=2\nx=true\nMidiDev=19\n",
     .root = "A",
     .deviceIndex = 1,
     .instrument = 2,
     .loop = true},
    {.name = "RateLowest",
     .file = kHeader + "x=A\nx=1\nx=2\nx=true\nMidiDev=20\n",
     .root = "A",
     .deviceIndex = 1,
     .instrument = 2,
     .loop = true,
     .rate = 20},
    {.name = "RateAboveTwoHundredTaken",
     .file = kHeader + "x=A\nx=1\nx=2\nx=true\nMidiDev=250\n",
     .root = "A",
     .deviceIndex = 1,
     .instrument = 2,
     .loop = true,
     .rate = 250},
    {.name = "RateHighest",
     .file = kHeader + "x=A\nx=1\nx=2\nx=true\nMidiDev=400\n",
     .root = "A",
     .deviceIndex = 1,
     .instrument = 2,
     .loop = true,
     .rate = 400},
    {.name = "RateAboveRange",
     .file = kHeader + "x=A\nx=1\nx=2\nx=true\nMidiDev=401\n",
     .root = "A",
     .deviceIndex = 1,
     .instrument = 2,
     .loop = true},
    {.name = "ValuesFromTheSixthOnDropped",
     .file =
         kHeader +
         "Tuning=A\nMidiDev=1\nMidiPatch=2\nLoop=false\nMidiDev=30\nx=1\nTuning=G\nMidiDev=33\n",
     .root = "A",
     .deviceIndex = 1,
     .instrument = 2,
     .loop = false,
     .rate = 30},
    {.name = "OnlyTheRoot", .file = kHeader + "Tuning=G\n", .root = "G"},
    {.name = "NoFinalLineEnd",
     .file = kHeader + "Tuning=G\nMidiDev=7",
     .root = "G",
     .deviceIndex = 7},
    // Digit runs that wrap to an accepted number in 32 or 64 bits must stay out of range.
    {.name = "DeviceTwoToThe32", .file = kHeader + "Tuning=A\nMidiDev=4294967296\n", .root = "A"},
    {.name = "DeviceTwoToThe64PlusOne",
     .file = kHeader + "Tuning=A\nMidiDev=18446744073709551617\n",
     .root = "A"},
    {.name = "InstrumentWrapsFromBelow",
     .file = kHeader + "x=A\nx=1\nMidiPatch=-4294967295\n",
     .root = "A",
     .deviceIndex = 1},
    {.name = "RateTwoToThe32Plus40",
     .file = kHeader + "x=A\nx=1\nx=2\nx=true\nMidiDev=4294967336\n",
     .root = "A",
     .deviceIndex = 1,
     .instrument = 2,
     .loop = true},
    {.name = "InstrumentHundredDigits",
     .file = kHeader + "x=A\nx=1\nMidiPatch=" + std::string(100, '9') + "\n",
     .root = "A",
     .deviceIndex = 1},
    {.name = "InstrumentLeadingZeros",
     .file = kHeader + "x=A\nx=1\nMidiPatch=" + std::string(150, '0') + "42\n",
     .root = "A",
     .deviceIndex = 1,
     .instrument = 42},
    // The 200-character limit counts a CR LF pair as one character; "#" is the 201st here.
    {.name = "LimitCutsAValue", .file = kHeader + std::string(184, '\n') + "a=G#\n", .root = "G"},
    {.name = "LimitBeforeTheEquals", .file = kHeader + std::string(186, '\n') + "a=G\n"},
    {.name = "NulEndsTheText",
     .file = kHeader + "Tuning=G\nMidiDev=1\0 2\nMidiPatch=5\n"s,
     .root = "G",
     .deviceIndex = 1},
    {.name = "NulBeforeTheHeaderEnds", .file = "[Morrow\0Fane]\nTuning=G\n"s},
};

enum class LineEnds { Lf, CrLf };
enum class Start { Fresh, ChangedSettings };

const PlaybackSettings kChangedSettings{
    .DeviceIndex = 3, .Instrument = 77, .Loop = false, .Rate = 150};

std::string WithLineEnds(const std::string& text, LineEnds lineEnds) {
  if (lineEnds == LineEnds::Lf) {
    return text;
  }
  std::string converted;
  for (const char c : text) {
    if (c == '\n') {
      converted += '\r';
    }
    converted += c;
  }
  return converted;
}

class LoadSettingsTable : public ::testing::TestWithParam<std::tuple<LoadCase, LineEnds, Start>> {};

TEST_P(LoadSettingsTable, TakesTheAcceptedValuesByPosition) {
  const auto& [loadCase, lineEnds, start] = GetParam();
  TemporaryDirectory directory;
  const fs::path file = directory.Path() / kSettingsFileName;
  if (loadCase.file) {
    WriteBytes(file, WithLineEnds(*loadCase.file, lineEnds));
  }
  PlaybackSettings before;
  if (start == Start::ChangedSettings) {
    before = kChangedSettings;
    before.Root = "C";
  }

  const PlaybackSettings loaded = LoadSettings(file, before);

  const std::string root = loadCase.root.value_or(before.Root);
  const PlaybackSettings expected{.DeviceIndex = loadCase.deviceIndex.value_or(before.DeviceIndex),
                                  .Instrument = loadCase.instrument.value_or(before.Instrument),
                                  .Loop = loadCase.loop.value_or(before.Loop),
                                  .Rate = loadCase.rate.value_or(before.Rate),
                                  .Root = root};
  EXPECT_EQ(loaded, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, LoadSettingsTable,
    ::testing::Combine(::testing::ValuesIn(kLoadCases),
                       ::testing::Values(LineEnds::Lf, LineEnds::CrLf),
                       ::testing::Values(Start::Fresh, Start::ChangedSettings)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) +
             (std::get<1>(info.param) == LineEnds::CrLf ? "_CrLf" : "_Lf") +
             (std::get<2>(info.param) == Start::ChangedSettings ? "_FromChangedSettings" : "");
    });

TEST(LoadSettings, ADirectoryInPlaceOfTheFileLeavesTheDefaults) {
  TemporaryDirectory directory;
  const fs::path file = directory.Path() / "morrowfane.ini";
  fs::create_directory(file);
  EXPECT_EQ(LoadSettings(file), PlaybackSettings{});
}

// Restores the working directory when the test ends.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const fs::path& directory) : previous_(fs::current_path()) {
    fs::current_path(directory);
  }
  ~WorkingDirectory() { fs::current_path(previous_); }
  WorkingDirectory(const WorkingDirectory&) = delete;
  WorkingDirectory& operator=(const WorkingDirectory&) = delete;

 private:
  fs::path previous_;
};

TEST(SettingsFile, IsOpenedByItsBareNameInTheWorkingDirectory) {
  TemporaryDirectory directory;
  const WorkingDirectory inside(directory.Path());
  const PlaybackSettings saved{
      .DeviceIndex = 6, .Instrument = 33, .Loop = false, .Rate = 222, .Root = "A#"};
  ASSERT_EQ(SaveSettings(saved), std::nullopt);
  EXPECT_EQ(EntryNames(directory.Path()), std::vector<std::string>{"morrowfane.ini"});

  EXPECT_EQ(LoadSettings(), saved);
}

}  // namespace
}  // namespace morrowfane
