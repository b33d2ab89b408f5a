#include "ui/TuningChooser.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QStringList>
#include <algorithm>

#include "ui/DialogUnits.h"
#include "ui/TuningNames.h"

namespace morrowfane {
namespace {

// Layout in dialog units: lists start where the root note list does.
constexpr int kLabelLeft = 11;
constexpr int kLabelWidth = 36;
constexpr int kLabelHeight = 11;
constexpr int kLabelDrop = 2;  // a label's text lines up with its list's
constexpr int kListLeft = 49;
constexpr int kStringsListWidth = 90;
constexpr int kNoteListPitch = 31;
constexpr int kNoteListWidth = 30;
constexpr int kCustomShape = -1;  // the tuning list's data for "Custom"

QComboBox* PlaceList(QComboBox* list, int x, int y, int width) {
  const QRect rect = DialogRect(x, y, width, 0);
  list->setGeometry(rect.left(), rect.top(), rect.width(), list->sizeHint().height());
  return list;
}

QLabel* PlaceLabel(QLabel* label, int y) {
  QRect rect = DialogRect(kLabelLeft, y + kLabelDrop, kLabelWidth, kLabelHeight);
  rect.setWidth(std::max(rect.width(), label->sizeHint().width()));
  label->setGeometry(rect);
  return label;
}

QString NamesOf(const std::vector<int>& keys) {
  QStringList names;
  for (const int key : keys) {
    names.append(QString::fromStdString(NoteName(key)));
  }
  return names.join(QLatin1Char(' '));
}

}  // namespace

TuningChooser::TuningChooser(QWidget& dialog, QComboBox& rootList, QComboBox& shapeList,
                             QComboBox& programList, int stringsRowTop, int notesRowTop)
    : QObject(&dialog), rootList_(&rootList), shapeList_(&shapeList), programList_(&programList) {
  stringsList_ = PlaceList(new QComboBox(&dialog), kListLeft, stringsRowTop, kStringsListWidth);
  for (const InstrumentEntry& entry : kInstruments) {
    stringsList_->addItem(InstrumentName(entry.instrument));
  }
  stringsList_->setAccessibleName(tr("Strings"));
  stringsLabel_ = PlaceLabel(new QLabel(tr("&Strings:"), &dialog), stringsRowTop);
  stringsLabel_->setBuddy(stringsList_);
  CreateNoteLists(dialog, notesRowTop);

  connect(stringsList_, &QComboBox::currentIndexChanged, this, &TuningChooser::OnInstrumentChosen);
  connect(rootList_, &QComboBox::currentIndexChanged, this, &TuningChooser::LabelShapes);
  connect(rootList_, &QComboBox::currentIndexChanged, this, &TuningChooser::OnShapeChosen);
  connect(shapeList_, &QComboBox::currentIndexChanged, this, &TuningChooser::OnShapeChosen);
}

void TuningChooser::CreateNoteLists(QWidget& dialog, int top) {
  for (int k = 1; k <= kMaxStringCount; ++k) {
    auto* list = PlaceList(new QComboBox(&dialog), kListLeft + kNoteListPitch * (k - 1), top,
                           kNoteListWidth);
    list->setAccessibleName(tr("String %1").arg(k));
    noteLists_[static_cast<std::size_t>(k - 1)] = list;
  }
  notesLabel_ = PlaceLabel(new QLabel(tr("&Notes:"), &dialog), top);
  notesLabel_->setBuddy(noteLists_[0]);
}

StringInstrument TuningChooser::Chosen() const {
  const int index = std::max(stringsList_->currentIndex(), 0);
  return kInstruments[static_cast<std::size_t>(index)].instrument;
}

bool TuningChooser::CustomChosen() const {
  return shapeList_->currentData().toInt() == kCustomShape && shapeList_->currentIndex() >= 0;
}

void TuningChooser::Show(const PlaybackSettings& settings) {
  const QSignalBlocker blockStrings(stringsList_);
  const QSignalBlocker blockShapes(shapeList_);
  const auto found =
      std::ranges::find(kInstruments, settings.Strings, &InstrumentEntry::instrument);
  stringsList_->setCurrentIndex(static_cast<int>(found - kInstruments.begin()));
  FillRoots(-1);
  {
    // Stored roots are matched whatever their case.
    const QSignalBlocker blockRoots(rootList_);
    rootList_->setCurrentIndex(
        rootList_->findText(QString::fromStdString(settings.Root), Qt::MatchFixedString));
  }
  FillShapes(settings.Shape);
  if (!settings.CustomKeys.empty()) {
    shapeList_->setCurrentIndex(shapeList_->count() - 1);
  }
  FillNotes(KeysOf(settings).value_or(StandardKeys(settings.Strings)));
  LabelShapes();
  EnableNotes();
}

void TuningChooser::Read(PlaybackSettings& settings) const {
  settings.Strings = Chosen();
  if (CustomChosen()) {
    settings.CustomKeys.clear();
    const int strings = InstrumentOf(settings.Strings).stringCount;
    for (int k = 0; k < strings; ++k) {
      settings.CustomKeys.push_back(noteLists_[static_cast<std::size_t>(k)]->currentData().toInt());
    }
    return;
  }
  settings.CustomKeys.clear();
  if (shapeList_->currentIndex() >= 0) {
    settings.Shape = static_cast<TuningShape>(shapeList_->currentData().toInt());
  }
}

void TuningChooser::FillRoots(int semitonesDown) {
  const QSignalBlocker block(rootList_);
  rootList_->clear();
  for (const std::string& root : RootChoices(Chosen())) {
    rootList_->addItem(QString::fromStdString(root));
  }
  rootList_->setCurrentIndex(semitonesDown);
}

void TuningChooser::FillShapes(TuningShape shape) {
  const QSignalBlocker block(shapeList_);
  shapeList_->clear();
  for (const TuningShape offered : InstrumentOf(Chosen()).shapes) {
    shapeList_->addItem(ShapeName(offered), static_cast<int>(offered));
  }
  shapeList_->addItem(CustomTuningName(), kCustomShape);
  shapeList_->setCurrentIndex(std::max(shapeList_->findData(static_cast<int>(shape)), 0));
}

void TuningChooser::FillNotes(const std::vector<int>& keys) {
  const StringInstrument instrument = Chosen();
  for (int k = 1; k <= kMaxStringCount; ++k) {
    QComboBox& list = NoteList(k);
    list.clear();
    const KeyRange range = CustomKeyRange(instrument, k);
    for (int key = range.first; key <= range.last; ++key) {
      list.addItem(QString::fromStdString(NoteWithOctave(key)), key);
    }
    const auto string = static_cast<std::size_t>(k - 1);
    if (string < keys.size()) {
      list.setCurrentIndex(list.findData(std::clamp(keys[string], range.first, range.last)));
    }
    list.setVisible(k <= InstrumentOf(instrument).stringCount);
  }
}

// Each shape shows the notes it gives on the chosen root; one that would take a string out of
// the playable keys there is offered but cannot be chosen.
void TuningChooser::LabelShapes() {
  const StringInstrument instrument = Chosen();
  const std::string root = rootList_->currentText().toStdString();
  auto* model = qobject_cast<QStandardItemModel*>(shapeList_->model());
  for (int i = 0; i < shapeList_->count(); ++i) {
    const int data = shapeList_->itemData(i).toInt();
    if (data == kCustomShape) {
      continue;
    }
    const auto shape = static_cast<TuningShape>(data);
    QString text = ShapeName(shape);
    const auto keys = ShapedKeys(instrument, root, shape);
    if (keys) {
      text += QStringLiteral(" (%1)").arg(NamesOf(*keys));
    }
    shapeList_->setItemText(i, text);
    if (model != nullptr) {
      model->item(i)->setEnabled(keys.has_value() || !RootLowering(instrument, root));
    }
  }
  if (!CustomChosen() && shapeList_->currentIndex() > 0 &&
      !ShapedKeys(instrument, root, static_cast<TuningShape>(shapeList_->currentData().toInt())) &&
      RootLowering(instrument, root)) {
    shapeList_->setCurrentIndex(0);
  }
}

void TuningChooser::EnableNotes() {
  const bool custom = CustomChosen();
  notesLabel_->setEnabled(custom);
  for (QComboBox* list : noteLists_) {
    list->setEnabled(custom);
  }
  rootList_->setEnabled(!custom);
}

// Keeps the root's semitones where the new instrument offers as many, else takes its lowest
// root; keeps the shape where offered; proposes the instrument's program.
void TuningChooser::OnInstrumentChosen() {
  const StringInstrument instrument = Chosen();
  const int roots = static_cast<int>(RootChoices(instrument).size());
  const int semitonesDown =
      rootList_->currentIndex() < 0 ? -1 : std::min(rootList_->currentIndex(), roots - 1);
  const bool custom = CustomChosen();
  const auto shape = static_cast<TuningShape>(shapeList_->currentData().toInt());
  FillRoots(semitonesDown);
  {
    const QSignalBlocker block(shapeList_);
    FillShapes(OffersShape(instrument, shape) ? shape : TuningShape::Standard);
    if (custom) {
      shapeList_->setCurrentIndex(shapeList_->count() - 1);
    }
  }
  const std::string root = rootList_->currentText().toStdString();
  const TuningShape chosenShape =
      custom ? TuningShape::Standard : static_cast<TuningShape>(shapeList_->currentData().toInt());
  FillNotes(ShapedKeys(instrument, root, chosenShape).value_or(StandardKeys(instrument)));
  LabelShapes();
  EnableNotes();
  if (const int program = InstrumentOf(instrument).program; program != kKeepProgram) {
    programList_->setCurrentIndex(program);
  }
}

// Custom starts from the notes of the tuning chosen before it.
void TuningChooser::OnShapeChosen() {
  if (!CustomChosen() && shapeList_->currentIndex() >= 0) {
    const auto keys = ShapedKeys(Chosen(), rootList_->currentText().toStdString(),
                                 static_cast<TuningShape>(shapeList_->currentData().toInt()));
    if (keys) {
      FillNotes(*keys);
    }
  }
  EnableNotes();
}

}  // namespace morrowfane
