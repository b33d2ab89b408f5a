#include "AccessibleEventLog.h"

#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

namespace morrowfane::testing {
namespace {

// Qt's own accessibility tests switch it on the same way: only the platform knows whether a
// screen reader listens, and the offscreen platform never hears of one.
void SetActive(bool active) {
  if (QPlatformAccessibility* platform =
          QGuiApplicationPrivate::platformIntegration()->accessibility()) {
    platform->setActive(active);
  }
}

}  // namespace

AccessibleEventLog::AccessibleEventLog() {
  current_ = this;
  wasActive_ = QAccessible::isActive();
  previous_ = QAccessible::installUpdateHandler(&Record);
  SetActive(true);
}

AccessibleEventLog::~AccessibleEventLog() {
  QAccessible::installUpdateHandler(previous_);
  SetActive(wasActive_);
  current_ = nullptr;
}

void AccessibleEventLog::Record(QAccessibleEvent* event) {
  if (current_ == nullptr) {
    return;
  }
  Entry entry{event->object(), event->type(), false, {}};
  if (event->type() == QAccessible::StateChanged) {
    const auto* change = static_cast<QAccessibleStateChangeEvent*>(event);
    if (!change->changedStates().checked) {
      return;
    }
    if (QAccessibleInterface* face = event->accessibleInterface()) {
      entry.checked = face->state().checked;
    }
  } else if (event->type() == QAccessible::ValueChanged) {
    entry.value = static_cast<QAccessibleValueChangeEvent*>(event)->value().toString();
  }
  current_->entries_.push_back(entry);
}

}  // namespace morrowfane::testing
