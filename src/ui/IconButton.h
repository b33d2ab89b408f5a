#pragma once

#include <QColor>
#include <QCursor>
#include <QIcon>
#include <QPushButton>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "ui/IconResources.h"

class QPainter;

namespace morrowfane {

// A push button that draws itself: a flat face in a solid colour with an icon and an optional
// one-line caption, shifted one pixel while held down, and an active look (own colours, own icon)
// while pressed or while the pointer is taken to be over it. Clicking and keyboard handling are
// QPushButton's; this class only draws and tracks the pointer. A checkable one shows a checked
// state that its owner sets: a click never toggles it.
class IconButton : public QPushButton {
  Q_OBJECT

 public:
  // Icon placement relative to the caption; any other value puts the icon at the top-left corner.
  static constexpr int kIconLeftOfCaption = 0;
  static constexpr int kIconAboveCaption = 1;

  explicit IconButton(QWidget* parent = nullptr, IconPathLookup iconPaths = ProgramIconPath);
  ~IconButton() override;

  // Shows the icons of these resource ids and repaints before returning. A normal id of 0 means
  // the active icon serves in every state. The size is used for the layout only. Each id's image
  // is read once and kept, so relabelling again and again holds no more than the icons shown.
  void SetIcons(int activeId, int normalId, std::uint8_t iconWidth, std::uint8_t iconHeight);
  int ActiveIconId() const { return activeIconId_; }
  int NormalIconId() const { return normalIconId_; }
  bool HasActiveIcon() const { return activeIcon_ != nullptr; }

  void SetAlignment(int alignment) { alignment_ = alignment; }
  int Alignment() const { return alignment_; }
  void SetShowText(bool show) { showText_ = show; }
  bool ShowText() const { return showText_; }
  // Whether a focused flat button shows the focus rectangle.
  void SetFlatFocus(bool flatFocus) { flatFocus_ = flatFocus; }
  bool FlatFocus() const { return flatFocus_; }
  // The cursor shown over the button; none means the platform's default.
  void SetButtonCursor(std::optional<QCursor> cursor);

  // Each reset returns a colour to the system's button face or button text colour; a repaint
  // flag of exactly 1 then repaints the button.
  void ResetNormalBackgroundColor(int repaint);
  void ResetActiveBackgroundColor(int repaint);
  void ResetNormalTextColor(int repaint);
  void ResetActiveTextColor(int repaint);
  QColor NormalBackgroundColor() const { return normalBackground_; }
  QColor ActiveBackgroundColor() const { return activeBackground_; }
  QColor NormalTextColor() const { return normalText_; }
  QColor ActiveTextColor() const { return activeText_; }

  // 1 while the pointer is taken to be over the button; it counts as set only when exactly 1.
  int HoverFlag() const { return hover_; }
  // Whether the button holds the pointer, as it does from a left press until the release.
  bool HoldsCapture() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool event(QEvent* event) override;
  // A checkable icon button shows a state its owner keeps: a click never toggles it.
  void nextCheckState() override {}

 private:
  struct LoadedIcon {
    QIcon icon;
    QSize size;  // the image's own size
  };

  std::shared_ptr<const LoadedIcon> LoadIcon(int id);
  void Draw(QPainter& painter) const;
  void DrawIcon(QPainter& painter, QRect& captionRect, bool hasCaption, bool pressed,
                bool disabled) const;
  void DrawCaption(QPainter& painter, QRect captionRect, const QString& caption, bool pressed,
                   bool disabled, bool active) const;
  void ReleaseCapture();
  void OnCaptureChanged();
  void ResetColor(QColor& color, QPalette::ColorRole role, int repaint);

  IconPathLookup iconPaths_;
  int alignment_ = kIconLeftOfCaption;
  bool showText_ = true;
  int hover_ = 0;
  bool flatFocus_ = false;
  std::optional<QCursor> cursor_;
  // Every icon read so far, by id. A fresh QIcon per relabel would leave a new entry in Qt's
  // pixmap cache each time; a kept one reuses its entry.
  std::map<int, std::shared_ptr<const LoadedIcon>> loaded_;
  std::shared_ptr<const LoadedIcon> activeIcon_;
  std::shared_ptr<const LoadedIcon> normalIcon_;
  int activeIconId_ = 0;
  int normalIconId_ = 0;
  std::uint8_t iconHeight_ = 0;
  std::uint8_t iconWidth_ = 0;
  QColor normalBackground_;
  QColor normalText_;
  QColor activeBackground_;
  QColor activeText_;
  bool capture_ = false;
  bool releasingCapture_ = false;
};

}  // namespace morrowfane
