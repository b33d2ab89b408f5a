#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include "ui/IconButton.h"

namespace morrowfane {
namespace {

constexpr int kIconId = 1001;
constexpr qreal kScale = 2.0;

// On a screen with twice the pixel density the button draws the icon's @2x image, not the 32 px
// one scaled up. Run with QT_SCALE_FACTOR=2.
TEST(IconButtonHighDpi, DrawsTheDoubleResolutionImage) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("icon.png"));
  QImage normal(32, 32, QImage::Format_ARGB32);
  normal.fill(Qt::blue);
  normal.setPixelColor(0, 0, Qt::red);
  ASSERT_TRUE(normal.save(path));
  QImage doubled(64, 64, QImage::Format_ARGB32);
  doubled.fill(Qt::green);
  doubled.setPixelColor(0, 0, Qt::magenta);
  ASSERT_TRUE(doubled.save(dir.filePath(QStringLiteral("icon@2x.png"))));

  QWidget host;
  auto* button = new IconButton(&host, [&](int id) { return id == kIconId ? path : QString(); });
  button->setGeometry(0, 0, 37, 37);
  host.resize(37, 37);
  host.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
  ASSERT_EQ(button->devicePixelRatioF(), kScale) << "run with QT_SCALE_FACTOR=2";
  button->SetIcons(kIconId, 0, 32, 32);

  const QImage image = button->grab().toImage();
  ASSERT_EQ(image.size(), QSize(74, 74));
  // The icon's corner at 2 px in, that is 4 device pixels; one device pixel of it is the corner.
  EXPECT_EQ(image.pixelColor(4, 4).rgb(), QColor(Qt::magenta).rgb());
  EXPECT_EQ(image.pixelColor(5, 5).rgb(), QColor(Qt::green).rgb());
  EXPECT_NE(image.pixelColor(3, 3).rgb(), QColor(Qt::magenta).rgb());
}

}  // namespace
}  // namespace morrowfane
