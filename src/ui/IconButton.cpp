#include "ui/IconButton.h"

#include <QAccessible>
#include <QFile>
#include <QFocusEvent>
#include <QImageReader>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>

#include "ui/IconButtonAccessible.h"

namespace morrowfane {
namespace {

// Resource ids are 16-bit; the higher bits of an id are not part of it.
constexpr int kResourceIdMask = 0xFFFF;
// With a caption beside it, the icon keeps this distance from the left edge and from the caption.
constexpr int kIconMargin = 3;
// The focus rectangle lies this far inside the face.
constexpr int kFocusInset = 3;
constexpr QPoint kPressedShift{1, 1};
constexpr int kTextFlags = Qt::TextSingleLine | Qt::TextShowMnemonic;

QString HighResolutionVariant(const QString& path) {
  const QString suffix = QStringLiteral(".png");
  if (!path.endsWith(suffix)) {
    return {};
  }
  return path.left(path.size() - suffix.size()) + QStringLiteral("@2x") + suffix;
}

// A one-pixel frame on the rectangle's outer edge.
void FrameRect(QPainter& painter, const QRect& rect, const QColor& colour) {
  painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), colour);
  painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), colour);
  painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), colour);
  painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), colour);
}

// Every other pixel of the rectangle's outline, as the classic dotted focus rectangle.
void DrawFocusRect(QPainter& painter, const QRect& rect, const QColor& colour) {
  if (rect.width() <= 0 || rect.height() <= 0) {
    return;
  }
  painter.save();
  painter.setPen(QPen(colour, 0));
  for (int x = rect.left(); x <= rect.right(); ++x) {
    for (const int y : {rect.top(), rect.bottom()}) {
      if ((x + y) % 2 == 0) {
        painter.drawPoint(x, y);
      }
    }
  }
  for (int y = rect.top() + 1; y < rect.bottom(); ++y) {
    for (const int x : {rect.left(), rect.right()}) {
      if ((x + y) % 2 == 0) {
        painter.drawPoint(x, y);
      }
    }
  }
  painter.restore();
}

}  // namespace

IconButton::IconButton(QWidget* parent, IconPathLookup iconPaths)
    : QPushButton(parent), iconPaths_(std::move(iconPaths)) {
  static const bool accessibleInstalled = [] {
    QAccessible::installFactory(&IconButtonAccessible::Create);
    return true;
  }();
  static_cast<void>(accessibleInstalled);
  setFlat(true);
  setMouseTracking(true);
  ResetNormalBackgroundColor(0);
  ResetActiveBackgroundColor(0);
  ResetNormalTextColor(0);
  ResetActiveTextColor(0);
}

IconButton::~IconButton() = default;

std::shared_ptr<const IconButton::LoadedIcon> IconButton::LoadIcon(int id) {
  id &= kResourceIdMask;
  if (const auto kept = loaded_.find(id); kept != loaded_.end()) {
    return kept->second;
  }
  const QString path = iconPaths_ ? iconPaths_(id) : QString();
  if (path.isEmpty() || !QFile::exists(path)) {
    return nullptr;
  }
  const QSize size = QImageReader(path).size();
  if (!size.isValid()) {
    return nullptr;
  }
  auto loaded = std::make_shared<LoadedIcon>();
  loaded->size = size;
  loaded->icon.addFile(path, size);
  const QString highResolution = HighResolutionVariant(path);
  if (!highResolution.isEmpty() && QFile::exists(highResolution)) {
    loaded->icon.addFile(highResolution, size * 2);
  }
  loaded_.emplace(id, loaded);
  return loaded;
}

void IconButton::SetIcons(int activeId, int normalId, std::uint8_t iconWidth,
                          std::uint8_t iconHeight) {
  auto active = LoadIcon(activeId);
  auto normal = normalId != 0 ? LoadIcon(normalId) : active;
  activeIcon_ = std::move(active);
  normalIcon_ = std::move(normal);
  activeIconId_ = activeId;
  normalIconId_ = normalId;
  iconWidth_ = iconWidth;
  iconHeight_ = iconHeight;
  repaint();
}

void IconButton::SetButtonCursor(std::optional<QCursor> cursor) {
  cursor_ = std::move(cursor);
  if (cursor_) {
    setCursor(*cursor_);
  } else {
    unsetCursor();
  }
}

void IconButton::ResetColor(QColor& color, QPalette::ColorRole role, int repaint) {
  color = palette().color(role);
  if (repaint == 1) {
    update();
  }
}

void IconButton::ResetNormalBackgroundColor(int repaint) {
  ResetColor(normalBackground_, QPalette::Button, repaint);
}

void IconButton::ResetActiveBackgroundColor(int repaint) {
  ResetColor(activeBackground_, QPalette::Button, repaint);
}

void IconButton::ResetNormalTextColor(int repaint) {
  ResetColor(normalText_, QPalette::ButtonText, repaint);
}

void IconButton::ResetActiveTextColor(int repaint) {
  ResetColor(activeText_, QPalette::ButtonText, repaint);
}

void IconButton::paintEvent(QPaintEvent* event) {
  // Draw off-screen and put the result on the screen in one go, so repaints never flicker.
  const QRect clip = event->rect();
  const qreal ratio = devicePixelRatioF();
  QPixmap buffer(clip.size() * ratio);
  buffer.setDevicePixelRatio(ratio);
  buffer.fill(Qt::transparent);
  {
    QPainter painter(&buffer);
    painter.translate(-clip.topLeft());
    Draw(painter);
  }
  QPainter target(this);
  target.drawPixmap(clip.topLeft(), buffer);
}

