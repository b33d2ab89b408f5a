#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QPushButton>
#include <QRect>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "JackTestServer.h"
#include "app/TunerWindow.h"
#include "model/Instruments.h"
#include "player/TonePlayer.h"
#include "ports/ExternalMidiPorts.h"
#include "ports/SystemMidiOutputs.h"
#include "synth/BuiltInSynth.h"

namespace morrowfane {
namespace {

using std::chrono::milliseconds;
using testing::ChildProcess;
using testing::JackTestServer;
using testing::WaitFor;

constexpr milliseconds kWait{5000};
constexpr char kSink[] = "mf-strings";

// A note-on of `key` at velocity 126 on channel 1, as jack_midi_dump prints it.
std::string NoteOnText(int key) {
  char text[16];
  std::snprintf(text, sizeof text, "90 %02x 7e", key);
  return text;
}

// The real window with as many string buttons as the instrument has strings, its settings file
// naming the instrument and an external JACK port: its width, and the bytes keys 1 to N send.
struct StringCountCase {
  const char* word;
  // Pixels, with the default font: the window's width, the Options and the Close button.
  int width;
  QRect options;
  QRect close;
  std::vector<int> keys;
};

void PrintTo(const StringCountCase& c, std::ostream* os) {
  *os << c.word;
}

class StringCountJackTest : public ::testing::TestWithParam<StringCountCase> {
 protected:
  void SetUp() override {
    if (const std::string missing = testing::MissingJackMidiTools(); !missing.empty()) {
      GTEST_SKIP() << missing;
    }
    server_ = std::make_unique<JackTestServer>();
    ASSERT_TRUE(server_->Running()) << "jackd did not start";
    BuiltInSynthOptions silent;
    silent.soundFonts = std::vector<std::string>{};
    auto ports = std::make_unique<ExternalMidiPorts>();
    ports_ = ports.get();
    outputs_ = std::make_unique<SystemMidiOutputs>(std::make_unique<BuiltInSynth>(silent),
                                                   std::move(ports));
    sink_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"stdbuf", "-oL", "jack_midi_dump", kSink}, dump_.string());
    ASSERT_TRUE(WaitFor([&] { return ports_->Count() == 1; }, kWait)) << "no sink port";
    player_ = std::make_unique<TonePlayer>(*outputs_, sleeper_);
  }

  void TearDown() override {
    window_.reset();
    player_.reset();
    outputs_.reset();
    sink_.reset();
    server_.reset();
    std::filesystem::remove(dump_);
  }

  QTemporaryDir dir_;
  std::filesystem::path settingsPath_ =
      std::filesystem::path(dir_.path().toStdString()) / "morrowfane.ini";
  std::filesystem::path dump_ =
      std::filesystem::temp_directory_path() / ("mf-strings-" + std::to_string(getpid()));
  std::unique_ptr<JackTestServer> server_;
  std::unique_ptr<ChildProcess> sink_;
  ExternalMidiPorts* ports_ = nullptr;
  std::unique_ptr<SystemMidiOutputs> outputs_;
  SystemSleeper sleeper_;
  std::unique_ptr<TonePlayer> player_;
  StoredSettings settings_{settingsPath_};
  std::unique_ptr<TunerWindow> window_;
};

TEST_P(StringCountJackTest, WindowWidthAndTheKeysOfKeys1ToN) {
  const StringCountCase& c = GetParam();
  std::ofstream(settingsPath_, std::ios::binary)
      << "[MorrowFane]\r\nTuning=" << RootChoices(*InstrumentForWord(c.word))[0]
      << "\r\nMidiDev=1\r\nMidiPatch=33\r\nLoop=false\r\nMidiDev=300\r\nStrings=" << c.word
      << "\r\n";
  settings_.Load(*outputs_);
  window_ = std::make_unique<TunerWindow>(*player_, *outputs_, settings_);
  window_->show();
  QApplication::setActiveWindow(window_.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  EXPECT_EQ(window_->width(), c.width);
  // Options and Close keep their distance from the right edge.
  EXPECT_EQ(window_->OptionsButton().geometry(), c.options);
  EXPECT_EQ(window_->CloseButton().geometry(), c.close);

  for (std::size_t k = 0; k < c.keys.size(); ++k) {
    QTest::keyClick(window_.get(), static_cast<Qt::Key>(Qt::Key_1 + static_cast<int>(k)));
    const std::string expected = NoteOnText(c.keys[k]);
    // Each key's note-on follows the last one's: every earlier note-on is already in the dump.
    EXPECT_TRUE(WaitFor(
        [&] {
          const std::string dump = testing::ReadText(dump_.string());
          std::size_t at = 0;
          for (std::size_t i = 0; i <= k; ++i) {
            at = dump.find(NoteOnText(c.keys[i]), at);
            if (at == std::string::npos) {
              return false;
            }
            ++at;
          }
          return true;
        },
        kWait))
        << "key " << k + 1 << ": no " << expected << " after the earlier keys' notes\n"
        << testing::ReadText(dump_.string());
    player_->WaitIdle();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Instruments, StringCountJackTest,
    ::testing::Values(
        StringCountCase{
            "Bass4", 243, QRect(90, 57, 68, 23), QRect(165, 57, 68, 23), {28, 33, 38, 43}},
        StringCountCase{
            "Bass5", 243, QRect(90, 57, 68, 23), QRect(165, 57, 68, 23), {23, 28, 33, 38, 43}},
        StringCountCase{"Guitar7",
                        281,
                        QRect(128, 57, 67, 23),
                        QRect(203, 57, 67, 23),
                        {35, 40, 45, 50, 55, 59, 64}}),
    [](const auto& info) { return std::string(info.param.word); });

}  // namespace
}  // namespace morrowfane
