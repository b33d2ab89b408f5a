#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <optional>

#include "AccessibleEventLog.h"
#include "RecordingMidiOutputs.h"
#include "ui/OptionsDialog.h"
#include "ui/TuningChooser.h"
#include "ui/UpDownControl.h"

namespace morrowfane {
namespace {

using testing::AccessibleEventLog;
using testing::RecordingMidiOutputs;

class OptionsDialogAccessibility : public ::testing::Test {
 protected:
  OptionsDialog& Open() {
    dialog_.emplace(outputs_, PlaybackSettings{}, nullptr);
    dialog_->show();
    dialog_->activateWindow();
    QApplication::setActiveWindow(&*dialog_);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&*dialog_));
    return *dialog_;
  }

  static QString Spoken(QWidget& widget, QAccessible::Text kind) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&widget);
    return face != nullptr ? face->text(kind) : QString();
  }

  AccessibleEventLog log_;
  RecordingMidiOutputs outputs_{2};
  std::optional<OptionsDialog> dialog_;
};

// A drop-down, its value as a screen reader reads it on focus, and after one Down key.
struct ListCase {
  const char* name;
  QComboBox& (*list)(OptionsDialog&);
  const char* value;
  const char* next;
};

void PrintTo(const ListCase& c, std::ostream* os) {
  *os << c.name;
}

class SpokenListValue : public OptionsDialogAccessibility,
                        public ::testing::WithParamInterface<ListCase> {};

TEST_P(SpokenListValue, IsTheCurrentEntryOnFocusAndAfterAnArrowKey) {
  const ListCase& c = GetParam();
  OptionsDialog& dialog = Open();
  QComboBox& list = c.list(dialog);
  list.setFocus(Qt::TabFocusReason);
  // On Linux the name is the value: a label names a drop-down through its relation.
  EXPECT_EQ(Spoken(list, QAccessible::Name), QString::fromUtf8(c.value));
  EXPECT_EQ(Spoken(list, QAccessible::Value), QString::fromUtf8(c.value));
  log_.Clear();
  QTest::keyClick(&list, Qt::Key_Down);
  EXPECT_EQ(log_.ValueChanges(&list), QStringList{QString::fromUtf8(c.next)});
  EXPECT_EQ(Spoken(list, QAccessible::Value), QString::fromUtf8(c.next));
}

INSTANTIATE_TEST_SUITE_P(
    Lists, SpokenListValue,
    ::testing::Values(
        ListCase{"root note", [](OptionsDialog& d) -> QComboBox& { return d.RootList(); }, "E",
                 "D#"},
        ListCase{"tuning", [](OptionsDialog& d) -> QComboBox& { return d.ShapeList(); },
                 "Standard (E A D G B E)", "Drop D (D A D G B E)"},
        ListCase{"device", [](OptionsDialog& d) -> QComboBox& { return d.DeviceList(); },
                 "Recording default device", "Recording device 0"},
        ListCase{"instrument", [](OptionsDialog& d) -> QComboBox& { return d.InstrumentList(); },
                 "Acoustic Grand Piano", "Bright Acoustic Piano"}));

TEST_F(OptionsDialogAccessibility, ANewRootIsSpokenInTheTuningListToo) {
  OptionsDialog& dialog = Open();
  QTest::keyClick(&dialog.RootList(), Qt::Key_Down);
  EXPECT_EQ(log_.ValueChanges(&dialog.ShapeList()).last(),
            QStringLiteral("Standard (D# G# C# F# A# D#)"));
}

// Each label's Alt+letter, and where it puts the focus.
struct MnemonicCase {
  Qt::Key key;
  QWidget& (*target)(OptionsDialog&);
};

TEST_F(OptionsDialogAccessibility, LabelsTakeTheFocusToTheirFieldsWithAltAndALetter) {
  OptionsDialog& dialog = Open();
  const std::vector<MnemonicCase> cases = {
      {Qt::Key_T, [](OptionsDialog& d) -> QWidget& { return d.ShapeList(); }},
      {Qt::Key_S, [](OptionsDialog& d) -> QWidget& { return d.Tuning().StringsList(); }},
      {Qt::Key_A, [](OptionsDialog& d) -> QWidget& { return d.RateBox(); }},
      {Qt::Key_4, [](OptionsDialog& d) -> QWidget& { return d.ReferenceBox(); }},
      {Qt::Key_P, [](OptionsDialog& d) -> QWidget& { return d.DeviceList(); }},
      {Qt::Key_I, [](OptionsDialog& d) -> QWidget& { return d.InstrumentList(); }},
      {Qt::Key_L, [](OptionsDialog& d) -> QWidget& { return d.LoopCheck(); }},
      {Qt::Key_R, [](OptionsDialog& d) -> QWidget& { return d.RootList(); }},
  };
  for (const MnemonicCase& c : cases) {
    QTest::keyClick(QApplication::focusWidget(), c.key, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), &c.target(dialog))
        << QKeySequence(c.key).toString().toStdString();
  }
  // The note lists take part only while Custom is chosen.
  dialog.ShapeList().setCurrentIndex(dialog.ShapeList().count() - 1);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier);
  EXPECT_EQ(QApplication::focusWidget(), &dialog.Tuning().NoteList(1));
}

TEST_F(OptionsDialogAccessibility, NumberBoxesSayTheirRangeAndTheRateArrowsWhatTheyDo) {
  OptionsDialog& dialog = Open();
  EXPECT_EQ(Spoken(dialog.RateBox(), QAccessible::Name), QStringLiteral("Rate"));
  EXPECT_EQ(Spoken(dialog.RateBox(), QAccessible::Description), QStringLiteral("20 to 400"));
  EXPECT_EQ(Spoken(dialog.ReferenceBox(), QAccessible::Name), QStringLiteral("A4 (Hz)"));
  EXPECT_EQ(Spoken(dialog.ReferenceBox(), QAccessible::Description), QStringLiteral("420 to 460"));
  EXPECT_EQ(Spoken(dialog.RateSpin().UpButton(), QAccessible::Name),
            QStringLiteral("Increase rate"));
  EXPECT_EQ(Spoken(dialog.RateSpin().DownButton(), QAccessible::Name),
            QStringLiteral("Decrease rate"));
}

}  // namespace
}  // namespace morrowfane