void IconButton::Draw(QPainter& painter) const {
  const QRect item = rect();
  const bool pressed = isDown();
  const bool disabled = !isEnabled();
  const bool focused = hasFocus();

  QRect face = item;
  if (!isFlat() && focused) {
    FrameRect(painter, face, Qt::black);
    face.adjust(1, 1, -1, -1);
  }

  const bool active = hover_ == 1 || pressed;
  painter.fillRect(face, active ? activeBackground_ : normalBackground_);

  const QString caption = showText_ ? text() : QString();
  QRect captionRect = item;
  if (activeIcon_) {
    DrawIcon(painter, captionRect, !caption.isEmpty(), pressed, disabled);
  }
  if (!caption.isEmpty()) {
    DrawCaption(painter, captionRect, caption, pressed, disabled, active);
  }

  if ((!isFlat() || flatFocus_) && focused) {
    DrawFocusRect(painter, face.adjusted(kFocusInset, kFocusInset, -kFocusInset, -kFocusInset),
                  palette().color(QPalette::ButtonText));
  }
}

void IconButton::DrawIcon(QPainter& painter, QRect& captionRect, bool hasCaption, bool pressed,
                          bool disabled) const {
  const QRect item = rect();
  QRect iconRect = item;
  // Halvings drop the fraction toward zero, so an icon wider than the item moves left.
  switch (alignment_) {
    case kIconLeftOfCaption:
      if (hasCaption) {
        iconRect.setLeft(iconRect.left() + kIconMargin);
        captionRect.setLeft(captionRect.left() + iconWidth_ + kIconMargin);
      } else {
        iconRect.setLeft(iconRect.left() + (item.width() - iconWidth_) / 2);
      }
      iconRect.setTop(iconRect.top() + (item.height() - iconHeight_) / 2);
      break;
    case kIconAboveCaption:
      iconRect.setLeft(iconRect.left() + (item.width() - iconWidth_) / 2);
      if (hasCaption) {
        captionRect.setTop(captionRect.top() + iconHeight_);
      } else {
        iconRect.setTop(iconRect.top() + (item.height() - iconHeight_) / 2);
      }
      break;
    default:
      break;
  }
  if (pressed) {
    iconRect.translate(kPressedShift);
  }

  const auto& icon = (hover_ == 1 || pressed) ? activeIcon_ : normalIcon_;
  if (!icon) {
    return;
  }
  const QPixmap pixmap = icon->icon.pixmap(icon->size, painter.device()->devicePixelRatioF(),
                                           disabled ? QIcon::Disabled : QIcon::Normal);
  painter.save();
  painter.setClipRect(iconRect, Qt::IntersectClip);
  painter.drawPixmap(QRect(iconRect.topLeft(), icon->size), pixmap);
  painter.restore();
}

void IconButton::DrawCaption(QPainter& painter, QRect captionRect, const QString& caption,
                             bool pressed, bool disabled, bool active) const {
  if (pressed) {
    captionRect.translate(kPressedShift);
  }
  painter.save();
  painter.setFont(font());
  const QSize textSize = QFontMetrics(font()).size(kTextFlags, caption);
  const QPoint topLeft =
      captionRect.topLeft() + QPoint((captionRect.width() - textSize.width()) / 2,
                                     (captionRect.height() - textSize.height()) / 2);
  const QRect textRect(topLeft, textSize);
  if (disabled) {
    // Embossed: a light copy one pixel down and right under a shadow-coloured one.
    painter.setPen(palette().color(QPalette::Light));
    painter.drawText(textRect.translated(1, 1), kTextFlags, caption);
    painter.setPen(palette().color(QPalette::Dark));
  } else {
    painter.setPen(active ? activeText_ : normalText_);
  }
  painter.drawText(textRect, kTextFlags, caption);
  painter.restore();
}

bool IconButton::HoldsCapture() const {
  return capture_ || mouseGrabber() == this;
}

void IconButton::ReleaseCapture() {
  if (!HoldsCapture()) {
    return;
  }
  capture_ = false;
  if (mouseGrabber() == this) {
    releasingCapture_ = true;
    releaseMouse();
    releasingCapture_ = false;
  }
  OnCaptureChanged();
}

void IconButton::OnCaptureChanged() {
  // Losing the pointer keeps the hover flag; only the look is refreshed.
  if (hover_ == 1) {
    ReleaseCapture();
    update();
  }
}

void IconButton::mousePressEvent(QMouseEvent* event) {
  QPushButton::mousePressEvent(event);
  if (event->button() == Qt::LeftButton && isDown()) {
    capture_ = true;
  }
}

void IconButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && capture_) {
    capture_ = false;
    OnCaptureChanged();
  }
  QPushButton::mouseReleaseEvent(event);
}

void IconButton::mouseMoveEvent(QMouseEvent* event) {
  QPushButton::mouseMoveEvent(event);
  const bool leftDown = (event->buttons() & Qt::LeftButton) != 0;
  if (leftDown && hover_ == 0) {
    return;
  }
  if (!isFlat()) {
    return;
  }
  if (!HoldsCapture() && parentWidget() != nullptr) {
    // Only the flag: no repaint, and the button does not take the pointer.
    hover_ = 1;
    return;
  }
  if (!rect().contains(event->position().toPoint())) {
    if (hover_ == 1) {
      hover_ = 0;
      update();
    }
    if (!leftDown) {
      ReleaseCapture();
    }
  }
}

void IconButton::focusOutEvent(QFocusEvent* event) {
  QPushButton::focusOutEvent(event);
  if (isFlat() && hover_ == 1) {
    hover_ = 0;
    update();
  }
}

bool IconButton::event(QEvent* event) {
  if (event->type() == QEvent::UngrabMouse && !releasingCapture_) {
    OnCaptureChanged();
  }
  return QPushButton::event(event);
}

}  // namespace morrowfane
