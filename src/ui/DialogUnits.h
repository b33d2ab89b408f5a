#pragma once

#include <QFont>
#include <QRect>
#include <QWidget>

namespace morrowfane {

// Dialog-template layouts are given in dialog units: a quarter of the font's base width and an
// eighth of its base height. Qt's high-DPI scaling turns the pixels into device pixels.
struct DialogBaseUnits {
  int x;
  int y;
};

// The templates' font, 8 points at 96 DPI, has base units of 6 x 13 pixels. They are the ones
// of Qt's default application font (9 points, as under a bare X server); a larger desktop font
// gives larger units, so every window grows with its text.
inline constexpr DialogBaseUnits kTemplateBaseUnits{6, 13};
inline constexpr double kTemplateApplicationPointSize = 9.0;
inline constexpr int kDialogUnitsPerBaseX = 4;
inline constexpr int kDialogUnitsPerBaseY = 8;

// The templates' font is 11 pixels high at the template base units. The system's face at that
// height keeps text within the template's rectangles.
inline constexpr int kDialogFontPixelSize = 11;

// value * numerator / denominator, rounding halves away from zero (the platform's MulDiv).
constexpr int ScaleRounded(int value, int numerator, int denominator) {
  const long long product = static_cast<long long>(value) * numerator;
  const long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                       : -((-product + half) / denominator));
}

// The base units of an application font of `pointSize` points.
DialogBaseUnits BaseUnitsForPointSize(double pointSize);
// The base units of the application font, read afresh.
DialogBaseUnits ApplicationBaseUnits();

// The application font at the height that matches `units`.
QFont DialogFont(DialogBaseUnits units);
inline QFont DialogFont() {
  return DialogFont(ApplicationBaseUnits());
}

constexpr int DialogUnitsToPixelsX(int units, DialogBaseUnits base = kTemplateBaseUnits) {
  return ScaleRounded(units, base.x, kDialogUnitsPerBaseX);
}

constexpr int DialogUnitsToPixelsY(int units, DialogBaseUnits base = kTemplateBaseUnits) {
  return ScaleRounded(units, base.y, kDialogUnitsPerBaseY);
}

// A template rectangle (x, y, width, height in dialog units) in pixels. Each edge is mapped on
// its own, so the pixel size can differ by one from the mapped width or height.
constexpr QRect DialogRect(int x, int y, int width, int height, DialogBaseUnits base) {
  const int left = DialogUnitsToPixelsX(x, base);
  const int top = DialogUnitsToPixelsY(y, base);
  const int right = DialogUnitsToPixelsX(x + width, base);
  const int bottom = DialogUnitsToPixelsY(y + height, base);
  return QRect(left, top, right - left, bottom - top);
}

// Grows a dialog from its template size to hold every control with `margin` dialog units of room
// to its right and lower edges, where a larger font or a longer translation needs it.
void FitToContent(QWidget& dialog, int margin);

// The same in the application font's units.
inline QRect DialogRect(int x, int y, int width, int height) {
  return DialogRect(x, y, width, height, ApplicationBaseUnits());
}

}  // namespace morrowfane
