#include <gtest/gtest.h>

#include <QRect>

#include "ui/DialogUnits.h"

namespace morrowfane {
namespace {

struct UnitCase {
  int units;
  int pixelsX;
  int pixelsY;
};

void PrintTo(const UnitCase& c, std::ostream* os) {
  *os << c.units << " units";
}

class DialogUnitConversion : public ::testing::TestWithParam<UnitCase> {};

TEST_P(DialogUnitConversion, RoundsHalvesAwayFromZero) {
  EXPECT_EQ(DialogUnitsToPixelsX(GetParam().units), GetParam().pixelsX);
  EXPECT_EQ(DialogUnitsToPixelsY(GetParam().units), GetParam().pixelsY);
}

// x: units * 6 / 4; y: units * 13 / 8.
INSTANTIATE_TEST_SUITE_P(Edges, DialogUnitConversion,
                         ::testing::Values(UnitCase{0, 0, 0}, UnitCase{1, 2, 2},  // 1.5, 1.625
                                           UnitCase{3, 5, 5},                     // 4.5, 4.875
                                           UnitCase{4, 6, 7},                     // 6, 6.5
                                           UnitCase{-1, -2, -2},                  // -1.5, -1.625
                                           UnitCase{-4, -6, -7},                  // -6, -6.5
                                           UnitCase{26, 39, 42},                  // 39, 42.25
                                           UnitCase{54, 81, 88},                  // 81, 87.75
                                           UnitCase{162, 243, 263}));

struct RectCase {
  int x, y, width, height;
  QRect pixels;
};

void PrintTo(const RectCase& c, std::ostream* os) {
  *os << c.x << "," << c.y << " " << c.width << "x" << c.height << " units";
}

class DialogRectConversion : public ::testing::TestWithParam<RectCase> {};

TEST_P(DialogRectConversion, MapsEachEdgeOnItsOwn) {
  const RectCase& c = GetParam();
  EXPECT_EQ(DialogRect(c.x, c.y, c.width, c.height), c.pixels);
}

INSTANTIATE_TEST_SUITE_P(
    TemplateControls, DialogRectConversion,
    ::testing::Values(
        // A string button: x 8..45, y 5..42, so 37 x 37 although 25 x 23 units alone give 38 x 37.
        RectCase{5, 3, 25, 23, QRect(8, 5, 37, 37)},
        // The next string button starts where the first ends.
        RectCase{30, 3, 25, 23, QRect(45, 5, 38, 37)},
        // The Options button: x 90..157.5 -> 158, y 56.875 -> 57 .. 79.625 -> 80.
        RectCase{60, 35, 45, 14, QRect(90, 57, 68, 23)},
        // The tuner window's client area.
        RectCase{0, 0, 162, 54, QRect(0, 0, 243, 88)}));

struct FontCase {
  double points;
  int baseX;
  int baseY;
};

void PrintTo(const FontCase& c, std::ostream* os) {
  *os << c.points << " pt";
}

class DesktopFontUnits : public ::testing::TestWithParam<FontCase> {};

TEST_P(DesktopFontUnits, GrowWithTheApplicationFontFromTheTemplateOnesAtNinePoints) {
  const DialogBaseUnits units = BaseUnitsForPointSize(GetParam().points);
  EXPECT_EQ(units.x, GetParam().baseX);
  EXPECT_EQ(units.y, GetParam().baseY);
}

// 6 x 13 pixels at 9 points, in proportion and rounded.
INSTANTIATE_TEST_SUITE_P(Sizes, DesktopFontUnits,
                         ::testing::Values(FontCase{9, 6, 13}, FontCase{7.5, 5, 11},
                                           FontCase{11, 7, 16}, FontCase{12, 8, 17},
                                           FontCase{16, 11, 23}));

}  // namespace
}  // namespace morrowfane
