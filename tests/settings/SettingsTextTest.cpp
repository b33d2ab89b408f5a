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
};

class FormatSettingsFileTable : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatSettingsFileTable, WritesSixCrLfLines) {
  EXPECT_EQ(FormatSettingsFile(GetParam().settings), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Settings, FormatSettingsFileTable, ::testing::ValuesIn(kFormatCases),
                         [](const auto& info) { return std::string(info.param.name); });

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
