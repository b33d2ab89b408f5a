#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace morrowfane {

// A small vertical pair of arrows that steps the integer in a buddy edit box within a range and
// writes it back as decimal text. The Up and Down keys in the buddy step it too. It works whether
// or not the buddy is enabled. Its owner names the arrows for a screen reader by what they step.
class UpDownControl : public QWidget {
  Q_OBJECT

 public:
  explicit UpDownControl(QWidget* parent = nullptr);

  void SetBuddy(QLineEdit* buddy);
  void SetRange(int lower, int upper);
  int Lower() const { return lower_; }
  int Upper() const { return upper_; }

  // Moves the position by `delta`, starting from the buddy's number when it holds one, and
  // stops at the range's ends.
  void Step(int delta);

  QToolButton& UpButton() { return *up_; }
  QToolButton& DownButton() { return *down_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QToolButton* up_;
  QToolButton* down_;
  QLineEdit* buddy_ = nullptr;
  int lower_ = 0;
  int upper_ = 100;
  int position_ = 0;
};

}  // namespace morrowfane
