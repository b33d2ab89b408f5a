#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <optional>
#include <string>

#include "PlayerSettings.h"
#include "RecordingMidiOutputs.h"
#include "model/Instruments.h"
#include "model/Notes.h"
#include "ui/OptionsDialog.h"
#include "ui/TuningChooser.h"
#include "ui/TuningNames.h"
#include "ui/UpDownControl.h"

namespace morrowfane {
namespace {

using testing::RecordingMidiOutputs;

const QString kNotAnInteger = QStringLiteral("Please enter an integer.");
const QString kOutOfRange = QStringLiteral("Please enter an integer between 20 and 400.");
const QString kA4OutOfRange = QStringLiteral("Please enter an integer between 420 and 460.");

class OptionsDialogTest : public ::testing::Test {
 protected:
  // Opens the dialog as the user sees it, with validation messages recorded instead of shown.
  OptionsDialog& Open(PlaybackSettings settings = {}) {
    dialog_.emplace(outputs_, std::move(settings), nullptr,
                    [this](QWidget*, const QString& text) { warnings_.push_back(text); });
    dialog_->show();
    dialog_->activateWindow();
    QApplication::setActiveWindow(&*dialog_);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&*dialog_));
    return *dialog_;
  }

  RecordingMidiOutputs outputs_{2};
  std::optional<OptionsDialog> dialog_;
  std::vector<QString> warnings_;
};

// A text typed into one of the dialog's integer boxes, and what OK makes of it.
struct NumberCase {
  const char* box;
  QLineEdit& (OptionsDialog::*boxOf)();
  int PlaybackSettings::*setting;
  const char* text;
  std::optional<int> accepted;  // the value, or nothing when a message keeps the dialog open
  QString message;
};

NumberCase Rate(const char* text, std::optional<int> accepted, QString message = {}) {
  return {"rate", &OptionsDialog::RateBox, &PlaybackSettings::Rate, text, accepted, message};
}

NumberCase A4(const char* text, std::optional<int> accepted, QString message = {}) {
  return {"A4",   &OptionsDialog::ReferenceBox, &PlaybackSettings::ReferenceA4, text, accepted,
          message};
}

void PrintTo(const NumberCase& c, std::ostream* os) {
  *os << c.box << " text \"";
  for (const char* p = c.text; *p != '\0'; ++p) {
    *os << (*p == '\t' ? std::string("\\t") : std::string(1, *p));
  }
  *os << "\"";
}

class NumberValidation : public OptionsDialogTest,
                         public ::testing::WithParamInterface<NumberCase> {};

TEST_P(NumberValidation, AcceptsIntegersInTheBoxRangeOnly) {
  const NumberCase& c = GetParam();
  OptionsDialog& dialog = Open();
  QLineEdit& box = (dialog.*c.boxOf)();
  ASSERT_EQ(box.text(), QString::number(PlaybackSettings{}.*c.setting));
  box.setText(QString::fromUtf8(c.text));
  QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);

  if (c.accepted) {
    EXPECT_TRUE(warnings_.empty()) << c.text;
    EXPECT_EQ(dialog.result(), QDialog::Accepted) << c.text;
    EXPECT_FALSE(dialog.isVisible()) << c.text;
    EXPECT_EQ(dialog.Settings().*c.setting, *c.accepted) << c.text;
  } else {
    ASSERT_EQ(warnings_.size(), 1u) << c.text;
    EXPECT_EQ(warnings_[0], c.message) << c.text;
    EXPECT_TRUE(dialog.isVisible()) << c.text;
    EXPECT_TRUE(box.hasFocus()) << c.text;
    EXPECT_EQ(box.selectedText(), box.text()) << c.text;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NumberValidation,
    ::testing::Values(
        Rate("20", 20), Rate("400", 400), Rate(" 250 ", 250), Rate("\t+30\t", 30), Rate("300", 300),
        Rate("19", std::nullopt, kOutOfRange), Rate("401", std::nullopt, kOutOfRange),
        Rate("-20", std::nullopt, kOutOfRange), Rate("99999999999", std::nullopt, kOutOfRange),
        Rate("", std::nullopt, kNotAnInteger), Rate("12abc", std::nullopt, kNotAnInteger),
        Rate("2 5", std::nullopt, kNotAnInteger), Rate("1e2", std::nullopt, kNotAnInteger),
        A4("420", 420), A4("460", 460), A4(" 432\t", 432), A4("+442", 442),
        A4("419", std::nullopt, kA4OutOfRange), A4("461", std::nullopt, kA4OutOfRange),
        A4("-440", std::nullopt, kA4OutOfRange), A4("4294967736", std::nullopt, kA4OutOfRange),
        A4("", std::nullopt, kNotAnInteger), A4("432Hz", std::nullopt, kNotAnInteger),
        A4("440.5", std::nullopt, kNotAnInteger)));

