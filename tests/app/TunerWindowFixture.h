#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "RecordingMidiOutputs.h"
#include "VirtualClock.h"
#include "app/TunerWindow.h"
#include "model/Notes.h"
#include "player/MidiMessage.h"
#include "ui/IconButton.h"

namespace morrowfane {

using testing::RecordingMidiOutputs;
using testing::VirtualClock;
using Icons = std::array<int, kStringCount>;

// Settings that strike each note once, so the player's workers end on their own in virtual time.
inline constexpr char kStrikeOnce[] =
    "[MorrowFane]\r\nTuning=E\r\nMidiDev=0\r\nMidiPatch=0\r\nLoop=false\r\nMidiDev=300\r\n";

inline constexpr Icons kStandardUnlit = {154, 140, 150, 160, 144, 154};  // E A D G B E
inline constexpr Icons kRootGUnlit = {160, 146, 156, 142, 150, 160};     // G C F A# D G

class TunerWindowTest : public ::testing::Test {
 protected:
  void WriteSettings(const std::string& text) {
    std::ofstream(settingsPath_, std::ios::binary) << text;
  }

  std::optional<std::string> ReadSettings() const {
    std::ifstream in(settingsPath_, std::ios::binary);
    if (!in) {
      return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // Reads the settings file over the settings played so far, as the program does at its start,
  // then builds and shows the window; save errors are recorded instead of shown.
  TunerWindow& Open() {
    window_.reset();
    settings_.emplace(settingsPath_);
    settings_->Set(player_.Settings());
    settings_->Load(outputs_);
    window_.emplace(player_, outputs_, *settings_);
    window_->SetSaveErrorReporter(
        [this](QWidget*, const QString& text) { saveErrors_.push_back(text); });
    window_->show();
    window_->activateWindow();
    QApplication::setActiveWindow(&*window_);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&*window_));
    return *window_;
  }

  Icons ShownIcons() {
    Icons icons{};
    for (int k = 1; k <= kStringCount; ++k) {
      icons[k - 1] = window_->StringButton(k).ActiveIconId();
    }
    return icons;
  }

  // Keys of the note-ons the player's workers have sent so far.
  std::vector<int> NoteOnKeys() {
    player_.WaitIdle();
    std::vector<int> keys;
    for (const midi::PackedMessage message : outputs_.Messages()) {
      if (midi::TypeOf(message) == midi::kNoteOn) {
        keys.push_back(midi::Data1Of(message));
      }
    }
    return keys;
  }

  void Press(int stringNumber) {
    QTest::mouseClick(&window_->StringButton(stringNumber), Qt::LeftButton);
    player_.WaitIdle();
  }

  QTemporaryDir dir_;
  std::filesystem::path settingsPath_ =
      std::filesystem::path(dir_.path().toStdString()) / "morrowfane.ini";
  // Events carry the player's virtual time.
  RecordingMidiOutputs outputs_{2, [this] { return playerClock_.Now(); }};
  VirtualClock playerClock_;
  TonePlayer player_{outputs_, playerClock_};
  std::optional<StoredSettings> settings_;
  std::optional<TunerWindow> window_;
  std::vector<QString> saveErrors_;
};

}  // namespace morrowfane
