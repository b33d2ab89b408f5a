#include "app/AboutBox.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "ui/DialogUnits.h"

namespace morrowfane {
namespace {

constexpr int kBoxWidth = 146;
constexpr int kBoxHeight = 61;
// The least room between the contents and the box's right and lower edges.
constexpr int kContentMargin = 6;

QLabel* AddLine(QWidget* parent, const QString& text, QRect rect) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  rect.setWidth(std::max(rect.width(), label->sizeHint().width()));
  label->setGeometry(rect);
  return label;
}

}  // namespace

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("About MorrowFane"));
  setFont(DialogFont());
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(DialogRect(0, 0, kBoxWidth, kBoxHeight).size());

  // The version line is the same in every language.
  AddLine(this, QStringLiteral("MorrowFane Version 1.0"), DialogRect(7, 7, 90, 8));
  AddLine(this, tr("Reference notes for guitars"), DialogRect(7, 17, 90, 8));
  AddLine(this, tr("Sound by FluidSynth and RtMidi"), DialogRect(7, 28, 103, 9));
  const QLabel* lastLine = AddLine(this, tr("Built with Qt 6"), DialogRect(7, 46, 77, 8));

  auto* ok = new QPushButton(tr("OK"), this);
  ok->setGeometry(DialogRect(94, 40, 45, 14));
  // A longer last line (a translation, a larger font) moves the button aside; the box grows.
  const int lineEnd = lastLine->x() + lastLine->sizeHint().width();
  ok->move(
      std::max(ok->x(), lineEnd + DialogUnitsToPixelsX(kContentMargin, ApplicationBaseUnits())),
      ok->y());
  FitToContent(*this, kContentMargin);
  ok->setDefault(true);
  ok->setFocus();
  connect(ok, &QPushButton::clicked, this, &AboutBox::accept);
}

}  // namespace morrowfane