TEST_F(OptionsDialogTest, TheRateIsCheckedBeforeTheReferencePitch) {
  OptionsDialog& dialog = Open();
  dialog.RateBox().setText(QStringLiteral("5"));
  dialog.ReferenceBox().setText(QStringLiteral("5"));
  QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
  ASSERT_EQ(warnings_.size(), 1u);
  EXPECT_EQ(warnings_[0], kOutOfRange);
  EXPECT_TRUE(dialog.RateBox().hasFocus());
  dialog.RateBox().setText(QStringLiteral("300"));
  QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
  ASSERT_EQ(warnings_.size(), 2u);
  EXPECT_EQ(warnings_[1], kA4OutOfRange);
  EXPECT_TRUE(dialog.ReferenceBox().hasFocus());
}

TEST_F(OptionsDialogTest, TheStoredReferencePitchIsShownAndKept) {
  OptionsDialog& dialog = Open({.ReferenceA4 = 432});
  EXPECT_EQ(dialog.ReferenceBox().text(), QStringLiteral("432"));
  QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
  EXPECT_EQ(dialog.Settings().ReferenceA4, 432);
}

// The shapes in the table's order, each with the notes it gives on the selected root.
TEST_F(OptionsDialogTest, TuningListShowsEachShapesNotesAndFollowsTheRoot) {
  OptionsDialog& dialog = Open();
  const QStringList onE = {
      QStringLiteral("Standard (E A D G B E)"),      QStringLiteral("Drop D (D A D G B E)"),
      QStringLiteral("Double drop D (D A D G B D)"), QStringLiteral("DADGAD (D A D G A D)"),
      QStringLiteral("Open D (D A D F# A D)"),       QStringLiteral("Open G (D G D G B D)"),
      QStringLiteral("Open E (E B E G# B E)"),       QStringLiteral("Open A (E A E A C# E)"),
      QStringLiteral("Open C (C G C G C E)"),        QStringLiteral("Custom")};
  const QStringList onF = {QStringLiteral("Standard (F A# D# G# C F)"),
                           QStringLiteral("Drop D (D# A# D# G# C F)"),
                           QStringLiteral("Double drop D (D# A# D# G# C D#)"),
                           QStringLiteral("DADGAD (D# A# D# G# A# D#)"),
                           QStringLiteral("Open D (D# A# D# G A# D#)"),
                           QStringLiteral("Open G (D# G# D# G# C D#)"),
                           QStringLiteral("Open E (F C F A C F)"),
                           QStringLiteral("Open A (F A# F A# D F)"),
                           QStringLiteral("Open C (C# G# C# G# C# F)"),
                           QStringLiteral("Custom")};
  const auto entries = [&dialog] {
    QStringList texts;
    for (int i = 0; i < dialog.ShapeList().count(); ++i) {
      texts.append(dialog.ShapeList().itemText(i));
    }
    return texts;
  };
  EXPECT_EQ(entries(), onE);
  EXPECT_EQ(dialog.ShapeList().currentIndex(), 0);

  dialog.ShapeList().setCurrentIndex(4);
  dialog.RootList().setFocus();
  QTest::keyClick(&dialog.RootList(), Qt::Key_End);
  ASSERT_EQ(dialog.RootList().currentText(), QStringLiteral("F"));
  EXPECT_EQ(entries(), onF);
  EXPECT_EQ(dialog.ShapeList().currentIndex(), 4);

  QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
  EXPECT_EQ(dialog.Settings().Root, "F");
  EXPECT_EQ(dialog.Settings().Shape, TuningShape::OpenD);
}

TEST_F(OptionsDialogTest, TheClosedTuningListShowsItsLongestEntryWholeOnEveryRoot) {
  OptionsDialog& dialog = Open();
  QComboBox& list = dialog.ShapeList();
  // From now on the list's size hint is the width its longest entry needs.
  list.setSizeAdjustPolicy(QComboBox::AdjustToContents);
  for (int root = 0; root < dialog.RootList().count(); ++root) {
    dialog.RootList().setCurrentIndex(root);
    EXPECT_LE(list.sizeHint().width(), list.width())
        << dialog.RootList().currentText().toStdString();
  }
  EXPECT_LE(list.geometry().right(), dialog.width());
}

TEST_F(OptionsDialogTest, TheStoredShapeIsSelected) {
  for (const TuningShape shape : kGuitarShapes) {
    const TuningShapeEntry& entry = ShapeEntry(shape);
    OptionsDialog& dialog = Open({.Root = "D", .Shape = entry.shape});
    EXPECT_TRUE(dialog.ShapeList().currentText().startsWith(ShapeName(shape))) << entry.word;
    QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.Settings().Shape, entry.shape) << entry.word;
  }
}

// Choosing an instrument: its program is proposed (the guitars keep the one chosen), its roots
// are listed and the root keeps its semitones where the new list allows, else takes the lowest;
// a shape it does not offer becomes Standard; one note list per string.
struct InstrumentChoiceCase {
  StringInstrument from;
  const char* fromRoot;
  TuningShape fromShape;
  StringInstrument to;
  int program;
  const char* root;
  TuningShape shape;
  int rootCount;
};

void PrintTo(const InstrumentChoiceCase& c, std::ostream* os) {
  *os << InstrumentOf(c.from).word << " to " << InstrumentOf(c.to).word;
}

class InstrumentChoice : public OptionsDialogTest,
                         public ::testing::WithParamInterface<InstrumentChoiceCase> {};

TEST_P(InstrumentChoice, ProposesItsProgramAndFitsRootAndShape) {
  const InstrumentChoiceCase& c = GetParam();
  OptionsDialog& dialog =
      Open({.Instrument = 30, .Root = c.fromRoot, .Shape = c.fromShape, .Strings = c.from});
  TuningChooser& tuning = dialog.Tuning();
  tuning.StringsList().setCurrentIndex(static_cast<int>(
      std::ranges::find(kInstruments, c.to, &InstrumentEntry::instrument) - kInstruments.begin()));
  EXPECT_EQ(dialog.InstrumentList().currentIndex(), c.program);
  EXPECT_EQ(dialog.RootList().count(), c.rootCount);
  const int strings = InstrumentOf(c.to).stringCount;
  for (int k = 1; k <= kMaxStringCount; ++k) {
    EXPECT_EQ(tuning.NoteList(k).isVisible(), k <= strings) << k;
  }
  QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
  EXPECT_EQ(dialog.Settings().Strings, c.to);
  EXPECT_EQ(dialog.Settings().Instrument, c.program);
  EXPECT_EQ(dialog.Settings().Root, c.root);
  EXPECT_EQ(dialog.Settings().Shape, c.shape);
}

