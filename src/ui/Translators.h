#pragma once

#include <QLocale>
#include <QTranslator>

namespace morrowfane {

// The program's translation and Qt's own (its dialogs' buttons, edit boxes' menus, the command
// line's help) for the user's language, installed into the running application while this
// lives. A language without a translation leaves the English texts.
class Translators {
 public:
  explicit Translators(const QLocale& locale = QLocale());
  ~Translators();

  Translators(const Translators&) = delete;
  Translators& operator=(const Translators&) = delete;

 private:
  QTranslator program_;
  QTranslator qt_;
  bool programLoaded_ = false;
  bool qtLoaded_ = false;
};

}  // namespace morrowfane
