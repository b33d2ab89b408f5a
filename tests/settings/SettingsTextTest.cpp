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
    {"LongTextCut", std::string(250, 'x'), std::string(200, 'x')},
    {"PairsCountAsOneCharacter", std::string(199, 'x') + "\r\nyz", std::string(199, 'x') + "\n"},
    {"OnlyPairs",
     [] {
       std::string pairs;
       for (int i = 0; i < 300; ++i) {
         pairs += "\r\n";
       }
       return pairs;
     }(),
     std::string(200, '\n')},
    {"NulAfterTheLimitDoesNotMatter", std::string(200, 'x') + "\0"s, std::string(200, 'x')},
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
  const StoredSettings parsed = ParseSettingsText(text, {});
  EXPECT_EQ(parsed.Root, "E");
  EXPECT_EQ(parsed.Playback, (PlaybackSettings{1, 2, true, kDefaultRate}))
      << "numbers stop at the CR; words must match whole";
}

struct FormatCase {
  const char* name;
  StoredSettings settings;
  std::string bytes;
};

const FormatCase kFormatCases[] = {
    {"Defaults",
     {},
     "[MorrowFane]\r\nTuning=E\r\nMidiDev=0\r\nMidiPatch=0\r\nLoop=true\r\nMidiDev=300\r\n"},
    {"SharpRootLoopOff",
     {"C#", {7, 127, false, 400}},
     "[MorrowFane]\r\nTuning=C#\r\nMidiDev=7\r\nMidiPatch=127\r\nLoop=false\r\nMidiDev=400\r\n"},
    // The options dialog's "no selection" is written as it is, and not taken back.
    {"NoDeviceSelected",
     {"A", {-1, 5, true, 20}},
     "[MorrowFane]\r\nTuning=A\r\nMidiDev=-1\r\nMidiPatch=5\r\nLoop=true\r\nMidiDev=20\r\n"},
    {"EmptyRoot",
     {"", {0, 0, true, 300}},
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
