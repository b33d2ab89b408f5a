#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>

#include "ui/IconButton.h"

namespace morrowfane {
namespace {

constexpr int kCornerIconId = 1001;
constexpr int kGreenIconId = 1002;
constexpr int kMissingIconId = 1003;
const QColor kCornerColour(255, 0, 0);
const QColor kNextToCornerColour(255, 255, 0);
const QColor kIconBody(0, 0, 255);
const QColor kGreen(0, 200, 0);

// Test icons written to a temporary folder: a blue 32 x 32 square whose top-left pixel is red and
// whose next pixel on the diagonal is yellow, so its position can be read off a rendering; and a
// plain green one.
class TestIcons {
 public:
  TestIcons() {
    QImage corner(32, 32, QImage::Format_ARGB32);
    corner.fill(kIconBody);
    corner.setPixelColor(0, 0, kCornerColour);
    corner.setPixelColor(1, 1, kNextToCornerColour);
    corner.save(Path(kCornerIconId));
    QImage green(32, 32, QImage::Format_ARGB32);
    green.fill(kGreen);
    green.save(Path(kGreenIconId));
  }

  QString Path(int id) const { return dir_.filePath(QStringLiteral("icon-%1.png").arg(id)); }

  IconPathLookup Lookup() const {
    return [this](int id) { return id == kMissingIconId ? QString() : Path(id); };
  }

 private:
  QTemporaryDir dir_;
};

QImage Render(QWidget& widget) {
  return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool Same(const QColor& a, const QColor& b) {
  return a.rgb() == b.rgb();
}

// Pixels that differ from the face colour, within a column range.
QRect InkBounds(const QImage& image, const QColor& face, int fromX, int toX) {
  QRect bounds;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = std::max(0, fromX); x < std::min(image.width(), toX); ++x) {
      if (!Same(image.pixelColor(x, y), face)) {
        bounds |= QRect(x, y, 1, 1);
      }
    }
  }
  return bounds;
}

class IconButtonTest : public ::testing::Test {
 protected:
  // A shown window holding one button, so focus and pointer events behave as on a screen.
  IconButton& MakeButton(QSize size, const QString& caption = {}) {
    host_ = std::make_unique<QWidget>();
    host_->resize(size.width() + 40, size.height() + 40);
    auto* button = new IconButton(host_.get(), icons_.Lookup());
    button->setGeometry(QRect(QPoint(20, 20), size));
    button->setText(caption);
    host_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(host_.get()));
    // Park the pointer off the button, so the first move onto it is a real move.
    QTest::mouseMove(host_.get(), QPoint(1, 1));
    return *button;
  }

  void Activate(QWidget& focusTarget) {
    host_->activateWindow();
    QApplication::setActiveWindow(host_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(host_.get()));
    focusTarget.setFocus();
    ASSERT_TRUE(focusTarget.hasFocus());
  }

  static void Move(QWidget& widget, QPoint position, Qt::MouseButtons buttons) {
    QMouseEvent move(QEvent::MouseMove, position, widget.mapToGlobal(position), Qt::NoButton,
                     buttons, Qt::NoModifier);
    QApplication::sendEvent(&widget, &move);
  }

  TestIcons icons_;
  std::unique_ptr<QWidget> host_;
};

struct PlacementCase {
  const char* name;
  QSize size;
  bool pressed;
  int offset;  // where the icon's top-left corner lands, on both axes
};

void PrintTo(const PlacementCase& c, std::ostream* os) {
  *os << c.name;
}

class IconPlacement : public IconButtonTest, public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(IconPlacement, CentresTheIconAndShiftsItWhilePressed) {
  const PlacementCase& c = GetParam();
  IconButton& button = MakeButton(c.size);
  button.SetIcons(kCornerIconId, 0, 32, 32);
  button.setDown(c.pressed);
  const QImage image = Render(button);
  const QColor face = button.NormalBackgroundColor();

