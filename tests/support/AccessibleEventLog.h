#pragma once

#include <QAccessible>
#include <QObject>
#include <QString>
#include <QStringList>
#include <ostream>
#include <vector>

namespace morrowfane::testing {

// Records the accessibility events Qt sends, where a screen reader's bridge would receive them,
// while it lives. One at a time.
class AccessibleEventLog {
 public:
  struct Entry {
    QObject* object;
    QAccessible::Event type;
    bool checked;   // the object's checked state when the event was sent
    QString value;  // a value change's new value
  };

  // Turns Qt's accessibility on as a connected screen reader does; Qt sends no events before.
  AccessibleEventLog();
  ~AccessibleEventLog();
  AccessibleEventLog(const AccessibleEventLog&) = delete;
  AccessibleEventLog& operator=(const AccessibleEventLog&) = delete;

  void Clear() { entries_.clear(); }

  // The checked state after each checked-state change of `object`, in order.
  std::vector<bool> CheckedChanges(const QObject* object) const {
    std::vector<bool> states;
    for (const Entry& entry : entries_) {
      if (entry.object == object && entry.type == QAccessible::StateChanged) {
        states.push_back(entry.checked);
      }
    }
    return states;
  }

  // The new values of `object`'s value changes, in order.
  QStringList ValueChanges(const QObject* object) const {
    QStringList values;
    for (const Entry& entry : entries_) {
      if (entry.object == object && entry.type == QAccessible::ValueChanged) {
        values << entry.value;
      }
    }
    return values;
  }

 private:
  static void Record(QAccessibleEvent* event);

  static inline AccessibleEventLog* current_ = nullptr;
  QAccessible::UpdateHandler previous_ = nullptr;
  bool wasActive_ = false;
  std::vector<Entry> entries_;
};

}  // namespace morrowfane::testing

QT_BEGIN_NAMESPACE
// Readable failure messages for Qt strings.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE
