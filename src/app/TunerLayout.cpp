#include "app/TunerLayout.h"

#include <algorithm>

namespace morrowfane {
namespace {

// The template, for up to six strings. A string beyond widens the window by a button's pitch,
// and Options and Close move along to keep their distance from its right edge.
constexpr QRect kWindow(0, 0, 162, 54);
constexpr QRect kOptions(60, 35, 45, 14);
constexpr QRect kClose(110, 35, 45, 14);
constexpr QRect kFirstStringButton(5, 3, 25, 23);
constexpr int kStringButtonPitch = 25;
// The room left and right of the string buttons in a widened window.
constexpr int kWindowMargins = 12;

}  // namespace

TunerLayout::TunerLayout(int strings) {
  const int width = std::max(kWindow.width(), kWindowMargins + kStringButtonPitch * strings);
  const int widening = width - kWindow.width();
  window = QRect(0, 0, width, kWindow.height());
  options = kOptions.translated(widening, 0);
  close = kClose.translated(widening, 0);
}

QRect TunerLayout::StringButton(int stringNumber) {
  return kFirstStringButton.translated(kStringButtonPitch * (stringNumber - 1), 0);
}

}  // namespace morrowfane
