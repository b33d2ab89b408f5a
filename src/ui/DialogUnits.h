#pragma once

#include <QFont>
#include <QGuiApplication>
#include <QRect>

namespace morrowfane {

// Dialog-template layouts are given in dialog units. At 96 DPI the templates' font has base units
// of 6 x 13 pixels per 4 x 8 dialog units; Qt's high-DPI scaling turns those pixels into device
// pixels.
inline constexpr int kBaseUnitX = 6;
inline constexpr int kDialogUnitsPerBaseX = 4;
inline constexpr int kBaseUnitY = 13;
inline constexpr int kDialogUnitsPerBaseY = 8;

// The templates' font is 8 points at 96 DPI, 11 pixels high; its base units are the ones above.
// The system's face at that height keeps text within the template's rectangles.
inline constexpr int kDialogFontPixelSize = 11;

inline QFont DialogFont() {
  QFont font = QGuiApplication::font();
  font.setPixelSize(kDialogFontPixelSize);
  return font;
}

// value * numerator / denominator, rounding halves away from zero (the platform's MulDiv).
constexpr int ScaleRounded(int value, int numerator, int denominator) {
  const long long product = static_cast<long long>(value) * numerator;
  const long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                       : -((-product + half) / denominator));
}

constexpr int DialogUnitsToPixelsX(int units) {
  return ScaleRounded(units, kBaseUnitX, kDialogUnitsPerBaseX);
}

constexpr int DialogUnitsToPixelsY(int units) {
  return ScaleRounded(units, kBaseUnitY, kDialogUnitsPerBaseY);
}

// A template rectangle (x, y, width, height in dialog units) in pixels. Each edge is mapped on
// its own, so the pixel size can differ by one from the mapped width or height.
constexpr QRect DialogRect(int x, int y, int width, int height) {
  const int left = DialogUnitsToPixelsX(x);
  const int top = DialogUnitsToPixelsY(y);
  const int right = DialogUnitsToPixelsX(x + width);
  const int bottom = DialogUnitsToPixelsY(y + height);
  return QRect(left, top, right - left, bottom - top);
}

}  // namespace morrowfane
