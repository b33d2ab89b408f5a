#include "ui/OptionsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>

#include "model/GeneralMidi.h"
#include "model/IntegerText.h"
#include "player/DeviceChoice.h"
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
// The least room between the controls and the dialog's right and lower edges, and between a group
// box's controls and its right edge.
constexpr int kContentMargin = 5;
constexpr int kGroupPadding = 6;

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

// Moves the widgets of a row, left to right, wherever a label's text reaches into the widget
// after it, and returns the row's right edge.
int MakeRoomForLabels(std::initializer_list<QWidget*> row) {
  int shift = 0;
  const QWidget* previous = nullptr;
  for (QWidget* widget : row) {
    if (const auto* label = qobject_cast<const QLabel*>(previous)) {
      const QString shown = QString(label->text()).remove(QLatin1Char('&'));
      const int textEnd = label->x() + label->fontMetrics().horizontalAdvance(shown);
      shift = std::max(shift, textEnd - widget->x());
    }
    widget->move(widget->x() + shift, widget->y());
    previous = widget;
  }
  return previous->geometry().right() + 1;
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
  FillControls();
  // The template's size, or more where a larger font or a longer translation needs it.
  FitToContent(*this, kContentMargin);
  tuning_->StringsList().setFocus();
}

void OptionsDialog::CreateControls() {
  const DialogBaseUnits units = ApplicationBaseUnits();
  // The group boxes come first and lie beneath the controls they frame.
  auto* playbackGroup = Place(new QGroupBox(tr("Playback settings"), this), 5, 6, 76 + kWidening,
                              67 + kLowerRowsShift);
  auto* midiGroup =
      Place(new QGroupBox(tr("MIDI settings"), this), 85 + kWidening, 6, 118, 67 + kLowerRowsShift);
  auto* rootLabel = PlaceLabel(new QLabel(tr("&Root note:"), this), 11, 19 + kRootRowShift, 36, 11);
  rootList_ = PlaceList(new QComboBox(this), 49, 17 + kRootRowShift, 25);
  auto* shapeLabel = PlaceLabel(new QLabel(tr("&Tuning:"), this), 80, 19 + kRootRowShift, 25, 11);
  shapeList_ = PlaceList(new QComboBox(this), 107, 17 + kRootRowShift, kShapeListWidth);
  loopCheck_ = Place(new QCheckBox(tr("&Loop"), this), 11, 41 + kLowerRowsShift, 59, 9);
  loopCheck_->setGeometry(loopCheck_->x(), loopCheck_->y(),
                          std::max(loopCheck_->width(), loopCheck_->sizeHint().width()),
                          std::max(loopCheck_->height(), loopCheck_->sizeHint().height()));
  auto* rateLabel = PlaceLabel(new QLabel(tr("R&ate:"), this), 12, 56 + kLowerRowsShift, 20, 11);
  rateBox_ = Place(new QLineEdit(this), 37, 55 + kLowerRowsShift, 28, 12);
  rateSpin_ = Place(new UpDownControl(this), 65, 55 + kLowerRowsShift, 9, 12);
  rateSpin_->SetBuddy(rateBox_);
  auto* referenceLabel =
      PlaceLabel(new QLabel(tr("A&4 (Hz):"), this), 80, 56 + kLowerRowsShift, 25, 11);
  referenceBox_ = Place(new QLineEdit(this), 113, 55 + kLowerRowsShift, 28, 12);
  auto* deviceLabel =
      PlaceLabel(new QLabel(tr("&Playback device:"), this), 91 + kWidening, 18, 55, 9);
  deviceList_ = PlaceList(new DeviceComboBox(this), 90 + kWidening, 28, 106);
  auto* instrumentLabel =
      PlaceLabel(new QLabel(tr("&Instrument:"), this), 91 + kWidening, 44, 64, 8);
  instrumentList_ = PlaceList(new QComboBox(this), 90 + kWidening, 55, 106);
  okButton_ = Place(new QPushButton(tr("OK"), this), 105 + kWidening, 80 + kLowerRowsShift, 47, 14);
  okButton_->setDefault(true);
  cancelButton_ =
      Place(new QPushButton(tr("Cancel"), this), 156 + kWidening, 80 + kLowerRowsShift, 47, 14);
  AddTuningChooser();

  // Longer labels (a translation, a larger font) push their rows, and the MIDI group, rightwards.
  const int rowsRight = std::max(
      {MakeRoomForLabels({&tuning_->StringsLabel(), &tuning_->StringsList()}),
       MakeRoomForLabels({rootLabel, rootList_, shapeLabel, shapeList_}),
       MakeRoomForLabels({&tuning_->NotesLabel(), &tuning_->NoteList(1), &tuning_->NoteList(2),
                          &tuning_->NoteList(3), &tuning_->NoteList(4), &tuning_->NoteList(5),
                          &tuning_->NoteList(6), &tuning_->NoteList(7)}),
       MakeRoomForLabels({rateLabel, rateBox_, rateSpin_, referenceLabel, referenceBox_})});
  const int extra = std::max(0, rowsRight + DialogUnitsToPixelsX(kGroupPadding, units) -
                                    (playbackGroup->geometry().right() + 1));
  playbackGroup->resize(playbackGroup->width() + extra, playbackGroup->height());
  for (QWidget* widget :
       {static_cast<QWidget*>(midiGroup), static_cast<QWidget*>(deviceLabel),
        static_cast<QWidget*>(deviceList_), static_cast<QWidget*>(instrumentLabel),
        static_cast<QWidget*>(instrumentList_), static_cast<QWidget*>(okButton_),
        static_cast<QWidget*>(cancelButton_)}) {
    widget->move(widget->x() + extra, widget->y());
  }

  // A combo box is named by its label: on Linux Qt gives its name as its current value, which a
  // screen reader says after the label.
  rootLabel->setBuddy(rootList_);
  shapeLabel->setBuddy(shapeList_);
  rateLabel->setBuddy(rateBox_);
  referenceLabel->setBuddy(referenceBox_);
  deviceLabel->setBuddy(deviceList_);
  instrumentLabel->setBuddy(instrumentList_);
  DescribeControls();

  // The closed lists are narrow for long names; the whole chosen entry is their tooltip.
  for (QComboBox* list : {static_cast<QComboBox*>(deviceList_), instrumentList_}) {
    connect(list, &QComboBox::currentTextChanged, list, &QWidget::setToolTip);
  }
  connect(cancelButton_, &QPushButton::clicked, this, &OptionsDialog::reject);
  connect(okButton_, &QPushButton::clicked, this, &OptionsDialog::accept);
  connect(loopCheck_, &QCheckBox::clicked, this, &OptionsDialog::OnLoopClicked);
}

