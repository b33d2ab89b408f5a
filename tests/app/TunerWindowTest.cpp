#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include "PlayerSettings.h"
#include "RecordingMidiOutputs.h"
#include "TunerWindowFixture.h"
#include "VirtualClock.h"
#include "app/AboutBox.h"
#include "app/TunerWindow.h"
#include "model/Instruments.h"
#include "model/Notes.h"
#include "player/MidiMessage.h"
#include "ui/IconButton.h"
#include "ui/OptionsDialog.h"
#include "ui/TuningChooser.h"

namespace morrowfane {
namespace {

using std::chrono::milliseconds;

TEST_F(TunerWindowTest, StartsWithTheTemplateLayoutAndFocusOnOptions) {
  TunerWindow& window = Open();
  EXPECT_EQ(window.size(), QSize(243, 88));
  EXPECT_EQ(window.windowTitle(), QStringLiteral("MorrowFane"));
  // Each button starts where the one before ends; rounding makes them 37 or 38 pixels wide.
  const std::array<QRect, kStringCount> strings = {QRect(8, 5, 37, 37),   QRect(45, 5, 38, 37),
                                                   QRect(83, 5, 37, 37),  QRect(120, 5, 38, 37),
                                                   QRect(158, 5, 37, 37), QRect(195, 5, 38, 37)};
  for (int k = 1; k <= kStringCount; ++k) {
    EXPECT_EQ(window.StringButton(k).geometry(), strings[k - 1]) << k;
  }
  EXPECT_EQ(window.OptionsButton().geometry(), QRect(90, 57, 68, 23));
  EXPECT_EQ(window.CloseButton().geometry(), QRect(165, 57, 68, 23));
  EXPECT_EQ(window.OptionsButton().text(), QStringLiteral("&Options..."));
  EXPECT_EQ(window.CloseButton().text(), QStringLiteral("&Close"));
  EXPECT_TRUE(window.OptionsButton().hasFocus());
  EXPECT_FALSE(window.windowIcon().isNull());
}

TEST_F(TunerWindowTest, DrawsTheEtchedLineAcrossTheWidth) {
  TunerWindow& window = Open();
  const QImage image = window.grab().toImage();
  const QColor shadow = window.palette().color(QPalette::Dark);
  for (const int x : {0, 121, 242}) {
    EXPECT_EQ(image.pixelColor(x, 47).rgb(), shadow.rgb()) << x;
    EXPECT_NE(image.pixelColor(x, 30).rgb(), shadow.rgb()) << x;
  }
}

struct StartCase {
  const char* name;
  std::optional<std::string> file;
  Icons icons;
  std::array<const char*, kStringCount> spoken;  // each string's note as its name says it
  PlaybackSettings settings;
  std::vector<std::pair<int, int>> prepared;  // device id, program; none for an absent device
};

void PrintTo(const StartCase& c, std::ostream* os) {
  *os << c.name;
}

class StartUp : public TunerWindowTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(StartUp, LabelsTheStoredTuningUnlitAndPreparesTheDevice) {
  const StartCase& c = GetParam();
  if (c.file) {
    WriteSettings(*c.file);
  }
  TunerWindow& window = Open();
  EXPECT_EQ(ShownIcons(), c.icons) << c.name;
  EXPECT_EQ(player_.Settings(), c.settings) << c.name;
  EXPECT_EQ(outputs_.Prepared(), c.prepared) << c.name;
  for (int k = 1; k <= kStringCount; ++k) {
    // As a screen reader reads it, not only the property.
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&window.StringButton(k));
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->text(QAccessible::Name).toStdString(),
              "String " + std::to_string(k) + ": " + c.spoken[k - 1])
        << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, StartUp,
    ::testing::Values(
        StartCase{"no file",
                  std::nullopt,
                  kStandardUnlit,
                  {"E2", "A2", "D3", "G3", "B3", "E4"},
                  PlaybackSettings{},
                  {{-1, 0}}},
        StartCase{"root C, port 0, program 25",
                  "[MorrowFane]\r\nTuning=C\r\nMidiDev=1\r\nMidiPatch=25\r\nLoop=false\r\n"
                  "MidiDev=120\r\n",
                  {146, 156, 142, 152, 160, 146},  // C F A# D# G C
                  {"C2", "F2", "A sharp 2", "D sharp 3", "G3", "C4"},
                  PlaybackSettings{
                      .DeviceIndex = 1, .Instrument = 25, .Loop = false, .Rate = 120, .Root = "C"},
                  {{0, 25}}},
        StartCase{"drop D on E",
                  "[MorrowFane]\r\nTuning=E\r\nMidiDev=0\r\nMidiPatch=0\r\nLoop=true\r\n"
                  "MidiDev=300\r\nTuningShape=DropD\r\n",
                  {150, 140, 150, 160, 144, 154},  // D A D G B E
                  {"D2", "A2", "D3", "G3", "B3", "E4"},
                  PlaybackSettings{.Shape = TuningShape::DropD},
                  {{-1, 0}}},
        StartCase{"open G on F",
                  "[MorrowFane]\r\nTuning=F\r\nMidiDev=0\r\nMidiPatch=0\r\nLoop=true\r\n"
                  "MidiDev=300\r\nTuningShape=OpenG\r\n",
                  {152, 162, 152, 162, 146, 152},  // D# G# D# G# C D#
                  {"D sharp 1", "G sharp 1", "D sharp 2", "G sharp 2", "C3", "D sharp 3"},
                  PlaybackSettings{.Root = "F", .Shape = TuningShape::OpenG},
                  {{-1, 0}}},
        // The device named in the file decides, whatever its stored position; one that is not
        // listed is silent, and nothing is prepared.
        StartCase{"device moved to position 1",
                  "[MorrowFane]\r\nTuning=E\r\nMidiDev=2\r\nMidiPatch=0\r\nLoop=true\r\n"
                  "MidiDev=300\r\nMidiDevName=Recording device 0\r\n",
                  kStandardUnlit,
                  {"E2", "A2", "D3", "G3", "B3", "E4"},
                  PlaybackSettings{.DeviceIndex = 1, .DeviceName = "Recording device 0"},
                  {{0, 0}}},
        StartCase{"named device not listed",
                  "[MorrowFane]\r\nTuning=E\r\nMidiDev=2\r\nMidiPatch=0\r\nLoop=true\r\n"
                  "MidiDev=300\r\nMidiDevName=Unplugged port\r\n",
                  kStandardUnlit,
                  {"E2", "A2", "D3", "G3", "B3", "E4"},
                  PlaybackSettings{.DeviceIndex = 2, .DeviceName = "Unplugged port"},
                  {}},
        StartCase{"unknown root H",
                  "[MorrowFane]\r\nTuning=H\r\n",
                  kStandardUnlit,
                  {"E2", "A2", "D3", "G3", "B3", "E4"},
                  PlaybackSettings{},
                  {{-1, 0}}}));

struct PressStep {
  int string;
  Icons icons;
  std::vector<int> newNoteKeys;
  int pauseMs;  // from the press to the new note's open, in the player's time; 0 for none
};

TEST_F(TunerWindowTest, StringButtonClicksLightStopAndSwitchNotes) {
  WriteSettings(kStrikeOnce);
  Open();
  const std::vector<PressStep> steps = {
      {1, {155, 140, 150, 160, 144, 154}, {40}, 80},  // first press: lit, plays E2
      {1, {154, 140, 150, 160, 144, 154}, {}, 0},     // again: unlit, stopped
      {1, {155, 140, 150, 160, 144, 154}, {40}, 80},  // again: lit, plays
      {4, {154, 140, 150, 161, 144, 154}, {55}, 90},  // switch to G3
      {6, {154, 140, 150, 160, 144, 155}, {64}, 80},  // switch to E4
      {2, {154, 141, 150, 160, 144, 154}, {45}, 90},  // switch to A2
  };
  std::size_t keysBefore = 0;
  std::size_t eventsBefore = 0;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const PressStep& step = steps[i];
    const milliseconds pressTime = playerClock_.Now();
    Press(step.string);
    EXPECT_EQ(ShownIcons(), step.icons) << "step " << i;
    const std::vector<int> keys = NoteOnKeys();
    EXPECT_EQ(std::vector<int>(keys.begin() + static_cast<long>(keysBefore), keys.end()),
              step.newNoteKeys)
        << "step " << i;
    keysBefore = keys.size();
    const auto events = outputs_.Events();
    if (step.pauseMs > 0) {
      ASSERT_GT(events.size(), eventsBefore) << "step " << i;
      EXPECT_EQ(events[eventsBefore].kind, RecordingMidiOutputs::Kind::Open) << "step " << i;
      EXPECT_EQ(events[eventsBefore].time - pressTime, milliseconds(step.pauseMs)) << "step " << i;
    } else {
      EXPECT_EQ(events.size(), eventsBefore) << "step " << i;
    }
    eventsBefore = events.size();
  }
}