INSTANTIATE_TEST_SUITE_P(
    Instruments, InstrumentChoice,
    ::testing::Values(
        InstrumentChoiceCase{StringInstrument::Guitar6, "D", TuningShape::DropD,
                             StringInstrument::Bass4, 33, "D", TuningShape::DropD, 6},
        InstrumentChoiceCase{StringInstrument::Guitar6, "A", TuningShape::OpenG,
                             StringInstrument::Bass4, 33, "B", TuningShape::Standard, 6},
        InstrumentChoiceCase{StringInstrument::Guitar6, "D", TuningShape::Standard,
                             StringInstrument::Bass5, 33, "B", TuningShape::Standard, 1},
        InstrumentChoiceCase{StringInstrument::Bass4, "D", TuningShape::Standard,
                             StringInstrument::Ukulele, 24, "F", TuningShape::Standard, 12},
        InstrumentChoiceCase{StringInstrument::Violin, "G", TuningShape::Standard,
                             StringInstrument::Guitar7, 30, "B", TuningShape::Standard, 12},
        InstrumentChoiceCase{StringInstrument::Guitar6, "E", TuningShape::Standard,
                             StringInstrument::Banjo5, 105, "G", TuningShape::Standard, 12},
        InstrumentChoiceCase{StringInstrument::Guitar6, "E", TuningShape::Standard,
                             StringInstrument::DoubleBass, 43, "E", TuningShape::Standard, 6}));

// Custom: the note lists start from the tuning chosen before, offer each string's range with
// octaves, and OK takes their keys while keeping root and shape for later.
TEST_F(OptionsDialogTest, CustomTakesEachStringsNoteAndKeepsRootAndShape) {
  OptionsDialog& dialog =
      Open({.Root = "D", .Shape = TuningShape::DropD, .Strings = StringInstrument::Bass4});
  TuningChooser& tuning = dialog.Tuning();
  EXPECT_FALSE(tuning.NoteList(1).isEnabled());
  dialog.ShapeList().setCurrentIndex(dialog.ShapeList().count() - 1);
  ASSERT_EQ(dialog.ShapeList().currentText(), QStringLiteral("Custom"));
  EXPECT_TRUE(tuning.NoteList(1).isEnabled());
  EXPECT_FALSE(dialog.RootList().isEnabled());
  // Drop D on D: C1 G1 C2 F2.
  EXPECT_EQ(tuning.NoteList(1).currentText(), QStringLiteral("C1"));
  EXPECT_EQ(tuning.NoteList(4).currentText(), QStringLiteral("F2"));
  // String 1, E1: B0 (the lowest key) up to G#1; string 4, G2: G1 up to B2.
  EXPECT_EQ(tuning.NoteList(1).itemText(0), QStringLiteral("B0"));
  EXPECT_EQ(tuning.NoteList(1).itemText(tuning.NoteList(1).count() - 1), QStringLiteral("G#1"));
  EXPECT_EQ(tuning.NoteList(4).itemText(0), QStringLiteral("G1"));
  EXPECT_EQ(tuning.NoteList(4).itemText(tuning.NoteList(4).count() - 1), QStringLiteral("B2"));
  tuning.NoteList(2).setCurrentIndex(tuning.NoteList(2).findText(QStringLiteral("C#2")));
  QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
  EXPECT_EQ(dialog.Settings().CustomKeys, (std::vector<int>{24, 37, 36, 41}));
  EXPECT_EQ(dialog.Settings().Root, "D");
  EXPECT_EQ(dialog.Settings().Shape, TuningShape::DropD);

  // Opened again, Custom and its notes are shown; another tuning leaves Custom.
  OptionsDialog& again = Open(dialog.Settings());
  EXPECT_EQ(again.ShapeList().currentText(), QStringLiteral("Custom"));
  EXPECT_EQ(again.Tuning().NoteList(2).currentText(), QStringLiteral("C#2"));
  again.ShapeList().setCurrentIndex(0);
  QTest::mouseClick(&again.OkButton(), Qt::LeftButton);
  EXPECT_TRUE(again.Settings().CustomKeys.empty());
  EXPECT_EQ(again.Settings().Shape, TuningShape::Standard);
}

