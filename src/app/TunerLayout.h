#pragma once

#include <QRect>

namespace morrowfane {

// The tuner window's template layout for an instrument of `strings` strings, in dialog units.
struct TunerLayout {
  explicit TunerLayout(int strings);

  // String button `stringNumber` (1..N), left to right.
  static QRect StringButton(int stringNumber);

  // The etched separator between the string buttons and the lower buttons.
  static constexpr int kSeparatorY = 29;

  QRect window;  // at 0, 0
  QRect options;
  QRect close;
};

}  // namespace morrowfane
