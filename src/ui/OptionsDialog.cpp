#include "ui/OptionsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "model/IntegerText.h"
#include "ports/InstrumentCatalogue.h"
#include "ui/DialogUnits.h"
#include "ui/UpDownControl.h"

namespace morrowfane {
namespace {

// Template layout, in dialog units.
constexpr int kDialogWidth = 210;
constexpr int kDialogHeight = 101;
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
QComboBox* PlaceList(QComboBox* list, int x, int y, int width) {
  const QRect rect = DialogRect(x, y, width, 0);
  list->setGeometry(rect.left(), rect.top(), rect.width(), list->sizeHint().height());
  list->setMaxVisibleItems(kListRows);
  return list;
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
  FillControls();
  okButton_->setFocus();
}

void OptionsDialog::CreateControls() {
  // Created in template order, which is also the tab order. The group boxes come last but lie
  // beneath the controls they frame.
  okButton_ = Place(new QPushButton(tr("OK"), this), 105, 80, 47, 14);
  okButton_->setDefault(true);
  cancelButton_ = Place(new QPushButton(tr("Cancel"), this), 156, 80, 47, 14);
  rootList_ = PlaceList(new QComboBox(this), 49, 17, 25);
  for (const std::string_view root : kRootChoices) {
    rootList_->addItem(QString::fromLatin1(root.data(), static_cast<qsizetype>(root.size())));
  }
  auto* rootLabel = PlaceLabel(new QLabel(tr("Root note:"), this), 11, 19, 36, 11);
  deviceList_ = PlaceList(new QComboBox(this), 90, 28, 106);
  instrumentList_ = PlaceList(new QComboBox(this), 90, 55, 106);
  loopCheck_ = Place(new QCheckBox(tr("Loop"), this), 11, 41, 59, 9);
  loopCheck_->setGeometry(loopCheck_->x(), loopCheck_->y(),
                          std::max(loopCheck_->width(), loopCheck_->sizeHint().width()),
                          std::max(loopCheck_->height(), loopCheck_->sizeHint().height()));
  rateBox_ = Place(new QLineEdit(this), 37, 55, 28, 12);
  rateSpin_ = Place(new UpDownControl(this), 65, 55, 9, 12);
  rateSpin_->SetBuddy(rateBox_);
  auto* rateLabel = PlaceLabel(new QLabel(tr("Rate:"), this), 12, 56, 20, 11);
  auto* midiGroup = Place(new QGroupBox(tr("MIDI settings"), this), 85, 6, 118, 67);
  auto* deviceLabel = PlaceLabel(new QLabel(tr("Playback device:"), this), 91, 18, 55, 9);
  auto* instrumentLabel = PlaceLabel(new QLabel(tr("Instrument:"), this), 91, 44, 64, 8);
  auto* playbackGroup = Place(new QGroupBox(tr("Playback settings"), this), 5, 6, 76, 67);
  midiGroup->lower();
  playbackGroup->lower();

  rootLabel->setBuddy(rootList_);
  rateLabel->setBuddy(rateBox_);
  deviceLabel->setBuddy(deviceList_);
  instrumentLabel->setBuddy(instrumentList_);
  rootList_->setAccessibleName(tr("Root note"));
  deviceList_->setAccessibleName(tr("Playback device"));
  instrumentList_->setAccessibleName(tr("Instrument"));
  rateBox_->setAccessibleName(tr("Rate"));

  setTabOrder(okButton_, cancelButton_);
  setTabOrder(cancelButton_, rootList_);
  setTabOrder(rootList_, deviceList_);
  setTabOrder(deviceList_, instrumentList_);
  setTabOrder(instrumentList_, loopCheck_);
  setTabOrder(loopCheck_, rateBox_);

  // The closed lists are narrow for names such as "Built-in synthesizer (no audio output)"; the
  // whole chosen name is their tooltip.
  for (QComboBox* list : {deviceList_, instrumentList_}) {
    connect(list, &QComboBox::currentTextChanged, list, &QWidget::setToolTip);
  }
  connect(cancelButton_, &QPushButton::clicked, this, &OptionsDialog::reject);
  connect(okButton_, &QPushButton::clicked, this, &OptionsDialog::accept);
  connect(loopCheck_, &QCheckBox::clicked, this, &OptionsDialog::OnLoopClicked);
}

void OptionsDialog::FillControls() {
  const InstrumentCatalogue catalogue(outputs_);
  for (const std::string& name : ListDevices(catalogue, outputs_)) {
    deviceList_->addItem(QString::fromStdString(name));
  }
  for (const std::string& name : ListInstruments(catalogue)) {
    instrumentList_->addItem(QString::fromStdString(name));
  }
  // An index outside a list leaves it without a selection.
  const auto within = [](int index, const QComboBox* list) {
    return index >= 0 && index < list->count() ? index : -1;
  };
  deviceList_->setCurrentIndex(within(settings_.DeviceIndex, deviceList_));
  instrumentList_->setCurrentIndex(within(settings_.Instrument, instrumentList_));
  rateBox_->setText(QString::number(settings_.Rate));
  rateSpin_->SetRange(kMinRate, kMaxRate);
  loopCheck_->setChecked(settings_.Loop);
  rateBox_->setEnabled(settings_.Loop);
  const QString root = QString::fromStdString(settings_.Root);
  rootList_->setCurrentIndex(rootList_->findText(root, Qt::MatchFixedString));
}

void OptionsDialog::OnLoopClicked() {
  rateBox_->setEnabled(loopCheck_->isChecked());
}

void OptionsDialog::accept() {
  settings_.Loop = loopCheck_->isChecked();
  settings_.Rate = ReadInteger(rateBox_->text().toStdString()).value;
  settings_.DeviceIndex = deviceList_->currentIndex();
  settings_.DeviceName =
      settings_.DeviceIndex > 0 ? deviceList_->currentText().toStdString() : std::string();
  settings_.Instrument = instrumentList_->currentIndex();
  if (ExchangeAndValidate()) {
    QDialog::accept();
  }
}

bool OptionsDialog::ExchangeAndValidate() {
  settings_.Root = rootList_->currentText().toStdString();

  // A decimal integer with blanks and tabs around it and an optional sign; nothing else.
  const IntegerText rate = ReadInteger(rateBox_->text().toStdString());
  if (!rate.whole) {
    RejectRate(tr("Please enter an integer."));
    return false;
  }
  if (rate.value < kMinRate || rate.value > kMaxRate) {
    RejectRate(tr("Please enter an integer between %1 and %2.").arg(kMinRate).arg(kMaxRate));
    return false;
  }
  settings_.Rate = rate.value;
  return true;
}

void OptionsDialog::RejectRate(const QString& message) {
  warn_(this, message);
  rateBox_->setFocus();
  rateBox_->selectAll();
}

}  // namespace morrowfane