TEST_F(TunerWindowTest, DigitKeysPressTheStringButtons) {
  WriteSettings(kStrikeOnce);
  TunerWindow& window = Open();
  constexpr std::array<Qt::Key, kStringCount> kKeys = {Qt::Key_1, Qt::Key_2, Qt::Key_3,
                                                       Qt::Key_4, Qt::Key_5, Qt::Key_6};
  for (int k = 1; k <= kStringCount; ++k) {
    QTest::keyClick(&window, kKeys[k - 1]);
    EXPECT_EQ(window.ButtonState().LastString(), k) << "the key acts at once, key " << k;
    EXPECT_TRUE(window.StringButton(k).isDown()) << "the press shows, key " << k;
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.StringButton(k).isDown(); }, 2000))
        << "key " << k;
    Icons expected = kStandardUnlit;
    expected[k - 1] += 1;
    EXPECT_EQ(ShownIcons(), expected) << "key " << k;
  }
  EXPECT_EQ(NoteOnKeys(), (std::vector<int>{40, 45, 50, 55, 59, 64}));
}

// Runs the options dialog without a nested event loop: chooses root G, port 1, program 30, loop
// off, rate 150, and presses OK or Cancel.
TunerWindow::OptionsRunner ChooseEverything(bool confirm) {
  return [confirm](OptionsDialog& dialog) {
    dialog.show();
    dialog.RootList().setCurrentIndex(dialog.RootList().findText(QStringLiteral("G")));
    dialog.DeviceList().setCurrentIndex(2);
    dialog.InstrumentList().setCurrentIndex(30);
    if (dialog.LoopCheck().isChecked()) {
      QTest::mouseClick(&dialog.LoopCheck(), Qt::LeftButton);
    }
    dialog.RateBox().setText(QStringLiteral("150"));
    QTest::mouseClick(confirm ? &dialog.OkButton() : &dialog.CancelButton(), Qt::LeftButton);
    return dialog.result() == QDialog::Accepted;
  };
}