  const int o = c.offset;
  if (o >= 0) {
    EXPECT_TRUE(Same(image.pixelColor(o, o), kCornerColour)) << c.name;
  }
  EXPECT_TRUE(Same(image.pixelColor(o + 1, o + 1), kNextToCornerColour)) << c.name;
  if (o >= 1) {
    EXPECT_TRUE(Same(image.pixelColor(o - 1, o - 1), face)) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, IconPlacement,
    ::testing::Values(PlacementCase{"string button", QSize(37, 37), false, 2},
                      PlacementCase{"string button held down", QSize(37, 37), true, 3},
                      // An odd difference halves toward zero: (30 - 32) / 2 = -1.
                      PlacementCase{"narrower than its icon", QSize(30, 30), false, -1},
                      PlacementCase{"larger", QSize(60, 60), false, 14}));

struct CaptionCase {
  const char* name;
  int alignment;
  QPoint iconAt;
  QRect captionArea;  // the rectangle the caption is centred in
};

void PrintTo(const CaptionCase& c, std::ostream* os) {
  *os << c.name;
}

class CaptionLayout : public IconButtonTest, public ::testing::WithParamInterface<CaptionCase> {};

TEST_P(CaptionLayout, PlacesIconAndCentresCaptionInTheRest) {
  const CaptionCase& c = GetParam();
  IconButton& button = MakeButton(QSize(140, 60), QStringLiteral("Wide"));
  button.SetAlignment(c.alignment);
  button.SetIcons(kCornerIconId, 0, 32, 32);
  const QImage image = Render(button);
  const QColor face = button.NormalBackgroundColor();

  EXPECT_TRUE(Same(image.pixelColor(c.iconAt), kCornerColour)) << c.name;

  const QSize text = QFontMetrics(button.font()).size(Qt::TextSingleLine, QStringLiteral("Wide"));
  const QRect expected(
      c.captionArea.topLeft() + QPoint((c.captionArea.width() - text.width()) / 2,
                                       (c.captionArea.height() - text.height()) / 2),
      text);
  // Ink outside the icon belongs to the caption; it lies within the measured text box.
  QImage withoutIcon = image;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      withoutIcon.setPixelColor(c.iconAt.x() + x, c.iconAt.y() + y, face);
    }
  }
  const QRect ink = InkBounds(withoutIcon, face, 0, withoutIcon.width());
  ASSERT_FALSE(ink.isEmpty()) << c.name;
  EXPECT_TRUE(expected.adjusted(-1, -1, 1, 1).contains(ink))
      << c.name << ": ink " << ink.x() << "," << ink.y() << " " << ink.width() << "x"
      << ink.height() << " outside " << expected.x() << "," << expected.y() << " "
      << expected.width() << "x" << expected.height();
  EXPECT_NEAR(ink.center().x(), expected.center().x(), 3) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Alignments, CaptionLayout,
    ::testing::Values(
        // Icon at left + 3, vertically centred; the caption's area begins 35 px from the left.
        CaptionCase{"icon left of caption", 0, QPoint(3, 14), QRect(35, 0, 105, 60)},
        // Icon centred at the top; the caption's area begins below it.
        CaptionCase{"icon above caption", 1, QPoint(54, 0), QRect(0, 32, 140, 28)},
        // Icon at the top-left corner; the caption is centred on the whole button.
        CaptionCase{"other alignment", 7, QPoint(0, 0), QRect(0, 0, 140, 60)}));

TEST_F(IconButtonTest, AmpersandUnderlinesTheNextLetterInsteadOfShowingItself) {
  IconButton& plain = MakeButton(QSize(120, 30), QStringLiteral("Options"));
  const QImage withoutMnemonic = Render(plain);
  plain.setText(QStringLiteral("&Options"));
  const QImage withMnemonic = Render(plain);

  const QFontMetrics metrics(plain.font());
  const QSize text = metrics.size(Qt::TextSingleLine, QStringLiteral("Options"));
  const QPoint textAt((120 - text.width()) / 2, (30 - text.height()) / 2);
  const int oWidth = metrics.horizontalAdvance(QLatin1Char('O'));

  // The only difference is an underline below the baseline, under the O.
  QRect difference;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 120; ++x) {
      if (withMnemonic.pixel(x, y) != withoutMnemonic.pixel(x, y)) {
        difference |= QRect(x, y, 1, 1);
      }
    }
  }
  ASSERT_FALSE(difference.isEmpty());
  EXPECT_GE(difference.top(), textAt.y() + metrics.ascent() - 1);
  EXPECT_GE(difference.left(), textAt.x() - 1);
  EXPECT_LE(difference.right(), textAt.x() + oWidth + 1);
}

TEST_F(IconButtonTest, DisabledButtonGreysItsIconAndEmbossesItsCaption) {
  IconButton& button = MakeButton(QSize(37, 37));
  button.SetIcons(kCornerIconId, 0, 32, 32);
  ASSERT_TRUE(Same(Render(button).pixelColor(2, 2), kCornerColour));

  button.setEnabled(false);
  const QColor corner = Render(button).pixelColor(2, 2);
  EXPECT_FALSE(Same(corner, kCornerColour));
  EXPECT_NEAR(corner.red(), corner.green(), 12) << "a disabled icon is grey";
  EXPECT_NEAR(corner.green(), corner.blue(), 12) << "a disabled icon is grey";

  IconButton& captioned = MakeButton(QSize(100, 30), QStringLiteral("Text"));
  const QImage enabled = Render(captioned);
  captioned.setEnabled(false);
  const QImage disabled = Render(captioned);
  const int face = captioned.NormalBackgroundColor().lightness();
  const QColor text = captioned.NormalTextColor();
  int lighterThanFace = 0;
  int textPixels = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 100; ++x) {
      lighterThanFace += disabled.pixelColor(x, y).lightness() > face ? 1 : 0;
      textPixels += Same(disabled.pixelColor(x, y), text) ? 1 : 0;
    }
  }
  EXPECT_NE(enabled, disabled);
  EXPECT_GT(lighterThanFace, 0) << "the embossed highlight";
  EXPECT_EQ(textPixels, 0) << "no pixel in the enabled text colour";
}

