#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <vector>

#include "AccessibleEventLog.h"
#include "TunerWindowFixture.h"
#include "app/AboutBox.h"
#include "ui/OptionsDialog.h"

namespace morrowfane {
namespace {

using testing::AccessibleEventLog;

class TunerWindowAccessibility : public TunerWindowTest {
 protected:
  QAccessibleInterface& Face(QObject& object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&object);
    EXPECT_NE(face, nullptr);
    return *face;
  }

  std::vector<bool> CheckedStates() {
    std::vector<bool> states;
    for (int k = 1; k <= kStringCount; ++k) {
      states.push_back(Face(window_->StringButton(k)).state().checked);
    }
    return states;
  }

  AccessibleEventLog log_;
};

// The names, with their octaves, are in the start-up table of TunerWindowTest.
TEST_F(TunerWindowAccessibility, StringsAreFocusableCheckBoxesAndTheWindowNamesItsKeys) {
  TunerWindow& window = Open();
  for (int k = 1; k <= kStringCount; ++k) {
    QAccessibleInterface& face = Face(window.StringButton(k));
    EXPECT_EQ(face.role(), QAccessible::CheckBox) << k;
    EXPECT_TRUE(face.state().checkable && face.state().focusable) << k;
    EXPECT_FALSE(face.state().checked) << k;
  }
  const QString description = Face(window).text(QAccessible::Description);
  for (const QString& key : {QStringLiteral("1 to 6"), QStringLiteral("F1")}) {
    EXPECT_TRUE(description.contains(key)) << description.toStdString();
  }
}

// What a screen reader hears on each press: the pressed string's checked-state change, and the
// string that goes dark with it. A strike that has ended stays lit and checked.
TEST_F(TunerWindowAccessibility, CheckedFollowsTheLitStringWithAnEventForEachChange) {
  WriteSettings(kStrikeOnce);
  Open();
  struct Step {
    int press;
    std::vector<bool> checked;
    std::vector<std::pair<int, std::vector<bool>>> events;  // string, its new states in order
  };
  const std::vector<Step> steps = {
      {1, {true, false, false, false, false, false}, {{1, {true}}}},                // start
      {4, {false, false, false, true, false, false}, {{4, {true}}, {1, {false}}}},  // switch
      {4, {false, false, false, false, false, false}, {{4, {false}}}},              // stop
      {2, {false, true, false, false, false, false}, {{2, {true}}}},                // start again
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    log_.Clear();
    // Press() waits until the player is idle: a single strike has ended, and its string stays
    // checked.
    Press(steps[i].press);
    EXPECT_EQ(CheckedStates(), steps[i].checked) << "step " << i;
    for (int k = 1; k <= kStringCount; ++k) {
      std::vector<bool> expected;
      for (const auto& [string, states] : steps[i].events) {
        if (string == k) {
          expected = states;
        }
      }
      EXPECT_EQ(log_.CheckedChanges(&window_->StringButton(k)), expected)
          << "step " << i << ", string " << k;
    }
  }
}

// Qt's own Toggle action of a checkable button would check it without a click, so silently.
TEST_F(TunerWindowAccessibility, ThePressActionPlaysTheStringAndChecksIt) {
  WriteSettings(kStrikeOnce);
  TunerWindow& window = Open();
  QAccessibleActionInterface* actions = Face(window.StringButton(3)).actionInterface();
  ASSERT_NE(actions, nullptr);
  EXPECT_EQ(actions->actionNames().first(), QAccessibleActionInterface::pressAction());
  EXPECT_FALSE(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
  actions->doAction(QAccessibleActionInterface::pressAction());
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.ButtonState().LastString() == 3; }, 2000));
  EXPECT_EQ(NoteOnKeys(), std::vector<int>{50});
  EXPECT_EQ(log_.CheckedChanges(&window.StringButton(3)), std::vector<bool>{true});
}

