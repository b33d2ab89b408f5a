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

void FitToContent(QWidget& dialog, int margin) {
  const QRect content = dialog.childrenRect();
  const QSize room = DialogRect(0, 0, margin, margin).size();
  dialog.setFixedSize(dialog.size().expandedTo(
      QSize(content.right() + 1 + room.width(), content.bottom() + 1 + room.height())));
}

QFont DialogFont(DialogBaseUnits units) {
  QFont font = QApplication::font();
  font.setPixelSize(ScaleRounded(kDialogFontPixelSize, units.y, kTemplateBaseUnits.y));
  return font;
}

}  // namespace morrowfane
