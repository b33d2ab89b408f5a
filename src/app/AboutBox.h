#pragma once

#include <QDialog>

namespace morrowfane {

// "About MorrowFane": the version and three lines of credits, closed with OK.
class AboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* parent = nullptr);
};

}  // namespace morrowfane
