#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <optional>
#include <ostream>
#include <string>

#include "PlayerSettings.h"
#include "RecordingMidiOutputs.h"
#include "ui/DeviceComboBox.h"
#include "ui/OptionsDialog.h"

namespace morrowfane {
namespace {

using testing::RecordingMidiOutputs;

// The options dialog's device list: raw names with their states worded beside them, and a
// remembered device that is not there.
class OptionsDialogDevicesTest : public ::testing::Test {
 protected:
  OptionsDialog& Open(PlaybackSettings settings = {}) {
    dialog_.emplace(outputs_, std::move(settings));
    dialog_->show();
    return *dialog_;
  }

  RecordingMidiOutputs outputs_{2};
  std::optional<OptionsDialog> dialog_;
};

// Each device is listed by its raw name with its state in words; OK stores the raw name.
struct DeviceStateCase {
  int deviceId;
  DeviceState state;
  const char* label;
};

void PrintTo(const DeviceStateCase& c, std::ostream* os) {
  *os << c.label;
}

class DeviceStates : public OptionsDialogDevicesTest,
                     public ::testing::WithParamInterface<DeviceStateCase> {};

TEST_P(DeviceStates, AreWordedBesideTheNameWhichOkStores) {
  const DeviceStateCase& c = GetParam();
  outputs_.SetState(c.deviceId, c.state);
  OptionsDialog& dialog = Open();
  DeviceComboBox& list = dialog.DeviceList();
  list.setCurrentIndex(c.deviceId + 1);
  EXPECT_EQ(list.currentText(), QString::fromUtf8(c.label));
  EXPECT_EQ(list.toolTip(), QString::fromUtf8(c.label));

  // Closed, the state shows in full and the name gives way; opened, every entry shows whole.
  const QString closed = list.ClosedText();
  const QString stateText = DeviceComboBox::StateText(c.state);
  EXPECT_TRUE(closed.endsWith(stateText.isEmpty() ? QString() : stateText + QLatin1Char(')')))
      << closed.toStdString();
  EXPECT_LE(list.fontMetrics().horizontalAdvance(closed), list.width()) << closed.toStdString();
  list.showPopup();
  EXPECT_GE(list.view()->viewport()->width(), list.view()->sizeHintForColumn(0));
  list.hidePopup();

  QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
  EXPECT_EQ(dialog.Settings().DeviceIndex, c.deviceId + 1);
  EXPECT_EQ(dialog.Settings().DeviceName, c.deviceId < 0 ? "" : outputs_.DeviceName(c.deviceId));
}

INSTANTIATE_TEST_SUITE_P(
    States, DeviceStates,
    ::testing::Values(DeviceStateCase{-1, DeviceState::NoAudioOutput,
                                      "Recording default device (no audio output)"},
                      DeviceStateCase{-1, DeviceState::NoSoundFont,
                                      "Recording default device (no SoundFont found)"},
                      DeviceStateCase{-1, DeviceState::SoundFontUnusable,
                                      "Recording default device (SoundFont unusable)"},
                      DeviceStateCase{0, DeviceState::ServerAway,
                                      "Recording device 0 (no JACK server)"},
                      DeviceStateCase{1, DeviceState::Ready, "Recording device 1"}));

// A remembered device is found by its name; one that is not there stays listed and chosen, and a
// plain OK keeps its name and stored position.
struct RememberedCase {
  const char* name;
  int storedIndex;
  int selected;
  const char* shown;
};

void PrintTo(const RememberedCase& c, std::ostream* os) {
  *os << c.name << " stored at " << c.storedIndex;
}

class RememberedDevices : public OptionsDialogDevicesTest,
                          public ::testing::WithParamInterface<RememberedCase> {};

TEST_P(RememberedDevices, AreChosenByNameAndKeptByOk) {
  const RememberedCase& c = GetParam();
  OptionsDialog& dialog =
      Open(PlaybackSettings{.DeviceIndex = c.storedIndex, .DeviceName = c.name});
  EXPECT_EQ(dialog.DeviceList().currentIndex(), c.selected);
  EXPECT_EQ(dialog.DeviceList().currentText(), QString::fromUtf8(c.shown));
  QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
  EXPECT_EQ(dialog.Settings().DeviceName, c.name);
  EXPECT_EQ(dialog.Settings().DeviceIndex, c.selected == 3 ? c.storedIndex : c.selected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, RememberedDevices,
    ::testing::Values(RememberedCase{"Recording device 0", 2, 1, "Recording device 0"},
                      RememberedCase{"Unplugged port", 1, 3, "Unplugged port (not connected)"}));

TEST_F(OptionsDialogDevicesTest, AnotherDeviceChosenInsteadOfAnAbsentOneIsStoredByItsOwnName) {
  OptionsDialog& dialog = Open(PlaybackSettings{.DeviceIndex = 2, .DeviceName = "Unplugged port"});
  dialog.DeviceList().setCurrentIndex(1);
  QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
  EXPECT_EQ(dialog.Settings().DeviceIndex, 1);
  EXPECT_EQ(dialog.Settings().DeviceName, "Recording device 0");
}

}  // namespace
}  // namespace morrowfane