TEST_F(TunerWindowTest, OptionsOkRelabelsAllButtonsUnlitAndTakesTheSettings) {
  WriteSettings(kStrikeOnce);
  TunerWindow& window = Open();
  Press(2);
  ASSERT_EQ(ShownIcons()[1], 141);
  window.SetOptionsRunner(ChooseEverything(true));
  QTest::mouseClick(&window.OptionsButton(), Qt::LeftButton);

  EXPECT_EQ(ShownIcons(), kRootGUnlit);
  EXPECT_EQ(player_.GetTuning(), TuningForRoot("G"));
  EXPECT_EQ(player_.Settings(), (PlaybackSettings{.DeviceIndex = 2,
                                                  .Instrument = 30,
                                                  .Loop = false,
                                                  .Rate = 150,
                                                  .Root = "G",
                                                  .DeviceName = outputs_.DeviceName(1)}));
  EXPECT_EQ(outputs_.Prepared().back(), std::make_pair(1, 30));
  EXPECT_EQ(window.ButtonState().LastString(), 0);
  EXPECT_EQ(window.StringButton(4).accessibleName(), QStringLiteral("String 4: A sharp 2"));

  // Whatever button 2's earlier flag was, its next press lights it and plays on the new port.
  Press(2);
  EXPECT_EQ(ShownIcons()[1], 147);
  EXPECT_EQ(NoteOnKeys().size(), 2u);
  EXPECT_EQ(outputs_.Events().back().deviceId, 1);
}

