#pragma once

#include <QDialog>
#include <functional>
#include <optional>

#include "model/PlaybackSettings.h"
#include "player/MidiOutput.h"
#include "ui/DeviceComboBox.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace morrowfane {

class TuningChooser;
class UpDownControl;

// The modal "Options" dialog: the instrument, root note and tuning, loop and rate, the reference
// pitch, MIDI output device and instrument. It edits a copy of the settings; the caller takes them
// over after OK.
class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  // Shows a validation message; the default is a warning message box.
  using WarnFunction = std::function<void(QWidget* parent, const QString& text)>;

  OptionsDialog(MidiOutputs& outputs, PlaybackSettings settings, QWidget* parent = nullptr,
                WarnFunction warn = {});

  // The settings it was given; after OK, the choices: the list selections (-1 for an empty
  // selection; a remembered device that is not there keeps its name and stored position), a rate
  // within kMinRate..kMaxRate and a reference pitch within kMinReferenceA4..kMaxReferenceA4.
  const PlaybackSettings& Settings() const { return settings_; }

  QComboBox& RootList() { return *rootList_; }
  QComboBox& ShapeList() { return *shapeList_; }
  TuningChooser& Tuning() { return *tuning_; }
  DeviceComboBox& DeviceList() { return *deviceList_; }
  QComboBox& InstrumentList() { return *instrumentList_; }
  QCheckBox& LoopCheck() { return *loopCheck_; }
  QLineEdit& RateBox() { return *rateBox_; }
  UpDownControl& RateSpin() { return *rateSpin_; }
  QLineEdit& ReferenceBox() { return *referenceBox_; }
  QPushButton& OkButton() { return *okButton_; }
  QPushButton& CancelButton() { return *cancelButton_; }

 public slots:
  // Reads the controls back and ends the dialog only when the rate and reference pitch are valid.
  void accept() override;

 private:
  void CreateControls();
  // Accessible names and descriptions, and the Tab order.
  void DescribeControls();
  void FillControls();
  void FillDevices();
  void OnLoopClicked();
  void AddTuningChooser();
  bool ExchangeAndValidate();
  // The integer in `box` within low..high, or nothing after a message that leaves `box` focused.
  std::optional<int> ValidInteger(QLineEdit& box, int low, int high);

  MidiOutputs& outputs_;
  PlaybackSettings settings_;
  WarnFunction warn_;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QComboBox* rootList_ = nullptr;
  QComboBox* shapeList_ = nullptr;
  DeviceComboBox* deviceList_ = nullptr;
  // The entry of a remembered device that is not there now, or -1.
  int absentDevice_ = -1;
  QComboBox* instrumentList_ = nullptr;
  QCheckBox* loopCheck_ = nullptr;
  QLineEdit* rateBox_ = nullptr;
  UpDownControl* rateSpin_ = nullptr;
  QLineEdit* referenceBox_ = nullptr;
  TuningChooser* tuning_ = nullptr;
};

}  // namespace morrowfane