// A shape that would take a string below B0 on the chosen root cannot be chosen there.
TEST_F(OptionsDialogTest, AShapeOutOfRangeOnTheRootIsOfferedDisabled) {
  OptionsDialog& dialog =
      Open({.Root = "C#", .Shape = TuningShape::DropD, .Strings = StringInstrument::Bass4});
  const auto* model = qobject_cast<QStandardItemModel*>(dialog.ShapeList().model());
  ASSERT_NE(model, nullptr);
  EXPECT_EQ(dialog.ShapeList().itemText(1), QStringLiteral("Drop D (B F# B E)"));
  EXPECT_TRUE(model->item(1)->isEnabled());
  dialog.RootList().setCurrentIndex(dialog.RootList().findText(QStringLiteral("C")));
  EXPECT_EQ(dialog.ShapeList().itemText(1), QStringLiteral("Drop D"));
  EXPECT_FALSE(model->item(1)->isEnabled());
  EXPECT_EQ(dialog.ShapeList().currentIndex(), 0) << "the chosen shape fell back to Standard";
}

TEST_F(OptionsDialogTest, RateIsValidatedAlsoWhileLoopIsOff) {
  OptionsDialog& dialog =
      Open(PlaybackSettings{.DeviceIndex = 0, .Instrument = 0, .Loop = false, .Rate = 500});
  ASSERT_FALSE(dialog.RateBox().isEnabled());
  QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
  ASSERT_EQ(warnings_.size(), 1u);
  EXPECT_EQ(warnings_[0], kOutOfRange);
  EXPECT_TRUE(dialog.isVisible());
}

TEST_F(OptionsDialogTest, ValidationMessageIsAWarningBox) {
  PlaybackSettings settings;
  settings.Rate = 19;
  OptionsDialog dialog(outputs_, settings);
  dialog.show();
  QString shownText;
  QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    shownText = box->text();
    shownIcon = box->icon();
    box->accept();
  });
  QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
  EXPECT_EQ(shownText, kOutOfRange);
  EXPECT_EQ(shownIcon, QMessageBox::Warning);
  EXPECT_TRUE(dialog.isVisible());
}

struct RootCase {
  const char* tuningRoot;
  int selected;  // position in the root list
};

void PrintTo(const RootCase& c, std::ostream* os) {
  *os << "root " << c.tuningRoot;
}

class RootPreselection : public OptionsDialogTest,
                         public ::testing::WithParamInterface<RootCase> {};

TEST_P(RootPreselection, SelectsTheCurrentRootIgnoringCase) {
  OptionsDialog& dialog = Open({.Root = GetParam().tuningRoot});
  EXPECT_EQ(dialog.RootList().currentIndex(), GetParam().selected);
}

INSTANTIATE_TEST_SUITE_P(Roots, RootPreselection,
                         ::testing::Values(RootCase{"E", 0}, RootCase{"C#", 3}, RootCase{"F", 11},
                                           RootCase{"d#", 1}, RootCase{"H", -1}));

TEST_F(OptionsDialogTest, ListsFillInTheirOrderWithTheStoredSelections) {
  OptionsDialog& dialog =
      Open(PlaybackSettings{.DeviceIndex = 2, .Instrument = 127, .Loop = true, .Rate = 300});
  ASSERT_EQ(dialog.RootList().count(), kPitchClassCount);
  for (int i = 0; i < kPitchClassCount; ++i) {
    EXPECT_EQ(dialog.RootList().itemText(i).toStdString(), kRootChoices[i]);
  }
  // The default device first, then the two recorded ports.
  ASSERT_EQ(dialog.DeviceList().count(), 3);
  EXPECT_EQ(dialog.DeviceList().itemText(1).toStdString(), outputs_.DeviceName(0));
  EXPECT_EQ(dialog.DeviceList().currentIndex(), 2);
  ASSERT_EQ(dialog.InstrumentList().count(), 128);
  EXPECT_EQ(dialog.InstrumentList().currentIndex(), 127);
  EXPECT_EQ(dialog.RateBox().text(), QStringLiteral("300"));
  EXPECT_TRUE(dialog.LoopCheck().isChecked());
  EXPECT_TRUE(dialog.RateBox().isEnabled());
  EXPECT_EQ(dialog.RateSpin().Lower(), 20);
  EXPECT_EQ(dialog.RateSpin().Upper(), 400);
}

struct SelectionCase {
  int deviceIndex;
  int instrument;
  int deviceSelected;
  int instrumentSelected;
};

