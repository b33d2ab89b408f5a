#include "ui/IconButtonAccessible.h"

#include "ui/IconButton.h"

namespace morrowfane {
namespace {

// The caption as painted: "&&" is one ampersand, any other marks the next letter as mnemonic.
QString WithoutMnemonics(const QString& caption) {
  QString plain;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) {
      ++i;
    }
    plain += caption[i];
  }
  return plain;
}

}  // namespace

IconButtonAccessible::IconButtonAccessible(IconButton* button)
    : QAccessibleWidget(button, QAccessible::Button) {}

IconButton& IconButtonAccessible::Button() const {
  return *static_cast<IconButton*>(widget());
}

QAccessible::Role IconButtonAccessible::role() const {
  return Button().isCheckable() ? QAccessible::CheckBox : QAccessible::Button;
}

QAccessible::State IconButtonAccessible::state() const {
  QAccessible::State state = QAccessibleWidget::state();
  state.checkable = Button().isCheckable();
  state.checked = Button().isChecked();
  state.pressed = Button().isDown();
  return state;
}

QString IconButtonAccessible::text(QAccessible::Text kind) const {
  const QString text = QAccessibleWidget::text(kind);
  if (kind == QAccessible::Name && text.isEmpty()) {
    return WithoutMnemonics(Button().text());
  }
  return text;
}

QStringList IconButtonAccessible::actionNames() const {
  QStringList names;
  if (Button().isEnabled()) {
    names << pressAction();
  }
  return names << QAccessibleWidget::actionNames();
}

void IconButtonAccessible::doAction(const QString& actionName) {
  if (actionName == pressAction() && Button().isEnabled()) {
    Button().animateClick();
    return;
  }
  QAccessibleWidget::doAction(actionName);
}

QAccessibleInterface* IconButtonAccessible::Create(const QString& /*className*/, QObject* object) {
  auto* button = qobject_cast<IconButton*>(object);
  return button != nullptr ? new IconButtonAccessible(button) : nullptr;
}

}  // namespace morrowfane
