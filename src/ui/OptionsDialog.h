#pragma once

#include <QDialog>
#include <functional>

#include "model/PlaybackSettings.h"
#include "player/MidiOutput.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace morrowfane {

class UpDownControl;

// The modal "Options" dialog: root note (and with it the tuning), loop and rate, MIDI output
// device and instrument. It edits a copy of the settings; the caller takes them over after OK.
class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  // Shows a validation message; the default is a warning message box.
  using WarnFunction = std::function<void(QWidget* parent, const QString& text)>;

  OptionsDialog(MidiOutputs& outputs, PlaybackSettings settings, QWidget* parent = nullptr,
                WarnFunction warn = {});

  // The settings it was given; after OK, the choices: the list selections (-1 for an empty
  // selection) and a rate within kMinRate..kMaxRate.
  const PlaybackSettings& Settings() const { return settings_; }

  QComboBox& RootList() { return *rootList_; }
  QComboBox& DeviceList() { return *deviceList_; }
  QComboBox& InstrumentList() { return *instrumentList_; }
  QCheckBox& LoopCheck() { return *loopCheck_; }
  QLineEdit& RateBox() { return *rateBox_; }
  UpDownControl& RateSpin() { return *rateSpin_; }
  QPushButton& OkButton() { return *okButton_; }
  QPushButton& CancelButton() { return *cancelButton_; }

 public slots:
  // Reads the controls back and ends the dialog only when the rate is valid.
  void accept() override;

 private:
  void CreateControls();
  void FillControls();
  void OnLoopClicked();
  bool ExchangeAndValidate();
  void RejectRate(const QString& message);

  MidiOutputs& outputs_;
  PlaybackSettings settings_;
  WarnFunction warn_;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QComboBox* rootList_ = nullptr;
  QComboBox* deviceList_ = nullptr;
  QComboBox* instrumentList_ = nullptr;
  QCheckBox* loopCheck_ = nullptr;
  QLineEdit* rateBox_ = nullptr;
  UpDownControl* rateSpin_ = nullptr;
};

}  // namespace morrowfane