// A remembered port that is unplugged stays chosen through a plain OK, the save and the next
// start, and its notes go nowhere else.
TEST_F(TunerWindowTest, AnAbsentRememberedDeviceOutlivesOptionsOkAndTheNextStart) {
  const std::string absent =
      "[MorrowFane]\r\nTuning=E\r\nMidiDev=2\r\nMidiPatch=0\r\nLoop=false\r\nMidiDev=300\r\n"
      "MidiDevName=Unplugged port\r\n";
  WriteSettings(absent);
  for (int start = 1; start <= 2; ++start) {
    TunerWindow& window = Open();
    QString listed;
    window.SetOptionsRunner([&listed](OptionsDialog& dialog) {
      dialog.show();
      listed = dialog.DeviceList().currentText();
      QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
      return dialog.result() == QDialog::Accepted;
    });
    QTest::mouseClick(&window.OptionsButton(), Qt::LeftButton);
    EXPECT_EQ(listed, QStringLiteral("Unplugged port (not connected)")) << "start " << start;
    Press(1);
    QTest::mouseClick(&window.CloseButton(), Qt::LeftButton);
    EXPECT_EQ(ReadSettings(), absent) << "start " << start;
  }
  EXPECT_TRUE(outputs_.Events().empty()) << "a note for the absent port went to another device";
}

// Another instrument chosen in the options: one button per string, the window as wide as
// they need, keys beyond the last string do nothing, and each button's note has its octave for a
// screen reader.
TEST_F(TunerWindowTest, OptionsOkWithAnotherInstrumentShowsOneButtonPerString) {
  WriteSettings(kStrikeOnce);
  TunerWindow& window = Open();
  struct Step {
    StringInstrument strings;
    QSize size;
    int keyPressed;  // 1..7
    std::vector<int> noteOns;
    const char* lastName;
  };
  const Step steps[] = {
      {StringInstrument::Bass4, QSize(243, 88), 5, {}, "String 4: G2"},
      {StringInstrument::Guitar7, QSize(281, 88), 7, {64}, "String 7: E4"},
      {StringInstrument::Ukulele, QSize(243, 88), 1, {64, 67}, "String 4: A4"},
  };
  for (const Step& step : steps) {
    window.SetOptionsRunner([&step](OptionsDialog& dialog) {
      dialog.show();
      dialog.Tuning().StringsList().setCurrentIndex(static_cast<int>(
          std::ranges::find(kInstruments, step.strings, &InstrumentEntry::instrument) -
          kInstruments.begin()));
      QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
      return dialog.result() == QDialog::Accepted;
    });
    QTest::mouseClick(&window.OptionsButton(), Qt::LeftButton);
    const int strings = InstrumentOf(step.strings).stringCount;
    EXPECT_EQ(window.size(), step.size) << strings;
    EXPECT_EQ(window.findChildren<IconButton*>().size(), static_cast<qsizetype>(strings));
    EXPECT_EQ(window.StringButton(strings).accessibleName(), QString::fromLatin1(step.lastName));
    EXPECT_TRUE(window.accessibleDescription().startsWith(
        QStringLiteral("Keys 1 to %1 play the strings").arg(strings)))
        << window.accessibleDescription().toStdString();
    EXPECT_EQ(outputs_.PreparedKeys().back(), KeysSounded(step.strings));
    QTest::keyClick(&window, static_cast<Qt::Key>(Qt::Key_0 + step.keyPressed));
    EXPECT_EQ(NoteOnKeys(), step.noteOns) << strings;
  }
}

