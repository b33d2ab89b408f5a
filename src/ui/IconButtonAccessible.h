#pragma once

#include <QAccessibleWidget>

namespace morrowfane {

class IconButton;

// What a screen reader is told about an icon button. A checkable one is a check box whose state
// its owner keeps: its one action is Press, a click as the mouse makes it, never Qt's Toggle,
// which would check it without the click.
class IconButtonAccessible : public QAccessibleWidget {
 public:
  explicit IconButtonAccessible(IconButton* button);

  QAccessible::Role role() const override;
  QAccessible::State state() const override;
  QString text(QAccessible::Text kind) const override;
  QStringList actionNames() const override;
  void doAction(const QString& actionName) override;

  // For QAccessible::installFactory: the interface of any icon button.
  static QAccessibleInterface* Create(const QString& className, QObject* object);

 private:
  IconButton& Button() const;
};

}  // namespace morrowfane
