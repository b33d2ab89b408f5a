#include "ui/OptionsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

#include "model/IntegerText.h"
#include "ports/InstrumentCatalogue.h"
#include "ui/DialogUnits.h"
#include "ui/TuningChooser.h"
#include "ui/UpDownControl.h"

namespace morrowfane {
namespace {

// Template layout, in dialog units. The tuning list beside the root note widens the playback
// group, and everything right of it moves over by as much.
constexpr int kShapeListWidth = 160;
constexpr int kWidening = kShapeListWidth + 32;
constexpr int kDialogWidth = 210 + kWidening;
// The instrument's row above the root note and the note lists' row below it push the rows under
// them down.
constexpr int kRowHeight = 14;
constexpr int kStringsRowTop = 17;
constexpr int kRootRowShift = kRowHeight;
constexpr int kNotesRowTop = 17 + 2 * kRowHeight;
constexpr int kLowerRowsShift = 2 * kRowHeight;
constexpr int kDialogHeight = 101 + kLowerRowsShift;
constexpr int kListRows = 10;

void ShowWarning(QWidget* parent, const QString& text) {
  QMessageBox::warning(parent, OptionsDialog::tr("Options"), text);
}

// Places a widget at its template rectangle. Labels keep at least the width their text needs.
template <typename Widget>
Widget* Place(Widget* widget, int x, int y, int width, int height) {
  widget->setGeometry(DialogRect(x, y, width, height));
  return widget;
}

QLabel* PlaceLabel(QLabel* label, int x, int y, int width, int height) {
  QRect rect = DialogRect(x, y, width, height);
  rect.setWidth(std::max(rect.width(), label->sizeHint().width()));
  label->setGeometry(rect);
  return label;
}

// A drop-down list: the template's height is that of the opened list; closed it is as high as
// its font needs.
template <typename List>
List* PlaceList(List* list, int x, int y, int width) {
  const QRect rect = DialogRect(x, y, width, 0);
  list->setGeometry(rect.left(), rect.top(), rect.width(), list->sizeHint().height());
  list->setMaxVisibleItems(kListRows);
  return list;
}

// An index outside a list leaves it without a selection.
int Within(int index, const QComboBox& list) {
  return index >= 0 && index < list.count() ? index : -1;
}

}  // namespace

OptionsDialog::OptionsDialog(MidiOutputs& outputs, PlaybackSettings settings, QWidget* parent,
                             WarnFunction warn)
    : QDialog(parent),
      outputs_(outputs),
      settings_(std::move(settings)),
      warn_(warn ? std::move(warn) : WarnFunction(ShowWarning)) {
  setWindowTitle(tr("Options"));
  setFont(DialogFont());
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(DialogRect(0, 0, kDialogWidth, kDialogHeight).size());
  CreateControls();
  AddTuningChooser();
  FillControls();
  okButton_->setFocus();
}

void OptionsDialog::CreateControls() {
  // Created in template order, which is also the tab order. The group boxes come last but lie
  // beneath the controls they frame.
  okButton_ = Place(new QPushButton(tr("OK"), this), 105 + kWidening, 80 + kLowerRowsShift, 47, 14);
  okButton_->setDefault(true);
  cancelButton_ =
      Place(new QPushButton(tr("Cancel"), this), 156 + kWidening, 80 + kLowerRowsShift, 47, 14);
  rootList_ = PlaceList(new QComboBox(this), 49, 17 + kRootRowShift, 25);
  auto* rootLabel = PlaceLabel(new QLabel(tr("Root note:"), this), 11, 19 + kRootRowShift, 36, 11);
  shapeList_ = PlaceList(new QComboBox(this), 107, 17 + kRootRowShift, kShapeListWidth);
  auto* shapeLabel = PlaceLabel(new QLabel(tr("Tuning:"), this), 80, 19 + kRootRowShift, 25, 11);
  deviceList_ = PlaceList(new DeviceComboBox(this), 90 + kWidening, 28, 106);
  instrumentList_ = PlaceList(new QComboBox(this), 90 + kWidening, 55, 106);
  loopCheck_ = Place(new QCheckBox(tr("Loop"), this), 11, 41 + kLowerRowsShift, 59, 9);
  loopCheck_->setGeometry(loopCheck_->x(), loopCheck_->y(),
                          std::max(loopCheck_->width(), loopCheck_->sizeHint().width()),
                          std::max(loopCheck_->height(), loopCheck_->sizeHint().height()));
  rateBox_ = Place(new QLineEdit(this), 37, 55 + kLowerRowsShift, 28, 12);
  rateSpin_ = Place(new UpDownControl(this), 65, 55 + kLowerRowsShift, 9, 12);
  rateSpin_->SetBuddy(rateBox_);
  auto* rateLabel = PlaceLabel(new QLabel(tr("Rate:"), this), 12, 56 + kLowerRowsShift, 20, 11);
  referenceBox_ = Place(new QLineEdit(this), 113, 55 + kLowerRowsShift, 28, 12);
  auto* referenceLabel =
      PlaceLabel(new QLabel(tr("A4 (Hz):"), this), 80, 56 + kLowerRowsShift, 25, 11);
  auto* midiGroup =
      Place(new QGroupBox(tr("MIDI settings"), this), 85 + kWidening, 6, 118, 67 + kLowerRowsShift);
  auto* deviceLabel =
      PlaceLabel(new QLabel(tr("Playback device:"), this), 91 + kWidening, 18, 55, 9);
  auto* instrumentLabel =
      PlaceLabel(new QLabel(tr("Instrument:"), this), 91 + kWidening, 44, 64, 8);
  auto* playbackGroup = Place(new QGroupBox(tr("Playback settings"), this), 5, 6, 76 + kWidening,
                              67 + kLowerRowsShift);
  midiGroup->lower();
  playbackGroup->lower();

  rootLabel->setBuddy(rootList_);
  shapeLabel->setBuddy(shapeList_);
  rateLabel->setBuddy(rateBox_);
  referenceLabel->setBuddy(referenceBox_);
  deviceLabel->setBuddy(deviceList_);
  instrumentLabel->setBuddy(instrumentList_);
  rootList_->setAccessibleName(tr("Root note"));
  shapeList_->setAccessibleName(tr("Tuning"));
  deviceList_->setAccessibleName(tr("Playback device"));
  instrumentList_->setAccessibleName(tr("Instrument"));
  rateBox_->setAccessibleName(tr("Rate"));
  referenceBox_->setAccessibleName(tr("A4 (Hz)"));

  setTabOrder(okButton_, cancelButton_);
  setTabOrder(cancelButton_, rootList_);
  setTabOrder(rootList_, shapeList_);
  setTabOrder(shapeList_, deviceList_);
  setTabOrder(deviceList_, instrumentList_);
  setTabOrder(instrumentList_, loopCheck_);
  setTabOrder(loopCheck_, rateBox_);
  setTabOrder(rateBox_, referenceBox_);

  // The closed lists are narrow for long names; the whole chosen entry is their tooltip.
  for (QComboBox* list : {static_cast<QComboBox*>(deviceList_), instrumentList_}) {
    connect(list, &QComboBox::currentTextChanged, list, &QWidget::setToolTip);
  }
  connect(cancelButton_, &QPushButton::clicked, this, &OptionsDialog::reject);
  connect(okButton_, &QPushButton::clicked, this, &OptionsDialog::accept);
  connect(loopCheck_, &QCheckBox::clicked, this, &OptionsDialog::OnLoopClicked);
}

void OptionsDialog::FillControls() {
  FillDevices();
  const InstrumentCatalogue catalogue(outputs_);
  for (const std::string& name : ListInstruments(catalogue)) {
    instrumentList_->addItem(QString::fromStdString(name));
  }
  instrumentList_->setCurrentIndex(Within(settings_.Instrument, *instrumentList_));
  rateBox_->setText(QString::number(settings_.Rate));
  rateSpin_->SetRange(kMinRate, kMaxRate);
  loopCheck_->setChecked(settings_.Loop);
  rateBox_->setEnabled(settings_.Loop);
  referenceBox_->setText(QString::number(settings_.ReferenceA4));
  tuning_->Show(settings_);
}

// A remembered device is chosen by its name alone. One that is not there now stays listed as not
// connected, and chosen, so that OK keeps it.
void OptionsDialog::FillDevices() {
  const std::vector<std::string> names = ListDevices(InstrumentCatalogue(outputs_), outputs_);
  int deviceId = kDefaultDeviceId;
  for (const std::string& name : names) {
    deviceList_->AddDevice(QString::fromStdString(name), outputs_.StateOf(deviceId++));
  }
  if (settings_.DeviceName.empty()) {
    deviceList_->setCurrentIndex(Within(settings_.DeviceIndex, *deviceList_));
    return;
  }
  const QString name = QString::fromStdString(settings_.DeviceName);
  int index = deviceList_->IndexOfName(name);
  if (index < 0) {
    deviceList_->AddDevice(name, DeviceState::NotConnected);
    index = absentDevice_ = deviceList_->count() - 1;
  }
  deviceList_->setCurrentIndex(index);
}

// The instrument list and the note lists join the tuning lists; in tab order the instrument
// comes before the root note and the note lists after the tuning.
void OptionsDialog::AddTuningChooser() {
  tuning_ = new TuningChooser(*this, *rootList_, *shapeList_, *instrumentList_, kStringsRowTop,
                              kNotesRowTop);
  setTabOrder(cancelButton_, &tuning_->StringsList());
  setTabOrder(&tuning_->StringsList(), rootList_);
  QWidget* previous = shapeList_;
  for (int k = 1; k <= kMaxStringCount; ++k) {
    setTabOrder(previous, &tuning_->NoteList(k));
    previous = &tuning_->NoteList(k);
  }
  setTabOrder(previous, deviceList_);
}

void OptionsDialog::OnLoopClicked() {
  rateBox_->setEnabled(loopCheck_->isChecked());
}

void OptionsDialog::accept() {
  settings_.Loop = loopCheck_->isChecked();
  settings_.Rate = ReadInteger(rateBox_->text().toStdString()).value;
  const int device = deviceList_->currentIndex();
  if (device < 0 || device != absentDevice_) {
    settings_.DeviceIndex = device;
  }
  // The raw name, whatever the entry's label says.
  settings_.DeviceName = device > 0 ? deviceList_->NameAt(device).toStdString() : std::string();
  settings_.Instrument = instrumentList_->currentIndex();
  tuning_->Read(settings_);
  if (ExchangeAndValidate()) {
    QDialog::accept();
  }
}

bool OptionsDialog::ExchangeAndValidate() {
  settings_.Root = rootList_->currentText().toStdString();

  const std::optional<int> rate = ValidInteger(*rateBox_, kMinRate, kMaxRate);
  if (!rate) {
    return false;
  }
  settings_.Rate = *rate;
  const std::optional<int> reference =
      ValidInteger(*referenceBox_, kMinReferenceA4, kMaxReferenceA4);
  if (!reference) {
    return false;
  }
  settings_.ReferenceA4 = *reference;
  return true;
}

std::optional<int> OptionsDialog::ValidInteger(QLineEdit& box, int low, int high) {
  // A decimal integer with blanks and tabs around it and an optional sign; nothing else.
  const IntegerText number = ReadInteger(box.text().toStdString());
  QString message;
  if (!number.whole) {
    message = tr("Please enter an integer.");
  } else if (number.value < low || number.value > high) {
    message = tr("Please enter an integer between %1 and %2.").arg(low).arg(high);
  } else {
    return number.value;
  }
  warn_(this, message);
  box.setFocus();
  box.selectAll();
  return std::nullopt;
}

}  // namespace morrowfane
