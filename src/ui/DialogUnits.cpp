#include "ui/DialogUnits.h"

#include <QApplication>
#include <QFontInfo>
#include <cmath>

namespace morrowfane {

DialogBaseUnits BaseUnitsForPointSize(double pointSize) {
  const double scale = pointSize / kTemplateApplicationPointSize;
  return {static_cast<int>(std::lround(kTemplateBaseUnits.x * scale)),
          static_cast<int>(std::lround(kTemplateBaseUnits.y * scale))};
}

DialogBaseUnits ApplicationBaseUnits() {
  // The matched font's size: a font given in pixels has its size in points too.
  return BaseUnitsForPointSize(QFontInfo(QApplication::font()).pointSizeF());
}

QFont DialogFont(DialogBaseUnits units) {
  QFont font = QApplication::font();
  font.setPixelSize(ScaleRounded(kDialogFontPixelSize, units.y, kTemplateBaseUnits.y));
  return font;
}

}  // namespace morrowfane
