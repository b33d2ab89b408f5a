#include "ui/DeviceComboBox.h"

#include <QAbstractItemView>
#include <QScrollBar>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <algorithm>

namespace morrowfane {
namespace {

constexpr int kNameRole = Qt::UserRole;
constexpr int kStateRole = Qt::UserRole + 1;
// The style draws the closed list's text this far inside its edit field on each side.
constexpr int kLabelInset = 1;

}  // namespace

DeviceComboBox::DeviceComboBox(QWidget* parent) : QComboBox(parent) {}

QString DeviceComboBox::StateText(DeviceState state) {
  switch (state) {
    case DeviceState::Ready:
      break;
    case DeviceState::NoSoundFont:
      return tr("no SoundFont found");
    case DeviceState::SoundFontUnusable:
      return tr("SoundFont unusable");
    case DeviceState::NoAudioOutput:
      return tr("no audio output");
    case DeviceState::ServerAway:
      return tr("no JACK server");
    case DeviceState::NotConnected:
      return tr("not connected");
  }
  return {};
}

QString DeviceComboBox::Label(const QString& name, DeviceState state) {
  const QString stateText = StateText(state);
  return stateText.isEmpty() ? name : tr("%1 (%2)").arg(name, stateText);
}

void DeviceComboBox::AddDevice(const QString& name, DeviceState state) {
  addItem(Label(name, state));
  setItemData(count() - 1, name, kNameRole);
  setItemData(count() - 1, static_cast<int>(state), kStateRole);
}

QString DeviceComboBox::NameAt(int index) const {
  return itemData(index, kNameRole).toString();
}

int DeviceComboBox::IndexOfName(const QString& name) const {
  return findData(name, kNameRole, Qt::MatchExactly);
}

int DeviceComboBox::ClosedTextWidth() const {
  QStyleOptionComboBox option;
  initStyleOption(&option);
  const QRect field =
      style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  return field.width() - 2 * kLabelInset;
}

QString DeviceComboBox::ClosedText() const {
  const int index = currentIndex();
  if (index < 0) {
    return {};
  }
  const auto state = static_cast<DeviceState>(itemData(index, kStateRole).toInt());
  const QFontMetrics metrics = fontMetrics();
  const int width = ClosedTextWidth();
  // The state is what the user needs to read; the name gives way to it, or at the very least
  // the state is shown alone.
  const int stateWidth = metrics.horizontalAdvance(Label(QString(), state));
  if (stateWidth >= width) {
    return metrics.elidedText(StateText(state), Qt::ElideRight, width);
  }
  return Label(metrics.elidedText(NameAt(index), Qt::ElideRight, width - stateWidth), state);
}

void DeviceComboBox::paintEvent(QPaintEvent* /*event*/) {
  QStylePainter painter(this);
  painter.setPen(palette().color(QPalette::Text));
  QStyleOptionComboBox option;
  initStyleOption(&option);
  option.currentText = ClosedText();
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void DeviceComboBox::showPopup() {
  // Wide enough for the widest entry, with room for the scroll bar when there is one.
  QAbstractItemView* list = view();
  int width = list->sizeHintForColumn(0) + 2 * list->frameWidth();
  if (count() > maxVisibleItems()) {
    width += list->verticalScrollBar()->sizeHint().width();
  }
  list->setMinimumWidth(std::max(width, this->width()));
  QComboBox::showPopup();
}

}  // namespace morrowfane