TEST_F(TunerWindowTest, OptionsCancelChangesNothingButTheStoppedNote) {
  WriteSettings(kStrikeOnce);
  TunerWindow& window = Open();
  const PlaybackSettings before = player_.Settings();
  Press(2);
  window.SetOptionsRunner(ChooseEverything(false));
  QTest::mouseClick(&window.OptionsButton(), Qt::LeftButton);

  EXPECT_EQ(player_.GetTuning(), StandardTuning());
  EXPECT_EQ(player_.Settings(), before);
  EXPECT_EQ(outputs_.Prepared().size(), 1u);
  EXPECT_EQ(ShownIcons(), kStandardUnlit) << "the stopped note's button goes unlit";
  EXPECT_FALSE(window.ButtonState().Sounding());
  EXPECT_EQ(window.ButtonState().LastString(), 2);
  Press(2);
  EXPECT_EQ(ShownIcons()[1], 141);
  EXPECT_EQ(NoteOnKeys().size(), 2u);
}

TEST_F(TunerWindowTest, OptionsButtonRunsTheDialogModally) {
  TunerWindow& window = Open();
  bool sawDialog = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<OptionsDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    sawDialog = true;
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Options"));
    dialog->RootList().setCurrentIndex(dialog->RootList().findText(QStringLiteral("D")));
    QTest::mouseClick(&dialog->OkButton(), Qt::LeftButton);
  });
  QTest::mouseClick(&window.OptionsButton(), Qt::LeftButton);
  EXPECT_TRUE(sawDialog);
  EXPECT_EQ(ShownIcons(), (Icons{150, 160, 146, 156, 140, 150}));  // D G C F A D
}

enum class Route { CloseButton, CloseRequest, Escape };

struct CloseCase {
  const char* name;
  Route route;
  bool written;
  int result;
};

void PrintTo(const CloseCase& c, std::ostream* os) {
  *os << c.name;
}

class CloseRoutes : public TunerWindowTest, public ::testing::WithParamInterface<CloseCase> {};

void CloseBy(TunerWindow& window, Route route) {
  switch (route) {
    case Route::CloseButton:
      QTest::mouseClick(&window.CloseButton(), Qt::LeftButton);
      break;
    case Route::CloseRequest:
      window.close();
      break;
    case Route::Escape:
      QTest::keyClick(&window, Qt::Key_Escape);
      break;
  }
}

TEST_P(CloseRoutes, SaveOnlyThroughCloseAndCloseRequest) {
  const CloseCase& c = GetParam();
  TunerWindow& window = Open();
  EXPECT_FALSE(ReadSettings().has_value());
  CloseBy(window, c.route);
  EXPECT_FALSE(window.isVisible()) << c.name;
  EXPECT_EQ(window.result(), c.result) << c.name;
  const auto written = ReadSettings();
  EXPECT_EQ(written.has_value(), c.written) << c.name;
  if (written) {
    EXPECT_EQ(
        *written,
        "[MorrowFane]\r\nTuning=E\r\nMidiDev=0\r\nMidiPatch=0\r\nLoop=true\r\nMidiDev=300\r\n");
  }
  EXPECT_TRUE(saveErrors_.empty()) << c.name;
}

TEST_P(CloseRoutes, SaveTheChosenSettingsAndLeaveTheNoteAlone) {
  const CloseCase& c = GetParam();
  WriteSettings(kStrikeOnce);
  TunerWindow& window = Open();
  window.SetOptionsRunner(ChooseEverything(true));
  QTest::mouseClick(&window.OptionsButton(), Qt::LeftButton);
  Press(1);
  ASSERT_TRUE(window.ButtonState().Sounding());
  const int stopsBefore = player_.StopRequests();

  CloseBy(window, c.route);
  EXPECT_EQ(player_.StopRequests(), stopsBefore) << c.name;
  EXPECT_EQ(ReadSettings(),
            c.written ? "[MorrowFane]\r\nTuning=G\r\nMidiDev=2\r\nMidiPatch=30\r\nLoop=false\r\n"
                        "MidiDev=150\r\nMidiDevName=Recording device 1\r\n"
                      : kStrikeOnce)
      << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Routes, CloseRoutes,
    ::testing::Values(CloseCase{"Close button", Route::CloseButton, true, QDialog::Accepted},
                      CloseCase{"close request", Route::CloseRequest, true, QDialog::Rejected},
                      CloseCase{"Escape", Route::Escape, false, QDialog::Rejected}));

