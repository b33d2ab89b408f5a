#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <utility>
#include <vector>

#include "TunerWindowFixture.h"
#include "app/AboutBox.h"
#include "ui/OptionsDialog.h"

// Runs under LANG=C with the program's translators installed: every text a user sees stays
// byte for byte what it was before the program was translated.
namespace morrowfane {
namespace {

using EnglishWindow = TunerWindowTest;

// A text as drawn: without its mnemonic marks.
std::string Visible(const QString& text) {
  return QString(text).remove(QLatin1Char('&')).toStdString();
}

std::vector<std::string> LabelTexts(const QWidget& parent) {
  std::vector<std::string> texts;
  for (const QLabel* label : parent.findChildren<QLabel*>()) {
    texts.push_back(Visible(label->text()));
  }
  for (const QGroupBox* group : parent.findChildren<QGroupBox*>()) {
    texts.push_back(Visible(group->title()));
  }
  return texts;
}

TEST_F(EnglishWindow, EveryVisibleTextIsTheEnglishOneByteForByte) {
  TunerWindow& window = Open();
  OptionsDialog dialog(outputs_, player_.Settings(), &window,
                       [this](QWidget*, const QString& text) { saveErrors_.push_back(text); });
  AboutBox about(&window);
  const std::vector<std::pair<std::string, std::string>> shown = {
      {Visible(window.windowTitle()), "MorrowFane"},
      {Visible(window.OptionsButton().text()), "Options..."},
      {Visible(window.CloseButton().text()), "Close"},
      {Visible(window.AboutAction().text()), "About MorrowFane..."},
      {Visible(dialog.windowTitle()), "Options"},
      {Visible(dialog.LoopCheck().text()), "Loop"},
      {Visible(dialog.OkButton().text()), "OK"},
      {Visible(dialog.CancelButton().text()), "Cancel"},
      {Visible(dialog.ShapeList().itemText(0)), "Standard (E A D G B E)"},
      {Visible(dialog.ShapeList().itemText(1)), "Drop D (D A D G B E)"},
      {Visible(dialog.ShapeList().itemText(2)), "Double drop D (D A D G B D)"},
      {Visible(dialog.ShapeList().itemText(3)), "DADGAD (D A D G A D)"},
      {Visible(dialog.ShapeList().itemText(4)), "Open D (D A D F# A D)"},
      {Visible(dialog.ShapeList().itemText(5)), "Open G (D G D G B D)"},
      {Visible(about.windowTitle()), "About MorrowFane"},
  };
  for (const auto& [actual, expected] : shown) {
    EXPECT_EQ(actual, expected);
  }
  const std::vector<std::string> dialogLabels = {
      "Root note:",  "Tuning:",           "Rate:",         "A4 (Hz):", "Playback device:",
      "Instrument:", "Playback settings", "MIDI settings", "Strings:", "Notes:"};
  EXPECT_THAT(LabelTexts(dialog), ::testing::UnorderedElementsAreArray(dialogLabels));
  EXPECT_THAT(LabelTexts(about), ::testing::UnorderedElementsAre(
                                     "MorrowFane Version 1.0", "Reference notes for guitars",
                                     "Sound by FluidSynth and RtMidi", "Built with Qt 6"));

  // The validation messages, and a save error.
  for (const char* rate : {"x", "5"}) {
    dialog.RateBox().setText(QString::fromLatin1(rate));
    dialog.OkButton().click();
  }
  window.close();
  const auto blocker = settingsPath_.parent_path() / "not-a-folder";
  std::ofstream(blocker) << "x";
  StoredSettings unwritable(blocker / "morrowfane.ini");
  TunerWindow unsaved(player_, outputs_, unwritable);
  unsaved.SetSaveErrorReporter(
      [this](QWidget*, const QString& text) { saveErrors_.push_back(text); });
  unsaved.close();
  std::vector<std::string> messages;
  for (const QString& message : saveErrors_) {
    messages.push_back(message.toStdString());
  }
  EXPECT_EQ(messages, (std::vector<std::string>{
                          "Please enter an integer.", "Please enter an integer between 20 and 400.",
                          "An unexpected file error occurred while accessing morrowfane.ini."}));
}

}  // namespace
}  // namespace morrowfane
