#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "TunerWindowFixture.h"
#include "ui/OptionsDialog.h"

// Runs under LANG=de_DE.UTF-8 with the program's translators installed.
namespace morrowfane {
namespace {

using GermanWindow = TunerWindowTest;

QStringList Texts(const QList<QLabel*>& labels) {
  QStringList texts;
  for (const QLabel* label : labels) {
    texts << label->text();
  }
  return texts;
}

TEST_F(GermanWindow, TheWindowIsGerman) {
  WriteSettings("[MorrowFane]\r\nTuning=F#\r\n");
  TunerWindow& window = Open();
  EXPECT_EQ(window.OptionsButton().text().toStdString(), "&Optionen...");
  EXPECT_EQ(window.CloseButton().text().toStdString(), "&Schließen");
  EXPECT_EQ(window.AboutAction().text().toStdString(), "&Über MorrowFane...");
  // Note names keep their letters; only the spoken sharp is German.
  EXPECT_EQ(window.StringButton(1).accessibleName().toStdString(), "Saite 1: Fis 1");
  EXPECT_EQ(window.StringButton(2).accessibleName().toStdString(), "Saite 2: B1");
  EXPECT_TRUE(window.accessibleDescription().startsWith(QStringLiteral("Die Tasten 1 bis 6")));
}

TEST_F(GermanWindow, TheSaveErrorIsGerman) {
  const auto blocker = settingsPath_.parent_path() / "not-a-folder";
  std::ofstream(blocker) << "x";
  settingsPath_ = blocker / "morrowfane.ini";
  TunerWindow& window = Open();
  window.close();
  ASSERT_EQ(saveErrors_.size(), 1u);
  EXPECT_EQ(saveErrors_[0].toStdString(),
            "Beim Zugriff auf morrowfane.ini ist ein unerwarteter Dateifehler aufgetreten.");
}

TEST(GermanOptionsDialog, TheDialogAndItsValidationMessageAreGerman) {
  RecordingMidiOutputs outputs(1);
  outputs.SetState(kDefaultDeviceId, DeviceState::NoAudioOutput);
  OptionsDialog dialog(outputs, PlaybackSettings{.Root = "D"});
  dialog.show();
  EXPECT_EQ(dialog.windowTitle().toStdString(), "Optionen");
  const QStringList labels = Texts(dialog.findChildren<QLabel*>());
  for (const char* label : {"&Grundton:", "&Stimmung:", "&Tempo:", "&Ausgabegerät:"}) {
    EXPECT_TRUE(labels.contains(QString::fromUtf8(label))) << label;
  }
  EXPECT_EQ(dialog.LoopCheck().text().toStdString(), "&Wiederholen");
  EXPECT_EQ(dialog.CancelButton().text().toStdString(), "Abbrechen");
  EXPECT_EQ(dialog.ShapeList().itemText(2).toStdString(), "Doppel-Drop-D (C G C F A C)");
  EXPECT_EQ(dialog.RateBox().accessibleDescription().toStdString(), "20 bis 400");
  // The device's state in German; its name is the device's own.
  EXPECT_EQ(dialog.DeviceList().itemText(0).toStdString(),
            "Recording default device (keine Audioausgabe)");

  QString message;
  QString title;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    message = box->text();
    title = box->windowTitle();
    box->accept();
  });
  dialog.RateBox().setText(QStringLiteral("5"));
  dialog.OkButton().click();
  EXPECT_EQ(message.toStdString(), "Bitte geben Sie eine ganze Zahl zwischen 20 und 400 ein.");
  EXPECT_EQ(title.toStdString(), "Optionen");
}

TEST(GermanQtTexts, QtsOwnTextsAreGermanToo) {
  // The edit boxes' context menu, from Qt's own translation.
  EXPECT_EQ(QCoreApplication::translate("QLineEdit", "&Undo").toStdString(), "&Rückgängig");
}

}  // namespace
}  // namespace morrowfane