struct FocusCase {
  const char* name;
  bool flat;
  bool flatFocus;
  bool blackFrame;
  int dottedInset;  // -1: no focus rectangle
};

void PrintTo(const FocusCase& c, std::ostream* os) {
  *os << c.name;
}

class FocusMarks : public IconButtonTest, public ::testing::WithParamInterface<FocusCase> {};

TEST_P(FocusMarks, FrameAndDottedRectangleFollowTheLook) {
  const FocusCase& c = GetParam();
  constexpr int kSize = 40;
  IconButton& button = MakeButton(QSize(kSize, kSize));
  button.setFlat(c.flat);
  button.SetFlatFocus(c.flatFocus);
  Activate(button);
  const QImage image = Render(button);
  const QColor face = button.NormalBackgroundColor();
  const QColor mark = button.palette().color(QPalette::ButtonText);

  for (const QPoint edge :
       {QPoint(0, 0), QPoint(kSize / 2, 0), QPoint(kSize - 1, kSize - 1), QPoint(0, kSize / 2)}) {
    EXPECT_EQ(Same(image.pixelColor(edge), Qt::black), c.blackFrame) << c.name;
  }
  for (int inset = 1; inset < kSize / 2; ++inset) {
    int marks = 0;
    for (int x = inset; x < kSize - inset; ++x) {
      marks += Same(image.pixelColor(x, inset), mark) ? 1 : 0;
    }
    if (inset == c.dottedInset) {
      // Every other pixel of the row.
      EXPECT_NEAR(marks, (kSize - 2 * inset) / 2, 1) << c.name << " inset " << inset;
    } else {
      EXPECT_EQ(marks, 0) << c.name << " inset " << inset;
    }
  }
  EXPECT_TRUE(Same(image.pixelColor(kSize / 2, kSize / 2), face)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Looks, FocusMarks,
                         ::testing::Values(FocusCase{"not flat", false, false, true, 4},
                                           FocusCase{"flat", true, false, false, -1},
                                           FocusCase{"flat with flat focus", true, true, false,
                                                     3}));

TEST_F(IconButtonTest, HoverFlagFollowsPointerMovesAndFocus) {
  IconButton& button = MakeButton(QSize(37, 37));
  const QPoint inside(10, 10);
  const QPoint outside(60, 60);

  // With the left button already down the flag stays clear.
  Move(button, inside, Qt::LeftButton);
  EXPECT_EQ(button.HoverFlag(), 0);

  // A plain move over a flat button sets it, also through the real pointer path.
  QTest::mouseMove(&button, inside);
  EXPECT_EQ(button.HoverFlag(), 1);

  // Leaving without a press keeps it: only the button holding the pointer notices.
  Move(button, outside, Qt::NoButton);
  EXPECT_EQ(button.HoverFlag(), 1);

  // Losing the focus clears it.
  Activate(button);
  host_->setFocus();
  EXPECT_EQ(button.HoverFlag(), 0);
}

TEST_F(IconButtonTest, DraggingOffAHeldButtonClearsTheFlagAndReleaseKeepsIt) {
  IconButton& button = MakeButton(QSize(37, 37));
  const QPoint inside(10, 10);

  QTest::mouseMove(&button, inside);
  QTest::mousePress(&button, Qt::LeftButton, Qt::NoModifier, inside);
  EXPECT_TRUE(button.HoldsCapture());
  Move(button, QPoint(20, 20), Qt::LeftButton);
  EXPECT_EQ(button.HoverFlag(), 1) << "a move inside changes nothing";
  Move(button, QPoint(60, 60), Qt::LeftButton);
  EXPECT_EQ(button.HoverFlag(), 0);
  QTest::mouseRelease(&button, Qt::LeftButton, Qt::NoModifier, QPoint(60, 60));
  EXPECT_FALSE(button.HoldsCapture());

  // A click inside ends with the pointer released; the flag survives that.
  QTest::mouseMove(&button, QPoint(12, 12));
  ASSERT_EQ(button.HoverFlag(), 1);
  QTest::mouseClick(&button, Qt::LeftButton, Qt::NoModifier, inside);
  EXPECT_FALSE(button.HoldsCapture());
  EXPECT_EQ(button.HoverFlag(), 1);
}

TEST_F(IconButtonTest, OnlyAFlatButtonWithAnOwnerTracksThePointer) {
  IconButton& raised = MakeButton(QSize(37, 37));
  raised.setFlat(false);
  Move(raised, QPoint(10, 10), Qt::NoButton);
  EXPECT_EQ(raised.HoverFlag(), 0);

  IconButton ownerless(nullptr, icons_.Lookup());
  ownerless.resize(37, 37);
  Move(ownerless, QPoint(10, 10), Qt::NoButton);
  EXPECT_EQ(ownerless.HoverFlag(), 0);
}

TEST_F(IconButtonTest, ActiveIconShowsWhilePressedOrHoveredAndNormalOtherwise) {
  IconButton& button = MakeButton(QSize(37, 37));
  button.SetIcons(kCornerIconId, kGreenIconId, 32, 32);
  EXPECT_TRUE(Same(Render(button).pixelColor(10, 10), kGreen));
  button.setDown(true);
  EXPECT_TRUE(Same(Render(button).pixelColor(11, 11), kIconBody));
  button.setDown(false);
  QTest::mouseMove(&button, QPoint(5, 5));
  ASSERT_EQ(button.HoverFlag(), 1);
  EXPECT_TRUE(Same(Render(button).pixelColor(10, 10), kIconBody));
}

TEST_F(IconButtonTest, MissingActiveIconDrawsNoIconAtAll) {
  IconButton& button = MakeButton(QSize(37, 37));
  const QColor face = button.NormalBackgroundColor();
  button.SetIcons(kMissingIconId, kGreenIconId, 32, 32);
  EXPECT_FALSE(button.HasActiveIcon());
  EXPECT_TRUE(InkBounds(Render(button), face, 0, 37).isEmpty());

  // Setting icons again replaces the earlier ones.
  button.SetIcons(kCornerIconId, 0, 32, 32);
  EXPECT_TRUE(button.HasActiveIcon());
  EXPECT_EQ(button.ActiveIconId(), kCornerIconId);
  EXPECT_TRUE(Same(Render(button).pixelColor(2, 2), kCornerColour));
}

// Relabelling with icons shown before reads no image again: a fresh icon per relabel left a new
// entry in Qt's pixmap cache each time, and the program grew with every press.
TEST_F(IconButtonTest, IconsShownBeforeAreNotReadAgain) {
  int lookups = 0;
  IconButton button(nullptr, [this, &lookups](int id) {
    ++lookups;
    return icons_.Lookup()(id);
  });
  button.resize(37, 37);
  for (int relabel = 0; relabel < 10; ++relabel) {
    button.SetIcons(relabel % 2 == 0 ? kCornerIconId : kGreenIconId, 0, 32, 32);
  }
  EXPECT_EQ(lookups, 2);
  EXPECT_TRUE(Same(Render(button).pixelColor(10, 10), kGreen));
}

// Counts paint events, to see whether a repaint happened before a call returned.
class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      ++paints;
    }
    return QObject::eventFilter(watched, event);
  }
};