TEST_F(TunerWindowAccessibility, NumberKeysMoveTheFocusToTheirString) {
  WriteSettings(kStrikeOnce);
  TunerWindow& window = Open();
  const std::vector<std::pair<Qt::Key, int>> keys = {
      {Qt::Key_3, 3}, {Qt::Key_1, 1}, {Qt::Key_6, 6}, {Qt::Key_6, 6}};
  for (const auto& [key, string] : keys) {
    QTest::keyClick(QApplication::focusWidget(), key);
    EXPECT_EQ(QApplication::focusWidget(), &window.StringButton(string)) << string;
    EXPECT_TRUE(Face(window).focusChild() != nullptr &&
                Face(window).focusChild()->object() == &window.StringButton(string))
        << string;
  }
}

TEST_F(TunerWindowAccessibility, TabVisitsTheStringsInOrderThenOptionsAndClose) {
  TunerWindow& window = Open();
  ASSERT_TRUE(window.OptionsButton().hasFocus());
  std::vector<QWidget*> expected = {&window.CloseButton()};
  for (int k = 1; k <= kStringCount; ++k) {
    expected.push_back(&window.StringButton(k));
  }
  expected.push_back(&window.OptionsButton());
  for (QWidget* next : expected) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), next);
  }
}

TEST_F(TunerWindowAccessibility, AFocusedStringShowsAFocusMark) {
  TunerWindow& window = Open();
  IconButton& button = window.StringButton(2);
  const QImage unfocused = button.grab().toImage();
  button.setFocus(Qt::TabFocusReason);
  const QImage focused = button.grab().toImage();
  // The dotted mark lies 3 pixels inside the face, in the button text's colour, on every other
  // pixel from its corner.
  const QColor mark = button.palette().color(QPalette::ButtonText);
  EXPECT_EQ(focused.pixelColor(5, 3).rgb(), mark.rgb());
  EXPECT_NE(unfocused.pixelColor(5, 3).rgb(), mark.rgb());
}

// The Menu key's context menu is the window system's own (X11 sends it); Shift+F10 is the
// window's.
TEST_F(TunerWindowAccessibility, ShiftF10OpensTheContextMenuWithTheAboutItem) {
  TunerWindow& window = Open();
  window.StringButton(2).setFocus();
  QStringList items;
  QTimer::singleShot(0, [&items] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    for (const QAction* action : menu->actions()) {
      items << action->text();
    }
    menu->close();
  });
  QTest::keyClick(&window.StringButton(2), Qt::Key_F10, Qt::ShiftModifier);
  EXPECT_EQ(items, QStringList{window.AboutAction().text()});
}

struct FontCase {
  double points;
  QSize window;
  QSize options;
  QSize about;
  int textPixels;
};

void PrintTo(const FontCase& c, std::ostream* os) {
  *os << c.points << " pt";
}

class DesktopFont : public TunerWindowTest, public ::testing::WithParamInterface<FontCase> {
 protected:
  void SetUp() override {
    QFont font = QApplication::font();
    font.setPointSizeF(GetParam().points);
    QApplication::setFont(font);
  }
  void TearDown() override { QApplication::setFont(defaultFont_); }

  const QFont defaultFont_ = QApplication::font();
};

TEST_P(DesktopFont, AllThreeWindowsAreLaidOutInIt) {
  const FontCase& c = GetParam();
  TunerWindow& window = Open();
  EXPECT_EQ(window.size(), c.window);
  EXPECT_EQ(window.font().pixelSize(), c.textPixels);
  const QSize options = [&] {
    OptionsDialog dialog(outputs_, player_.Settings(), &window);
    EXPECT_EQ(dialog.font().pixelSize(), c.textPixels);
    return dialog.size();
  }();
  EXPECT_EQ(options, c.options);
  AboutBox about(&window);
  EXPECT_EQ(about.font().pixelSize(), c.textPixels);
  EXPECT_EQ(about.size(), c.about);
}

// The templates' 162 x 54, 402 x 101 and 146 x 61 units: 6 x 13 pixels per 4 x 8 units at the
// default 9 points, 11 x 23 at 16 points.
INSTANTIATE_TEST_SUITE_P(
    Sizes, DesktopFont,
    ::testing::Values(FontCase{9, QSize(243, 88), QSize(603, 210), QSize(219, 99), 11},
                      FontCase{16, QSize(446, 155), QSize(1106, 371), QSize(402, 175), 19}));

}  // namespace
}  // namespace morrowfane