void OptionsDialog::DescribeControls() {
  rateBox_->setAccessibleName(tr("Rate"));
  referenceBox_->setAccessibleName(tr("A4 (Hz)"));
  rateBox_->setAccessibleDescription(tr("%1 to %2").arg(kMinRate).arg(kMaxRate));
  referenceBox_->setAccessibleDescription(tr("%1 to %2").arg(kMinReferenceA4).arg(kMaxReferenceA4));
  rateSpin_->UpButton().setAccessibleName(tr("Increase rate"));
  rateSpin_->DownButton().setAccessibleName(tr("Decrease rate"));

  // Tab follows the layout: the playback group row by row, the MIDI group, then OK and Cancel.
  setTabOrder(&tuning_->StringsList(), rootList_);
  setTabOrder(rootList_, shapeList_);
  QWidget* previous = shapeList_;
  for (int k = 1; k <= kMaxStringCount; ++k) {
    setTabOrder(previous, &tuning_->NoteList(k));
    previous = &tuning_->NoteList(k);
  }
  setTabOrder(previous, loopCheck_);
  setTabOrder(loopCheck_, rateBox_);
  setTabOrder(rateBox_, referenceBox_);
  setTabOrder(referenceBox_, deviceList_);
  setTabOrder(deviceList_, instrumentList_);
  setTabOrder(instrumentList_, okButton_);
  setTabOrder(okButton_, cancelButton_);
}

void OptionsDialog::FillControls() {
  FillDevices();
  for (const std::string_view name : GeneralMidiNames()) {
    instrumentList_->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
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
  const std::vector<std::string> names = ListDevices(outputs_);
  for (const std::string& name : names) {
    deviceList_->AddDevice(QString::fromStdString(name),
                           outputs_.StateOf(DeviceIdAt(deviceList_->count())));
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

// The instrument list above the root note and the note lists below the tuning join the dialog's
// tuning lists.
void OptionsDialog::AddTuningChooser() {
  tuning_ = new TuningChooser(*this, *rootList_, *shapeList_, *instrumentList_, kStringsRowTop,
                              kNotesRowTop);
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
