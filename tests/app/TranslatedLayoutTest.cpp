#include <gtest/gtest.h>

#include <QLabel>
#include <QLocale>
#include <QPushButton>

#include "RecordingMidiOutputs.h"
#include "app/AboutBox.h"
#include "ui/OptionsDialog.h"
#include "ui/Translators.h"

// Every translation's texts fit the windows: no label runs past its dialog's edge or under the
// field it names.
namespace morrowfane {
namespace {

class TranslatedLayout : public ::testing::TestWithParam<const char*> {};

void ExpectLabelsFit(const QWidget& dialog, const char* language) {
  for (const QLabel* label : dialog.findChildren<QLabel*>()) {
    const QString shown = QString(label->text()).remove(QLatin1Char('&'));
    const int textEnd = label->x() + label->fontMetrics().horizontalAdvance(shown);
    EXPECT_LE(textEnd, dialog.width()) << language << ": " << shown.toStdString();
    for (const QWidget* other : dialog.findChildren<QWidget*>()) {
      const bool sameRow = other->geometry().top() <= label->geometry().center().y() &&
                           other->geometry().bottom() >= label->geometry().center().y();
      const bool control = qobject_cast<const QLabel*>(other) == nullptr &&
                           !other->inherits("QGroupBox") && other->parentWidget() == &dialog &&
                           other->x() > label->x();
      if (sameRow && control) {
        EXPECT_LE(textEnd, other->x()) << language << ": " << shown.toStdString();
      }
    }
  }
}

TEST_P(TranslatedLayout, LabelsFitTheOptionsDialogAndTheAboutBox) {
  const Translators translators{QLocale(QString::fromLatin1(GetParam()))};
  testing::RecordingMidiOutputs outputs(1);
  OptionsDialog options(outputs, PlaybackSettings{});
  options.show();
  ExpectLabelsFit(options, GetParam());
  AboutBox about;
  about.show();
  ExpectLabelsFit(about, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Languages, TranslatedLayout,
                         ::testing::Values("C", "de", "fr", "es", "it", "pt_BR"));

}  // namespace
}  // namespace morrowfane
