#include "ui/UpDownControl.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

#include "model/IntegerText.h"

namespace morrowfane {
namespace {

// Auto-repeat of a held arrow, like the platform's spin controls.
constexpr int kRepeatDelayMs = 400;
constexpr int kRepeatIntervalMs = 60;

}  // namespace

UpDownControl::UpDownControl(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
  for (QToolButton* button : {up_, down_}) {
    button->setAutoRepeat(true);
    button->setAutoRepeatDelay(kRepeatDelayMs);
    button->setAutoRepeatInterval(kRepeatIntervalMs);
    button->setFocusPolicy(Qt::NoFocus);
  }
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  connect(up_, &QToolButton::clicked, this, [this] { Step(1); });
  connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
}

void UpDownControl::SetBuddy(QLineEdit* buddy) {
  if (buddy_ != nullptr) {
    buddy_->removeEventFilter(this);
  }
  buddy_ = buddy;
  if (buddy_ != nullptr) {
    buddy_->installEventFilter(this);
  }
}

void UpDownControl::SetRange(int lower, int upper) {
  lower_ = lower;
  upper_ = upper;
  position_ = std::clamp(position_, std::min(lower_, upper_), std::max(lower_, upper_));
}

void UpDownControl::Step(int delta) {
  if (buddy_ != nullptr) {
    if (const IntegerText typed = ReadInteger(buddy_->text().toStdString()); typed.whole) {
      position_ = typed.value;
    }
  }
  // "Up" moves toward the upper bound, whichever way round the range is given.
  const int direction = upper_ >= lower_ ? 1 : -1;
  position_ =
      std::clamp(position_ + direction * delta, std::min(lower_, upper_), std::max(lower_, upper_));
  if (buddy_ != nullptr) {
    buddy_->setText(QString::number(position_));
  }
}

bool UpDownControl::eventFilter(QObject* watched, QEvent* event) {
  if (watched == buddy_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
      Step(key->key() == Qt::Key_Up ? 1 : -1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void UpDownControl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int upperHalf = height() / 2;
  up_->setGeometry(0, 0, width(), upperHalf);
  down_->setGeometry(0, upperHalf, width(), height() - upperHalf);
}

}  // namespace morrowfane
