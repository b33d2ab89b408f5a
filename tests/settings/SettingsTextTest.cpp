#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "SettingsTestFiles.h"
#include "settings/Settings.h"
#include "settings/SettingsText.h"

namespace morrowfane {
namespace {

using namespace std::string_literals;

struct TextCase {
  const char* name;
  std::string bytes;
  std::string text;
};

const TextCase kTextCases[] = {
    {"CrLfBecomesLf", "a\r\nb\r\n", "a\nb\n"},
    {"LoneCrStays", "a\rb", "a\rb"},
    {"CrAtTheEndStays", "a\r", "a\r"},
    {"CrBeforeCrLfStays", "a\r\r\nb", "a\r\nb"},
    {"LfCrIsNoPair", "a\n\rb", "a\n\rb"},
    {"NulEndsTheText", "ab\0cd"s, "ab"},
    {"NulFirst", "\0ab"s, ""},
    {"LongTextKept", std::string(5000, 'x'), std::string(5000, 'x')},
    {"HighBytesKept", "\xE4\xFF", "\xE4\xFF"},
};

class SettingsTextFromFileBytesTable : public ::testing::TestWithParam<TextCase> {};

TEST_P(SettingsTextFromFileBytesTable, ReadsLikeTextMode) {
  EXPECT_EQ(SettingsTextFromFileBytes(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Bytes, SettingsTextFromFileBytesTable, ::testing::ValuesIn(kTextCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ParseSettingsText, ACrLeftInAValueKeepsItFromBeingAccepted) {
  // A CR that is not part of a CR LF pair stays in the text and so in the value.
  const std::string text = SettingsTextFromFileBytes(
      "[MorrowFane]\r\nTuning=G\r\r\nMidiDev=1\r\r\nMidiPatch=2\r\nLoop=false\r\r\n");
  EXPECT_EQ(ParseSettingsText(text, {}),
            (PlaybackSettings{.DeviceIndex = 1, .Instrument = 2, .Loop = true}))
      << "numbers stop at the CR; words must match whole";
}

// The five positional values count only within the first 200 characters of the text, where a
// CR LF pair is one character; lines read by key count anywhere in the text.
struct LimitCase {
  const char* name;
  std::string bytes;
  PlaybackSettings expected;
};

// A file whose rate value starts at character 198 of the text, with `lineEnd` after each line.
std::string RateAtTheLimit(const std::string& lineEnd, const std::string& rate) {
  const std::string padding(151, '#');
  return "[MorrowFane]" + lineEnd + padding + lineEnd + "Tuning=A" + lineEnd + "MidiDev=1" +
         lineEnd + "x=" + lineEnd + "y=" + lineEnd + "MidiDev=" + rate + lineEnd;
}

const LimitCase kLimitCases[] = {
    {"RateEndsAtTheLimit", RateAtTheLimit("\n", "25"), {.DeviceIndex = 1, .Rate = 25, .Root = "A"}},
    {"RateCutAtTheLimit", RateAtTheLimit("\n", "250"), {.DeviceIndex = 1, .Rate = 25, .Root = "A"}},
    {"CrLfPairsCountOnce",
     RateAtTheLimit("\r\n", "250"),
     {.DeviceIndex = 1, .Rate = 25, .Root = "A"}},
    {"CutRateOutOfRange", RateAtTheLimit("\n", " 250"), {.DeviceIndex = 1, .Root = "A"}},
    {"KeyedLineBeyondTheLimit",
     "[MorrowFane]\nTuning=A\nMidiDev=1\nMidiPatch=2\nLoop=true\nMidiDev=300\n" +
         std::string(3000, '#') + "\nreferencea4 = 432\n",
     {.DeviceIndex = 1, .Instrument = 2, .Root = "A", .ReferenceA4 = 432}},
};

class PositionalLimitTable : public ::testing::TestWithParam<LimitCase> {};

TEST_P(PositionalLimitTable, CountsOnlyWithinTheFirst200Characters) {
  EXPECT_EQ(ParseSettingsText(SettingsTextFromFileBytes(GetParam().bytes), {}),
            GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, PositionalLimitTable, ::testing::ValuesIn(kLimitCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct FormatCase {
  const char* name;
  PlaybackSettings settings;
  std::string bytes;
};

const FormatCase kFormatCases[] = {
    {"Defaults",
     {},
     "[MorrowFane]\r\nTuning=E\r\nMidiDev=0\r\nMidiPatch=0\r\nLoop=true\r\nMidiDev=300\r\n"},
    {"SharpRootLoopOff",
     {.DeviceIndex = 7, .Instrument = 127, .Loop = false, .Rate = 400, .Root = "C#"},
     "[MorrowFane]\r\nTuning=C#\r\nMidiDev=7\r\nMidiPatch=127\r\nLoop=false\r\nMidiDev=400\r\n"},
    // The options dialog's "no selection" is written as it is, and not taken back.
    {"NoDeviceSelected",
     {.DeviceIndex = -1, .Instrument = 5, .Loop = true, .Rate = 20, .Root = "A"},
     "[MorrowFane]\r\nTuning=A\r\nMidiDev=-1\r\nMidiPatch=5\r\nLoop=true\r\nMidiDev=20\r\n"},
    {"EmptyRoot",
     {.Root = ""},
     "[MorrowFane]\r\nTuning=\r\nMidiDev=0\r\nMidiPatch=0\r\nLoop=true\r\nMidiDev=300\r\n"},
    // Lines read by key follow the six, each only when its value is not the default.
    {"ReferenceA4At432",
     {.ReferenceA4 = 432},
     "[MorrowFane]\r\nTuning=E\r\nMidiDev=0\r\nMidiPatch=0\r\nLoop=true\r\nMidiDev=300\r\n"
     "ReferenceA4=432\r\n"},
    {"DropDOnF",
     {.Root = "F", .Shape = TuningShape::DropD},
     "[MorrowFane]\r\nTuning=F\r\nMidiDev=0\r\nMidiPatch=0\r\nLoop=true\r\nMidiDev=300\r\n"
     "TuningShape=DropD\r\n"},
    {"AllKeyedLines",
     {.DeviceIndex = 1,
      .ReferenceA4 = 460,
      .DeviceName = "mf-sink:input",
      .Shape = TuningShape::OpenG},
     "[MorrowFane]\r\nTuning=E\r\nMidiDev=1\r\nMidiPatch=0\r\nLoop=true\r\nMidiDev=300\r\n"
     "ReferenceA4=460\r\nTuningShape=OpenG\r\nMidiDevName=mf-sink:input\r\n"},
    {"UkuleleLowG",
     {.Root = "G", .Shape = TuningShape::LowG, .Strings = StringInstrument::Ukulele},
     "[MorrowFane]\r\nTuning=G\r\nMidiDev=0\r\nMidiPatch=0\r\nLoop=true\r\nMidiDev=300\r\n"
     "TuningShape=LowG\r\nStrings=Ukulele\r\n"},
    // Root and shape stay for when the user leaves Custom.
    {"Bass4Custom",
     {.Root = "D",
      .Shape = TuningShape::DropD,
      .Strings = StringInstrument::Bass4,
      .CustomKeys = {23, 33, 38, 47}},
     "[MorrowFane]\r\nTuning=D\r\nMidiDev=0\r\nMidiPatch=0\r\nLoop=true\r\nMidiDev=300\r\n"
     "TuningShape=DropD\r\nStrings=Bass4\r\nCustomTuning=23,33,38,47\r\n"},
};

class FormatSettingsFileTable : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatSettingsFileTable, WritesSixCrLfLinesAndTheKeyedOnesNotAtTheirDefault) {
  EXPECT_EQ(FormatSettingsFile(GetParam().settings), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Settings, FormatSettingsFileTable, ::testing::ValuesIn(kFormatCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Lines after the six values, read by their key in any case; a value that is not accepted or an
// unknown key keeps the value in force.
struct KeyedCase {
  const char* name;
  std::string lines;
  PlaybackSettings expected;
};

const std::string kSixLines =
    "[MorrowFane]\nTuning=A\nMidiDev=2\nMidiPatch=24\nLoop=true\nMidiDev=300\n";
const PlaybackSettings kSix{.DeviceIndex = 2, .Instrument = 24, .Root = "A"};

PlaybackSettings SixOn(StringInstrument strings, std::string root = "A",
                       std::vector<int> customKeys = {}) {
  PlaybackSettings settings = kSix;
  settings.Strings = strings;
  settings.Root = std::move(root);
  settings.CustomKeys = std::move(customKeys);
  return settings;
}

PlaybackSettings SixWith(int referenceA4, TuningShape shape, std::string deviceName = {}) {
  PlaybackSettings settings = kSix;
  settings.ReferenceA4 = referenceA4;
  settings.Shape = shape;
  settings.DeviceName = std::move(deviceName);
  return settings;
}

const KeyedCase kKeyedCases[] = {
    {"OnlySixValues", "", kSix},
    {"ReferenceA4", "ReferenceA4=432\n", SixWith(432, TuningShape::Standard)},
    {"ReferenceA4Lowest", "ReferenceA4=420\n", SixWith(420, TuningShape::Standard)},
    {"ReferenceA4Highest", "REFERENCEA4= 460 \n", SixWith(460, TuningShape::Standard)},
    {"ReferenceA4BelowRange", "ReferenceA4=419\n", kSix},
    {"ReferenceA4AboveRange", "ReferenceA4=461\n", kSix},
    {"ReferenceA4LeadingDigits", "ReferenceA4=432Hz\n", SixWith(432, TuningShape::Standard)},
    {"ReferenceA4NotANumber", "ReferenceA4=A432\n", kSix},
    {"UnknownKey", "Temperament=Werckmeister\n", kSix},
    {"Shape", "TuningShape=DADGAD\n", SixWith(440, TuningShape::Dadgad)},
    {"ShapeAnyCase", "tuningshape=opend\n", SixWith(440, TuningShape::OpenD)},
    {"ShapeBlanksAround", "TuningShape =\tDoubleDropD \n", SixWith(440, TuningShape::DoubleDropD)},
    {"ShapeRaisingStrings", "TuningShape=OpenE\n", SixWith(440, TuningShape::OpenE)},
    {"ShapeUnknownWord", "TuningShape=OpenF\n", kSix},
    {"ShapeTheInstrumentLacksIsStandard", "TuningShape=LowG\n", kSix},
    {"ShapeLabelIsNoWord", "TuningShape=Drop D\n", kSix},
    {"ShapeEmpty", "TuningShape=\n", kSix},
    {"LaterLineWins", "TuningShape=OpenG\nTuningShape=DropD\n", SixWith(440, TuningShape::DropD)},
    {"BadLaterLineKeepsEarlier", "TuningShape=OpenG\nTuningShape=x\n",
     SixWith(440, TuningShape::OpenG)},
    {"AllInAnyOrder", "MidiDevName=port B\nTuningShape=OpenG\nx=1\nReferenceA4=442\n",
     SixWith(442, TuningShape::OpenG, "port B")},
    {"Strings", "Strings=Violin\n", SixOn(StringInstrument::Violin)},
    {"StringsDefaultWord", "Strings=Guitar6\n", kSix},
    {"StringsAnyCaseLowestRoot", "strings = doublebass\n",
     SixOn(StringInstrument::DoubleBass, "B")},
    {"StringsUnknown", "Strings=Banjo4\n", kSix},
    {"StringsLabelIsNoWord", "Strings=Bass, 4 strings\n", kSix},
    {"CustomTuning", "CustomTuning=38,45,50,55,59,62\n",
     SixOn(StringInstrument::Guitar6, "A", {38, 45, 50, 55, 59, 62})},
    {"CustomTuningBeforeItsStrings", "CustomTuning=28,33,38,43\nStrings=Bass4\n",
     SixOn(StringInstrument::Bass4, "B", {28, 33, 38, 43})},
    {"CustomTuningLowestAndHighest", "Strings=Bass5\nCustomTuning=23,23,23,26,47\n",
     SixOn(StringInstrument::Bass5, "B", {23, 23, 23, 26, 47})},
    {"CustomTuningTooFewKeys", "CustomTuning=40,45,50,55,59\n", kSix},
    {"CustomTuningTooManyKeys", "CustomTuning=40,45,50,55,59,64,64\n", kSix},
    {"CustomTuningKeysForOtherStrings", "CustomTuning=28,33,38,43\n", kSix},
    {"CustomTuningMoreThan12Down", "CustomTuning=27,45,50,55,59,64\n", kSix},
    {"CustomTuningMoreThan4Up", "CustomTuning=40,45,50,55,59,69\n", kSix},
    {"CustomTuningBelowB0", "Strings=Bass5\nCustomTuning=22,28,33,38,43\n",
     SixOn(StringInstrument::Bass5, "B")},
    {"CustomTuningSpaces", "CustomTuning=40, 45,50,55,59,64\n", kSix},
    {"CustomTuningNotDecimal", "CustomTuning=40,45,50,55,59,0x40\n", kSix},
    {"CustomTuningEmptyKey", "CustomTuning=40,45,,50,55,59\n", kSix},
    {"BadCustomTuningKeepsEarlier", "CustomTuning=38,45,50,55,59,62\nCustomTuning=1,2\n",
     SixOn(StringInstrument::Guitar6, "A", {38, 45, 50, 55, 59, 62})},
};

class KeyedLinesTable : public ::testing::TestWithParam<KeyedCase> {};

TEST_P(KeyedLinesTable, AreReadByKeyAndAcceptedValuesOnly) {
  const KeyedCase& c = GetParam();
  EXPECT_EQ(ParseSettingsText(SettingsTextFromFileBytes(kSixLines + c.lines), {}), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Lines, KeyedLinesTable, ::testing::ValuesIn(kKeyedCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Every instrument with each of its shapes, its lowest root and a tuning of one's own, and a
// moved reference pitch, come back from the bytes they are written as; the six-string guitar
// writes no line of its own.
TEST(FormatSettingsFile, EachInstrumentShapeAndReferencePitchReadsBack) {
  for (const InstrumentEntry& instrument : kInstruments) {
    std::vector<PlaybackSettings> cases;
    for (const TuningShape shape : instrument.shapes) {
      for (const int referenceA4 : {kMinReferenceA4, kDefaultReferenceA4, kMaxReferenceA4}) {
        PlaybackSettings settings = SixWith(referenceA4, shape, "Port 2");
        settings.Strings = instrument.instrument;
        settings.Root = RootChoices(instrument.instrument).back();
        if (ShapedKeys(settings.Strings, settings.Root, shape)) {
          cases.push_back(settings);
        }
      }
    }
    PlaybackSettings custom = SixOn(instrument.instrument, RootChoices(instrument.instrument)[0]);
    for (int string = 1; string <= instrument.stringCount; ++string) {
      custom.CustomKeys.push_back(CustomKeyRange(instrument.instrument, string).first);
    }
    cases.push_back(custom);
    for (const PlaybackSettings& settings : cases) {
      const std::string bytes = FormatSettingsFile(settings);
      EXPECT_EQ(ParseSettingsText(SettingsTextFromFileBytes(bytes), {}), settings) << bytes;
      EXPECT_EQ(bytes.find("TuningShape") == std::string::npos,
                settings.Shape == TuningShape::Standard)
          << bytes;
      EXPECT_EQ(bytes.find("ReferenceA4") == std::string::npos,
                settings.ReferenceA4 == kDefaultReferenceA4)
          << bytes;
      EXPECT_EQ(bytes.find("Strings=") == std::string::npos,
                instrument.instrument == StringInstrument::Guitar6)
          << bytes;
      EXPECT_EQ(bytes.find("CustomTuning=") == std::string::npos, settings.CustomKeys.empty())
          << bytes;
    }
  }
}

struct ErrorCase {
  int errorNumber;
  const char* file;
  SaveError::Cause cause;
  const char* message;
};

class SaveErrorForTable : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(SaveErrorForTable, NamesTheCauseAndTheFile) {
  const ErrorCase& c = GetParam();
  const SaveError error = SaveErrorFor(c.errorNumber, c.file);
  EXPECT_EQ(error.cause, c.cause);
  EXPECT_EQ(error.message, c.message);
}

// EDQUOT is a POSIX cause; Windows has no disk quota error number.
const ErrorCase kErrorCases[] = {
    {EACCES, "morrowfane.ini", SaveError::Cause::AccessDenied,
     "Access to morrowfane.ini was denied."},
    {EPERM, "/home/user/morrowfane.ini", SaveError::Cause::AccessDenied,
     "Access to morrowfane.ini was denied."},
    {EROFS, "morrowfane.ini", SaveError::Cause::AccessDenied,
     "Access to morrowfane.ini was denied."},
    {ENOSPC, "dir/morrowfane.ini", SaveError::Cause::DiskFull,
     "Disk full while accessing morrowfane.ini."},
#if defined(EDQUOT)
    {EDQUOT, "morrowfane.ini", SaveError::Cause::DiskFull,
     "Disk full while accessing morrowfane.ini."},
#endif
    {EIO, "morrowfane.ini", SaveError::Cause::Other,
     "An unexpected file error occurred while accessing morrowfane.ini."},
    {EISDIR, "other.ini", SaveError::Cause::Other,
     "An unexpected file error occurred while accessing other.ini."},
    {EFBIG, "morrowfane.ini", SaveError::Cause::Other,
     "An unexpected file error occurred while accessing morrowfane.ini."},
};

INSTANTIATE_TEST_SUITE_P(ErrorNumbers, SaveErrorForTable, ::testing::ValuesIn(kErrorCases));

}  // namespace
}  // namespace morrowfane
