#pragma once

#include <QDialog>
#include <functional>

#include "model/Notes.h"
#include "player/MidiOutput.h"
#include "player/TonePlayer.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace morrowfane {

class UpDownControl;

// The modal "Options" dialog: root note (and with it the tuning), loop and rate, MIDI output
// device and instrument. It edits a copy; the caller takes the results over after OK.
class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  // Shows a validation message; the default is a warning message box.
  using WarnFunction = std::function<void(QWidget* parent, const QString& text)>;

  static constexpr int kMinimumRate = 20;
  static constexpr int kMaximumRate = 400;

  OptionsDialog(MidiOutputs& outputs, const PlaybackSettings& settings, Tuning tuning,
                QWidget* parent = nullptr, WarnFunction warn = {});

  // In: the tone player's values. Out, after OK: the selections (-1 for an empty list
  // selection) and a rate within kMinimumRate..kMaximumRate.
  int DeviceIndex = 0;
  int Instrument = 0;
  bool Loop = true;
  int Rate = kDefaultRate;

  // The tuning of the chosen root note.
  Tuning GetChosenTuning() const;

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
  Tuning tuning_;
  WarnFunction warn_;
  QString rootText_;
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