TEST_F(IconButtonTest, SetIconsRepaintsBeforeReturning) {
  IconButton& button = MakeButton(QSize(37, 37));
  QApplication::processEvents();
  PaintCounter counter;
  button.installEventFilter(&counter);
  button.SetIcons(kCornerIconId, 0, 32, 32);
  EXPECT_EQ(counter.paints, 1);
}

TEST_F(IconButtonTest, ColourResetsRepaintOnlyForExactlyOne) {
  IconButton& button = MakeButton(QSize(37, 37));
  QApplication::processEvents();
  PaintCounter counter;
  button.installEventFilter(&counter);
  button.ResetNormalBackgroundColor(2);
  button.ResetActiveTextColor(0);
  QApplication::processEvents();
  EXPECT_EQ(counter.paints, 0);
  button.ResetActiveBackgroundColor(1);
  QApplication::processEvents();
  EXPECT_EQ(counter.paints, 1);
  EXPECT_EQ(button.ActiveBackgroundColor(), button.palette().color(QPalette::Button));
}

TEST_F(IconButtonTest, CursorIsTheButtonsOwnOrThePlatformDefault) {
  IconButton& button = MakeButton(QSize(37, 37));
  button.SetButtonCursor(QCursor(Qt::PointingHandCursor));
  EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);
  button.SetButtonCursor(std::nullopt);
  EXPECT_FALSE(button.testAttribute(Qt::WA_SetCursor));
}

}  // namespace
}  // namespace morrowfane
