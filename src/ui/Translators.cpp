#include "ui/Translators.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace morrowfane {

Translators::Translators(const QLocale& locale) {
  // The build puts the program's translations among its resources, named morrowfane_<lang>.qm.
  programLoaded_ = program_.load(locale, QStringLiteral("morrowfane"), QStringLiteral("_"),
                                 QStringLiteral(":/i18n"));
  qtLoaded_ = qt_.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  if (programLoaded_) {
    QCoreApplication::installTranslator(&program_);
  }
  if (qtLoaded_) {
    QCoreApplication::installTranslator(&qt_);
  }
}

Translators::~Translators() {
  if (qtLoaded_) {
    QCoreApplication::removeTranslator(&qt_);
  }
  if (programLoaded_) {
    QCoreApplication::removeTranslator(&program_);
  }
}

}  // namespace morrowfane