void PrintTo(const SelectionCase& c, std::ostream* os) {
  *os << "device index " << c.deviceIndex << ", instrument " << c.instrument;
}

class OutOfRangeSelections : public OptionsDialogTest,
                             public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(OutOfRangeSelections, LeaveTheListWithoutASelection) {
  const SelectionCase& c = GetParam();
  OptionsDialog& dialog = Open(PlaybackSettings{
      .DeviceIndex = c.deviceIndex, .Instrument = c.instrument, .Loop = true, .Rate = 300});
  EXPECT_EQ(dialog.DeviceList().currentIndex(), c.deviceSelected);
  EXPECT_EQ(dialog.InstrumentList().currentIndex(), c.instrumentSelected);
  QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
  EXPECT_EQ(dialog.Settings().DeviceIndex, c.deviceSelected);
  EXPECT_EQ(dialog.Settings().Instrument, c.instrumentSelected);
}

INSTANTIATE_TEST_SUITE_P(Indexes, OutOfRangeSelections,
                         ::testing::Values(SelectionCase{0, 0, 0, 0}, SelectionCase{3, 128, -1, -1},
                                           SelectionCase{-1, -1, -1, -1},
                                           SelectionCase{2, 40, 2, 40}));

TEST_F(OptionsDialogTest, TheChosenDeviceAndInstrumentNamesAreTheListsTooltips) {
  OptionsDialog& dialog =
      Open(PlaybackSettings{.DeviceIndex = 1, .Instrument = 24, .Loop = true, .Rate = 300});
  EXPECT_EQ(dialog.DeviceList().toolTip(), dialog.DeviceList().itemText(1));
  EXPECT_EQ(dialog.InstrumentList().toolTip(), QStringLiteral("Acoustic Guitar (nylon)"));
  dialog.DeviceList().setFocus();
  QTest::keyClick(&dialog.DeviceList(), Qt::Key_Down);
  EXPECT_EQ(dialog.DeviceList().currentIndex(), 2);
  EXPECT_EQ(dialog.DeviceList().toolTip(), dialog.DeviceList().itemText(2));
  EXPECT_FALSE(dialog.DeviceList().toolTip().isEmpty());
}

TEST_F(OptionsDialogTest, NoExternalDevicesListsTheDefaultDeviceAlone) {
  outputs_.SetDeviceCount(0);
  OptionsDialog& dialog = Open();
  EXPECT_EQ(dialog.DeviceList().count(), 1);
  EXPECT_EQ(dialog.DeviceList().currentIndex(), 0);
}

TEST_F(OptionsDialogTest, LoopTogglesTheRateBoxWhileTheSpinStaysUsable) {
  OptionsDialog& dialog = Open();
  QTest::mouseClick(&dialog.LoopCheck(), Qt::LeftButton);
  EXPECT_FALSE(dialog.LoopCheck().isChecked());
  EXPECT_FALSE(dialog.RateBox().isEnabled());
  EXPECT_TRUE(dialog.RateSpin().isEnabled());

  QTest::mouseClick(&dialog.RateSpin().UpButton(), Qt::LeftButton);
  EXPECT_EQ(dialog.RateBox().text(), QStringLiteral("301"));

  QTest::mouseClick(&dialog.LoopCheck(), Qt::LeftButton);
  EXPECT_TRUE(dialog.RateBox().isEnabled());
  QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
  EXPECT_TRUE(dialog.Settings().Loop);
  EXPECT_EQ(dialog.Settings().Rate, 301);
}

struct StepCase {
  const char* text;
  Qt::Key key;
  const char* after;
};

void PrintTo(const StepCase& c, std::ostream* os) {
  *os << "\"" << c.text << "\" " << (c.key == Qt::Key_Up ? "up" : "down");
}

class SpinSteps : public OptionsDialogTest, public ::testing::WithParamInterface<StepCase> {};

TEST_P(SpinSteps, ArrowKeysInTheRateBoxStepWithinTheRange) {
  const StepCase& c = GetParam();
  OptionsDialog& dialog = Open();
  dialog.RateBox().setText(QString::fromUtf8(c.text));
  dialog.RateBox().setFocus();
  QTest::keyClick(&dialog.RateBox(), c.key);
  EXPECT_EQ(dialog.RateBox().text(), QString::fromUtf8(c.after)) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Steps, SpinSteps,
    ::testing::Values(StepCase{"250", Qt::Key_Up, "251"}, StepCase{"250", Qt::Key_Down, "249"},
                      StepCase{"400", Qt::Key_Up, "400"}, StepCase{"20", Qt::Key_Down, "20"},
                      StepCase{"10", Qt::Key_Up, "20"}, StepCase{" 77 ", Qt::Key_Down, "76"}));

TEST_F(OptionsDialogTest, SpinStepsFromItsLastPositionWhenTheBoxHoldsNoNumber) {
  OptionsDialog& dialog = Open();
  dialog.RateBox().setText(QStringLiteral("250"));
  QTest::mouseClick(&dialog.RateSpin().UpButton(), Qt::LeftButton);
  ASSERT_EQ(dialog.RateBox().text(), QStringLiteral("251"));
  dialog.RateBox().setText(QStringLiteral("abc"));
  QTest::mouseClick(&dialog.RateSpin().UpButton(), Qt::LeftButton);
  EXPECT_EQ(dialog.RateBox().text(), QStringLiteral("252"));
  QTest::mouseClick(&dialog.RateSpin().DownButton(), Qt::LeftButton);
  EXPECT_EQ(dialog.RateBox().text(), QStringLiteral("251"));
}

TEST_F(OptionsDialogTest, OkReturnsEveryChoice) {
  OptionsDialog& dialog = Open();
  dialog.RootList().setCurrentIndex(dialog.RootList().findText(QStringLiteral("G")));
  dialog.DeviceList().setCurrentIndex(1);
  dialog.InstrumentList().setCurrentIndex(25);
  QTest::mouseClick(&dialog.LoopCheck(), Qt::LeftButton);
  dialog.RateBox().setText(QStringLiteral("120"));
  QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);

  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Settings().DeviceIndex, 1);
  EXPECT_EQ(dialog.Settings().Instrument, 25);
  EXPECT_FALSE(dialog.Settings().Loop);
  EXPECT_EQ(dialog.Settings().Rate, 120);
  EXPECT_EQ(dialog.Settings().Root, "G");
}

TEST_F(OptionsDialogTest, CancelEndsTheDialogRejected) {
  OptionsDialog& dialog = Open();
  dialog.RateBox().setText(QStringLiteral("nonsense"));
  QTest::mouseClick(&dialog.CancelButton(), Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_TRUE(warnings_.empty());
}

TEST_F(OptionsDialogTest, FocusStartsOnTheFirstFieldAndTabFollowsTheLayout) {
  OptionsDialog& dialog = Open();
  ASSERT_TRUE(dialog.Tuning().StringsList().hasFocus());
  EXPECT_TRUE(dialog.OkButton().isDefault());
  // The playback group row by row, the MIDI group, then the buttons; the note lists are passed
  // over while they are disabled.
  const std::vector<QWidget*> expected = {&dialog.RootList(),       &dialog.ShapeList(),
                                          &dialog.LoopCheck(),      &dialog.RateBox(),
                                          &dialog.ReferenceBox(),   &dialog.DeviceList(),
                                          &dialog.InstrumentList(), &dialog.OkButton(),
                                          &dialog.CancelButton(),   &dialog.Tuning().StringsList()};
  for (QWidget* next : expected) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), next);
  }
  // With Custom chosen, the guitar's six note lists follow the tuning, left to right.
  dialog.ShapeList().setCurrentIndex(dialog.ShapeList().count() - 1);
  dialog.ShapeList().setFocus();
  for (int k = 1; k <= kStringCount; ++k) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), &dialog.Tuning().NoteList(k)) << k;
  }
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), &dialog.LoopCheck());
}

}  // namespace
}  // namespace morrowfane
