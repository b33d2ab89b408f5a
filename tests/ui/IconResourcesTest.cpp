#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cmath>
#include <string_view>

#include "model/Notes.h"
#include "ui/IconResources.h"

namespace morrowfane {
namespace {

constexpr int kIconSize = 32;

int CountInLetterArea(const QImage& image, auto predicate) {
  int count = 0;
  for (int y = 9; y < 23; ++y) {
    for (int x = 9; x < 23; ++x) {
      count += predicate(image.pixelColor(x, y)) ? 1 : 0;
    }
  }
  return count;
}

TEST(NoteIcons, EveryNoteHasAnUnlitAndALitIconAtBothDensities) {
  for (const std::string_view name : kNoteNames) {
    for (const bool lit : {false, true}) {
      const int id = NoteIcon(name, lit);
      const QString path = ProgramIconPath(id);
      ASSERT_FALSE(path.isEmpty()) << id;
      const QImage image(path);
      ASSERT_EQ(image.size(), QSize(kIconSize, kIconSize)) << id;
      QString highDensity = path;
      highDensity.replace(QStringLiteral(".png"), QStringLiteral("@2x.png"));
      EXPECT_EQ(QImage(highDensity).size(), QSize(2 * kIconSize, 2 * kIconSize)) << id;

      // A disc: transparent corners, an opaque middle.
      for (const QPoint corner : {QPoint(0, 0), QPoint(31, 0), QPoint(0, 31), QPoint(31, 31)}) {
        EXPECT_EQ(image.pixelColor(corner).alpha(), 0) << id;
      }
      EXPECT_EQ(image.pixelColor(16, 4).alpha(), 255) << id;

      // The letter: dark when unlit, white when lit.
      const int white =
          CountInLetterArea(image, [](const QColor& c) { return c.lightness() > 240; });
      const int dark = CountInLetterArea(image, [](const QColor& c) { return c.lightness() < 48; });
      if (lit) {
        EXPECT_GT(white, 15) << id;
      } else {
        EXPECT_EQ(white, 0) << id;
        EXPECT_GT(dark, 15) << id;
      }
    }
  }
}

// Relative luminance as the contrast guidelines for the web define it.
double Luminance(const QColor& colour) {
  const auto linear = [](double channel) {
    return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
         0.0722 * linear(colour.blueF());
}

double Contrast(double a, double b) {
  return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

// The face's mean luminance below the letter, where a dithered face averages its two greys.
double FaceLuminance(const QImage& image, int scale) {
  double sum = 0;
  int count = 0;
  for (int y = 26 * scale; y < 28 * scale; ++y) {
    for (int x = 12 * scale; x < 20 * scale; ++x) {
      sum += Luminance(image.pixelColor(x, y));
      ++count;
    }
  }
  return sum / count;
}

// The letter's ink: the pixel of the letter's area farthest in luminance from the face.
double LetterContrast(const QImage& image, int scale) {
  const double face = FaceLuminance(image, scale);
  double best = 1;
  for (int y = 9 * scale; y < 23 * scale; ++y) {
    for (int x = 9 * scale; x < 23 * scale; ++x) {
      best = std::max(best, Contrast(face, Luminance(image.pixelColor(x, y))));
    }
  }
  return best;
}

TEST(NoteIcons, LettersStandOutFromTheirFaceAndALitFaceFromAnUnlitOne) {
  for (const std::string_view name : kNoteNames) {
    for (const auto& [suffix, scale] : {std::pair{"", 1}, std::pair{"@2x", 2}}) {
      const auto load = [&](bool lit) {
        QString path = ProgramIconPath(NoteIcon(name, lit));
        return QImage(path.replace(QStringLiteral(".png"), QStringLiteral("%1.png").arg(suffix)));
      };
      const QImage unlit = load(false);
      const QImage lit = load(true);
      EXPECT_GE(LetterContrast(unlit, scale), 4.5) << name << suffix;
      EXPECT_GE(LetterContrast(lit, scale), 4.5) << name << suffix;
      // Lit differs by the face's shade, not only by the letter's colour.
      EXPECT_GE(Contrast(FaceLuminance(unlit, scale), FaceLuminance(lit, scale)), 3.0)
          << name << suffix;
    }
  }
}

TEST(NoteIcons, SharpsDifferFromTheirNaturalsOnlyByTheSign) {
  // The sharp sign rises above the letter at its upper right, where a natural shows bare face.
  const QImage natural(ProgramIconPath(NoteIcon("C", false)));
  const QImage sharp(ProgramIconPath(NoteIcon("C#", false)));
  auto ink = [](const QImage& image) {
    int count = 0;
    for (int y = 5; y < 9; ++y) {
      for (int x = 21; x < 28; ++x) {
        const QColor colour = image.pixelColor(x, y);
        count += colour.alpha() == 255 && colour.lightness() < 48 ? 1 : 0;
      }
    }
    return count;
  };
  EXPECT_EQ(ink(natural), 0);
  EXPECT_GT(ink(sharp), 6);
}

TEST(IconResources, OnlyKnownIdsHaveImages) {
  for (const int id : {0, 1, 127, 129, kFirstNoteIconId - 1, kLastNoteIconId + 1}) {
    EXPECT_TRUE(ProgramIconPath(id).isEmpty()) << id;
  }
  EXPECT_EQ(QImage(ProgramIconPath(kApplicationIconId)).size(), QSize(kIconSize, kIconSize));
  const QIcon application = ApplicationIcon();
  for (const int size : {16, 32, 64, 256}) {
    EXPECT_TRUE(application.availableSizes().contains(QSize(size, size))) << size;
  }
}

}  // namespace
}  // namespace morrowfane