class UnwritableSettings : public TunerWindowTest, public ::testing::WithParamInterface<CloseCase> {
 protected:
  void SetUp() override {
    // A path below a plain file cannot be created, whoever runs the test.
    const auto blocker = settingsPath_.parent_path() / "not-a-folder";
    std::ofstream(blocker) << "x";
    settingsPath_ = blocker / "morrowfane.ini";
  }
};

TEST_P(UnwritableSettings, FailedSaveShowsTheMessageAndKeepsTheWindowOpen) {
  const CloseCase& c = GetParam();
  TunerWindow& window = Open();
  CloseBy(window, c.route);
  ASSERT_EQ(saveErrors_.size(), 1u) << c.name;
  EXPECT_TRUE(saveErrors_[0].contains(QStringLiteral("morrowfane.ini"))) << c.name;
  EXPECT_TRUE(window.isVisible()) << c.name;

  // Escape still ends it, without trying to write.
  CloseBy(window, Route::Escape);
  EXPECT_FALSE(window.isVisible()) << c.name;
  EXPECT_EQ(saveErrors_.size(), 1u) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Routes, UnwritableSettings,
                         ::testing::Values(CloseCase{"Close button", Route::CloseButton, false, 0},
                                           CloseCase{"close request", Route::CloseRequest, false,
                                                     0}));

TEST_F(TunerWindowTest, FailedSaveIsReportedInAStopMessageBox) {
  const auto blocker = settingsPath_.parent_path() / "not-a-folder";
  std::ofstream(blocker) << "x";
  StoredSettings unwritable(blocker / "morrowfane.ini");
  TunerWindow window(player_, outputs_, unwritable);
  window.show();
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    text = box->text();
    icon = box->icon();
    box->accept();
  });
  QTest::mouseClick(&window.CloseButton(), Qt::LeftButton);
  EXPECT_EQ(icon, QMessageBox::Critical);
  EXPECT_TRUE(text.contains(QStringLiteral("morrowfane.ini"))) << text.toStdString();
  EXPECT_TRUE(window.isVisible());
}

struct AboutCase {
  const char* name;
  std::function<void(TunerWindow&)> open;
};

void PrintTo(const AboutCase& c, std::ostream* os) {
  *os << c.name;
}

class AboutRoutes : public TunerWindowTest, public ::testing::WithParamInterface<AboutCase> {};

TEST_P(AboutRoutes, OpenTheAboutBox) {
  TunerWindow& window = Open();
  EXPECT_EQ(window.contextMenuPolicy(), Qt::ActionsContextMenu);
  ASSERT_TRUE(window.actions().contains(&window.AboutAction()));
  EXPECT_EQ(window.AboutAction().text(), QStringLiteral("&About MorrowFane..."));

  QString title;
  QStringList lines;
  QTimer::singleShot(0, [&] {
    auto* about = qobject_cast<AboutBox*>(QApplication::activeModalWidget());
    ASSERT_NE(about, nullptr);
    title = about->windowTitle();
    for (const QLabel* label : about->findChildren<QLabel*>()) {
      lines << label->text();
    }
    QTest::keyClick(about, Qt::Key_Return);
  });
  GetParam().open(window);
  EXPECT_EQ(title, QStringLiteral("About MorrowFane")) << GetParam().name;
  EXPECT_TRUE(lines.contains(QStringLiteral("MorrowFane Version 1.0"))) << GetParam().name;
  EXPECT_EQ(lines.size(), 4) << GetParam().name;
  EXPECT_TRUE(window.isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Routes, AboutRoutes,
    ::testing::Values(AboutCase{"F1", [](TunerWindow& w) { QTest::keyClick(&w, Qt::Key_F1); }},
                      AboutCase{"context menu item",
                                [](TunerWindow& w) { w.AboutAction().trigger(); }}));

}  // namespace
}  // namespace morrowfane
